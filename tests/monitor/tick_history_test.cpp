// SPDX-License-Identifier: GPL-3.0-or-later
// The Monitor's one-second tick and its stored history.
#include <gtest/gtest.h>

#include "monitor/history.h"
#include "monitor/tick_sampling.h"

namespace zm::monitor {
namespace {

TEST(MonitorTick, ElapsedTimeRollsOverIntoMinutesAndHours) {
    ElapsedTime t;
    for (int i = 0; i < 59; ++i) t.Advance();
    EXPECT_EQ((std::array{t.hours, t.minutes, t.seconds}), (std::array{0, 0, 59}));
    t.Advance();
    EXPECT_EQ((std::array{t.hours, t.minutes, t.seconds}), (std::array{0, 1, 0}));
    for (int i = 0; i < 58 * 60 + 59; ++i) t.Advance();
    t.Advance();
    EXPECT_EQ((std::array{t.hours, t.minutes, t.seconds}), (std::array{1, 0, 0}));
}

TEST(MonitorTick, MemoryPageFileAndClamp) {
    EXPECT_EQ(UsedMemoryMb(6141, 29), 61u * 29) << "hundredths first";
    struct Page {
        std::uint64_t avail, total;
        int use;
    } pages[] = {
        {10'433'331'200, 12'876'513'280, 19},  // 10433 of 12876 MB free: 81 %
        {12'876'513'280, 12'876'513'280, 2},   // unused shows 2
        {0, 12'876'513'280, 100},
        {999'999, 999'999, 2},  // under 1 MB: no division by zero
        {0, 0, 2},
    };
    for (const Page& p : pages) EXPECT_EQ(PageFileUse(p.avail, p.total), p.use) << p.avail;
    const std::pair<int, int> clamps[] = {{-3, 2},  {0, 2},   {1, 2},     {2, 2},
                                          {57, 57}, {99, 99}, {100, 100}, {140, 100}};
    for (auto [in, out] : clamps) EXPECT_EQ(ClampPercent(in), out) << in;
}

TEST(MonitorTick, CoreGroupsFollowTheCoreCount) {
    // core shown by groups 0..7; -1: group unused
    const std::pair<int, std::array<int, 8>> rows[] = {
        {1, {0, 1, -1, -1, -1, -1, -1, -1}}, {3, {0, 1, 2, -1, -1, -1, -1, -1}},
        {4, {0, 1, 2, 3, -1, -1, -1, -1}},   {6, {0, 1, 2, -1, 3, 4, 5, -1}},
        {8, {0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const auto& [cores, expected] : rows) {
        for (int g = 0; g < 8; ++g)
            EXPECT_EQ(GroupCore(g, cores), expected[g]) << cores << "/" << g;
    }
    const std::pair<int, std::vector<int>> last[] = {{1, {0}},    {2, {1}},    {3, {2}},   {4, {3}},
                                                     {6, {2, 6}}, {8, {3, 7}}, {5, {3, 7}}};
    for (const auto& [cores, groups] : last) {
        std::vector<int> found;
        for (int g = 0; g < 8; ++g)
            if (LastGroupOfRow(g, cores)) found.push_back(g);
        EXPECT_EQ(found, groups) << cores;
    }
}

TEST(MonitorTick, SampleClampsFieldsInPlaceAndTracksTemperatures) {
    TickSampler sampler;
    MonitorFields f;
    f.AverageUsage = 1;
    f.CoreUsage = {0, 100, 50, 0, 70, 80, 90, 0};
    f.CoreTemp = {40, 41, 42, 43, 44, 45, 46, 47};
    f.HighestTemp = 46;
    TickInputs in;
    in.memory.memoryLoad = 30;
    in.memory.totalPageFile = 2'000'000'000;
    in.memory.availPageFile = 1'000'000'000;
    in.installedMb = 4096;
    in.cpuMhz = 3200;
    in.coreCount = 6;
    TickSample s = sampler.Sample(in, f);
    EXPECT_EQ(f.AverageUsage, 2);
    EXPECT_EQ(f.CoreUsage[0], 2);
    EXPECT_EQ(f.CoreUsage[6], 90) << "no group shows core 6 of six: left as is";
    EXPECT_EQ(s.usedMb, 40u * 30);
    EXPECT_EQ(s.pageFileUse, 50);
    EXPECT_EQ(s.groupUsage, (std::array{2, 100, 50, 0, 2, 70, 80, 0}));
    EXPECT_EQ(s.groupTemp, (std::array{40, 41, 42, 0, 43, 44, 45, 0}));

    f.HighestTemp = 52;
    f.CoreTemp[0] = 38;
    sampler.Sample(in, f);
    EXPECT_EQ(sampler.HighestTracker().minimum, 46);
    EXPECT_EQ(sampler.HighestTracker().maximum, 52);
    EXPECT_EQ(sampler.GroupTracker(0).minimum, 38);
    EXPECT_EQ(sampler.GroupTracker(0).maximum, 40);
    EXPECT_EQ(sampler.GroupTracker(3).minimum, 100) << "unused group keeps its start values";
    sampler.ResetTrackers();
    EXPECT_EQ(sampler.GroupTracker(0).maximum, 0);
    EXPECT_EQ(sampler.Elapsed().seconds, 2) << "a reset keeps the clock";
}

TEST(MonitorHistory, AppendsTruncatedElementsAndPositions) {
    History h;
    TickSample s;
    s.memoryLoad = 26;
    s.usedMb = 70'000;  // wider than 16 bits
    s.cpuMhz = 3200;
    s.highestTemp = 65;
    s.averageUsage = 30;
    s.groupTemp = {60, 61, 0, 0, 0, 0, 0, 0};
    s.groupUsage = {9, 8, 0, 0, 0, 0, 0, 0};
    h.Append(s, 2, 4000);
    EXPECT_EQ(h.Samples(), 1u);
    EXPECT_EQ(h.usedMb[0], 70'000 - 65'536);
    EXPECT_EQ(h.memoryReadoutTop[0], 71);       // round(91 - 20)
    EXPECT_EQ(h.frequencyReadoutTop[0], 27);    // round(89 - 80 * 10/13)
    EXPECT_EQ(h.highestTempReadoutTop[0], 41);  // round(91 - 50)
    EXPECT_EQ(h.groups[1].readoutTop[0], 34);   // round(72 - 38.125)
    EXPECT_EQ(h.groups[1].usage[0], 8);
    EXPECT_TRUE(h.groups[2].temperature.empty()) << "unused group";
    h.Clear();
    EXPECT_EQ(h.Samples(), 0u);
    EXPECT_TRUE(h.groups[0].usage.empty());
}

TEST(MonitorHistory, FullScaleBelowOneHundredNeverDividesByZero) {
    EXPECT_EQ(FrequencyDivisor(4000), 40);
    EXPECT_EQ(FrequencyDivisor(0), 1);
    EXPECT_EQ(FrequencyReadoutTop(65, 0), 39);
    EXPECT_EQ(CurrentMemoryClockTop(880, 4000), 75);  // round(89 - 22 * 5/8)
}

TEST(MonitorHistory, ReadoutIndexStaysInsideTheHistory) {
    struct Case {
        int offset, ticks;
        std::size_t samples;
        int index;
    } cases[] = {
        {-3, 0, 0, -1},                     // nothing sampled yet
        {-3, 10, 10, 7},  {-1, 10, 10, 9},  // the newest
        {0, 10, 10, -1},                    // right edge: past the newest
        {25, 10, 10, -1}, {-10, 10, 10, -1}, {-40, 10, 10, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadoutIndex(c.offset, c.ticks, c.samples), c.index) << c.offset;
    }
}

TEST(MonitorHistory, ReadoutOffsetPerGraph) {
    EXPECT_EQ(ReadoutOffset(1, 300, 434, 4), -79);  // (300 - 434 - 24) / 2
    EXPECT_EQ(ReadoutOffset(4, 100, 100, 4), -10);
    EXPECT_EQ(ReadoutOffset(6, 101, 30, 4), -31);  // -63 / 2 toward zero
    EXPECT_EQ(ReadoutOffset(7, 101, 30, 4), -58);  // -115 / 2 toward minus infinity
    EXPECT_EQ(ReadoutOffset(5, 79, 30, 2), -17);   // two cores: k = 52, -33 / 2 floored
    EXPECT_EQ(ReadoutOffset(5, 79, 30, 4), -15);   // k = 48: -29 / 2 floored
    EXPECT_EQ(ReadoutOffset(9, 80, 30, 8), -14);
}

}  // namespace
}  // namespace zm::monitor
