#include "os/desktop_services.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zm::os {

bool LinuxDesktopServices::Reboot() {
    // systemd's reboot goes through logind's policy: a session allowed to restart the machine
    // gets a clean shutdown of every service, as ExitWindowsEx gives on Windows.
    return run_ && run_({"systemctl", "reboot"}) == 0;
}

#ifndef _WIN32

int RunCommand(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        execvp(args[0], args.data());
        _exit(127);  // not found or not executable
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (!WIFEXITED(status)) return -1;
    const int code = WEXITSTATUS(status);
    return code == 127 ? -1 : code;
}

std::unique_ptr<DesktopServices> MakeHostDesktopServices() {
    return std::make_unique<LinuxDesktopServices>(&RunCommand);
}

#endif

}  // namespace zm::os
