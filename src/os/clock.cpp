// SPDX-License-Identifier: GPL-3.0-or-later
#include "os/clock.h"

#include <chrono>
#include <thread>

namespace zm::os {

std::uint32_t SteadyClock::TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SteadyClock::Sleep(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void VirtualClock::Sleep(std::uint32_t milliseconds) {
    if (realSleeps_) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    now_ += milliseconds;
}

}  // namespace zm::os
