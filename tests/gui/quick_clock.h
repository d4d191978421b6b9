// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A clock for window tests that run the measuring thread: machine time moves 50 ms per step
// while real time moves 1 ms, so a pass takes about 50 ms instead of seconds.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "os/clock.h"

namespace zm::testing {

class QuickClock final : public os::Clock {
public:
    std::uint32_t TickCount() override { return now_.load(); }
    void Sleep(std::uint32_t ms) override {
        now_ += ms;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

private:
    std::atomic<std::uint32_t> now_{10000};
};

}  // namespace zm::testing
