// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place that knows whether the program runs on real hardware or on a simulated
// machine: everything after it works through the Backend's boundaries.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "startup/backend.h"

namespace zm::sim {
class SimulatedMachine;
}

namespace zm::app {

struct BackendChoice {
    Backend backend;
    std::string error;  // set when no backend could be made (bad profile, no host access)
};

// How time passes on a simulated machine: as on the host (windows), or only as far as the
// program sleeps, without waiting (a report).
enum class Pace { RealTime, Instant };

// What a run may change on the real hardware: the windows write; the report only reads, and on
// a Linux host opens the MSR and physical-memory device nodes read-only.
enum class HostWrites { Allowed, ReadOnly };

// machine empty: this machine's real hardware; otherwise a shipped profile name or a profile
// file.
BackendChoice SelectBackend(const std::string& machine, Pace pace = Pace::RealTime,
                            HostWrites writes = HostWrites::Allowed);

#ifndef _WIN32
// The privileged helper for an executable in this folder: the installed one, in
// <prefix>/libexec/zentrimo beside <prefix>/bin, which the polkit action names; else a build
// tree's, beside the executable, which pkexec runs under its generic action.
std::string HelperPathFor(const std::filesystem::path& executableFolder,
                          const std::function<bool(const std::filesystem::path&)>& exists);

// This machine's hardware through the privileged helper that `command` starts (normally
// pkexec and the helper). When it cannot start, the backend's files say why.
BackendChoice HelperBackend(const std::vector<std::string>& command);
#endif

// A backend on a simulated machine that already exists (tests build machines by hand).
Backend SimulatedMachineBackend(std::shared_ptr<sim::SimulatedMachine> machine);

// "name  description" lines of the shipped simulated machines.
std::string ListMachinesText();

}  // namespace zm::app
