// zentrimo-helper: the small privileged process the window starts through pkexec. It serves
// the hardware library's operations on this machine over its standard input and output,
// refuses anything outside its allow-list (logged on standard error), and ends when the window
// closes the pipe. Its one optional argument, --read-only, opens every device node read-only
// (the window's report), so that the kernel refuses any write; it reads nothing else.
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string_view>

#include "hw/backends/linux/linux_host.h"
#include "hw/helper/helper_client.h"
#include "hw/helper/helper_server.h"

int main(int argc, char** argv) {
    const bool readOnly =
        argc == 2 && std::string_view(argv[1]) == zm::hw::helper::kReadOnlyArgument;
    if ((argc != 1 && !readOnly) || ::isatty(STDIN_FILENO)) {
        std::cerr << "zentrimo-helper is started by zentrimo, not by hand.\n";
        return 2;
    }
    // A window that ended leaves a broken pipe: a failed write ends the loop, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    zm::hw::LinuxHost host({}, readOnly ? zm::hw::DeviceNodes::ReadOnly
                                        : zm::hw::DeviceNodes::ReadWrite);
    zm::hw::helper::Serve(STDIN_FILENO, STDOUT_FILENO, {host, &host, &host}, std::cerr);
    host.DeinitializeDll();
    return 0;
}
