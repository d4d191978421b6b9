// SPDX-License-Identifier: GPL-3.0-or-later
// The Monitor's CSV log on a simulated machine with a fake clock: the header and its units, one
// row per sample with the values the Monitor showed, a file that stays whole when the program
// is killed, and a failing drive said once.
#include "monitor/monitor_log.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "hw/hardware_access.h"
#include "monitor/history.h"
#include "monitor/monitor_thread.h"
#include "monitor/publication.h"
#include "monitor/thread_sampling.h"
#include "sim/fake_clock.h"
#include "sim/simulated_machine.h"
#include "support/scratch_folder.h"

namespace zm::monitor {
namespace {

using namespace std::chrono_literals;
const WallTime kStart = std::chrono::sys_days{std::chrono::year{2026} / 12 / 8} + 7h + 30min;

// The Monitor's sampling on a four-core simulated machine, one tick per call, as the window's
// timer takes it: a monitoring cycle published, then the tick.
struct Machine {
    std::shared_ptr<test::FakeClock> clock = std::make_shared<test::FakeClock>();
    sim::SimulatedMachine machine{clock};
    hw::HardwareAccess hw{machine};
    MonitorSettings settings;
    MonitorThread op{
        machine, hw, *clock, settings, [](MonitorThread::Task) {}, [](const ThreadResults&) {}};
    Publication publication;
    MonitorFields fields;
    TickSampler sampler;

    Machine() {
        machine.SetProcessorCount(4);
        machine.SetProcessorTimes(std::vector<os::ProcessorTimes>(4));
        settings.CoreCount = 4;
        settings.ThreadCount = 4;
        settings.source = TemperatureSource::Intel;
        os::MemoryStatus status;
        status.memoryLoad = 31;
        status.totalPageFile = 4'000'000'000;
        status.availPageFile = 3'000'000'000;
        machine.SetMemoryStatus(status);
    }
    TickSample Tick(int n) {
        machine.SetProcessorLoad({10.0 * n, 20, 90, 100});
        for (unsigned p = 0; p < 4; ++p)
            machine.SetMsr(p, kMsrThermStatus, 0x88000000 + ((40u + p + n) << 16));
        ThreadResults results;
        EXPECT_TRUE(op.Measure(results));
        publication.Publish(results, 4, 4, settings.source.load(), fields);
        publication.Publish(results, 4, 4, settings.source.load(), fields);  // the skipped half
        TickInputs in;
        in.memory = machine.GlobalMemoryStatus();
        in.installedMb = 8192;
        in.cpuMhz = static_cast<std::uint16_t>(2660 + n);
        in.memoryMhz = 533;
        in.coreCount = 4;
        return sampler.Sample(in, fields);
    }
};

std::vector<std::string> Lines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
    return fields;
}

TEST(MonitorLog, HeaderWithUnitsAndOneRowPerSampleAsTheMonitorShowedIt) {
    testing::ScratchFolder folder("monitor-log");
    Machine m;
    std::string error;
    auto log = MonitorLog::Open(folder / "run.csv", 4, nullptr, error);
    ASSERT_TRUE(log) << error;
    History shown;
    constexpr int kSamples = 5;
    for (int n = 0; n < kSamples; ++n) {
        const TickSample sample = m.Tick(n);
        shown.Append(sample, 4, 4000);
        log->Append(kStart + n * 1s + 250ms, sample);
    }
    log->Close();

    const auto lines = Lines(folder / "run.csv");
    ASSERT_EQ(lines.size(), 1u + kSamples);
    EXPECT_EQ(lines[0] + "\n",
              "time (ISO 8601 UTC),usage (%),highest temperature (°C),"
              "core 0 usage (%),core 0 temperature (°C),core 1 usage (%),core 1 temperature (°C),"
              "core 2 usage (%),core 2 temperature (°C),core 3 usage (%),core 3 temperature (°C),"
              "CPU clock (MHz),RAM clock (MHz),used memory (MB),memory load (%),"
              "page file use (%)\n");
    for (int n = 0; n < kSamples; ++n) {
        const auto f = Fields(lines[1 + n]);
        ASSERT_EQ(f.size(), 16u) << lines[1 + n];
        EXPECT_EQ(f[0], "2026-12-08T07:30:0" + std::to_string(n) + ".250Z");
        std::vector<int> expected{shown.generalUsage[n], shown.highestTemp[n]};
        for (int core = 0; core < 4; ++core) {
            expected.push_back(shown.groups[core].usage[n]);
            expected.push_back(shown.groups[core].temperature[n]);
        }
        expected.insert(expected.end(), {shown.cpuMhz[n], shown.memoryMhz[n], shown.usedMb[n],
                                         shown.memoryLoad[n], shown.pageFileUse[n]});
        std::vector<int> logged;
        for (std::size_t i = 1; i < f.size(); ++i) logged.push_back(std::stoi(f[i]));
        EXPECT_EQ(logged, expected) << lines[1 + n];
    }
    // The machine's own numbers, so a row that copied the wrong field cannot pass.
    EXPECT_EQ(Fields(lines[3]), Fields("2026-12-08T07:30:02.250Z,57,58,20,58,20,57,90,56,100,55,"
                                       "2662,533,2511,31,25"));
}

TEST(MonitorLog, FileStaysWholeWhenTheProgramIsKilledBetweenSamples) {
    testing::ScratchFolder folder("monitor-log");
    const auto file = folder / "killed.csv";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Machine m;
        std::string error;
        auto log = MonitorLog::Open(file, 4, nullptr, error);
        if (!log) ::_exit(3);
        for (int n = 0;; ++n) {
            log->Append(kStart + n * 1s, m.Tick(n % 10));
            std::this_thread::sleep_for(10ms);
        }
    }
    std::size_t rows = 0;
    for (int i = 0; i < 500 && rows < 6; ++i) {
        std::this_thread::sleep_for(10ms);
        rows = Lines(file).size();
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n') << "the last row is whole";
    const auto lines = Lines(file);
    EXPECT_GE(lines.size(), 6u);
    for (const std::string& line : lines) EXPECT_EQ(Fields(line).size(), 16u) << line;
}

TEST(MonitorLog, RowsGoIntoAPipeToo) {
    // `--csv /dev/stdout | gzip`: the file named is a pipe, which has no end to seek to.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    Machine m;
    std::vector<std::string> problems;
    std::string error;
    auto log = MonitorLog::Open(
        "/proc/self/fd/" + std::to_string(fds[1]), 4,
        [&problems](const std::string& text) { problems.push_back(text); }, error);
    ASSERT_TRUE(log) << error;
    for (int n = 0; n < 3; ++n) {
        log->Append(kStart + n * 1s, m.Tick(n));
        ASSERT_TRUE(log->WaitWritten(5s));
    }
    log->Close();
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, got);
    ::close(fds[0]);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << text;  // header and three rows
}

