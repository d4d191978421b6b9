// SPDX-License-Identifier: GPL-3.0-or-later
// Apply of the CPU settings window on the simulated Phenom II X4 (k10-am3-ddr3): which MSR on
// which core, in which order, with which value, and what is refused rather than written.

#include "cpu/k10_settings_apply.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "cpu/cpu_registers.h"
#include "sim/simulated_machine.h"

namespace zm::cpu {
namespace {

using sim::WriteRecord;

constexpr std::uint32_t kControl = reg::kMsrCofVidControl;
constexpr std::uint32_t kPState0 = reg::kMsrPState0;
// The profile's COFVID control and P-state 0 low dwords: NbVid 0x1C, CpuVid 0x12, CpuFid 0x10.
constexpr std::uint32_t kProfileLow = 0x38002410;

struct K10CpuSettingsApply : ::testing::Test {
    std::shared_ptr<sim::SimulatedMachine> machine = sim::SimulatedMachine::Load("k10-am3-ddr3");
    hw::HardwareAccess hw{*machine};
    ClockState state;
    CpuSettingsChoice choice;

    void SetUp() override {
        state.platform = CpuPlatform::AmdK10;
        state.coreCount = 3;  // highest core index of a quad-core
        machine->ClearWrites();
    }
    std::vector<WriteRecord> Msrs() const {
        std::vector<WriteRecord> out;
        for (const WriteRecord& w : machine->Writes())
            if (w.kind == WriteRecord::Kind::Msr) out.push_back(w);
        return out;
    }
};

// The four writes one core gets for a change that goes into P-state 0 as well: control,
// P-state 0, then the switch to P-state 1 and back.
void ExpectCoreWithPState0(const std::vector<WriteRecord>& w, size_t at, unsigned core,
                           std::uint32_t low) {
    ASSERT_GE(w.size(), at + 4);
    const std::uint64_t expected[] = {low, low, low | 0x10000u, low};
    const std::uint32_t index[] = {kControl, kPState0, kControl, kControl};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(w[at + i].processor, core) << at + i;
        EXPECT_EQ(w[at + i].address, index[i]) << at + i;
        EXPECT_EQ(static_cast<std::uint32_t>(w[at + i].value), expected[i]) << at + i;
    }
    // P-state 0 keeps its enable bit and the high dword.
    EXPECT_EQ(w[at + 1].value >> 32, 0x800001B8u);
}

TEST_F(K10CpuSettingsApply, AllCoresWritesControlAndPState0OnEveryCoreThenSwitches) {
    choice.cpuFid[0] = 14;  // x15
    choice.cpuDid[0] = 0;   // none
    state.HoldCore[0] = 1;
    const CpuSettingsApplyResult r = ApplyCpuSettings(hw, state, choice, 6);

    const auto w = Msrs();
    ASSERT_EQ(w.size(), 16u);
    const std::uint32_t low = (kProfileLow & ~0x1FFu) | 0x00E;
    for (unsigned core = 0; core < 4; ++core) ExpectCoreWithPState0(w, core * 4, core, low);
    EXPECT_TRUE(r.refused.empty());
    EXPECT_FALSE(r.restartNeeded);
    for (int n = 0; n < 4; ++n) EXPECT_EQ(state.HoldCore[n].load(), 0);
    // The simulated core now runs at what was written.
    EXPECT_EQ(machine->Msr(3, reg::kMsrCofVidStatus) & 0x1FF, 0x00Eu);
}

TEST_F(K10CpuSettingsApply, OneColumnWritesOnlyItsCoreAndLeavesPState0) {
    choice.allCores = false;
    choice.cpuFid = {0, 0, 6, 0};  // core 2: x11 / 2
    choice.cpuDid = {0, 0, 1, 0};
    state.HoldCore[2] = 1;
    ApplyCpuSettings(hw, state, choice, 6);

    const auto w = Msrs();
    ASSERT_EQ(w.size(), 3u);
    const std::uint32_t low = (kProfileLow & ~0x1FFu) | 6 | (1 << 6);
    for (const WriteRecord& r : w) {
        EXPECT_EQ(r.processor, 2u);
        EXPECT_EQ(r.address, kControl);
    }
    EXPECT_EQ(static_cast<std::uint32_t>(w[0].value), low);
    EXPECT_EQ(static_cast<std::uint32_t>(w[1].value), low | 0x10000u);
    EXPECT_EQ(static_cast<std::uint32_t>(w[2].value), low);
    EXPECT_EQ(state.HoldCore[2].load(), 0);
}

TEST_F(K10CpuSettingsApply, ColumnsBeyondTheCoreCountAreNotWritten) {
    state.coreCount = 1;  // dual-core
    choice.allCores = false;
    choice.cpuFid = {2, 2, 2, 2};
    for (int n = 0; n < 4; ++n) state.HoldCore[n] = 1;
    ApplyCpuSettings(hw, state, choice, 6);
    for (const WriteRecord& r : Msrs()) EXPECT_LT(r.processor, 2u);
    EXPECT_EQ(Msrs().size(), 6u);
}

TEST_F(K10CpuSettingsApply, VoltagesGoIntoTheirFieldsOnEveryCore) {
    choice.cpuVid = 16;  // 1.35 V
    choice.nbVid = 20;
    state.HoldCpuVid = 1;
    state.HoldNbVid = 1;
    ApplyCpuSettings(hw, state, choice, 6);

    const auto w = Msrs();
    // Core voltage: 4 writes per core; north-bridge voltage: 3 per core, after every core's
    // core voltage.
    ASSERT_EQ(w.size(), 16u + 12u);
    const std::uint32_t withCpuVid = (kProfileLow & ~0xFE00u) | (16u << 9);
    for (unsigned core = 0; core < 4; ++core) ExpectCoreWithPState0(w, core * 4, core, withCpuVid);
    const std::uint32_t withNbVid = (withCpuVid & 0x01FFFFFFu) | (20u << 25);
    for (unsigned core = 0; core < 4; ++core) {
        const size_t at = 16 + core * 3;
        EXPECT_EQ(w[at].processor, core);
        EXPECT_EQ(w[at].address, kControl);
        EXPECT_EQ(static_cast<std::uint32_t>(w[at].value), withNbVid);
    }
    EXPECT_EQ(state.HoldCpuVid.load(), 0);
    EXPECT_EQ(state.HoldNbVid.load(), 0);
}

TEST_F(K10CpuSettingsApply, NorthBridgeMultiplierIsWrittenLastAndAsksForARestartWhenChanged) {
    machine->SetPci(0, 24, 3, 0xD4, 0xABCD0006);
    struct Case {
        int nbFid;
        bool restart;
    };
    for (const Case c : {Case{9, true}, Case{6, false}}) {
        machine->ClearWrites();
        choice.nbFid = c.nbFid;
        state.HoldNbMultiplier = 1;
        state.HoldCpuVid = 1;
        choice.cpuVid = 18;
        const CpuSettingsApplyResult r = ApplyCpuSettings(hw, state, choice, 6);
        const auto all = machine->Writes();
        ASSERT_FALSE(all.empty());
        const WriteRecord& last = all.back();
        EXPECT_EQ(last.kind, WriteRecord::Kind::Pci);
        EXPECT_EQ(last.address, reg::kNbClockControl);
        EXPECT_EQ(last.value, 0xABCD0000u | static_cast<unsigned>(c.nbFid));
        EXPECT_EQ(r.restartNeeded, c.restart) << c.nbFid;
        EXPECT_EQ(state.HoldNbMultiplier.load(), 0);
    }
}

TEST_F(K10CpuSettingsApply, ValuesThatDoNotFitTheirFieldsAreRefusedNotWritten) {
    struct Case {
        const char* what;
        void (*arrange)(CpuSettingsChoice&, ClockState&);
        const char* refused;
    };
    const Case cases[] = {
        {"CpuFid 64 would spill into CpuDid",
         [](CpuSettingsChoice& c, ClockState& s) {
             c.cpuFid[0] = 64;
             s.HoldCore[0] = 1;
         },
         "multiplier"},
        {"reserved divisor",
         [](CpuSettingsChoice& c, ClockState& s) {
             c.cpuDid[0] = 5;
             s.HoldCore[0] = 1;
         },
         "multiplier"},
        {"empty core 1 list",
         [](CpuSettingsChoice& c, ClockState& s) {
             c.allCores = false;
             c.cpuFid[1] = -1;
             s.HoldCore[1] = 1;
         },
         "core 1 multiplier"},
        {"VID 0x7C switches the supply off",
         [](CpuSettingsChoice& c, ClockState& s) {
             c.cpuVid = 124;
             s.HoldCpuVid = 1;
         },
         "core voltage"},
        {"VID 0x40 is no code of the parallel interface",
         [](CpuSettingsChoice& c, ClockState& s) {
             c.pviMode = true;
             c.cpuVid = 0x40;
             s.HoldCpuVid = 1;
         },
         "core voltage"},
        {"empty uncore voltage list",
         [](CpuSettingsChoice& c, ClockState& s) {
             c.nbVid = -1;
             s.HoldNbVid = 1;
         },
         "uncore voltage"},
        {"NbFid 32 is wider than five bits",
         [](CpuSettingsChoice& c, ClockState& s) {
             c.nbFid = 32;
             s.HoldNbMultiplier = 1;
         },
         "uncore multiplier"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine->ClearWrites();
        CpuSettingsChoice ch;
        ClockState& s = state;
        c.arrange(ch, s);
        const CpuSettingsApplyResult r = ApplyCpuSettings(hw, s, ch, 6);
        EXPECT_TRUE(machine->Writes().empty());
        EXPECT_EQ(r.refused, std::vector<std::string>{c.refused});
        EXPECT_FALSE(r.restartNeeded);
        // The lists are released so the measuring thread shows the processor's values again.
        for (int n = 0; n < 4; ++n) EXPECT_EQ(s.HoldCore[n].load(), 0);
        EXPECT_EQ(s.HoldCpuVid.load() + s.HoldNbVid.load() + s.HoldNbMultiplier.load(), 0);
    }
}

TEST_F(K10CpuSettingsApply, NothingHeldOrNotK10WritesNothing) {
    choice.cpuFid[0] = 14;
    ApplyCpuSettings(hw, state, choice, 6);
    EXPECT_TRUE(machine->Writes().empty());

    state.platform = CpuPlatform::Intel;
    state.HoldCore[0] = 1;
    state.HoldNbMultiplier = 1;
    choice.nbFid = 9;
    EXPECT_FALSE(ApplyCpuSettings(hw, state, choice, 6).restartNeeded);
    EXPECT_TRUE(machine->Writes().empty());
}

TEST_F(K10CpuSettingsApply, AbsentNorthBridgeFunctionIsNotWrittenAllOnes) {
    machine->RemovePciFunction(0, 24, 3);
    choice.nbFid = 9;
    state.HoldNbMultiplier = 1;
    const CpuSettingsApplyResult r = ApplyCpuSettings(hw, state, choice, 6);
    EXPECT_TRUE(machine->Writes().empty());
    EXPECT_EQ(r.refused, std::vector<std::string>{"uncore multiplier"});
}

}  // namespace
}  // namespace zm::cpu
