// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a family 10h controller pair: ganged or not, population, and the decode of every
// drop-down from registers a BIOS leaves.

#include <gtest/gtest.h>

#include <string>

#include "k10_registers_test_values.h"
#include "k10_test_machine.h"
#include "timings/k10/k10_codec.h"
#include "timings/k10/k10_controller.h"
#include "timings/model/startup_guard.h"
#include "timings/model/timing_change.h"

namespace zm::timings::k10 {
namespace {

using testing::DctValues;
using testing::K10Machine;
using I = TimingId;

struct Shown {
    I control;
    const char* text;
};

// What each drop-down shows for DCT0's registers.
void ExpectShown(const TimingModel& model, const TimingLists& lists, int channel,
                 std::initializer_list<Shown> shown) {
    for (const Shown& s : shown) {
        EXPECT_EQ(ItemText(lists, s.control, DisplayIndex(model, channel, s.control)), s.text)
            << TimingShortName(ControllerKind::K10, s.control);
    }
}

struct ReadSetup {
    ControllerState state;
    TimingModel model;
    TimingLists lists;
};

ReadSetup ReadAll(K10Machine& m, K10Mode mode) {
    m.OpenExtendedConfig();
    ReadSetup r;
    r.state = ReadController(m.Hw(), mode);
    DecodeTimings(r.state, r.model);
    r.lists = ControllerLists(r.state);
    return r;
}

TEST(K10Read, Ddr2_800DecodesEveryDropDown) {
    K10Machine m;
    m.SetGanged(false);
    m.SetDct(0, testing::kDdr2_800);
    m.SetDct(1, testing::kDdr2_800);
    const ReadSetup r = ReadAll(m, K10Mode::Ddr2_800);
    ExpectShown(r.model, r.lists, kChannelA,
                {{I::tCL, "5"},
                 {I::tRCD, "5"},
                 {I::tRP, "5"},
                 {I::tRAS, "18"},
                 {I::CommandRate, "1T"},
                 {I::tRFC_DIMM0, "127 ns"},
                 {I::tRFC_DIMM1, "127 ns"},
                 {I::tRFC_DIMM2, "75 ns"},
                 {I::tRFC_DIMM3, "75 ns"},
                 {I::tWRRD, "2"},
                 {I::tWRWR, "2"},
                 {I::tRDRD, "3"},
                 {I::tRWTO, "4"},
                 {I::ForceAutoPrecharge, "Disab."},
                 {I::QueueBypassMax, "15"},
                 {I::tRWWB, "5"},
                 {I::MaxReadLatency, "80"},
                 {I::IdleCycleLimit, "32"},
                 {I::tFAW, "15"},
                 {I::DriverWeakMode, "Disab."},
                 {I::PowerDownMode, "Enab."},
                 {I::tRC, "23"},
                 {I::tREFI, "7,8\u00b5s"},
                 {I::tRRD, "3"},
                 {I::tWR, "6"},
                 {I::tWTR, "3"},
                 {I::tRTP, "4"}});
    EXPECT_EQ(r.model[kChannelA].idleCycleLimitEnable, 1);
    EXPECT_EQ(r.model[kChannelB], r.model[kChannelA]);
    EXPECT_TRUE(TimingsOutsideList(r.model, r.lists, kChannelA).empty());
}

TEST(K10Read, Ddr2_1066DecodesTheWiderLayoutAndTwrFromTheMrsCopy) {
    K10Machine m;
    m.SetGanged(false);
    m.SetDct(0, testing::kDdr2_1066);
    m.SetDct(1, testing::kDdr2_1066);
    const ReadSetup r = ReadAll(m, K10Mode::Ddr2_1066);
    ExpectShown(r.model, r.lists, kChannelA,
                {{I::tCL, "5"},
                 {I::tRCD, "5"},
                 {I::tRP, "5"},
                 {I::tRAS, "18"},
                 {I::tRWTO, "4"},
                 {I::tFAW, "20"},
                 {I::tRC, "22"},
                 {I::tRRD, "4"},
                 {I::tWR, "8"},
                 {I::tWTR, "5"},
                 {I::tRTP, "4"},
                 {I::MaxReadLatency, "96"}});
    EXPECT_TRUE(TimingsOutsideList(r.model, r.lists, kChannelA).empty());
}

TEST(K10Read, Ddr3DecodesTurnaroundsWithTheirHighParts) {
    K10Machine m;
    m.SetGanged(false);
    m.SetDct(0, testing::kDdr3);
    m.SetDct(1, testing::kDdr3);
    const ReadSetup r = ReadAll(m, K10Mode::Ddr3);
    ExpectShown(r.model, r.lists, kChannelA,
                {{I::tCL, "9"},
                 {I::tRCD, "9"},
                 {I::tRP, "9"},
                 {I::tRAS, "24"},
                 {I::tRFC_DIMM0, "160 ns"},
                 {I::tWRRD, "3"},
                 {I::tWRWR, "5"},
                 {I::tRDRD, "4"},
                 {I::tRWTO, "6"},
                 {I::tRWWB, "5"},
                 {I::tFAW, "30"},
                 {I::tRC, "33"},
                 {I::tWR, "10"},
                 {I::tWTR, "5"},
                 {I::tRTP, "5"},
                 {I::MaxReadLatency, "128"}});
    // tWRWR 5 is low part 0 and high part 1 (F2x78 bits 11..10).
    EXPECT_EQ(r.model[kChannelA][I::tWRWR], 0);
    EXPECT_EQ(r.model[kChannelA].turnaroundHigh[1], 1);
    EXPECT_TRUE(TimingsOutsideList(r.model, r.lists, kChannelA).empty());
}

// While the enable bit is clear the controller ignores the limit bits: the drop-down shows
// "Disab." whatever they hold.
TEST(K10Read, IdleCycleLimitShowsDisabledWhileItsEnableBitIsClear) {
    struct Case {
        std::uint32_t bits22to20;
        int index;
        int enable;
    } cases[] = {{0b000, 0, 0}, {0b110, 0, 0}, {0b010, 0, 0}, {0b001, 1, 1},
                 {0b011, 2, 1}, {0b101, 3, 1}, {0b111, 4, 1}};
    for (const Case& c : cases) {
        DctValues v = testing::kDdr2_800;
        v.f90 = (v.f90 & ~0x00700000u) | (c.bits22to20 << 20);
        ChannelTimings ch;
        DctRegisters regs;
        regs[Register::ConfigLow] = v.f90;
        DecodeChannel(K10Mode::Ddr2_800, regs, ch);
        EXPECT_EQ(ch[I::IdleCycleLimit], c.index) << c.bits22to20;
        EXPECT_EQ(ch.idleCycleLimitEnable, c.enable) << c.bits22to20;
    }
}

// Codes the lists have no item for leave the drop-down empty, and the start-up guard keeps
// Apply disabled.
TEST(K10Read, CodesWithoutListItemLeaveTheDropDownEmpty) {
    struct Case {
        K10Mode mode;
        I control;
        Register reg;
        std::uint32_t setBits;
        std::uint32_t clearBits;
    } cases[] = {
        {K10Mode::Ddr2_800, I::tWRWR, Register::TimingHigh, 3u << 12, 0},       // tWRWR 11b
        {K10Mode::Ddr2_800, I::tWTR, Register::TimingHigh, 0, 3u << 8},         // tWTR 00b
        {K10Mode::Ddr2_800, I::tREFI, Register::TimingHigh, 0, 3u << 16},       // Tref 00b
        {K10Mode::Ddr2_800, I::tRFC_DIMM0, Register::TimingHigh, 7u << 20, 0},  // Trfc0 111b
        {K10Mode::Ddr2_800, I::tFAW, Register::ConfigHigh, 0xFu << 28, 0},
        {K10Mode::Ddr2_800, I::MaxReadLatency, Register::DramControl, 0, 0xFFCu << 20},  // 0 < 20
        {K10Mode::Ddr3, I::tRDRD, Register::DramControl, 3u << 12, 0},  // tRDRD 14 > 10
    };
    for (const auto& c : cases) {
        K10Machine m;
        m.SetGanged(false);
        DctValues v = c.mode == K10Mode::Ddr3 ? testing::kDdr3 : testing::kDdr2_800;
        m.SetDct(0, v);
        m.SetDct(1, v);
        m.Set(c.reg, 0, (m.Get(c.reg, 0) & ~c.clearBits) | c.setBits);
        const ReadSetup r = ReadAll(m, c.mode);
        EXPECT_EQ(ItemText(r.lists, c.control, DisplayIndex(r.model, kChannelA, c.control)), "")
            << TimingShortName(ControllerKind::K10, c.control);
        EXPECT_EQ(TimingsOutsideList(r.model, r.lists, kChannelA), std::vector<I>{c.control})
            << TimingShortName(ControllerKind::K10, c.control);
        EXPECT_TRUE(TimingsOutsideList(r.model, r.lists, kChannelB).empty());
    }
}

TEST(K10Read, Ddr2_800CasLatencyIsNotGuarded) {
    K10Machine m;
    DctValues v = testing::kDdr2_800;
    v.f88 &= ~7u;  // Tcl 000b: reserved
    m.SetDct(0, v);
    const ReadSetup r = ReadAll(m, K10Mode::Ddr2_800);
    EXPECT_EQ(ItemText(r.lists, I::tCL, r.model[kChannelA][I::tCL]), "");
    EXPECT_TRUE(TimingsOutsideList(r.model, r.lists, kChannelA).empty());
}

TEST(K10Read, Ddr2_800TrtpListFollowsDct0BurstLength) {
    for (std::uint32_t bits : {0u, 1u, 2u, 3u}) {
        K10Machine m;
        DctValues v = testing::kDdr2_800;
        v.f90 = (v.f90 & ~0xC00u) | (bits << 10);
        m.SetDct(0, v);
        m.SetDct(1, testing::kDdr2_800);
        const ReadSetup r = ReadAll(m, K10Mode::Ddr2_800);
        const ValueList expected = bits == 1 ? ValueList{"2", "3"} : ValueList{"4", "5"};
        EXPECT_EQ(r.lists[static_cast<int>(I::tRTP)], expected) << bits;
        EXPECT_EQ(UsesFourBeatTrtp(r.state), bits == 1);
    }
}

struct PopulationCase {
    const char* what;
    bool ganged;
    std::uint32_t dct0Map, dct1Map;
    int populatedCount;
    bool refused;
};

TEST(K10Read, GangingAndPopulation) {
    const PopulationCase cases[] = {
        {"unganged, both populated", false, 0x55, 0x55, 2, false},
        {"unganged, DCT0 only", false, 0x55, 0, 1, false},
        {"unganged, DCT1 only", false, 0, 0x55, 2, true},
        {"ganged", true, 0x55, 0x55, 2, false},
        {"ganged, DCT1's map unread", true, 0x55, 0, 2, false},
    };
    for (const PopulationCase& c : cases) {
        K10Machine m;
        m.SetGanged(c.ganged);
        DctValues v0 = testing::kDdr2_800, v1 = testing::kDdr2_800;
        v0.f80 = c.dct0Map;
        v1.f80 = c.dct1Map;
        m.SetDct(0, v0);
        m.SetDct(1, v1);
        m.OpenExtendedConfig();
        const ControllerState s = ReadController(m.Hw(), K10Mode::Ddr2_800);
        EXPECT_EQ(s.ganged, c.ganged) << c.what;
        EXPECT_EQ(s.populatedCount, c.populatedCount) << c.what;
        const auto refusal = PopulationRefusal(s);
        EXPECT_EQ(refusal.has_value(), c.refused) << c.what;
        if (refusal) {
            EXPECT_EQ(refusal->caption, "ERROR!");
            EXPECT_EQ(refusal->text, "A single DIMM need to be on channel A!");
        }
    }
}

TEST(K10Read, DctOneIsReadThroughTheExtendedRegisterForm) {
    K10Machine m;
    m.SetGanged(false);
    DctValues v1 = testing::kDdr2_800;
    v1.f88 = 0x3C7CF225;  // CL 6 on DCT1
    m.SetDct(0, testing::kDdr2_800);
    m.SetDct(1, v1);
    const ReadSetup r = ReadAll(m, K10Mode::Ddr2_800);
    ASSERT_TRUE(r.state.dct1Read);
    EXPECT_EQ(r.state.dct[1][Register::TimingLow], 0x3C7CF225u);
    EXPECT_EQ(ItemText(r.lists, I::tCL, r.model[kChannelB][I::tCL]), "6");
    EXPECT_EQ(ItemText(r.lists, I::tCL, r.model[kChannelA][I::tCL]), "5");
    EXPECT_EQ(r.state.controllerSelectLow, 0x00000504u);
}

TEST(K10Read, GangedPairReadsOnlyDct0AndShowsItOnBothChannels) {
    K10Machine m;
    m.SetGanged(true);
    m.SetDct(0, testing::kDdr3);
    DctValues other = testing::kDdr3;
    other.f88 = 0x00169648;
    m.SetDct(1, other);
    const ReadSetup r = ReadAll(m, K10Mode::Ddr3);
    EXPECT_FALSE(r.state.dct1Read);
    EXPECT_EQ(r.state.dct[1], DctRegisters{});
    EXPECT_TRUE(r.model.ganged);
    EXPECT_EQ(r.model[kChannelB], r.model[kChannelA]);
}

}  // namespace
}  // namespace zm::timings::k10
