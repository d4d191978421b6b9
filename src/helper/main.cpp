// SPDX-License-Identifier: GPL-3.0-or-later
// zentrimo-helper: the small privileged process the window starts through pkexec. It serves
// the hardware operations on this machine over its standard input and output,
// refuses anything outside its allow-list (logged on standard error), and ends when the window
// closes the pipe. Its one optional argument, --read-only, opens every device node read-only
// (the window's report), so that the kernel refuses any write; it reads nothing else.
//
// A test build (ZM_HELPER_TEST_PROFILE, never installed by the project) serves the simulated
// machine of one profile at a path fixed when it is built, instead of this machine's hardware,
// so that the real pkexec and polkit path can be run on any machine. It serves that profile only
// when the file and its folder belong to root and nobody else may write them (reached without a
// symbolic link), and otherwise refuses to start: the user who starts it chooses no file root
// reads, and nothing they can write decides what root parses.
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "helper/boot_apply_request.h"
#include "helper/helper_client.h"
#include "helper/helper_server.h"
#include "helper/kernel_modules.h"
#include "hw/backends/linux/linux_host.h"
#include "hw/backends/linux/linux_operations.h"

#ifdef ZM_HELPER_TEST_PROFILE
#include <exception>
#include <memory>
#include <string>

#include "hw/backends/port_io/port_operations.h"
#include "os/boot_apply_service.h"
#include "sim/simulated_machine.h"

namespace {

// The test build's machine, or null with why not.
std::shared_ptr<zm::sim::SimulatedMachine> TestMachine(std::string& why) {
    const std::string path = ZM_HELPER_TEST_PROFILE;
    const zm::os::SettingsFileStatus file = zm::os::InspectSettingsFile(path);
    struct stat folder {};
    why = file.why;
    if (why.empty() && (file.uid != 0 || file.writableByOthers))
        why = "root alone may own and write it";
    if (why.empty() && (::stat(path.substr(0, path.rfind('/')).c_str(), &folder) != 0 ||
                        folder.st_uid != 0 || (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0))
        why = "root alone may own and write its folder";
    if (!why.empty()) return nullptr;
    try {
        return zm::sim::SimulatedMachine::FromProfileFile(path);
    } catch (const std::exception& error) {
        why = error.what();
        return nullptr;
    }
}

}  // namespace
#endif

int main(int argc, char** argv) {
    const bool readOnly =
        argc == 2 && std::string_view(argv[1]) == zm::hw::helper::kReadOnlyArgument;
    if ((argc != 1 && !readOnly) || ::isatty(STDIN_FILENO)) {
        std::cerr << "zentrimo-helper is started by zentrimo, not by hand.\n";
        return 2;
    }
    // A window that ended leaves a broken pipe: a failed write ends the loop, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
#ifdef ZM_HELPER_TEST_PROFILE
    std::string why;
    const auto machine = TestMachine(why);
    if (!machine) {
        std::cerr << "zentrimo-helper (test build): no profile served from " ZM_HELPER_TEST_PROFILE
                     ": "
                  << why << "\n";
        return 2;
    }
    zm::hw::PortOperations machineOperations(*machine);
    zm::hw::helper::ServedBackend test{machineOperations, machine.get(), nullptr};
    zm::hw::helper::Serve(STDIN_FILENO, STDOUT_FILENO, test, std::cerr);
    return 0;
#endif
    zm::hw::LinuxHost host(
        {}, readOnly ? zm::hw::DeviceNodes::ReadOnly : zm::hw::DeviceNodes::ReadWrite);
    // pkexec names the user it authenticated for; the boot service is enabled only for that
    // user's own settings file.
    const char* caller = std::getenv("PKEXEC_UID");
    const uid_t owner = caller ? static_cast<uid_t>(std::strtoul(caller, nullptr, 10)) : ::getuid();
    zm::os::SystemctlBootApplyService bootApply(&zm::os::RunCommandDetached);
    // The operations as the kernel offers them: sysfs configuration space, the MSR and memory
    // device nodes, the kernel's SMBus driver.
    zm::hw::LinuxOperations operations(host);
    zm::hw::helper::ServedBackend served{operations, &host, &host};
    // A read-only helper (the report) changes nothing on the system, not even which kernel
    // modules are loaded.
    if (!readOnly) {
        for (const std::string& module :
             zm::hw::helper::LoadMissingModules({}, &zm::os::RunCommandDetached))
            std::cerr << "zentrimo-helper: modprobe " << module << "\n";
        served.bootApply = &bootApply;
        served.checkSettingsFile = [owner](const std::string& path, bool enable) {
            return zm::hw::helper::CheckOwnSettingsFile(path, owner, enable);
        };
    }
    zm::hw::helper::Serve(STDIN_FILENO, STDOUT_FILENO, served, std::cerr);
    operations.Deinitialize();
    return 0;
}
