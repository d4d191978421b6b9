// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ClockMeasuringThread: the clock-measuring thread. It runs for the life of the program; each pass
// (about 2.5 s) measures the time-stamp rate against the millisecond clock, works out every
// clock of the machine and hands the texts to the window thread.
//
// It never touches a widget: results go through an injected dispatcher that must run the task
// on the window thread without waiting for it (a queued call in the Qt windows). The window
// thread must not be blocked waiting for the measuring thread while it holds up such a task,
// which is why StopMeasuring never needs the dispatcher to run.

#include <array>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "cpu/clock_pass.h"
#include "cpu/clock_state.h"
#include "cpu/tsc_rate.h"
#include "hw/hardware_access.h"
#include "os/clock.h"

namespace zm::cpu {

// Reading the counter of logical processor 0; nothing when the read failed.
std::optional<double> ReadTimeStamp(hw::HardwareAccess& hw);

// Pause between two readings: ten steps of 50 ms.
constexpr int kSleepSteps = 10;
constexpr std::uint32_t kSleepStepMs = 50;

// The six readings of one pass, half a second apart. `stopRequested` is looked at after every
// 50 ms step; the readings are abandoned (nullopt) when it says so.
std::optional<std::array<TscReading, kTscReadings>> TakeTscReadings(
    hw::HardwareAccess& hw, os::Clock& clock, const std::function<bool()>& stopRequested);

class ClockMeasuringThread {
public:
    using Task = std::function<void()>;
    // Runs a task on the window thread, later; must not wait for it.
    using Dispatcher = std::function<void(Task)>;
    // Receives each pass's result, on the window thread.
    using Publisher = std::function<void(const PassOutput&)>;

    ClockMeasuringThread(hw::HardwareAccess& hw, os::Clock& clock, ClockState& state,
                         Dispatcher dispatcher, Publisher publisher, char decimalSeparator = '.');
    ~ClockMeasuringThread();  // stops the thread
    ClockMeasuringThread(const ClockMeasuringThread&) = delete;
    ClockMeasuringThread& operator=(const ClockMeasuringThread&) = delete;

    // Starts the thread (once; later calls do nothing while it runs).
    void StartMeasuring();
    // Asks the thread to stop and waits for it; returns within one 50 ms step plus the MSR
    // reads of a pass in progress. The measuring-finished flag is set through the dispatcher.
    void StopMeasuring();

    bool Running() const { return thread_.joinable(); }
    // The accepted time-stamp rate (0 until a pass found two consistent intervals).
    double TscMhz() const { return tscMhz_.load(); }
    // Completed passes, for observers that wait for the first result.
    unsigned Passes() const { return passes_.load(); }

private:
    void Run();

    hw::HardwareAccess& hw_;
    os::Clock& clock_;
    ClockState& state_;
    Dispatcher dispatcher_;
    Publisher publisher_;
    ClockPass pass_;

    std::atomic<bool> stop_{false};
    std::atomic<double> tscMhz_{0.0};
    std::atomic<unsigned> passes_{0};
    std::thread thread_;
};

}  // namespace zm::cpu
