// SPDX-License-Identifier: GPL-3.0-or-later
// The measuring thread as a whole: passes driven by a fake clock, failing counter reads, and a
// prompt stop.
#include "cpu/clock_measuring_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "cpu/clock_multipliers.h"
#include "cpu_test_support.h"

namespace zm::cpu {
namespace {

using namespace std::chrono_literals;

// Stands in for the window thread: tasks queue up until the test runs them.
class WindowQueue {
public:
    ClockMeasuringThread::Dispatcher Dispatcher() {
        return [this](ClockMeasuringThread::Task task) {
            std::lock_guard<std::mutex> lock(mutex_);
            tasks_.push_back(std::move(task));
        };
    }
    void RunAll() {
        std::deque<ClockMeasuringThread::Task> tasks;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tasks.swap(tasks_);
        }
        for (auto& task : tasks) task();
    }

private:
    std::mutex mutex_;
    std::deque<ClockMeasuringThread::Task> tasks_;
};

bool WaitForPasses(const ClockMeasuringThread& thread, unsigned passes) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (thread.Passes() < passes) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void ConfigureIntel(hw::HardwareAccess& hw, ClockState& state) {
    StoreMultipliers(state,
                     ReadIntelMultipliers(hw, {timings::ControllerKind::Uncore, 0xC00000, 0, 20.0f})
                         .multipliers);
    state.coreCount = 4;
    state.minimumRatio = 12;
    state.platform = CpuPlatform::Intel;
}

TEST(ClockMeasuringThread, PassesOnAFakeClockMeasureTheMachinesRate) {
    auto clock = std::make_shared<test::FakeClock>();
    auto machine = test::IntelUncoreMachine(clock);
    hw::HardwareAccess hw(*machine);
    ClockState state;
    ConfigureIntel(hw, state);
    WindowQueue window;
    std::vector<PassOutput> shown;
    ClockMeasuringThread thread(hw, *clock, state, window.Dispatcher(),
                                [&](const PassOutput& out) { shown.push_back(out); });

    thread.StartMeasuring();
    ASSERT_TRUE(WaitForPasses(thread, 3));
    thread.StopMeasuring();
    EXPECT_NEAR(thread.TscMhz(), 2666.0, 1e-6);
    // Fifty 50 ms steps per pass at least: the pause really goes through the clock.
    EXPECT_GE(clock->Sleeps(), 150u);

    EXPECT_EQ(state.measuringFinished.load(), 0);  // not before the window thread runs it
    window.RunAll();
    EXPECT_EQ(state.measuringFinished.load(), 1);
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown.front().texts.bclk, "133.3 MHz");
    EXPECT_EQ(shown.front().texts.ram, "533.2 MHz");
    EXPECT_EQ(state.CoreClockMhz.load(), 2666);
}

TEST(ClockMeasuringThread, FailedCounterReadsNeverShowUpInTheRate) {
    auto clock = std::make_shared<test::FakeClock>();
    auto machine = test::IntelUncoreMachine(clock);
    test::FlakyTscLibrary flaky(*machine);
    flaky.FailEvery(7);
    hw::HardwareAccess hw(flaky);
    ClockState state;
    ConfigureIntel(hw, state);
    WindowQueue window;
    std::vector<std::string> bclk;
    ClockMeasuringThread thread(hw, *clock, state, window.Dispatcher(),
                                [&](const PassOutput& out) { bclk.push_back(out.texts.bclk); });
    thread.StartMeasuring();
    ASSERT_TRUE(WaitForPasses(thread, 14));
    thread.StopMeasuring();
    window.RunAll();

    // Passes with a failed read keep the previous rate; the others find the true one.
    bool measured = false;
    for (const auto& text : bclk) {
        EXPECT_TRUE(text == "0.0 MHz" || text == "133.3 MHz") << text;
        measured = measured || text == "133.3 MHz";
    }
    EXPECT_TRUE(measured);
}

TEST(ClockMeasuringThread, StopReturnsPromptlyOnTheRealClock) {
    os::SteadyClock clock;
    sim::SimulatedMachine machine;
    hw::HardwareAccess hw(machine);
    ClockState state;
    ClockMeasuringThread thread(
        hw, clock, state, [](ClockMeasuringThread::Task task) { task(); }, nullptr);
    thread.StartMeasuring();
    std::this_thread::sleep_for(120ms);
    const auto start = std::chrono::steady_clock::now();
    thread.StopMeasuring();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 300ms);
    EXPECT_FALSE(thread.Running());
    EXPECT_EQ(state.measuringFinished.load(), 1);
    EXPECT_EQ(thread.Passes(), 0u);
}

}  // namespace
}  // namespace zm::cpu
