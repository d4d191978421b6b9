// zentrimo-helper: the small privileged process the window starts through pkexec. It serves
// the hardware library's operations on this machine over its standard input and output,
// refuses anything outside its allow-list (logged on standard error), and ends when the window
// closes the pipe. Its one optional argument, --read-only, opens every device node read-only
// (the window's report), so that the kernel refuses any write; it reads nothing else.
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "hw/backends/linux/linux_host.h"
#include "hw/helper/boot_apply_request.h"
#include "hw/helper/helper_client.h"
#include "hw/helper/helper_server.h"
#include "hw/helper/kernel_modules.h"

int main(int argc, char** argv) {
    const bool readOnly =
        argc == 2 && std::string_view(argv[1]) == zm::hw::helper::kReadOnlyArgument;
    if ((argc != 1 && !readOnly) || ::isatty(STDIN_FILENO)) {
        std::cerr << "zentrimo-helper is started by zentrimo, not by hand.\n";
        return 2;
    }
    // A window that ended leaves a broken pipe: a failed write ends the loop, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    zm::hw::LinuxHost host(
        {}, readOnly ? zm::hw::DeviceNodes::ReadOnly : zm::hw::DeviceNodes::ReadWrite);
    // pkexec names the user it authenticated for; the boot service is enabled only for that
    // user's own settings file.
    const char* caller = std::getenv("PKEXEC_UID");
    const uid_t owner = caller ? static_cast<uid_t>(std::strtoul(caller, nullptr, 10)) : ::getuid();
    zm::os::SystemctlBootApplyService bootApply(&zm::os::RunCommandDetached);
    zm::hw::helper::ServedBackend served{host, &host, &host};
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
    host.DeinitializeDll();
    return 0;
}
