// SPDX-License-Identifier: GPL-3.0-or-later
// EIST / C1E / turbo boxes and the core multiplier, checked against the machine's write log.
#include "cpu/power_features.h"

#include <gtest/gtest.h>

#include "cpu/cpu_registers.h"
#include "cpu_test_support.h"

namespace zm::cpu {
namespace {

using sim::WriteRecord;

class PowerFeaturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine = test::IntelUncoreMachine(nullptr);
        hw = std::make_unique<hw::HardwareAccess>(*machine);
    }
    std::vector<WriteRecord> MsrWrites(std::uint32_t index) const {
        std::vector<WriteRecord> out;
        for (const auto& w : machine->Writes()) {
            if (w.kind == WriteRecord::Kind::Msr && w.address == index) out.push_back(w);
        }
        return out;
    }
    std::shared_ptr<sim::SimulatedMachine> machine;
    std::unique_ptr<hw::HardwareAccess> hw;
    PowerFeatures features;
    ClockState state;
};

TEST_F(PowerFeaturesTest, StartStateClicksTheCheckedBoxes) {
    // EIST on, turbo disabled (bit 38 set), C1E on.
    features.ReadCopies(*hw);
    const PowerFeatureBoxes boxes = features.Start(*hw, 4);
    EXPECT_EQ(boxes, (PowerFeatureBoxes{true, false, true}));
    // EIST's click writes the value back once; C1E's reaches the current processor and 0..3.
    const auto misc = MsrWrites(reg::kMsrMiscEnable);
    ASSERT_EQ(misc.size(), 1u);
    EXPECT_EQ(misc[0].value, 0x0000004000850089u);
    EXPECT_EQ(MsrWrites(reg::kMsrPowerControl).size(), 5u);
    EXPECT_EQ(machine->Writes().size(), 6u);
}

TEST_F(PowerFeaturesTest, UncheckingTurboSetsBit38AndKeepsEist) {
    machine->SetMsrAll(reg::kMsrMiscEnable, 0x00850089);  // turbo allowed
    features.ReadCopies(*hw);
    EXPECT_TRUE(features.Boxes().turbo);

    features.TurboClick(*hw, false);
    auto misc = MsrWrites(reg::kMsrMiscEnable);
    ASSERT_EQ(misc.size(), 1u);
    EXPECT_EQ(misc[0].value, 0x0000004000850089u);  // bit 38 set, bit 16 still set

    // EIST off now: the write keeps turbo's last choice, bit 38.
    features.EistClick(*hw, false);
    misc = MsrWrites(reg::kMsrMiscEnable);
    ASSERT_EQ(misc.size(), 2u);
    EXPECT_EQ(misc[1].value, 0x0000004000840089u);

    // Turbo back on: bit 38 clears, EIST stays off.
    features.TurboClick(*hw, true);
    EXPECT_EQ(MsrWrites(reg::kMsrMiscEnable).back().value, 0x0000000000840089u);
    EXPECT_EQ(features.Boxes(), (PowerFeatureBoxes{false, true, true}));
}

TEST_F(PowerFeaturesTest, C1eOnFourCoresWritesFiveTimes) {
    features.ReadCopies(*hw);
    features.C1eClick(*hw, false, 4);
    const auto writes = MsrWrites(reg::kMsrPowerControl);
    ASSERT_EQ(writes.size(), 5u);
    for (const auto& w : writes) EXPECT_EQ(w.value, 0x5Du);
    // After the current processor's write, one on each of the processors 0..3 in turn.
    for (unsigned k = 0; k < 4; ++k) EXPECT_EQ(writes[k + 1].processor, k);
}

TEST(CoreMultiplierList, FromMinimumRatioToSingleCoreTurboLimit) {
    const auto items = CoreMultiplierItems(12, 25);
    ASSERT_EQ(items.size(), 14u);
    EXPECT_EQ(items.front(), "  x 12");
    EXPECT_EQ(items[9], "  x 21");
    EXPECT_EQ(items.back(), "  x 25");
    EXPECT_TRUE(CoreMultiplierItems(12, 11).empty());
}

TEST_F(PowerFeaturesTest, SingleCoreTurboLimitFromMsr1AD) {
    machine->SetMsrAll(reg::kMsrTurboRatioLimit, 0x16161719);
    EXPECT_EQ(ReadSingleCoreTurboLimit(*hw), 0x19);
}

TEST_F(PowerFeaturesTest, ApplyWritesTheHeldRatioOnProcessorZeroOnce) {
    machine->SetMsrAll(reg::kMsrPerfControl, 0x000000010000AA14ull);
    state.minimumRatio = 12;
    HoldCoreMultiplier(state);

    EXPECT_TRUE(WritePendingCoreMultiplier(*hw, state, 9, 14));
    auto writes = MsrWrites(reg::kMsrPerfControl);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].processor, 0u);
    EXPECT_EQ(writes[0].value, 0x000000010000AA15ull);  // ratio 21 in bits 7..0 only
    EXPECT_EQ(state.HoldCore[0].load(), 0);
    EXPECT_EQ(state.HoldCore[1].load(), 1);
    EXPECT_EQ(state.HoldCore[3].load(), 1);

    // Released: a second Apply writes nothing.
    EXPECT_FALSE(WritePendingCoreMultiplier(*hw, state, 9, 14));
    EXPECT_EQ(MsrWrites(reg::kMsrPerfControl).size(), 1u);
}

TEST_F(PowerFeaturesTest, ApplyRefusesWhatTheListOrTheFieldCannotHold) {
    struct Case {
        int minimumRatio, item, count;
    };
    for (const Case c : {Case{12, -1, 14}, Case{12, 14, 14}, Case{250, 9, 14}}) {
        state.minimumRatio = c.minimumRatio;
        HoldCoreMultiplier(state);
        EXPECT_FALSE(WritePendingCoreMultiplier(*hw, state, c.item, c.count));
        EXPECT_EQ(state.HoldCore[0].load(), 0);
    }
    EXPECT_TRUE(MsrWrites(reg::kMsrPerfControl).empty());
}

}  // namespace
}  // namespace zm::cpu
