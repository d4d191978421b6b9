// SPDX-License-Identifier: GPL-3.0-or-later
// The Intel and AMD K10 branches of a measuring pass, with a given time-stamp rate.
#include "cpu/clock_pass.h"

#include <gtest/gtest.h>

#include "cpu/clock_multipliers.h"
#include "cpu/cpu_registers.h"
#include "cpu_test_support.h"

namespace zm::cpu {
namespace {

using timings::ControllerKind;
using timings::K10Mode;

class IntelPassTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine = test::IntelUncoreMachine(nullptr, 8);
        hw = std::make_unique<hw::HardwareAccess>(*machine);
        Configure(20.0f);
    }
    void Configure(float maxNonTurbo) {
        const IntelStartup s =
            ReadIntelMultipliers(*hw, {ControllerKind::Uncore, 0xC00000, 0, maxNonTurbo});
        StoreMultipliers(state, s.multipliers);
        state.platform = CpuPlatform::Intel;
        state.coreCount = 4;
        state.minimumRatio = 12;
    }
    void PerfStatus(std::initializer_list<unsigned> ratios) {
        unsigned p = 0;
        for (unsigned r : ratios) machine->SetMsr(p++, reg::kMsrPerfStatus, r);
    }

    std::shared_ptr<sim::SimulatedMachine> machine;
    std::unique_ptr<hw::HardwareAccess> hw;
    ClockState state;
    ClockPass pass;
};

TEST_F(IntelPassTest, ClocksFromTheHighestCoreRatio) {
    PerfStatus({12, 20, 18, 16});
    const PassOutput out = pass.Run(*hw, state, 2666.0);
    EXPECT_EQ(out.texts, (FrequencyTexts{"x 20.0", "133.3 MHz", "2666.0 MHz", "2132.8 MHz",
                                         "2399.4 MHz", "533.2 MHz"}));
    EXPECT_EQ(out.coreMultiplierItem, 8);
    EXPECT_EQ(state.CoreMultiplier.load(), 20.0f);
    EXPECT_EQ(state.CoreClockMhz.load(), 2666);
    EXPECT_EQ(state.MemoryClockMhz.load(), 533);
    EXPECT_FALSE(out.cpuSettings.has_value());
}

TEST_F(IntelPassTest, TurboStatusTakesTheTwoCoreLimitFromMsr1AD) {
    machine->SetMsrAll(reg::kMsrTurboRatioLimit, 0x1A1B1C1D);  // 2 cores: 28, 1 core: 29
    PerfStatus({20, 20, 26, 20});
    const PassOutput out = pass.Run(*hw, state, 2666.0);
    EXPECT_EQ(out.texts.coreMultiplier, "x 28.0");
    EXPECT_EQ(out.coreMultiplierItem, 16);
    EXPECT_EQ(state.CoreClockMhz.load(), 3732);
}

TEST_F(IntelPassTest, NominalRatioAboveTwentyFiveIsNotTakenForTurbo) {
    machine->SetMsrAll(reg::kMsrTurboRatioLimit, 0x1B1B1C1D);  // 2 cores: 28
    Configure(26.0f);
    PerfStatus({26, 26, 26, 26});
    EXPECT_EQ(pass.Run(*hw, state, 3466.0).texts.coreMultiplier, "x 26.0");
    PerfStatus({27, 26, 26, 26});
    EXPECT_EQ(pass.Run(*hw, state, 3466.0).texts.coreMultiplier, "x 28.0");
}

TEST_F(IntelPassTest, HeldListIsNotMovedAndSingleCoreTurboAddsOne) {
    state.HoldCore[0] = 1;
    PerfStatus({21, 12, 12, 12});
    EXPECT_FALSE(pass.Run(*hw, state, 2666.0).coreMultiplierItem.has_value());

    state.HoldCore[0] = 0;
    state.coreCount = 1;
    const PassOutput out = pass.Run(*hw, state, 2666.0);
    EXPECT_EQ(out.texts.coreMultiplier, "x 22.0");
    EXPECT_EQ(out.coreMultiplierItem, 10);
}

TEST_F(IntelPassTest, NoRateYetShowsZeroClocks) {
    const PassOutput out = pass.Run(*hw, state, 0.0);
    EXPECT_EQ(out.texts.bclk, "0.0 MHz");
    EXPECT_EQ(out.texts.cores, "0.0 MHz");
    EXPECT_EQ(state.CoreClockMhz.load(), 0);
}

class K10PassTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine = test::K10Machine(nullptr, true, 4);
        hw = std::make_unique<hw::HardwareAccess>(*machine);
        StoreMultipliers(state, ReadK10Multipliers(*hw, K10Mode::Ddr3).multipliers);
        state.platform = CpuPlatform::AmdK10;
        state.coreCount = 3;
    }
    std::shared_ptr<sim::SimulatedMachine> machine;
    std::unique_ptr<hw::HardwareAccess> hw;
    ClockState state;
    ClockPass pass;
};

