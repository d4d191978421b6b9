// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/kernel_modules.h"

#include <filesystem>

namespace zm::hw::helper {

std::vector<std::string> LoadMissingModules(const LinuxHostPaths& paths,
                                            const os::CommandRunner& run) {
    struct Module {
        const char* name;
        std::string present;  // exists once the module (or the built-in driver) is there
    };
    const Module modules[] = {
        {"msr", paths.cpuDevices + "/0/msr"},
        {"i2c-dev", paths.i2cDevClass},
    };
    std::vector<std::string> tried;
    for (const Module& m : modules) {
        std::error_code ec;
        if (std::filesystem::exists(m.present, ec)) continue;
        const bool loaded = run && run({"modprobe", "-q", m.name}) == 0;
        tried.push_back(std::string(m.name) + (loaded ? "" : " (failed)"));
    }
    return tried;
}

}  // namespace zm::hw::helper
