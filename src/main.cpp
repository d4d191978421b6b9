// SPDX-License-Identifier: GPL-3.0-or-later
// Zentrimo's entry point: the command line picks the backend (real hardware or a simulated
// machine) and runs the windows, or the report or capture without them.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "app/launch.h"
#include "ui/main/application.h"

#ifdef _WIN32
// zentrimo.exe is a windowed program, so Windows gives it no console: started from a command
// prompt, the report, --help and the messages go to that prompt's console. Output redirected to
// a file or pipe already has its handles and keeps them.
void UseParentConsole() {
    const bool out = ::GetStdHandle(STD_OUTPUT_HANDLE) != nullptr;
    const bool err = ::GetStdHandle(STD_ERROR_HANDLE) != nullptr;
    if ((out && err) || !::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!out && std::freopen("CONOUT$", "w", stdout)) std::cout.clear();
    if (!err && std::freopen("CONOUT$", "w", stderr)) std::cerr.clear();
}
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    UseParentConsole();
#endif
    const std::vector<std::string> arguments(argv, argv + argc);
    zm::app::Launch launch = zm::app::LaunchFromCommandLine(arguments, std::cout, std::cerr);
    if (launch.exitCode) return *launch.exitCode;
    return zm::ui::RunApplication(argc, argv, *launch.session);
}
