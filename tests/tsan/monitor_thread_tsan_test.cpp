// SPDX-License-Identifier: GPL-3.0-or-later
// The monitoring thread and the window thread at once: cycles read MSRs and the Monitor's
// counts and TjMax choice while the window thread changes the choice, runs the publications
// and finally stops the thread with a hand-off still queued. Under ThreadSanitizer any
// unsynchronised access shows up as a report.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "monitor/monitor_thread.h"
#include "monitor/publication.h"
#include "sim/simulated_machine.h"

namespace zm::monitor {
namespace {

using namespace std::chrono_literals;

TEST(MonitorThreadTsan, HandOffAndSettingsShareNoUnguardedData) {
    auto clock = std::make_shared<os::VirtualClock>(false);
    auto machine = sim::SimulatedMachine::Load("x58-bloomfield", clock);
    hw::HardwareAccess hw(*machine);
    MonitorSettings settings;
    settings.CoreCount = 4;
    settings.ThreadCount = 8;
    settings.source = TemperatureSource::Intel;

    std::mutex queueLock;
    std::deque<MonitorThread::Task> queue;
    MonitorFields fields;  // window thread only
    Publication publication;
    MonitorThread op(
        *machine, hw, *clock, settings,
        [&](MonitorThread::Task task) {
            std::lock_guard lock(queueLock);
            queue.push_back(std::move(task));
        },
        [&](const ThreadResults& r) {
            publication.Publish(r, settings.CoreCount, settings.ThreadCount, settings.source,
                                fields);
        });
    op.Start();
    const auto until = std::chrono::steady_clock::now() + 3s;
    while (op.Cycles() < 20 && std::chrono::steady_clock::now() < until) {
        settings.TjMaxIndex = static_cast<int>(op.Cycles() % 21);
        MonitorThread::Task task;
        {
            std::lock_guard lock(queueLock);
            if (!queue.empty()) {
                task = std::move(queue.front());
                queue.pop_front();
            }
        }
        if (task) task();
        std::this_thread::yield();
    }
    EXPECT_GE(op.Cycles(), 20u);
    // Leave the next hand-off unrun and stop.
    std::this_thread::sleep_for(20ms);
    op.Stop();
    std::lock_guard lock(queueLock);
    for (auto& task : queue) task();  // late tasks do nothing
    EXPECT_GT(fields.HighestTemp, 0);
}

}  // namespace
}  // namespace zm::monitor
