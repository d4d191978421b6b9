// SPDX-License-Identifier: GPL-3.0-or-later
// The measuring thread and the window thread on one simulated machine at once: passes read the
// shared clock members and MSRs while the window thread clicks the power-feature boxes, opens
// and applies the core-multiplier list, and runs the queued updates. Under ThreadSanitizer any
// unsynchronised access between the two shows up as a report.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "cpu/cpu_clocks.h"
#include "ident/cpu_identification.h"
#include "sim/simulated_machine.h"

namespace zm::cpu {
namespace {

using namespace std::chrono_literals;

// Time that moves when either thread sleeps.
class SteppingClock final : public os::Clock {
public:
    std::uint32_t TickCount() override { return now_.load(); }
    void Sleep(std::uint32_t ms) override {
        now_ += ms;
        std::this_thread::yield();
    }

private:
    std::atomic<std::uint32_t> now_{5000};
};

TEST(CpuThreadsTsan, MeasuringThreadAndWindowThreadShareNoUnguardedData) {
    auto clock = std::make_shared<SteppingClock>();
    auto machine = sim::SimulatedMachine::Load("x58-bloomfield", clock);
    hw::HardwareAccess hw(*machine);

    std::mutex queueLock;
    std::deque<ClockMeasuringThread::Task> queue;
    std::vector<std::string> shown;
    CpuClocks clocks(
        hw, *clock,
        [&](ClockMeasuringThread::Task task) {
            std::lock_guard<std::mutex> lock(queueLock);
            queue.push_back(std::move(task));
        },
        [&](const PassOutput& out) { shown.push_back(out.texts.bclk); });
    auto runQueued = [&] {
        std::deque<ClockMeasuringThread::Task> tasks;
        {
            std::lock_guard<std::mutex> lock(queueLock);
            tasks.swap(queue);
        }
        for (auto& task : tasks) task();
    };

    // As the main window does: the thread starts before the platform branch sets it up.
    clocks.StartMeasuring();
    ident::CpuIdentity id = ident::IdentifyCommon(*machine);
    ident::IdentifyIntelUncore(id, *machine, hw, ident::PackageFlags{});
    clocks.SetUpIntel({timings::ControllerKind::Uncore, 0xC00000, 0, id.maxNonTurboRatio},
                      id.coreCount, id.minRatio);

    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (int round = 0; clocks.Thread().Passes() < 20 || round < 200; ++round) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        clocks.EistClick(round % 2 == 0);
        clocks.TurboClick(round % 3 == 0);
        clocks.C1eClick(round % 5 == 0);
        clocks.CoreMultiplierListOpened();
        clocks.ApplyCoreMultiplier(round % 11);
        runQueued();
        std::this_thread::yield();
    }
    clocks.StopMeasuring();
    runQueued();

    EXPECT_EQ(clocks.State().measuringFinished.load(), 1);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), "133.3 MHz");
}

}  // namespace
}  // namespace zm::cpu
