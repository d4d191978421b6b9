// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The kernel modules the hardware is reached through: msr (/dev/cpu/N/msr) and i2c-dev
// (/dev/i2c-N, the SMBus adapters of the kernel's drivers). The helper runs as root once the
// user has authenticated, so it loads what is missing itself instead of sending the user to a
// terminal; what still fails to load is named by the start-up as before.

#include <string>
#include <vector>

#include "hw/backends/linux/linux_host.h"
#include "os/desktop_services.h"

namespace zm::hw::helper {

// Runs "modprobe -q <module>" for each module whose device nodes are missing; returns the
// modules it tried to load, each followed by " (failed)" when modprobe did not succeed.
std::vector<std::string> LoadMissingModules(const LinuxHostPaths& paths,
                                            const os::CommandRunner& run);

}  // namespace zm::hw::helper
