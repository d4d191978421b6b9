// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Monitor's log: one CSV row per sample, with the values the Monitor showed for it. A row
// reaches the file as soon as the writer has it (one whole line per write, the file closed after
// each), so a program that dies loses at most the row under way; the sampling side only queues
// the sample and never waits for the disk. A write that fails (a full disk, a removed folder or
// file) is reported once and ends the log; sampling is not the log's business and goes on.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "monitor/monitor_fields.h"
#include "monitor/tick_sampling.h"

namespace zm::monitor {

using WallTime = std::chrono::system_clock::time_point;

// ISO 8601 in UTC with milliseconds: "2026-12-08T07:30:01.250Z".
std::string IsoTime(WallTime time);

// The usage and temperature of each core 0..coreCount-1 (the display groups skip one with six
// cores; the log does not).
struct CoreValue {
    int usage = 0;
    int temperature = 0;
};
std::array<CoreValue, kDisplayCores> CoreValues(const TickSample& sample, int coreCount);

// The header names every column with its unit; a row holds one sample.
std::string LogHeader(int coreCount);
std::string LogRow(WallTime time, const TickSample& sample, int coreCount);
// The same sample as one line for a terminal:
// "2026-12-08T07:30:01.250Z  usage 57 %  58 °C  cores 20/58 20/57  CPU 2662 MHz  RAM 533 MHz
//  memory 2511 MB (31 %)  page file 25 %" (one line; cores as usage % / temperature °C).
std::string SampleLine(WallTime time, const TickSample& sample, int coreCount);

// Where logs go unless the user picks a folder: $XDG_DATA_HOME/zentrimo/logs, else
// ~/.local/share/zentrimo/logs (Windows: %LOCALAPPDATA%\Zentrimo\logs). Empty when none of
// those variables is set.
std::filesystem::path DefaultLogFolder();
// "monitor-20261208-073001.csv", from the start time (UTC).
std::string DefaultLogName(WallTime start);

class MonitorLog {
public:
    // Called once when the log stops: on the writer's thread when a write failed, on the
    // sampling thread when the queue overflowed because the drive takes nothing.
    using ProblemHandler = std::function<void(const std::string& text)>;

    // Creates the file (an existing one is emptied) and writes the header, on the calling
    // thread: the user hears at once when the place cannot be written. Null with `error` set
    // then.
    static std::unique_ptr<MonitorLog> Open(const std::filesystem::path& file, int coreCount,
                                            ProblemHandler onProblem, std::string& error);
    // Writes what is queued and ends the writer (see Close).
    ~MonitorLog();
    MonitorLog(const MonitorLog&) = delete;
    MonitorLog& operator=(const MonitorLog&) = delete;

    // Queues one sample; returns at once. Nothing happens once the log has stopped.
    void Append(WallTime time, const TickSample& sample);
    // Waits until every queued row is written (or the log stopped); false after `timeout`.
    bool WaitWritten(std::chrono::milliseconds timeout);
    // Writes what is queued and ends the writer. A writer held up by a drive that does not
    // answer is left to finish on its own after `timeout`, so closing never hangs the caller;
    // false then: the rows still queued may never reach the file.
    bool Close(std::chrono::milliseconds timeout = std::chrono::seconds(2));

    bool Stopped() const;      // a write failed
    std::size_t Rows() const;  // rows in the file
    const std::filesystem::path& File() const { return file_; }

    // Rows the queue holds at most: a drive that has not taken a row for this many samples is
    // treated as failed.
    static constexpr std::size_t kMaxQueued = 3600;

private:
    struct Shared;
    MonitorLog(std::filesystem::path file, int coreCount, ProblemHandler onProblem);

    std::filesystem::path file_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace zm::monitor
