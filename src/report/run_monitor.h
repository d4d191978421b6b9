// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --monitor: the Monitor's sampling without a window. The start-up runs read-only as for the
// report; then the monitoring thread, the clock-measuring thread and the Monitor's tick run as
// in the windows, and every tick becomes a line on the terminal or a row of a CSV file.

#include <atomic>
#include <iosfwd>

#include "startup/session.h"

namespace zm::app {

// `session` is set up for --monitor (SetupFor). Samples until line.monitorCount ticks are out or
// `interrupted` becomes true (the program's SIGINT / SIGTERM handler sets it), then stops the
// threads, completes the CSV file and releases the hardware. Returns the process exit code: 1 when
// the start-up refused the machine or the CSV file could not be written.
int RunMonitor(Session& session, std::ostream& out, std::ostream& err,
               const std::atomic<bool>& interrupted);

// RunMonitor with SIGINT and SIGTERM (Ctrl-C, a service stop) ending the run cleanly; the
// previous handlers are back when it returns.
int RunMonitorUntilInterrupted(Session& session, std::ostream& out, std::ostream& err);

}  // namespace zm::app
