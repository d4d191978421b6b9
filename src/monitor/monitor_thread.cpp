// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/monitor_thread.h"

#include "monitor/thread_sampling.h"

namespace zm::monitor {

// Shared by the thread and the queued task, so a task that runs after the monitor stopped (or
// was destroyed) finds the cancelled flag instead of a dangling monitor.
struct MonitorThread::HandOff {
    std::mutex mutex;
    std::condition_variable changed;
    bool cancelled = false;
    unsigned done = 0;  // tasks that ran
};

MonitorThread::MonitorThread(os::SystemInfo& system, hw::HardwareAccess& hw, os::Clock& clock,
                             const MonitorSettings& settings, Dispatcher dispatcher,
                             Publisher publisher)
    : system_(system),
      hw_(hw),
      clock_(clock),
      settings_(settings),
      dispatcher_(std::move(dispatcher)),
      publisher_(std::move(publisher)),
      handOff_(std::make_shared<HandOff>()) {}

MonitorThread::~MonitorThread() {
    Stop();
}

void MonitorThread::Start() {
    if (thread_.joinable()) return;
    stop_ = false;
    {
        std::lock_guard lock(handOff_->mutex);
        handOff_->cancelled = false;
    }
    thread_ = std::thread([this] { Run(); });
}

void MonitorThread::Stop() {
    stop_ = true;
    {
        std::lock_guard lock(handOff_->mutex);
        handOff_->cancelled = true;
    }
    handOff_->changed.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool MonitorThread::SleepBetweenSnapshots() {
    for (int step = 0; step < kSnapshotSleepSteps; ++step) {
        if (stop_) return false;
        clock_.Sleep(kSnapshotSleepStepMs);
    }
    return !stop_;
}

bool MonitorThread::Measure(ThreadResults& results) {
    if (processorCount_ == 0) processorCount_ = system_.ProcessorCount();
    const auto a = system_.ProcessorTimesSnapshot();
    if (!SleepBetweenSnapshots()) return false;
    const auto b = system_.ProcessorTimesSnapshot();
    MeasureUsage(a, b, processorCount_, results);
    const int threads = settings_.ThreadCount.load();
    if (settings_.HyperThreading()) AverageSiblings(threads, results);
    ReadTemperatures(hw_, settings_.source.load(), threads, settings_.TjMaxIndex.load(), results);
    return true;
}

void MonitorThread::Run() {
    ThreadResults results;
    const std::shared_ptr<HandOff> handOff = handOff_;
    while (!stop_) {
        if (!Measure(results)) break;
        unsigned ticket = 0;
        {
            std::lock_guard lock(handOff->mutex);
            if (handOff->cancelled) break;
            ticket = handOff->done + 1;
        }
        // The task holds the hand-off lock while it publishes, so Stop (which takes the lock)
        // never returns while a publication is under way.
        dispatcher_([handOff, results, publisher = publisher_] {
            std::unique_lock lock(handOff->mutex);
            if (handOff->cancelled) return;
            publisher(results);
            ++handOff->done;
            lock.unlock();
            handOff->changed.notify_all();
        });
        std::unique_lock lock(handOff->mutex);
        handOff->changed.wait(lock, [&] { return handOff->cancelled || handOff->done >= ticket; });
        if (handOff->cancelled) break;
        lock.unlock();
        ++cycles_;
    }
}

}  // namespace zm::monitor
