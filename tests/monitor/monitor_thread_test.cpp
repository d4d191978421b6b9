// SPDX-License-Identifier: GPL-3.0-or-later
// The monitoring thread on a simulated machine: measured usage and temperatures reach the
// publication on the "window" thread, and stopping never waits for a window that does not run
// the hand-off.
#include "monitor/monitor_thread.h"

#include <gtest/gtest.h>

#include <deque>

#include "hw/hardware_access.h"
#include "monitor/thread_sampling.h"
#include "sim/fake_clock.h"
#include "sim/simulated_machine.h"

namespace zm::monitor {
namespace {

// Tasks queued for the test thread, which plays the window thread.
class TaskQueue {
public:
    void Post(MonitorThread::Task task) {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        posted_.notify_all();
    }
    // Runs one task once one is there; false after the wait expired.
    bool RunOne() {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, std::chrono::seconds(5), [&] { return !tasks_.empty(); })) {
            return false;
        }
        MonitorThread::Task task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        task();
        return true;
    }
    std::size_t Pending() {
        std::lock_guard lock(mutex_);
        return tasks_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<MonitorThread::Task> tasks_;
};

struct Rig {
    std::shared_ptr<test::FakeClock> clock = std::make_shared<test::FakeClock>();
    sim::SimulatedMachine machine{clock};
    hw::HardwareAccess hw{machine};
    MonitorSettings settings;
    TaskQueue queue;
    std::vector<ThreadResults> published;  // test thread only

    Rig() {
        machine.SetProcessorCount(4);
        machine.SetProcessorTimes(std::vector<os::ProcessorTimes>(4));
        machine.SetProcessorLoad({100, 0, 40, 60});
        for (unsigned p = 0; p < 4; ++p) machine.SetMsr(p, kMsrThermStatus, 0x88200000 + (p << 16));
    }
    std::unique_ptr<MonitorThread> Make() {
        return std::make_unique<MonitorThread>(
            machine, hw, *clock, settings,
            [this](MonitorThread::Task t) { queue.Post(std::move(t)); },
            [this](const ThreadResults& r) { published.push_back(r); });
    }
};

TEST(MonitorThread, PublishesUsageAndTemperaturesOnTheWindowThread) {
    Rig rig;
    rig.settings.CoreCount = 2;
    rig.settings.ThreadCount = 4;
    rig.settings.TjMaxIndex = 10;
    rig.settings.source = TemperatureSource::Intel;
    auto op = rig.Make();
    op->Start();
    ASSERT_TRUE(rig.queue.RunOne());
    ASSERT_TRUE(rig.queue.RunOne());
    op->Stop();
    ASSERT_EQ(rig.published.size(), 2u);
    const ThreadResults& r = rig.published.back();
    EXPECT_EQ(r.ThreadUsage[0], 50) << "siblings 100 % and 0 %";
    EXPECT_EQ(r.ThreadUsage[1], 0);
    EXPECT_EQ(r.ThreadUsage[2], 50);
    EXPECT_EQ(r.ThreadUsage[3], 60);
    EXPECT_EQ((std::vector<int>(r.ThreadTemp.begin(), r.ThreadTemp.begin() + 4)),
              (std::vector<int>{68, 67, 66, 65}));
    EXPECT_GE(op->Cycles(), 1u);
}

TEST(MonitorThread, StopReleasesAThreadWaitingForAnUnrunHandOff) {
    Rig rig;
    auto op = rig.Make();
    op->Start();
    // The window thread is busy: the hand-off stays queued.
    for (int i = 0; i < 500 && rig.queue.Pending() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(rig.queue.Pending(), 1u);
    op->Stop();
    op.reset();
    // Run late, after the monitor is gone: it must do nothing.
    ASSERT_TRUE(rig.queue.RunOne());
    EXPECT_TRUE(rig.published.empty());
}

TEST(MonitorThread, NoTemperatureSourceReadsNoRegister) {
    Rig rig;
    auto op = rig.Make();
    ThreadResults r;
    const auto before = rig.machine.Counts();
    ASSERT_TRUE(op->Measure(r));
    EXPECT_EQ(rig.machine.Counts().msrReads, before.msrReads);
    EXPECT_EQ(rig.machine.Counts().pciReads, before.pciReads);
    EXPECT_EQ(r.ThreadUsage[0], 100);
    EXPECT_EQ(r.ThreadUsage[2], 40);
}

}  // namespace
}  // namespace zm::monitor
