// SPDX-License-Identifier: GPL-3.0-or-later
// The monitoring thread's arithmetic and its publication into the Monitor's fields.
#include <gtest/gtest.h>

#include "hw/hardware_access.h"
#include "monitor/publication.h"
#include "monitor/thread_sampling.h"
#include "sim/simulated_machine.h"

namespace zm::monitor {
namespace {

os::ProcessorTimes Times(std::uint64_t idle, std::uint64_t kernel, std::uint64_t user) {
    return os::ProcessorTimes{idle, kernel, user};
}

TEST(MonitorUsage, FromTwoSnapshots) {
    struct Case {
        os::ProcessorTimes a, b;
        int expected;
    } cases[] = {
        {Times(0, 0, 0), Times(5'000'000, 5'000'000, 0), 0},  // all idle
        {Times(0, 0, 0), Times(0, 0, 5'000'000), 100},        // all user time
        {Times(100, 200, 0), Times(2'500'100, 2'500'200, 2'500'000), 50},
        {Times(0, 0, 0), Times(1, 3, 0), 67},  // 100 - 33: truncated
        {Times(7, 9, 9), Times(7, 9, 9), 0},   // no time passed
    };
    for (const Case& c : cases) {
        ThreadResults r;
        r.ThreadUsage.fill(99);
        MeasureUsage({c.a}, {c.b}, 1, r);
        EXPECT_EQ(r.ThreadUsage[0], c.expected) << c.b.idle << "/" << c.b.kernel;
    }
}

TEST(MonitorUsage, NeverWritesPastItsBuffersAndSkipsMissingProcessors) {
    std::vector<os::ProcessorTimes> a(40), b(40, Times(0, 0, 10));
    ThreadResults r;
    MeasureUsage(a, b, 40, r);  // 32 are measured
    EXPECT_EQ(r.ThreadUsage[31], 100);
    b.resize(2);
    MeasureUsage(a, b, 4, r);  // the snapshot lacks processors 2 and 3
    EXPECT_EQ(r.ThreadUsage[1], 100);
    EXPECT_EQ(r.ThreadUsage[2], 0);
}

TEST(MonitorUsage, SiblingPairsAverageIntoTheEvenSlot) {
    ThreadResults r;
    r.ThreadUsage = {100, 0, 30, 50, 7, 9};
    AverageSiblings(5, r);
    EXPECT_EQ(r.ThreadUsage[0], 50);
    EXPECT_EQ(r.ThreadUsage[1], 0) << "odd slot keeps its value";
    EXPECT_EQ(r.ThreadUsage[2], 40);
    EXPECT_EQ(r.ThreadUsage[4], 8) << "p < ThreadCount: the fifth thread pairs with the sixth";
    AverageSiblings(64, r);  // no slot past 31 is touched
}

TEST(MonitorTemperature, IntelDigitalReadoutBelowTjMax) {
    EXPECT_EQ(IntelTemperature(0x88230000, 10), 65);  // readout 35 below TjMax 100
    EXPECT_EQ(IntelTemperature(0x88000000, 0), 90);
    EXPECT_EQ(IntelTemperature(0x887F0000, 20), -17);  // beyond the sensor's range
}

TEST(MonitorTemperature, K10ReportedTemperatureInEighths) {
    EXPECT_EQ(K10Temperature(0x2C000000), 44);  // 352 eighths
    EXPECT_EQ(K10Temperature(0x2C1FFFFF), 44);  // bits 20..0 are not temperature
    EXPECT_EQ(K10Temperature(0xFFE00000), 255);
}

TEST(MonitorTemperature, ReadsEachIntelThreadAndOneK10Register) {
    sim::SimulatedMachine machine;
    machine.SetProcessorCount(4);
    for (unsigned p = 0; p < 4; ++p)
        machine.SetMsr(p, kMsrThermStatus, 0x88000000 | (40 + p) << 16);
    machine.SetPci(0, 24, 3, 0xA4, 0x2C000000);
    hw::HardwareAccess hw(machine);

    ThreadResults r;
    ReadTemperatures(hw, TemperatureSource::Intel, 4, 10, r);
    EXPECT_EQ((std::vector<int>(r.ThreadTemp.begin(), r.ThreadTemp.begin() + 5)),
              (std::vector<int>{60, 59, 58, 57, 0}));

    ThreadResults k;
    const auto before = machine.Counts().pciReads;
    ReadTemperatures(hw, TemperatureSource::AmdK10, 3, 10, k);
    EXPECT_EQ(machine.Counts().pciReads - before, 1u);
    EXPECT_EQ((std::vector<int>(k.ThreadTemp.begin(), k.ThreadTemp.begin() + 4)),
              (std::vector<int>{44, 44, 44, 0}));

    ThreadResults many;
    ReadTemperatures(hw, TemperatureSource::AmdK10, 40, 10, many);  // 16 slots only
    EXPECT_EQ(many.ThreadTemp[15], 44);
}

TEST(MonitorPublication, UsageWithAndWithoutHyperThreading) {
    ThreadResults r;
    r.ThreadUsage = {10, 20, 30, 41, 100, 0, 50, 50};
    Publication pub;
    MonitorFields f;
    pub.Publish(r, 4, 4, TemperatureSource::None, f);
    EXPECT_EQ(f.AverageUsage, 25);  // (10+20+30+41) div 4
    EXPECT_EQ(f.CoreUsage[3], 41);

    r.ThreadUsage = {50, 0, 20, 40, 0, 0, 0, 0};  // pairs already averaged into even slots
    pub.Publish(r, 2, 4, TemperatureSource::None, f);
    EXPECT_EQ(f.CoreUsage[0], 50);
    EXPECT_EQ(f.CoreUsage[1], 20);
    EXPECT_EQ(f.AverageUsage, 27) << "odd slots count too: 110 div 4";

    pub.Publish(r, 0, 0, TemperatureSource::None, f);  // counts not known yet
    EXPECT_EQ(f.AverageUsage, 0);
}

TEST(MonitorPublication, TemperaturesEverySecondCycleAndTheTrayText) {
    ThreadResults r;
    r.ThreadTemp = {41, 99, 47, 52};
    Publication pub;
    MonitorFields f;
    auto first = pub.Publish(r, 2, 4, TemperatureSource::Intel, f);
    EXPECT_TRUE(first.copied);
    EXPECT_EQ(f.CoreTemp[0], 41);
    EXPECT_EQ(f.CoreTemp[1], 47) << "core 1 is thread 2";
    EXPECT_EQ(f.HighestTemp, 47);
    EXPECT_EQ(first.trayTemperature, 47);

    r.ThreadUsage[0] = 90;
    auto second = pub.Publish(r, 2, 4, TemperatureSource::Intel, f);
    EXPECT_FALSE(second.copied);
    EXPECT_EQ(f.CoreUsage[0], 0) << "the alternate cycle copies nothing";

    r.ThreadTemp = {100, 0, 30, 0};
    auto third = pub.Publish(r, 2, 4, TemperatureSource::Intel, f);
    EXPECT_EQ(f.HighestTemp, 100);
    EXPECT_FALSE(third.trayTemperature) << "two digits only: the icon keeps its text";

    r.ThreadTemp.fill(-5);
    pub.Publish(r, 2, 2, TemperatureSource::Intel, f);  // skipped
    pub.Publish(r, 2, 2, TemperatureSource::Intel, f);
    EXPECT_EQ(f.HighestTemp, 0) << "never below 0";
}

TEST(MonitorPublication, WithoutTemperatureSourceEveryCycleCopiesUsageOnly) {
    ThreadResults r;
    r.ThreadTemp = {60, 60};
    Publication pub;
    MonitorFields f;
    for (int cycle = 1; cycle <= 3; ++cycle) {
        r.ThreadUsage[0] = static_cast<std::uint8_t>(cycle * 10);
        EXPECT_TRUE(pub.Publish(r, 2, 2, TemperatureSource::None, f).copied);
        EXPECT_EQ(f.CoreUsage[0], cycle * 10);
    }
    EXPECT_EQ(f.HighestTemp, 0);
    EXPECT_EQ(f.CoreTemp[0], 0);
}

}  // namespace
}  // namespace zm::monitor
