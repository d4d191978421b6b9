// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program asks of the desktop session beyond the hardware: restarting the computer
// after a north-bridge multiplier change, which the processor only takes at reset. Behind a
// boundary so that a simulated machine never restarts the host and tests never restart anything.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zm::os {

class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    // Restarts the computer. Called only after the user confirmed it. False when the request
    // could not be made (no right to shut down, the service refused).
    virtual bool Reboot() = 0;
};

// The host's own session: `systemctl reboot` on Linux; on Windows ExitWindowsEx with the
// shutdown privilege enabled for the call.
std::unique_ptr<DesktopServices> MakeHostDesktopServices();

// A simulated machine has no host of its own to restart: a request is counted and nothing else
// happens.
class SimulatedDesktopServices final : public DesktopServices {
public:
    bool Reboot() override {
        ++reboots_;
        return true;
    }
    int Reboots() const { return reboots_; }

private:
    int reboots_ = 0;
};

// Runs a program with its arguments (no shell) and returns its exit status; -1 when it could not
// be started. The Linux host's reboot goes through one, so tests can see the command without
// running it.
using CommandRunner = std::function<int(const std::vector<std::string>& argv)>;

// The Linux implementation with the runner it uses; MakeHostDesktopServices passes one that
// really runs the command.
class LinuxDesktopServices final : public DesktopServices {
public:
    explicit LinuxDesktopServices(CommandRunner run) : run_(std::move(run)) {}
    bool Reboot() override;

private:
    CommandRunner run_;
};

// fork / exec / wait: the command's exit status, -1 when it could not be started or died.
int RunCommand(const std::vector<std::string>& argv);
// The same with the child's standard input on /dev/null and its output on standard error: for a
// process whose standard input and output are a protocol's pipes (the privileged helper), which
// a child must neither read from nor write into.
int RunCommandDetached(const std::vector<std::string>& argv);

}  // namespace zm::os
