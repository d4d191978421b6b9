// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's side of the privileged helper: hardware operations (hw/operations.h) each sent as
// a request to zentrimo-helper over the pipes of that child process, the many-register reads
// as one batch. The window itself runs as
// the user; only the helper, started through pkexec, holds the rights to reach the hardware.
//
// When the helper cannot be started (authentication cancelled, no polkit agent, helper not
// installed) or stops answering, every read answers all ones / false, and Files() names the
// reason, so the start-up shows one clear message instead of a half-empty window.

#include <sys/types.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "helper/protocol.h"
#include "hw/hardware_library.h"
#include "hw/operations.h"

namespace zm::hw::helper {

// The polkit action the helper runs under (data/org.zentrimo.helper.policy): administrator
// authentication, kept for the session.
constexpr const char* kPolkitAction = "org.zentrimo.helper";
constexpr const char* kHelperName = "zentrimo-helper";
// The helper's one argument: every device node opened read-only (a report).
constexpr const char* kReadOnlyArgument = "--read-only";

// pkexec's own exit codes: the user dismissed the authentication dialog; not authorised, or
// pkexec could not work (no authentication agent).
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorised = 127;

class HelperClient final : public Operations, public LibraryFiles, public BackendNotes {
public:
    // Over an open pair of descriptors (written: the helper's requests; read: its replies);
    // performs the handshake. Takes ownership of both. Broken-pipe signals are ignored from
    // here on: a helper that ended shows as a failed write, not as the end of the program.
    HelperClient(int toHelper, int fromHelper);
    // Starts `command` (its first word looked up in PATH) with its standard input and output
    // on the pipes, for example {"pkexec", "/usr/libexec/zentrimo/zentrimo-helper"}.
    static std::shared_ptr<HelperClient> Launch(const std::vector<std::string>& command);
    // Closing the pipes ends the helper; a launched one is then waited for.
    ~HelperClient() override;
    HelperClient(const HelperClient&) = delete;
    HelperClient& operator=(const HelperClient&) = delete;

    bool Connected() const;
    // Why the helper is not serving, in plain words; empty while it is.
    std::string Failure() const;

    // --- Operations ---
    // Writes in a batch wait for the next request (at most 64 of them) or the batch's end.
    void BeginWrites() override;
    void EndWrites() override;
    bool Initialize() override;
    void Deinitialize() override;
    std::uint32_t PciRead(std::uint32_t address) override;
    // The registers of an image in one batch, each checked by the helper on its own.
    void PciReadMany(std::span<const std::uint32_t> addresses,
                     std::span<std::uint32_t> values) override;
    void PciWrite(std::uint32_t address, std::uint32_t value) override;
    void PciWriteByte(std::uint32_t address, std::uint8_t value) override;
    std::optional<std::uint64_t> MsrRead(std::uint32_t index, unsigned processor) override;
    // The MSRs of several processors in one batch.
    void MsrReadMany(std::span<const MsrAt> which,
                     std::span<std::optional<std::uint64_t>> values) override;
    void MsrWrite(std::uint32_t index, unsigned processor, std::uint64_t value) override;
    std::optional<std::uint64_t> ReadTsc(unsigned processor) override;
    bool PhysRead(std::uint64_t address, std::span<std::uint8_t> bytes) override;
    // The dwords of a register window in one batch.
    void PhysReadMany(std::span<const std::uint64_t> addresses,
                      std::span<std::uint32_t> values) override;
    void PhysWrite(std::uint64_t address, std::uint32_t value) override;
    void IndexedRead(std::uint16_t indexPort, std::span<const std::uint8_t> indices,
                     std::span<std::uint8_t> values) override;
    void IndexedWrite(std::uint16_t indexPort, std::uint8_t index, std::uint8_t value) override;
    int SmbusReadByte(std::uint16_t base, std::uint8_t slave, std::uint8_t command) override;
    // The bytes a decode asks for in one batch.
    void SmbusReadList(std::uint16_t base, std::uint8_t slave,
                       std::span<const std::uint8_t> commands, std::span<int> results) override;
    // A module's bytes in one request instead of one per byte.
    std::size_t SmbusReadBytes(std::uint16_t base, std::uint8_t slave, std::uint8_t first,
                               std::span<int> results) override;
    // Several modules' runs in one batch.
    void SmbusReadRuns(std::uint16_t base, std::span<SmbusRun> runs) override;

    // --- LibraryFiles: the helper's own list, or why there is no helper ---
    std::vector<LibraryFile> Files() const override;

    // --- BackendNotes: the helper's notes, then refusals and a lost helper ---
    std::vector<std::string> Diagnostics() const override;

    // Enables or disables the boot service of the stored timings for this settings file
    // (absolute path); false when the helper refused or could not.
    bool SetBootApply(bool enable, const std::string& settingsFile);

    // Requests sent and answered so far (a batch counts once).
    std::uint64_t RoundTrips() const;

private:
    HelperClient() = default;
    void Handshake();
    // The reply's reader position after the status byte, or nullopt when the helper refused
    // or is gone (then noted).
    std::optional<std::vector<std::uint8_t>> Call(Op op, const Writer& request) const;
    // Several requests in one round trip (a batch, after any writes kept): each one's reply as
    // Call gives it, in order.
    std::vector<std::optional<std::vector<std::uint8_t>>> CallMany(
        const std::vector<std::vector<std::uint8_t>>& requests) const;
    // Whether a reply says the operation was served; notes a refusal or a request not
    // understood.
    bool Served(Op op, const std::vector<std::uint8_t>& reply) const;
    // A page of the BIOS area, fetched on first use with the pages after it; null when it could
    // not be read whole.
    const std::vector<std::uint8_t>* BiosPage(std::uint64_t page);
    // A write: kept while a batch is open, else sent.
    void Write(Op op, const Writer& request);
    void Lost(const std::string& why) const;
    void Note(const std::string& note) const;

    mutable std::mutex lock_;
    int toHelper_ = -1;
    int fromHelper_ = -1;
    pid_t child_ = -1;
    mutable bool connected_ = false;
    mutable std::string failure_;
    mutable std::vector<std::string> notes_;
    mutable std::set<std::string> noted_;
    mutable std::uint64_t roundTrips_ = 0;
    unsigned writeBatches_ = 0;                                     // open BeginWrites
    mutable std::vector<std::vector<std::uint8_t>> kept_;           // writes waiting for a request
    std::map<std::uint64_t, std::vector<std::uint8_t>> biosPages_;  // by page number
};

// The user-facing reason for a launched helper that ended before its handshake, from its exit
// status (pkexec's 126 and 127 among them).
std::string LaunchFailureText(int exitStatus);

}  // namespace zm::hw::helper
