// SPDX-License-Identifier: GPL-3.0-or-later
// Zentrimo's entry point: the command line picks the backend (real hardware or a simulated
// machine) and runs the windows, or the report or capture without them.
#include <iostream>
#include <string>
#include <vector>

#include "app/launch.h"
#include "ui/application.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    zm::app::Launch launch = zm::app::LaunchFromCommandLine(arguments, std::cout, std::cerr);
    if (launch.exitCode) return *launch.exitCode;
    return zm::ui::RunApplication(argc, argv, launch.backend, launch.settingsPath, launch.folder);
}
