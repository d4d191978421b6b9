// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/clock_measuring_thread.h"

#include <utility>

#include "cpu/thread_priority.h"

namespace zm::cpu {

std::optional<double> ReadTimeStamp(hw::HardwareAccess& hw) {
    const std::optional<std::uint64_t> counter = hw.ReadTsc(0);
    if (!counter) return std::nullopt;
    return static_cast<double>(*counter >> 32) * 4294967296.0 +
           static_cast<double>(*counter & 0xFFFFFFFF);
}

std::optional<std::array<TscReading, kTscReadings>> TakeTscReadings(
    hw::HardwareAccess& hw, os::Clock& clock, const std::function<bool()>& stopRequested) {
    std::array<TscReading, kTscReadings> readings;
    auto take = [&](TscReading& reading) {
        const std::optional<double> counter = ReadTimeStamp(hw);
        reading.ms = clock.TickCount();
        reading.valid = counter.has_value();
        reading.counter = counter.value_or(0.0);
    };
    take(readings[0]);
    for (int i = 1; i < kTscReadings; ++i) {
        for (int step = 0; step < kSleepSteps; ++step) {
            clock.Sleep(kSleepStepMs);
            if (stopRequested()) return std::nullopt;
        }
        take(readings[i]);
    }
    return readings;
}

ClockMeasuringThread::ClockMeasuringThread(hw::HardwareAccess& hw, os::Clock& clock,
                                           ClockState& state, Dispatcher dispatcher,
                                           Publisher publisher, char decimalSeparator)
    : hw_(hw),
      clock_(clock),
      state_(state),
      dispatcher_(std::move(dispatcher)),
      publisher_(std::move(publisher)),
      pass_(decimalSeparator) {}

ClockMeasuringThread::~ClockMeasuringThread() {
    StopMeasuring();
}

void ClockMeasuringThread::StartMeasuring() {
    if (thread_.joinable()) return;
    stop_ = false;
    state_.measuringFinished = 0;
    thread_ = std::thread([this] { Run(); });
}

void ClockMeasuringThread::StopMeasuring() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
}

void ClockMeasuringThread::Run() {
    RaiseCurrentThreadToTimeCritical();
    double tscMhz = 0.0;
    const auto stopRequested = [this] { return stop_.load(); };
    while (!stop_.load()) {
        const auto readings = TakeTscReadings(hw_, clock_, stopRequested);
        if (!readings) break;
        tscMhz = NextTscMhz(tscMhz, *readings);
        tscMhz_ = tscMhz;
        PassOutput output = pass_.Run(hw_, state_, tscMhz);
        ++passes_;
        if (dispatcher_ && publisher_) {
            dispatcher_([publish = publisher_, out = std::move(output)] { publish(out); });
        }
    }
    if (dispatcher_) {
        dispatcher_([&state = state_] { state.measuringFinished = 1; });
    } else {
        state_.measuringFinished = 1;
    }
}

}  // namespace zm::cpu
