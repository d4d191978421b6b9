// SPDX-License-Identifier: GPL-3.0-or-later
// The CPU settings window's lists and rules: items from the start-up limits, the north-bridge
// floor set by the HyperTransport multiplier, and which hold flags an opened list sets.

#include "cpu/k10_settings_lists.h"

#include <gtest/gtest.h>

namespace zm::cpu {
namespace {

TEST(K10SettingsLists, CoreMultipliersStopAtTheLimitAndAtTheWidthOfCpuFid) {
    struct Case {
        int limit;
        size_t count;
        const char* last;
    };
    // A zero limit field reads as x40, one more than CpuFid 63 can encode.
    for (const Case c :
         {Case{40, 64, " x 39,5"}, Case{20, 25, " x 20"}, Case{8, 1, " x 8"}, Case{7, 0, ""}}) {
        const CpuSettingsLists l = BuildCpuSettingsLists(K10Limits{c.limit, 30, 2}, 10.0, ',');
        ASSERT_EQ(l.coreMultiplier.size(), c.count) << c.limit;
        if (c.count > 0) {
            EXPECT_EQ(l.coreMultiplier.back(), c.last);
        }
    }
    const CpuSettingsLists l = BuildCpuSettingsLists(K10Limits{20, 30, 2}, 10.0, '.');
    EXPECT_EQ(l.coreMultiplier[0], " x 8");
    EXPECT_EQ(l.coreMultiplier[1], " x 8.5");
    EXPECT_EQ(l.coreMultiplier[14], " x 15");  // CpuFid 14
}

// A board on the parallel VID interface maps the codes to other voltages: VID 0x14 is 1.05 V
// there, not the 1.30 V it is on the serial interface.
TEST(K10SettingsLists, ParallelVidInterfaceVoltages) {
    K10Limits limits{40, 30, 6};
    limits.pviMode = true;
    const CpuSettingsLists l = BuildCpuSettingsLists(limits, 10.0, '.');
    ASSERT_EQ(l.voltage.size(), 64u);
    EXPECT_EQ(l.voltage[0x00], "1.5500 V");
    EXPECT_EQ(l.voltage[0x14], "1.0500 V");
    EXPECT_EQ(l.voltage[0x1F], "0.7750 V");
    EXPECT_EQ(l.voltage[0x20], "0.7625 V");
    EXPECT_EQ(l.voltage[0x3F], "0.3750 V");
}

TEST(K10SettingsLists, VoltageUncoreAndLinkItems) {
    const CpuSettingsLists l = BuildCpuSettingsLists(K10Limits{40, 30, 6}, 10.0, ',');
    ASSERT_EQ(l.voltage.size(), 124u);
    EXPECT_EQ(l.voltage[0], "1,5500 V");
    EXPECT_EQ(l.voltage[16], "1,3500 V");
    EXPECT_EQ(l.voltage[123], "0,0125 V");
    ASSERT_EQ(l.uncoreMultiplier.size(), 27u);
    EXPECT_EQ(l.uncoreMultiplier.front(), " x 4");
    EXPECT_EQ(l.uncoreMultiplier.back(), " x 30");
    ASSERT_EQ(l.htMultiplier.size(), 21u);
    EXPECT_EQ(l.htMultiplier[10], " x 10");
    EXPECT_EQ(l.divisor.size(), 5u);
    EXPECT_EQ(l.uncoreStartIndex, 6);
    EXPECT_EQ(l.htIndex, 10);
}

TEST(K10SettingsLists, NorthBridgeBelowTheLinkReturnsToTheStartIndex) {
    struct Case {
        int chosen, ht, start, kept;
    };
    const Case cases[] = {
        {5, 10, 6, 6},    // x9 under HT x10
        {6, 10, 2, 6},    // x10 carries x10
        {0, 4, 3, 0},     // x4 with HT x4
        {26, 20, 6, 26},  // highest
    };
    for (const Case& c : cases)
        EXPECT_EQ(AcceptedUncoreMultiplier(c.chosen, c.ht, c.start), c.kept) << c.chosen;
}

TEST(K10SettingsLists, OpenedListsHoldWhatApplyWillWrite) {
    struct Case {
        CpuSettingsList list;
        int column;
        bool allCores;
        std::array<int, 4> cores;
        int cpuVid, nbVid;
    };
    const Case cases[] = {
        {CpuSettingsList::CoreMultiplierOrDivisor, 0, true, {1, 1, 1, 1}, 0, 0},
        {CpuSettingsList::CoreMultiplierOrDivisor, 0, false, {1, 0, 0, 0}, 0, 0},
        {CpuSettingsList::CoreMultiplierOrDivisor, 2, false, {0, 0, 1, 0}, 0, 0},
        {CpuSettingsList::CoreVoltage, 0, true, {0, 0, 0, 0}, 1, 0},
        {CpuSettingsList::UncoreVoltage, 0, true, {0, 0, 0, 0}, 0, 1},
    };
    for (const Case& c : cases) {
        ClockState s;
        HoldOpenedList(s, c.list, c.column, c.allCores);
        for (int n = 0; n < 4; ++n) EXPECT_EQ(s.HoldCore[n].load(), c.cores[n]) << n;
        EXPECT_EQ(s.HoldCpuVid.load(), c.cpuVid);
        EXPECT_EQ(s.HoldNbVid.load(), c.nbVid);
    }
}

}  // namespace
}  // namespace zm::cpu
