// zentrimo-helper: the small privileged process the window starts through pkexec. It serves
// the hardware library's operations on this machine over its standard input and output,
// refuses anything outside its allow-list (logged on standard error), and ends when the window
// closes the pipe. It takes no arguments and reads nothing else.
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "hw/backends/linux/linux_host.h"
#include "hw/helper/helper_server.h"

int main(int argc, char** /*argv*/) {
    if (argc != 1 || ::isatty(STDIN_FILENO)) {
        std::cerr << "zentrimo-helper is started by zentrimo, not by hand.\n";
        return 2;
    }
    // A window that ended leaves a broken pipe: a failed write ends the loop, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    zm::hw::LinuxHost host;
    zm::hw::helper::Serve(STDIN_FILENO, STDOUT_FILENO, {host, &host, &host}, std::cerr);
    host.DeinitializeDll();
    return 0;
}
