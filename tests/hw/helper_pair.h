// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A helper served in this process: the server loop runs on a thread over a pair of pipes, the
// window's client on the other ends, exactly as across the pkexec'd child's stdin and stdout.

#include <unistd.h>

#include <memory>
#include <sstream>
#include <thread>

#include "helper/helper_client.h"
#include "helper/helper_server.h"
#include "hw/backends/port_io/port_operations.h"

namespace zm::testing {

class HelperPair {
public:
    // Serves a library of the thirteen operations (a simulated machine, a recorder over one)
    // through the port-level operations, as the helper serves its host.
    explicit HelperPair(hw::HardwareLibrary& library, const hw::LibraryFiles* files = nullptr)
        : operations_(std::make_unique<hw::PortOperations>(library)) {
        Start({*operations_, files, nullptr});
    }
    explicit HelperPair(hw::helper::ServedBackend backend) { Start(backend); }
    ~HelperPair() { Close(); }

    hw::helper::HelperClient& Client() { return *client_; }
    // Closes the window's ends and waits for the server loop to end.
    unsigned Close() {
        client_.reset();
        if (server_.joinable()) server_.join();
        return refusals_;
    }
    std::string Log() const { return log_.str(); }

private:
    void Start(hw::helper::ServedBackend backend) {
        int requests[2], replies[2];
        if (::pipe(requests) != 0 || ::pipe(replies) != 0) std::abort();
        server_ = std::thread([=, this] {
            refusals_ = hw::helper::Serve(requests[0], replies[1], backend, log_);
            ::close(requests[0]);
            ::close(replies[1]);
        });
        client_ = std::make_unique<hw::helper::HelperClient>(requests[1], replies[0]);
    }

    std::unique_ptr<hw::PortOperations> operations_;
    std::ostringstream log_;
    unsigned refusals_ = 0;
    std::thread server_;
    std::unique_ptr<hw::helper::HelperClient> client_;
};

}  // namespace zm::testing
