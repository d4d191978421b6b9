// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/run_monitor.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <functional>
#include <mutex>
#include <ostream>

#include "monitor/monitor_log.h"
#include "monitor/monitor_thread.h"
#include "monitor/publication.h"
#include "monitor/thread_sampling.h"
#include "monitor/tick_sampling.h"
#include "report/report.h"

namespace zm::app {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;
using namespace std::chrono_literals;

// The first sample waits this long at most for the first published cycle and the first clock
// pass (about 2.5 s), so it does not show the zeros the threads start from.
constexpr auto kFirstSampleWait = 6s;
// How often a wait looks at the interrupt flag (a signal handler cannot wake a condition).
constexpr auto kInterruptPoll = 100ms;

// What the window thread's event queue is to the Monitor window: the monitoring thread hands
// its publication here and waits until this (the main) thread has run it.
class TaskQueue {
public:
    void Post(std::function<void()> task) {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        posted_.notify_one();
    }

    // Runs the tasks that arrive until `deadline`, or until interrupted.
    void RunUntil(SteadyTime deadline, const std::atomic<bool>& interrupted) {
        std::unique_lock lock(mutex_);
        while (!interrupted) {
            if (!tasks_.empty()) {
                std::function<void()> task = std::move(tasks_.front());
                tasks_.pop_front();
                lock.unlock();
                task();
                lock.lock();
                continue;
            }
            const SteadyTime now = std::chrono::steady_clock::now();
            if (now >= deadline) return;
            posted_.wait_until(lock, std::min(deadline, now + kInterruptPoll));
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

std::atomic<bool> signalled{false};
extern "C" void OnInterrupt(int) {
    signalled = true;
}

}  // namespace

int RunMonitor(Session& session, std::ostream& out, std::ostream& err,
               const std::atomic<bool>& interrupted) {
    // The start-up as for the report: nothing is written to the machine.
    const WriteProblemsSaid said(err);
    session.Start();
    const CommandLine& line = session.Setup().line;
    Backend& backend = session.Backend();
    hw::HardwareAccess& hw = session.Hardware();
    os::Clock& clock = session.Clock();
    cpu::CpuClocks& clocks = session.Clocks();
    const StartupResult& result = session.Startup();
    err << RenderMessages(result.messages);
    if (result.terminationRequested) {
        session.End();
        return ReportExitCode(result);
    }

    const bool intel = result.facts.intelPlatform == 1, amd = result.facts.amdPlatform == 1;
    monitor::MonitorSettings settings;
    monitor::SetProcessorCounts(settings, result.cpu.coreCount, result.cpu.threadCount, amd);
    settings.source = monitor::TemperatureSourceFor(intel, amd);
    settings.TjMaxIndex = monitor::StoredTjMaxIndex(session.SettingsPath());
    const int cores = settings.CoreCount.load();

    struct {
        std::mutex mutex;
        std::string text;
    } logProblem;  // from the writer's thread
    std::unique_ptr<monitor::MonitorLog> log;
    if (!line.monitorCsv.empty()) {
        std::string error;
        log = monitor::MonitorLog::Open(
            line.monitorCsv, cores,
            [&logProblem](const std::string& text) {
                std::lock_guard lock(logProblem.mutex);
                logProblem.text = text;
            },
            error);
        if (!log) {
            err << "zentrimo: the CSV file cannot be written: " << error << "\n";
            session.End();
            return 1;
        }
    }

    TaskQueue queue;
    monitor::MonitorFields fields;
    monitor::Publication publication;
    unsigned published = 0;
    monitor::MonitorThread op(
        *backend.system, hw, clock, settings,
        [&queue](monitor::MonitorThread::Task task) { queue.Post(std::move(task)); },
        [&](const monitor::ThreadResults& results) {
            publication.Publish(results, settings.CoreCount.load(), settings.ThreadCount.load(),
                                settings.source.load(), fields);
            ++published;
        });
    op.Start();

    const bool measuresClocks = intel || amd;
    const SteadyTime firstBy = std::chrono::steady_clock::now() + kFirstSampleWait;
    while (!interrupted && std::chrono::steady_clock::now() < firstBy &&
           (published == 0 || (measuresClocks && clocks.Thread().Passes() == 0)))
        queue.RunUntil(std::chrono::steady_clock::now() + 20ms, interrupted);

    const auto interval = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(line.monitorIntervalSeconds));
    monitor::TickSampler sampler;
    SteadyTime next = std::chrono::steady_clock::now();
    unsigned samples = 0;
    while (!interrupted && (line.monitorCount == 0 || samples < line.monitorCount)) {
        queue.RunUntil(next, interrupted);
        if (interrupted) break;
        monitor::TickInputs in;
        in.memory = backend.system->GlobalMemoryStatus();
        in.installedMb = result.memory.totalMb;
        in.cpuMhz = clocks.State().CoreClockMhz.load();
        in.memoryMhz = clocks.State().MemoryClockMhz.load();
        in.coreCount = cores;
        const monitor::TickSample sample = sampler.Sample(in, fields);
        const auto now = std::chrono::system_clock::now();
        if (log) {
            log->Append(now, sample);
            if (log->Stopped()) break;
        } else {
            out << monitor::SampleLine(now, sample, cores) << std::flush;
        }
        ++samples;
        // After a stall (a suspended terminal, a slow machine) go on from now, not in a burst.
        next = std::max(next + interval, std::chrono::steady_clock::now());
    }

    op.Stop();
    clocks.StopMeasuring();
    int exitCode = 0;
    if (log) {
        const bool written = log->Close();
        if (!written && !log->Stopped()) {
            err << "zentrimo: the drive did not take the last samples in time; "
                << log->File().string() << " holds " << log->Rows() << " samples.\n";
            exitCode = 1;
        } else if (log->Stopped()) {
            std::lock_guard lock(logProblem.mutex);
            err << "zentrimo: " << logProblem.text << " The file holds " << log->Rows()
                << " samples.\n";
            exitCode = 1;
        }
    }
    session.End();
    return exitCode;
}

int RunMonitorUntilInterrupted(Session& session, std::ostream& out, std::ostream& err) {
    signalled = false;
    const auto previousInt = std::signal(SIGINT, OnInterrupt);
    const auto previousTerm = std::signal(SIGTERM, OnInterrupt);
    const int exitCode = RunMonitor(session, out, err, signalled);
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    return exitCode;
}

}  // namespace zm::app
