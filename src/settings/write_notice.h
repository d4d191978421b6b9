// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A settings write that did not happen must not pass unnoticed: the user would find the boot
// switches or the stored timings missing at the next start. The file layer hands every such
// write to one process-wide handler, once per file and run, so that a read-only file or a
// full disk gives one message, not one per key. The windows show it in a message box; a report
// run prints it on stderr.

#include <functional>
#include <string>

namespace zm::settings {

struct WriteProblem {
    std::string path;
    std::string reason;
    bool readOnly = false;  // the file is read-only on purpose: it is left as it is
};

// The text the user is told.
std::string DescribeWriteProblem(const WriteProblem& problem);

// Installs the handler (none: problems are dropped) and forgets which files were reported.
void SetWriteProblemHandler(std::function<void(const WriteProblem&)> handler);

// Calls the handler, unless a problem with the same file was reported before in this run.
void ReportWriteProblem(const WriteProblem& problem);

}  // namespace zm::settings
