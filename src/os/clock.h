// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Millisecond tick count and sleep, behind a boundary so tests can drive time.

#include <atomic>
#include <cstdint>

namespace zm::os {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps like the Windows tick count.
    virtual std::uint32_t TickCount() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// The host's monotonic clock.
class SteadyClock final : public Clock {
public:
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
};

// Time that moves only when somebody sleeps on it. A simulated machine's time-stamp counters run
// against this clock, so a measurement of their rate gives the profile's rate exactly, however
// busy the host is. With real sleeps a window paces itself as on real hardware; without, a run
// that only reports finishes at once.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(bool realSleeps) : realSleeps_(realSleeps) {}
    std::uint32_t TickCount() override { return static_cast<std::uint32_t>(now_.load()); }
    void Sleep(std::uint32_t milliseconds) override;

private:
    const bool realSleeps_;
    std::atomic<std::uint64_t> now_{0};
};

}  // namespace zm::os
