#pragma once
// Millisecond tick count and sleep, behind a boundary so tests can drive time.

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

}  // namespace zm::os
