// SPDX-License-Identifier: GPL-3.0-or-later
// The Monitor's log between the sampling side and its writer: rows queued while the writer
// writes, the folder taken away under it, the failure said from the writer's thread and the
// log closed. Under ThreadSanitizer any unsynchronised access shows up as a report.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "monitor/monitor_log.h"

namespace zm::monitor {
namespace {

TEST(MonitorLogTsan, QueueWriterAndFailureShareNoUnguardedData) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("zm-tsan-monitor-log-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::atomic<int> problems{0};
    std::string error;
    auto log = MonitorLog::Open(
        folder / "run.csv", 8, [&](const std::string&) { ++problems; }, error);
    ASSERT_TRUE(log) << error;
    TickSample sample;
    for (int n = 0; n < 200; ++n) {
        sample.averageUsage = n % 100;
        log->Append(std::chrono::system_clock::now(), sample);
        if (n == 100) std::filesystem::remove_all(folder);
        if (n % 50 == 0) log->WaitWritten(std::chrono::seconds(5));
    }
    log->Close();
    EXPECT_TRUE(log->Stopped());
    EXPECT_EQ(problems.load(), 1);
    EXPECT_GE(log->Rows(), 1u);
}

}  // namespace
}  // namespace zm::monitor
