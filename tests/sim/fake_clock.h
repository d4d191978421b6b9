// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A clock the test moves by hand.

#include <atomic>
#include <cstdint>

#include "os/clock.h"

namespace zm::test {

class FakeClock final : public os::Clock {
public:
    explicit FakeClock(std::uint32_t start = 1000) : now_(start) {}
    std::uint32_t TickCount() override { return now_.load(); }
    void Sleep(std::uint32_t milliseconds) override { now_ += milliseconds; }
    void Advance(std::uint32_t milliseconds) { now_ += milliseconds; }

private:
    std::atomic<std::uint32_t> now_;
};

}  // namespace zm::test
