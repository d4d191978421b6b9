// SPDX-License-Identifier: GPL-3.0-or-later
// Every shipped machine profile: one measuring pass on the machine's own time-stamp counter
// gives the base, core, uncore or north-bridge, link and memory clocks the profile describes.
#include <gtest/gtest.h>

#include "cpu/clock_measuring_thread.h"
#include "cpu/clock_multipliers.h"
#include "cpu/clock_pass.h"
#include "cpu_test_support.h"
#include "ident/cpu_identification.h"

namespace zm::cpu {
namespace {

using timings::ControllerKind;
using timings::K10Mode;

struct ProfileCase {
    const char* machine;
    // Intel: controller kind; AMD K10: its memory mode.
    std::optional<ControllerKind> intel;
    std::optional<K10Mode> k10;
    FrequencyTexts texts;
    MultiplierTexts multipliers;
};

class ProfileClocksTest : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileClocksTest, OnePassShowsTheProfilesClocks) {
    const ProfileCase& c = GetParam();
    auto clock = std::make_shared<test::FakeClock>();
    auto machine = sim::SimulatedMachine::Load(
        std::string(ZM_MACHINES_DIR) + "/" + c.machine + ".json", clock);
    hw::HardwareAccess hw(*machine);
    ClockState state;
    ident::CpuIdentity id = ident::IdentifyCommon(*machine);
    MultiplierTexts texts;
    if (c.intel) {
        if (*c.intel == ControllerKind::Uncore) {
            ident::PackageFlags package;
            ident::IdentifyIntelUncore(id, *machine, hw, package);
        } else {
            ident::IdentifyIntelHostBridge(id, *machine, hw);
        }
        IntelClockFacts facts{*c.intel, 0xC00000, 0, id.maxNonTurboRatio};
        if (*c.intel == ControllerKind::HostBridge) {
            facts.busOffset = 0;  // no uncore probe answers on these processors
            facts.memoryWindowBase = hw.PciConfigRead(0x80000048) & 0xFFFFC000;
        }
        const IntelStartup s = ReadIntelMultipliers(hw, facts);
        StoreMultipliers(state, s.multipliers);
        texts = s.texts;
        state.platform = CpuPlatform::Intel;
        state.minimumRatio = id.minRatio;
    } else {
        ident::IdentifyK10(id, *machine, hw, "K10-DDR3");
        const K10Startup s = ReadK10Multipliers(hw, *c.k10);
        StoreMultipliers(state, s.multipliers);
        texts = s.texts;
        state.platform = CpuPlatform::AmdK10;
    }
    state.coreCount = id.coreCount;

    const auto readings = TakeTscReadings(hw, *clock, [] { return false; });
    ASSERT_TRUE(readings.has_value());
    const PassOutput out = ClockPass().Run(hw, state, NextTscMhz(0.0, *readings));
    EXPECT_EQ(out.texts, c.texts);
    EXPECT_EQ(texts.uncore, c.multipliers.uncore);
    EXPECT_EQ(texts.link, c.multipliers.link);
    EXPECT_EQ(texts.ram, c.multipliers.ram);
}

// Expected values worked out by hand from each profile's description: time-stamp rate, ratios
// and codes (see the comments in the profiles).
INSTANTIATE_TEST_SUITE_P(
    Shipped, ProfileClocksTest,
    ::testing::Values(
        // i7-920: 2666.7 MHz / 20 = 133.3; uncore x16, QPI x18, DDR3 ratio code 8 (x4).
        ProfileCase{"x58-bloomfield",
                    ControllerKind::Uncore,
                    std::nullopt,
                    {"x 20.0", "133.3 MHz", "2666.7 MHz", "2133.4 MHz", "2400.0 MHz", "533.3 MHz"},
                    {"x 16", "x 18", "x 4"}},
        // i7-860: 2800 / 21; uncore x18, QPI x18, code 10 (x5).
        ProfileCase{"p55-lynnfield",
                    ControllerKind::Uncore,
                    std::nullopt,
                    {"x 21.0", "133.3 MHz", "2800.0 MHz", "2400.0 MHz", "2400.0 MHz", "666.7 MHz"},
                    {"x 18", "x 18", "x 5"}},
        // i5-661: 3333.3 / 25; uncore x16 and QPI x18 on bus 0xFF, window code 16 (x4).
        ProfileCase{"h55-clarkdale",
                    ControllerKind::HostBridge,
                    std::nullopt,
                    {"x 25.0", "133.3 MHz", "3333.3 MHz", "2133.3 MHz", "2400.0 MHz", "533.3 MHz"},
                    {"x 16", "x 18", "x 4"}},
        // Phenom II X4 940: P0 FID 14 (x15) at 3000 MHz: 200.0 base; NbFid 5 (x9), HT code
        // 0x0B (x10), MemClkFreq 3 (DDR2-800, 1:2).
        ProfileCase{"k10-am2plus-ddr2",
                    std::nullopt,
                    K10Mode::Ddr2_800,
                    {"x 15.0", "200.0 MHz", "3000.0 MHz", "1800.0 MHz", "2000.0 MHz", "400.0 MHz"},
                    {"x 9", "x 10", "1:2"}},
        ProfileCase{"k10-am2plus-ddr2-1066",
                    std::nullopt,
                    K10Mode::Ddr2_1066,
                    {"x 15.0", "200.0 MHz", "3000.0 MHz", "1800.0 MHz", "2000.0 MHz", "533.3 MHz"},
                    {"x 9", "x 10", "3:8"}},
        // Phenom II X4 955: P0 FID 16 (x16) at 3200 MHz; MemClkFreq 5 (DDR3-1333, 3:10).
        ProfileCase{"k10-am3-ddr3",
                    std::nullopt,
                    K10Mode::Ddr3,
                    {"x 16.0", "200.0 MHz", "3200.0 MHz", "1800.0 MHz", "2000.0 MHz", "666.7 MHz"},
                    {"x 9", "x 10", "3:10"}}),
    [](const auto& info) {
        std::string name = info.param.machine;
        for (char& ch : name) {
            if (ch == '-') ch = '_';
        }
        return name;
    });

}  // namespace
}  // namespace zm::cpu
