// SPDX-License-Identifier: GPL-3.0-or-later
// Multipliers read at start-up, on small simulated machines.
#include "cpu/clock_multipliers.h"

#include <gtest/gtest.h>

#include "cpu/cpu_registers.h"
#include "cpu_test_support.h"

namespace zm::cpu {
namespace {

using timings::ControllerKind;
using timings::K10Mode;

TEST(IntelMultipliers, UncorePlatformOnBusFF) {
    auto machine = test::IntelUncoreMachine(nullptr, 8);
    hw::HardwareAccess hw(*machine);
    const IntelStartup s = ReadIntelMultipliers(hw, {ControllerKind::Uncore, 0xC00000, 0, 20.0f});
    EXPECT_EQ(s.multipliers.base, 20.0);
    EXPECT_EQ(s.multipliers.uncore, 16);
    EXPECT_EQ(s.multipliers.link, 18.0);
    EXPECT_EQ(s.multipliers.memory, 4.0);
    EXPECT_EQ(s.texts.uncore, "x 16");
    EXPECT_EQ(s.texts.link, "x 18");
    EXPECT_EQ(s.texts.ram, "x 4");
    EXPECT_TRUE(machine->Writes().empty());
}

TEST(IntelMultipliers, UnknownDramCodeKeepsOneAndAnEmptyField) {
    auto machine = test::IntelUncoreMachine(nullptr, 7);
    hw::HardwareAccess hw(*machine);
    const IntelStartup s = ReadIntelMultipliers(hw, {ControllerKind::Uncore, 0xC00000, 0, 20.0f});
    EXPECT_EQ(s.multipliers.memory, 1.0);
    EXPECT_EQ(s.texts.ram, "");
}

TEST(IntelMultipliers, HostBridgeReadsTheWindowAndSurvivesAnAbsentUncore) {
    sim::SimulatedMachine machine;
    const std::uint32_t window = 0xFED10000;
    machine.SetPhysicalMemory(window + 0x2C20, {20, 0, 0, 0});  // code 20: x 5
    hw::HardwareAccess hw(machine);
    const IntelStartup s = ReadIntelMultipliers(hw, {ControllerKind::HostBridge, 0, window, 22.0f});
    EXPECT_EQ(s.multipliers.base, 22.0);
    EXPECT_EQ(s.multipliers.memory, 5.0);
    EXPECT_EQ(s.texts.ram, "x 5");
    // No uncore function answers on bus 0x3F: all ones must not become ratio 127.
    EXPECT_EQ(s.multipliers.uncore, 1);
    EXPECT_EQ(s.multipliers.link, 1.0);
    EXPECT_EQ(s.texts.uncore, "");
    EXPECT_EQ(s.texts.link, "");
}

TEST(IntelMultipliers, RatioCodeTables) {
    for (unsigned k = 3; k <= 9; ++k) {
        double m = 0;
        std::string text;
        ASSERT_TRUE(IntelUncoreMemoryRatio(2 * k, m, text));
        EXPECT_EQ(m, k);
        EXPECT_EQ(text, "x " + std::to_string(k));
        ASSERT_TRUE(IntelHostBridgeMemoryRatio(4 * k, m, text));
        EXPECT_EQ(m, k);
        EXPECT_EQ(text, "x " + std::to_string(k));
    }
    double m = 0;
    std::string text;
    EXPECT_FALSE(IntelUncoreMemoryRatio(20, m, text));
    EXPECT_FALSE(IntelHostBridgeMemoryRatio(18, m, text));
}

struct K10MemoryCase {
    K10Mode mode;
    unsigned memClk;
    double multiplier;  // 0: outside the table
    const char* text;
};

TEST(K10Multipliers, MemClkFreqTables) {
    const K10MemoryCase cases[] = {
        {K10Mode::Ddr2_800, 0, 1.0, "1:1"},
        {K10Mode::Ddr2_800, 1, 4.0 / 3, "3:4"},
        {K10Mode::Ddr2_800, 2, 5.0 / 3, "3:5"},
        {K10Mode::Ddr2_800, 3, 2.0, "1:2"},
        {K10Mode::Ddr2_800, 4, 0, ""},
        {K10Mode::Ddr2_1066, 4, 8.0 / 3, "3:8"},
        {K10Mode::Ddr2_1066, 5, 0, ""},
        {K10Mode::Ddr3, 2, 0, ""},
        {K10Mode::Ddr3, 3, 2.0, "1:2"},
        {K10Mode::Ddr3, 4, 8.0 / 3, "3:8"},
        {K10Mode::Ddr3, 5, 10.0 / 3, "3:10"},
        {K10Mode::Ddr3, 6, 4.0, "1:4"},
        {K10Mode::Ddr3, 7, 0, ""},
    };
    for (const auto& c : cases) {
        double m = 1.0;
        std::string text;
        const bool known = K10MemoryRatio(c.mode, c.memClk, m, text);
        SCOPED_TRACE(::testing::Message()
                     << "mode " << static_cast<int>(c.mode) << " code " << c.memClk);
        EXPECT_EQ(known, c.multiplier != 0);
        if (known) {
            EXPECT_DOUBLE_EQ(m, c.multiplier);
            EXPECT_EQ(text, c.text);
        }
    }
}

TEST(K10Multipliers, HyperTransportCodes) {
    const std::pair<unsigned, int> cases[] = {{0, 1}, {1, 1}, {2, 2},     {4, 3},
                                              {5, 4}, {6, 5}, {0x0B, 10}, {0x0C, 11}};
    for (auto [code, multiplier] : cases) EXPECT_EQ(K10LinkMultiplier(code), multiplier) << code;
}

TEST(K10Multipliers, StartupReadsEveryMultiplierAndKeepsTheTscAtP0) {
    auto machine = test::K10Machine(nullptr, true, 4);
    hw::HardwareAccess hw(*machine);
    const K10Startup s = ReadK10Multipliers(hw, K10Mode::Ddr3);
    EXPECT_EQ(s.multipliers.base, 15.0);
    EXPECT_EQ(s.multipliers.link, 10.0);
    EXPECT_EQ(s.multipliers.nb, 10.0);
    EXPECT_DOUBLE_EQ(s.multipliers.memory, 8.0 / 3);
    EXPECT_EQ(s.texts.link, "x 10");
    EXPECT_EQ(s.texts.uncore, "x 10");
    EXPECT_EQ(s.texts.ram, "3:8");
    EXPECT_EQ(s.limits.maxCoreMultiplier, 40);
    EXPECT_EQ(s.limits.maxNbMultiplier, 30);
    EXPECT_EQ(s.limits.startNbIndex, 6);

    // TscFreqSel as the firmware set it: never touched, not even cleared for an instant.
    EXPECT_TRUE(machine->Writes().empty());

    // Left clear: set on processor 0, nothing else in HWCR changed.
    machine->SetMsrAll(reg::kMsrHwcr, 0x00000010u);
    ReadK10Multipliers(hw, K10Mode::Ddr3);
    const auto writes = machine->Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].kind, sim::WriteRecord::Kind::Msr);
    EXPECT_EQ(writes[0].address, reg::kMsrHwcr);
    EXPECT_EQ(writes[0].processor, 0u);
    EXPECT_EQ(writes[0].value, 0x01000010u);
}