TEST_F(K10PassTest, MultiplierTextsAndClocks) {
    PassOutput out = pass.Run(*hw, state, 3000.0);
    EXPECT_EQ(out.texts, (FrequencyTexts{"x 15.0", "200.0 MHz", "3000.0 MHz", "2000.0 MHz",
                                         "2000.0 MHz", "533.3 MHz"}));
    EXPECT_EQ(state.CoreClockMhz.load(), 3000);
    EXPECT_EQ(state.MemoryClockMhz.load(), 533);

    // Every core in a low P-state: FID 2, divisor 2 -> 4.5.
    machine->SetMsrAll(reg::kMsrCofVidStatus, test::CofVid(2, 1));
    out = pass.Run(*hw, state, 3000.0);
    EXPECT_EQ(out.texts.coreMultiplier, "x 4.50");
    EXPECT_EQ(out.texts.cores, "900.0 MHz");

    // The fastest core counts.
    machine->SetMsr(2, reg::kMsrCofVidStatus, test::CofVid(10, 0));
    EXPECT_EQ(pass.Run(*hw, state, 3000.0).texts.coreMultiplier, "x 13.0");
}

TEST_F(K10PassTest, TextsUseTheUsersDecimalSeparator) {
    ClockPass commaPass(',');
    machine->SetMsrAll(reg::kMsrCofVidStatus, test::CofVid(2, 1));
    const PassOutput out = commaPass.Run(*hw, state, 3000.0);
    EXPECT_EQ(out.texts, (FrequencyTexts{"x 4,50", "200,0 MHz", "900,0 MHz", "2000,0 MHz",
                                         "2000,0 MHz", "533,3 MHz"}));
}

TEST_F(IntelPassTest, TextsUseTheUsersDecimalSeparator) {
    ClockPass commaPass(',');
    PerfStatus({20, 20, 20, 20});
    EXPECT_EQ(commaPass.Run(*hw, state, 2666.0).texts,
              (FrequencyTexts{"x 20,0", "133,3 MHz", "2666,0 MHz", "2132,8 MHz", "2399,4 MHz",
                              "533,2 MHz"}));
}

TEST_F(K10PassTest, ReservedDividerKeepsThePreviousCoresDivisor) {
    machine->SetMsrAll(reg::kMsrCofVidStatus, test::CofVid(2, 1));
    machine->SetMsr(3, reg::kMsrCofVidStatus, test::CofVid(30, 6));  // reserved CpuDid
    // (30 + 16) / 2 / 2 = 11.5: the divisor 2 of core 2 is carried over.
    EXPECT_EQ(pass.Run(*hw, state, 3000.0).texts.coreMultiplier, "x 11.5");
}

TEST_F(K10PassTest, CpuSettingsFieldsFollowTheHoldFlags) {
    EXPECT_FALSE(pass.Run(*hw, state, 3000.0).cpuSettings.has_value());

    state.cpuSettingsCreated = 1;
    machine->SetMsr(1, reg::kMsrCofVidStatus, test::CofVid(2, 1, 20, 22));
    PassOutput out = pass.Run(*hw, state, 3000.0);
    ASSERT_TRUE(out.cpuSettings.has_value());
    const CpuSettingsFields& f = *out.cpuSettings;
    ASSERT_EQ(f.cores.size(), 4u);
    EXPECT_EQ(f.cores[0].speed, "3000.0 MHz");
    EXPECT_EQ(f.cores[0].cpuFid, 14u);
    EXPECT_EQ(f.cores[1].speed, "900.0 MHz");
    EXPECT_EQ(f.cores[1].cpuFid, 2u);
    EXPECT_EQ(f.cores[1].cpuDid, 1u);
    EXPECT_EQ(f.uncoreSpeed, "2000.0 MHz");
    EXPECT_EQ(f.htSpeed, "2000.0 MHz");
    EXPECT_EQ(f.cpuVid, 16u);  // core 0's voltages
    EXPECT_EQ(f.nbVid, 18u);
    // Every read overwrites CoreMultiplier: core 3 was read last.
    EXPECT_EQ(state.CoreMultiplier.load(), 15.0f);

    // Core 0 and core 2 held: their columns stay, the voltages come from the last core-0 read.
    state.HoldCore[0] = 1;
    state.HoldCore[2] = 1;
    state.HoldNbVid = 1;
    machine->SetMsr(0, reg::kMsrCofVidStatus, test::CofVid(14, 0, 40, 41));
    out = pass.Run(*hw, state, 3000.0);
    ASSERT_EQ(out.cpuSettings->cores.size(), 2u);
    EXPECT_EQ(out.cpuSettings->cores[0].core, 1);
    EXPECT_EQ(out.cpuSettings->cores[1].core, 3);
    EXPECT_FALSE(out.cpuSettings->uncoreSpeed.has_value());
    EXPECT_EQ(out.cpuSettings->cpuVid, 16u);
    EXPECT_FALSE(out.cpuSettings->nbVid.has_value());
}

TEST_F(K10PassTest, DualCoreReadsCoresZeroAndOneOnly) {
    state.coreCount = 1;
    state.cpuSettingsCreated = 1;
    machine->ClearWrites();
    const auto before = machine->Counts().msrReads;
    const PassOutput out = pass.Run(*hw, state, 3000.0);
    ASSERT_EQ(out.cpuSettings->cores.size(), 2u);
    EXPECT_EQ(out.cpuSettings->cores[1].core, 1);
    // Two reads for the group's multiplier, two for the window's columns.
    EXPECT_EQ(machine->Counts().msrReads - before, 4u);
}

}  // namespace
}  // namespace zm::cpu
