// SPDX-License-Identifier: GPL-3.0-or-later
// The clock arithmetic both the SPD window and the main window's memory summary rest on.
#include "spd/spd_format.h"

#include <gtest/gtest.h>

#include "spd/spd_ddr2.h"

namespace zm::spd {
namespace {

TEST(SpdFormat, Ddr2CycleTimeFractions) {
    struct Case {
        std::uint8_t byte9;
        long double ns;
        long long clock;
        long long rating;
    };
    const Case cases[] = {
        {0x25, 2.5L, 400, 6400},  {0x1E, 1.875L, 533, 8500}, {0x30, 3.0L, 333, 5300},
        {0x3D, 3.75L, 266, 4200}, {0x1A, 1.25L, 800, 12800}, {0x2B, 2.33L, 429, 6800},
        {0x2C, 2.66L, 375, 6000}, {0x50, 5.0L, 200, 3200},   {0x24, 2.4L, 416, 6600},
    };
    for (const Case& c : cases) {
        const auto tck = Ddr2CycleTimeNs(c.byte9);
        ASSERT_TRUE(tck.has_value()) << std::hex << int(c.byte9);
        EXPECT_NEAR(static_cast<double>(*tck), static_cast<double>(c.ns), 1e-12);
        EXPECT_EQ(ClockMhz(*tck), c.clock) << std::hex << int(c.byte9);
        EXPECT_EQ(SpeedGrade(*ClockMhz(*tck)), c.rating) << std::hex << int(c.byte9);
    }
    EXPECT_FALSE(Ddr2CycleTimeNs(0x3F).has_value());
    EXPECT_FALSE(ClockMhz(0.0L).has_value());
}

TEST(SpdFormat, WholeClocksDoNotRoundUpOnBinaryFractions) {
    EXPECT_EQ(Clocks(12.0L, 2.4L), 5);  // 2.4 ns is not exact in binary
    EXPECT_EQ(Clocks(12.5L, 2.5L), 5);
    EXPECT_EQ(Clocks(12.6L, 2.5L), 6);
    EXPECT_EQ(Clocks(13.125L, 1.5L), 9);
    EXPECT_EQ(Clocks(0.0L, 2.5L), 0);
    EXPECT_FALSE(Clocks(12.5L, 0.0L).has_value());
}

}  // namespace
}  // namespace zm::spd
