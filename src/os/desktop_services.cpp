// SPDX-License-Identifier: GPL-3.0-or-later
#include "os/desktop_services.h"

#ifndef _WIN32
#include <fcntl.h>
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

namespace {

// fork / exec / wait. Detached: the child reads /dev/null and writes its output to standard
// error, so a process whose standard input and output are a protocol's pipes keeps them.
int Run(const std::vector<std::string>& argv, bool detached) {
    if (argv.empty()) return -1;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (detached) {
            const int nothing = open("/dev/null", O_RDONLY);
            if (nothing < 0 || dup2(nothing, STDIN_FILENO) < 0 ||
                dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
                _exit(127);
        }
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

}  // namespace

int RunCommand(const std::vector<std::string>& argv) {
    return Run(argv, false);
}

int RunCommandDetached(const std::vector<std::string>& argv) {
    return Run(argv, true);
}

std::unique_ptr<DesktopServices> MakeHostDesktopServices() {
    return std::make_unique<LinuxDesktopServices>(&RunCommand);
}

#endif

}  // namespace zm::os
