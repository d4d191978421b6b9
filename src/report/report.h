// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The start-up's findings without windows (--report): every group's captions and values as the
// main window shows them, as text or as one JSON object.

#include <iosfwd>
#include <string>

#include "startup/startup.h"

namespace zm::app {

// The format of both renderings, as the JSON's "version" carries it. Raise it when a key is
// renamed, removed or changes meaning (adding a key keeps it); docs/report-format.md describes it.
inline constexpr int kReportFormatVersion = 2;

// The groups in window order, one aligned table each: caption, value and a legend column that
// marks what the window shows disabled; the timings with one value column per channel. Empty
// when the start-up refused the machine (the window never becomes usable then).
std::string RenderReportText(const StartupResult& result, const std::string& machine);

// Only the timings table, as RenderReportText has it.
std::string RenderTimingsText(const StartupResult& result);

// One JSON object with the keys "version", "machine", "platform", "cpu", "motherboard", "memory",
// "frequency", "timings", "spd", "spd_note", "buttons", "messages" and "terminated". Written also
// for a refused machine, with the messages that refused it.
std::string RenderReportJson(const StartupResult& result, const std::string& machine);

// The messages for stderr: "<caption> <text>", the text's CR LF line breaks as line feeds.
std::string RenderMessages(const Messages& messages);

// 0 for a machine the start-up accepted, 1 when it requested termination.
int ReportExitCode(const StartupResult& result);

// For a run without windows that changes nothing on the machine (--report, --monitor): while it
// lives, a settings write that fails (the SMBIOS cache, mostly) is said on `err`. It does not
// spoil the run, but the next run would scan again, or a read-only file was meant to stay.
struct WriteProblemsSaid {
    explicit WriteProblemsSaid(std::ostream& err);
    ~WriteProblemsSaid();
    WriteProblemsSaid(const WriteProblemsSaid&) = delete;
    WriteProblemsSaid& operator=(const WriteProblemsSaid&) = delete;
};

}  // namespace zm::app