TEST(K10Multipliers, NorthBridgeFunctionsThatDoNotAnswerKeepTheStartValues) {
    // Only the MSRs: every configuration read answers all ones, which must not become
    // HyperTransport code 15 (x14) or NbFid 31 (x35).
    sim::SimulatedMachine machine;
    machine.SetProcessorCount(4);
    machine.SetMsrAll(reg::kMsrPState0, test::CofVid(14, 0));
    machine.SetMsrAll(reg::kMsrCofVidStatus, test::CofVid(14, 0));
    hw::HardwareAccess hw(machine);
    const K10Startup s = ReadK10Multipliers(hw, K10Mode::Ddr3);
    EXPECT_EQ(s.multipliers.base, 15.0);
    EXPECT_EQ(s.multipliers.link, 1.0);
    EXPECT_EQ(s.multipliers.nb, 1.0);
    EXPECT_EQ(s.multipliers.memory, 1.0);
    EXPECT_EQ(s.texts.link, "");
    EXPECT_EQ(s.texts.uncore, "");
    EXPECT_EQ(s.texts.ram, "");
    EXPECT_EQ(s.limits.startNbIndex, 0);
}

TEST(K10Multipliers, DividedNorthBridgeAndLimitsFromCofVidStatus) {
    auto machine = test::K10Machine(nullptr, false, 3);
    // NbDid set; MaxCpuCof 46 (x23 max), MaxNbFid 5 (x9 max).
    const std::uint64_t status =
        test::CofVid(14, 0) | (1u << 22) | (std::uint64_t{46} << 49) | (std::uint64_t{5} << 59);
    machine->SetMsrAll(reg::kMsrCofVidStatus, status);
    // P-state 0 with CpuDid 1: (14 + 16) / 2 / 2 = 7.5.
    machine->SetMsrAll(reg::kMsrPState0, test::CofVid(14, 1));
    hw::HardwareAccess hw(*machine);
    const K10Startup s = ReadK10Multipliers(hw, K10Mode::Ddr2_800);
    EXPECT_EQ(s.multipliers.base, 7.5);
    EXPECT_EQ(s.multipliers.nb, 5.0);
    EXPECT_EQ(s.texts.uncore, "x 5");
    EXPECT_EQ(s.texts.ram, "1:2");
    EXPECT_EQ(s.limits.maxCoreMultiplier, 23);
    EXPECT_EQ(s.limits.maxNbMultiplier, 9);
    EXPECT_FALSE(s.limits.pviMode) << "F3xA0 not answering: serial VID interface";

    machine->SetPci(0, 24, 3, 0xA0, 0x00000100);
    EXPECT_TRUE(ReadK10Multipliers(hw, K10Mode::Ddr2_800).limits.pviMode);
}

}  // namespace
}  // namespace zm::cpu
