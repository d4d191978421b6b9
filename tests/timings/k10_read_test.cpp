// Reading a family 10h controller pair: ganged or not, population, and the decode of every
// drop-down from registers a BIOS leaves.

#include <gtest/gtest.h>

#include <string>

#include "k10_registers_test_values.h"
#include "k10_test_machine.h"
#include "timings/k10_codec.h"
#include "timings/k10_controller.h"
#include "timings/startup_guard.h"
#include "timings/timing_change.h"

namespace zm::timings::k10 {
namespace {

using testing::DctValues;
using testing::K10Machine;
using C = TimingControl;

struct Shown {
    C control;
    const char* text;
};

// What each drop-down shows for DCT0's registers.
void ExpectShown(const TimingModel& model, const TimingLists& lists, int channel,
                 std::initializer_list<Shown> shown) {
    for (const Shown& s : shown) {
        EXPECT_EQ(ItemText(lists, s.control, DisplayIndex(model, channel, s.control)), s.text)
            << ControlName(s.control);
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
                {{C::Combo1A, "5"},      {C::Combo2A, "5"},           {C::Combo3A, "5"},
                 {C::Combo4A, "18"},     {C::Combo5A, "1T"},          {C::Combo6A, "127 ns"},
                 {C::Combo7A, "127 ns"}, {C::Combo8A, "75 ns"},       {C::Combo9A, "75 ns"},
                 {C::Combo10A, "2"},     {C::Combo11A, "2"},          {C::Combo12A, "3"},
                 {C::Combo13A, "4"},     {C::Combo14A, "Disab."},     {C::Combo15A, "15"},
                 {C::Combo16A, "5"},     {C::Combo17A, "80"},         {C::Combo18A, "32"},
                 {C::Combo19A, "15"},    {C::Combo20A, "Disab."},     {C::Combo21A, "Enab."},
                 {C::Combo26A, "23"},    {C::Combo27A, "7,8\u00b5s"}, {C::Combo28A, "3"},
                 {C::Combo29A, "6"},     {C::Combo30A, "3"},          {C::Combo31A, "4"}});
    EXPECT_EQ(r.model[kChannelA].idleCycleLimitEnable, 1);
    EXPECT_EQ(r.model[kChannelB], r.model[kChannelA]);
    EXPECT_TRUE(ControlsOutsideList(r.model, r.lists, kChannelA).empty());
}

TEST(K10Read, Ddr2_1066DecodesTheWiderLayoutAndTwrFromTheMrsCopy) {
    K10Machine m;
    m.SetGanged(false);
    m.SetDct(0, testing::kDdr2_1066);
    m.SetDct(1, testing::kDdr2_1066);
    const ReadSetup r = ReadAll(m, K10Mode::Ddr2_1066);
    ExpectShown(r.model, r.lists, kChannelA,
                {{C::Combo1A, "5"},
                 {C::Combo2A, "5"},
                 {C::Combo3A, "5"},
                 {C::Combo4A, "18"},
                 {C::Combo13A, "4"},
                 {C::Combo19A, "20"},
                 {C::Combo26A, "22"},
                 {C::Combo28A, "4"},
                 {C::Combo29A, "8"},
                 {C::Combo30A, "5"},
                 {C::Combo31A, "4"},
                 {C::Combo17A, "96"}});
    EXPECT_TRUE(ControlsOutsideList(r.model, r.lists, kChannelA).empty());
}

TEST(K10Read, Ddr3DecodesTurnaroundsWithTheirHighParts) {
    K10Machine m;
    m.SetGanged(false);
    m.SetDct(0, testing::kDdr3);
    m.SetDct(1, testing::kDdr3);
    const ReadSetup r = ReadAll(m, K10Mode::Ddr3);
    ExpectShown(r.model, r.lists, kChannelA,
                {{C::Combo1A, "9"},
                 {C::Combo2A, "9"},
                 {C::Combo3A, "9"},
                 {C::Combo4A, "24"},
                 {C::Combo6A, "160 ns"},
                 {C::Combo10A, "3"},
                 {C::Combo11A, "5"},
                 {C::Combo12A, "4"},
                 {C::Combo13A, "6"},
                 {C::Combo16A, "5"},
                 {C::Combo19A, "30"},
                 {C::Combo26A, "33"},
                 {C::Combo29A, "10"},
                 {C::Combo30A, "5"},
                 {C::Combo31A, "5"},
                 {C::Combo17A, "128"}});
    // tWRWR 5 is low part 0 and high part 1 (F2x78 bits 11..10).
    EXPECT_EQ(r.model[kChannelA][C::Combo11A], 0);
    EXPECT_EQ(r.model[kChannelA].turnaroundHigh[1], 1);
    EXPECT_TRUE(ControlsOutsideList(r.model, r.lists, kChannelA).empty());
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
        EXPECT_EQ(ch[C::Combo18A], c.index) << c.bits22to20;
        EXPECT_EQ(ch.idleCycleLimitEnable, c.enable) << c.bits22to20;
    }
}

// Codes the lists have no item for leave the drop-down empty, and the start-up guard keeps
// Apply disabled.
TEST(K10Read, CodesWithoutListItemLeaveTheDropDownEmpty) {
    struct Case {
        K10Mode mode;
        C control;
        Register reg;
        std::uint32_t setBits;
        std::uint32_t clearBits;
    } cases[] = {
        {K10Mode::Ddr2_800, C::Combo11A, Register::TimingHigh, 3u << 12, 0},  // tWRWR 11b
        {K10Mode::Ddr2_800, C::Combo30A, Register::TimingHigh, 0, 3u << 8},   // tWTR 00b
        {K10Mode::Ddr2_800, C::Combo27A, Register::TimingHigh, 0, 3u << 16},  // Tref 00b
        {K10Mode::Ddr2_800, C::Combo6A, Register::TimingHigh, 7u << 20, 0},   // Trfc0 111b
        {K10Mode::Ddr2_800, C::Combo19A, Register::ConfigHigh, 0xFu << 28, 0},
        {K10Mode::Ddr2_800, C::Combo17A, Register::DramControl, 0, 0xFFCu << 20},  // 0 < 20
        {K10Mode::Ddr3, C::Combo12A, Register::DramControl, 3u << 12, 0},          // tRDRD 14 > 10
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
            << ControlName(c.control);
        EXPECT_EQ(ControlsOutsideList(r.model, r.lists, kChannelA), std::vector<C>{c.control})
            << ControlName(c.control);
        EXPECT_TRUE(ControlsOutsideList(r.model, r.lists, kChannelB).empty());
    }
}

TEST(K10Read, Ddr2_800CasLatencyIsNotGuarded) {
    K10Machine m;
    DctValues v = testing::kDdr2_800;
    v.f88 &= ~7u;  // Tcl 000b: reserved
    m.SetDct(0, v);
    const ReadSetup r = ReadAll(m, K10Mode::Ddr2_800);
    EXPECT_EQ(ItemText(r.lists, C::Combo1A, r.model[kChannelA][C::Combo1A]), "");
    EXPECT_TRUE(ControlsOutsideList(r.model, r.lists, kChannelA).empty());
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
        EXPECT_EQ(r.lists[static_cast<int>(C::Combo31A)], expected) << bits;
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
    EXPECT_EQ(ItemText(r.lists, C::Combo1A, r.model[kChannelB][C::Combo1A]), "6");
    EXPECT_EQ(ItemText(r.lists, C::Combo1A, r.model[kChannelA][C::Combo1A]), "5");
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
