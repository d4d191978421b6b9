// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The privileged side of the helper: serves the hardware operations (hw/operations.h) to the
// window over a pair of file descriptors, one request at a time, until the window closes its end.
// Every hardware request is checked against the allow-list first; a refused one is answered
// "refused", written to the log, and never reaches the backend.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "helper/boot_apply_request.h"
#include "hw/hardware_library.h"
#include "hw/operations.h"

namespace zm::hw::helper {

struct ServedBackend {
    Operations& operations;
    const LibraryFiles* files = nullptr;  // null: nothing to check
    const BackendNotes* notes = nullptr;  // null: no notes
    // The boot service of the stored timings (null: not served) and the check a settings file
    // must pass before the service is enabled for it.
    os::BootApplyService* bootApply = nullptr;
    SettingsFileCheck checkSettingsFile = {};
};

// One helper's state between requests: the handshake and the allow-list learnt when the backend
// starts. Serve keeps one for its pipes; a caller without pipes (the fuzz
// target) keeps one across its inputs.
class Session {
public:
    Session(ServedBackend backend, std::ostream& log);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The reply payload to one request payload.
    std::vector<std::uint8_t> Handle(const std::vector<std::uint8_t>& request);
    unsigned Refusals() const;

private:
    class State;
    std::unique_ptr<State> state_;
};

// Returns when the request pipe closes (or breaks). `log` receives one line per refusal.
// Returns the number of refused requests.
unsigned Serve(int requests, int replies, ServedBackend backend, std::ostream& log);

}  // namespace zm::hw::helper
