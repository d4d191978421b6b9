// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a run does with its command line before any window: the usage text, the version, the list
// of simulated machines, the backend, and the whole run for --report, --capture, --apply-stored
// and --monitor. The windowed program goes on with the windows when nothing here ended the run;
// the Windows console report program has none to go on with.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "startup/session.h"

namespace zm::app {

struct Launch {
    std::optional<int> exitCode;       // set: the run is over, with this process exit code
    std::unique_ptr<Session> session;  // otherwise: what the windows run on, not yet started
};

// arguments[0] is the program as started. Usage and errors go to err, everything else to out.
Launch LaunchFromCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                             std::ostream& err);

}  // namespace zm::app
