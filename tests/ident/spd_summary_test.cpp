// SPDX-License-Identifier: GPL-3.0-or-later
// The first module's memory summary: speed texts, maker table, part number rule, and what an
// empty socket or a broken SPD gives.
#include "ident/spd_summary.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "hw/hardware_access.h"
#include "ident/ident_test_support.h"
#include "sim/simulated_machine.h"

namespace zm::ident {
namespace {

// An SPD as a sparse map; unset bytes read 0. Counts the reads.
struct FakeSpd {
    std::map<std::uint8_t, int> bytes;
    mutable unsigned reads = 0;
    spd::SpdByteSource Reader() const {
        return [this](std::uint8_t offset) {
            ++reads;
            const auto it = bytes.find(offset);
            return it == bytes.end() ? 0 : it->second;
        };
    }
};

FakeSpd Ddr2Example() {
    FakeSpd spd;
    spd.bytes = {{2, 8},     {8, 5},     {9, 0x25},  {18, 0x38}, {27, 0x32},
                 {29, 0x32}, {30, 0x2D}, {64, 0x7F}, {65, 0x7F}, {66, 0x9E}};
    const char* part = "CM2X2048-6400C5";
    for (int i = 0; part[i]; ++i) spd.bytes[static_cast<std::uint8_t>(73 + i)] = part[i];
    return spd;
}

FakeSpd Ddr3Example() {
    FakeSpd spd;
    spd.bytes = {{2, 11},    {10, 1},    {11, 8},    {12, 12},    {16, 0x69}, {18, 0x69},
                 {20, 0x69}, {21, 0x11}, {22, 0x20}, {118, 0x45}, {128, 0}};
    return spd;
}

TEST(SpdSummary, Ddr2ExampleModule) {
    const FakeSpd spd = Ddr2Example();
    const SpdMemorySummary s = SummariseSpd(spd.Reader());
    EXPECT_EQ(s.speed, "PC2-6400 (400Mhz)@5.5.5.18-1,8V");
    EXPECT_EQ(s.clockMhz, 400u);
    EXPECT_EQ(s.manufacturer, "Corsair");  // after two continuation codes
    EXPECT_EQ(s.partNumber, "CM2X2048-6400C5");
    EXPECT_TRUE(s.partNumberEnabled);
}

TEST(SpdSummary, Ddr3ExampleModule) {
    const FakeSpd spd = Ddr3Example();
    const SpdMemorySummary s = SummariseSpd(spd.Reader());
    EXPECT_EQ(s.speed, "PC3-10600 (666Mhz)@9.9.9.24-1,5V");
    EXPECT_EQ(s.clockMhz, 666u);
    EXPECT_EQ(s.manufacturer, "0x45");
    FakeSpd nanya = Ddr3Example();
    nanya.bytes[118] = 0x0B;  // the SPD window names it from its DDR3 list: "Nanya Technology"
    EXPECT_EQ(SummariseSpd(nanya.Reader()).manufacturer, "Nanya Tech.");
    EXPECT_EQ(s.partNumber, "");  // first byte 0
    EXPECT_FALSE(s.partNumberEnabled);
}

TEST(SpdSummary, OtherTypesShowNothingAndReadNothingMore) {
    for (int type : {0xFF, 7, 0, 12}) {
        FakeSpd spd;
        spd.bytes = {{2, type}, {64, 0x9E}, {118, 0x9E}};
        const SpdMemorySummary s = SummariseSpd(spd.Reader());
        EXPECT_EQ(s.manufacturer, "") << type;
        EXPECT_EQ(s.speed, "") << type;
        EXPECT_TRUE(s.partNumberEnabled) << type;  // the label stays as built
        EXPECT_EQ(spd.reads, 1u) << type;
    }
}

// Bytes that would divide by zero or have no defined cycle time give no speed text, while the
// maker and part number are still shown.
TEST(SpdSummary, BrokenTimingBytesGiveNoSpeed) {
    struct Case {
        const char* name;
        FakeSpd spd;
    };
    FakeSpd ddr3Divisor0 = Ddr3Example();
    ddr3Divisor0.bytes[11] = 0;
    FakeSpd ddr3TckFailed = Ddr3Example();
    ddr3TckFailed.bytes[12] = -1;  // failed transaction: a number, not a byte
    FakeSpd ddr3Tck0 = Ddr3Example();
    ddr3Tck0.bytes[12] = 0;
    FakeSpd ddr2Nibble15 = Ddr2Example();
    ddr2Nibble15.bytes[9] = 0x2F;
    FakeSpd ddr2Tck0 = Ddr2Example();
    ddr2Tck0.bytes[9] = 0x00;
    for (const Case& c :
         {Case{"DDR3 MTB divisor 0", ddr3Divisor0},
          Case{"DDR3 cycle time read failed", ddr3TckFailed}, Case{"DDR3 cycle time 0", ddr3Tck0},
          Case{"DDR2 fraction 15", ddr2Nibble15}, Case{"DDR2 cycle time 0", ddr2Tck0}}) {
        const SpdMemorySummary s = SummariseSpd(c.spd.Reader());
        EXPECT_EQ(s.speed, "") << c.name;
        EXPECT_EQ(s.clockMhz, 0u) << c.name;
        EXPECT_FALSE(s.manufacturer.empty()) << c.name;
    }
}

// The clock and rating follow the module's cycle time, a DDR2 byte-9 fraction or a DDR3 time
// base that is not a power of two (1/12 ns x 20 = 1.666.. ns is 600 MHz, not 599).
TEST(SpdSummary, ClockAndRatingFollowTheCycleTime) {
    struct Case {
        const char* name;
        FakeSpd spd;
        const char* speed;
        unsigned clock;
    };
    FakeSpd ddr2Fraction = Ddr2Example();
    ddr2Fraction.bytes[9] = 0x1E;  // 1.875 ns
    FakeSpd ddr2Tenths = Ddr2Example();
    ddr2Tenths.bytes[9] = 0x24;  // 2.4 ns, not exact in binary
    FakeSpd ddr3Twelfths = Ddr3Example();
    ddr3Twelfths.bytes[11] = 12;
    ddr3Twelfths.bytes[12] = 20;
    for (const Case& c :
         {Case{"DDR2 1.875 ns", ddr2Fraction, "PC2-8500 (533Mhz)@5.7.7.24-1,8V", 533},
          Case{"DDR2 2.4 ns", ddr2Tenths, "PC2-6600 (416Mhz)@5.6.6.19-1,8V", 416},
          Case{"DDR3 1/12 ns time base", ddr3Twelfths, "PC3-9600 (600Mhz)@6.6.6.15-1,5V", 600}}) {
        const SpdMemorySummary s = SummariseSpd(c.spd.Reader());
        EXPECT_EQ(s.speed, c.speed) << c.name;
        EXPECT_EQ(s.clockMhz, c.clock) << c.name;
    }
}

// Real modules, read over the simulated SMBus. The expected texts follow from the SPD bytes
// (noted beside each).
TEST(SpdSummary, RealModulesOverSmbus) {
    struct Case {
        const char* file;
        const char* manufacturer;
        const char* partNumber;
        const char* speed;
    };
    const Case cases[] = {
        // byte 9 0x25, CL bits 0x38 -> 5, tRCD/tRP 12.5 ns, tRAS 37 ns, 1.8 V; maker 7F 7F 7F 13
        {"spd/ddr2-udimm-goldenempire-1.bin", "GEIL", "CL4-4-4  DDR2-800 ",
         "PC2-6400 (400Mhz)@5.5.5.15-1,8V"},
        // MTB 1/8, tCK 10 (1.25 ns), tAA/tRCD/tRP 0x69 (13.125 ns), tRAS 0x118 (35 ns)
        {"spd/ddr3-udimm-samsung-M378B5173DB0-CK0.bin", "Samsung", "M378B5173DB0-CK0  ",
         "PC3-12800 (800Mhz)@11.11.11.28-1,5V"},
        // MTB 1/8, tCK 12 (1.5 ns), tAA/tRCD/tRP 0x69 (13.125 ns), tRAS 0x120 (36 ns)
        {"spd/ddr3-udimm-kingston-9905403-440-xmp12.bin", "Kingston", "9905403-440.A00LF ",
         "PC3-10600 (666Mhz)@9.9.9.24-1,5V"},
    };
    for (const Case& c : cases) {
        sim::SimulatedMachine machine;
        machine.SetSmbusBase(0x0400);
        machine.SetSpd(0, testing::TestData(c.file));
        hw::HardwareAccess hw(machine);
        hw.SetSmbusBase(0x0400);
        const SpdMemorySummary s = ReadModuleSummary(hw, 0x50);
        EXPECT_EQ(s.manufacturer, c.manufacturer) << c.file;
        EXPECT_EQ(s.partNumber, c.partNumber) << c.file;
        EXPECT_EQ(s.speed, c.speed) << c.file;
    }
}

TEST(SpdSummary, AnEmptySocketCostsOneTransaction) {
    sim::SimulatedMachine machine;
    machine.SetSmbusBase(0x0400);
    machine.SetSpd(1, testing::TestData("spd/ddr3-udimm-samsung-M378B5173DB0-CK0.bin"));
    hw::HardwareAccess hw(machine);
    hw.SetSmbusBase(0x0400);
    const SpdMemorySummary s = ReadModuleSummary(hw, 0x50);
    EXPECT_EQ(s.manufacturer, "");
    EXPECT_EQ(s.speed, "");
    EXPECT_EQ(testing::SmbusTransactions(machine, 0x0400), 1u);

    machine.ClearWrites();
    EXPECT_EQ(ReadModuleSummary(hw, 0x51).manufacturer, "Samsung");
    EXPECT_GT(testing::SmbusTransactions(machine, 0x0400), 1u);
}

}  // namespace
}  // namespace zm::ident
