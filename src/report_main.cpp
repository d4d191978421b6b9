// SPDX-License-Identifier: GPL-3.0-or-later
// zentrimo-report: the report without windows, as a console program. It is what the Windows
// build makes of the program until the windows are built for Windows too: the same start-up on
// WinRing0.dll and the same report as `zentrimo --report [--json]`.
#include <iostream>
#include <string>
#include <vector>

#include "app/launch.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    const zm::app::Launch launch = zm::app::LaunchFromCommandLine(arguments, std::cout, std::cerr);
    if (launch.exitCode) return *launch.exitCode;
    std::cerr << "zentrimo-report: this program has no windows; run it with --report [--json] "
                 "or --capture FILE\n";
    return 2;
}
