// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --report: the whole start-up on the chosen backend, printed instead of shown.

#include <iosfwd>

#include "startup/backend.h"
#include "startup/command_line.h"

namespace zm::app {

// Runs the start-up, prints the report to out and the messages to err, releases the hardware
// as the Exit button would, and returns the process exit code.
int RunReport(Backend& backend, const CommandLine& line, const std::string& settingsPath,
              std::ostream& out, std::ostream& err);

}  // namespace zm::app
