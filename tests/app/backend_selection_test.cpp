// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/backend_selection.h"

#include <gtest/gtest.h>

#include <chrono>

#include "hw/hardware_access.h"

namespace zm::app {
namespace {

// A simulated machine's counters run against the backend's own clock, so a measurement over any
// interval sees the profile's rate exactly; a report does not wait for the interval to pass.
TEST(BackendSelection, SimulatedCountersRunAtTheProfileRateOnTheBackendClock) {
    BackendChoice choice = SelectBackend("x58-bloomfield", Pace::Instant);
    ASSERT_TRUE(choice.error.empty()) << choice.error;
    hw::HardwareAccess hw(*choice.backend.operations);
    os::Clock& clock = *choice.backend.clock;

    const auto wallStart = std::chrono::steady_clock::now();
    const std::uint64_t tsc0 = hw.ReadTsc(0).value_or(0);
    const std::uint32_t tick0 = clock.TickCount();
    clock.Sleep(5000);
    const std::uint64_t tsc1 = hw.ReadTsc(0).value_or(0);
    const std::uint32_t tick1 = clock.TickCount();
    const auto wall = std::chrono::steady_clock::now() - wallStart;

    EXPECT_EQ(tick1 - tick0, 5000u);
    EXPECT_NEAR(static_cast<double>(tsc1 - tsc0) / ((tick1 - tick0) * 1000.0), 2666.7,
                0.001);  // the profile's tsc_mhz
    EXPECT_LT(wall, std::chrono::seconds(1));
}

TEST(BackendSelection, UnknownProfileIsAnErrorNotACrash) {
    BackendChoice choice = SelectBackend("no-such-machine", Pace::Instant);
    EXPECT_FALSE(choice.error.empty());
    EXPECT_EQ(choice.backend.operations, nullptr);
}

}  // namespace
}  // namespace zm::app
