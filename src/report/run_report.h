// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --report: the whole start-up on the chosen backend, printed instead of shown.

#include <iosfwd>

#include "startup/session.h"

namespace zm::app {

// Runs the start-up, prints the report to out and the messages to err, releases the hardware
// as the Exit button would, and returns the process exit code. `session` is set up for the
// report (SetupFor); its command line says text or JSON.
int RunReport(Session& session, std::ostream& out, std::ostream& err);

}  // namespace zm::app