TEST(MonitorLog, AFailingDriveIsSaidOnceAndEndsTheLog) {
    // A removed folder fails at the open; a full drive when the row is flushed.
    const std::vector<std::pair<const char*, void (*)(const std::filesystem::path&)>> failures = {
        {"folder removed",
         [](const std::filesystem::path& f) { std::filesystem::remove_all(f.parent_path()); }},
        {"drive full",
         [](const std::filesystem::path& f) {
             std::filesystem::remove(f);
             std::filesystem::create_symlink("/dev/full", f);
         }},
    };
    for (const auto& [name, fail] : failures) {
        testing::ScratchFolder folder("monitor-log");
        const auto file = folder / "logs" / "run.csv";
        std::filesystem::create_directories(file.parent_path());
        Machine m;
        std::vector<std::string> problems;  // the writer's thread; read after WaitWritten
        std::string error;
        auto log = MonitorLog::Open(
            file, 4, [&problems](const std::string& text) { problems.push_back(text); }, error);
        ASSERT_TRUE(log) << error;
        log->Append(kStart, m.Tick(0));
        ASSERT_TRUE(log->WaitWritten(5s));
        fail(file);
        for (int n = 1; n <= 4; ++n) {
            log->Append(kStart + n * 1s, m.Tick(n));
            ASSERT_TRUE(log->WaitWritten(5s));
        }
        log->Close();
        EXPECT_TRUE(log->Stopped()) << name;
        EXPECT_EQ(log->Rows(), 1u) << name;
        ASSERT_EQ(problems.size(), 1u) << name;
        EXPECT_NE(problems[0].find("run.csv"), std::string::npos) << problems[0];
    }
}

}  // namespace
}  // namespace zm::monitor
