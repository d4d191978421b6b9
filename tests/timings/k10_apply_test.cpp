// SPDX-License-Identifier: GPL-3.0-or-later
// Apply on a family 10h controller pair: what is written where, in which order, and that every
// list item survives the trip through the registers without disturbing any other bit.

#include "timings/k10/k10_apply.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "k10_registers_test_values.h"
#include "k10_test_machine.h"
#include "timings/k10/k10_codec.h"
#include "timings/model/timing_change.h"

namespace zm::timings::k10 {
namespace {

using testing::DctValues;
using testing::ItemIndex;
using testing::K10Machine;
using I = TimingId;

constexpr K10Mode kModes[] = {K10Mode::Ddr2_800, K10Mode::Ddr2_1066, K10Mode::Ddr3};

const DctValues& ValuesFor(K10Mode mode) {
    switch (mode) {
        case K10Mode::Ddr2_800:
            return testing::kDdr2_800;
        case K10Mode::Ddr2_1066:
            return testing::kDdr2_1066;
        case K10Mode::Ddr3:
            break;
    }
    return testing::kDdr3;
}

struct Session {
    K10Machine m;
    ControllerState state;
    TimingModel model;
    TimingLists lists;

    Session(K10Mode mode, bool ganged, std::uint32_t dct1Map = 0x55) {
        m.SetGanged(ganged);
        DctValues v0 = ValuesFor(mode), v1 = ValuesFor(mode);
        v1.f80 = dct1Map;
        m.SetDct(0, v0);
        m.SetDct(1, v1);
        m.OpenExtendedConfig();
        state = ReadController(m.Hw(), mode);
        DecodeTimings(state, model);
        lists = ControllerLists(state);
    }
    // The user picks an item by its text for the channels the selector names.
    void Pick(I control, std::string_view text, ChannelSet selection) {
        const int index = ItemIndex(lists, control, text);
        ASSERT_GE(index, 0) << TimingShortName(ControllerKind::K10, control) << " has no item "
                            << text;
        RecordChange(model, control, index, selection);
    }
    ApplyReport Apply(bool storedTimingsActive = false) {
        return ApplyTimings(m.Hw(), model, state, storedTimingsActive);
    }
    ApplyReport Apply(const TimingModel& indices) {
        return ApplyTimings(m.Hw(), indices, state, false);
    }
};

std::vector<std::uint32_t> Addresses(const std::vector<sim::WriteRecord>& writes) {
    std::vector<std::uint32_t> out;
    for (const auto& w : writes) out.push_back(static_cast<std::uint32_t>(w.address));
    return out;
}

const std::vector<std::uint32_t> kDct0Order{0x8000C288, 0x8000C28C, 0x8000C290, 0x8000C294,
                                            0x8000C278};
const std::vector<std::uint32_t> kDct1Order{0x8100C288, 0x8100C28C, 0x8100C290, 0x8100C294,
                                            0x8100C278};

std::vector<std::uint32_t> Concat(std::vector<std::uint32_t> a,
                                  const std::vector<std::uint32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// --- Round trip -------------------------------------------------------------------------------

// A register set with random bits everywhere, as far as the controller's own rules allow: the
// idle-cycle-limit bits mean nothing while the enable bit is clear, so they are zero then.
DctRegisters RandomRegisters(std::mt19937& rng) {
    DctRegisters regs;
    for (auto& v : regs.value) v = static_cast<std::uint32_t>(rng());
    if ((regs[Register::ConfigLow] & (1u << 20)) == 0) regs[Register::ConfigLow] &= ~0x00600000u;
    return regs;
}

std::uint32_t ControlBits(K10Mode mode, I control, Register reg) {
    const TimingField& f = FieldOf(mode, control);
    std::uint32_t bits = f.reg == reg ? f.codec.field.Mask() : 0;
    if (f.encoding == Encoding::Turnaround && reg == Register::DramControl) {
        bits |= TurnaroundHighOf(control)->field.Mask();
    }
    return f.written ? bits : 0;
}

// Every item of every drop-down, picked on one channel and rebuilt into the registers, reads
// back as the same item; the registers change only inside that drop-down's own fields.
TEST(K10Apply, EveryListItemRoundTripsAndTouchesOnlyItsOwnBits) {
    std::mt19937 rng(20240611);
    for (K10Mode mode : kModes) {
        for (int trial = 0; trial < 8; ++trial) {
            const DctRegisters image = RandomRegisters(rng);
            for (bool fourBeat : {false, true}) {
                ControllerState state;
                state.mode = mode;
                state.dct[0] = image;
                state.dct[0][Register::ConfigLow] =
                    (image[Register::ConfigLow] & ~0xC00u) | (fourBeat ? 0x400u : 0u);
                const TimingLists lists = ControllerLists(state);
                TimingModel base;
                DecodeTimings(state, base);
                for (const TimingDescriptor& d : Descriptors(ControllerKind::K10)) {
                    const I control = d.id;
                    const TimingField& f = FieldOf(mode, control);
                    const int items = static_cast<int>(lists[static_cast<int>(control)].size());
                    ASSERT_GT(items, 0);
                    for (int item = 0; item < items; ++item) {
                        TimingModel model = base;
                        StoreItem(model, kChannelA, control, item);
                        DctRegisters rebuilt = state.dct[0];
                        for (Register reg : kWriteOrder) {
                            std::vector<I> notEncoded;
                            rebuilt[reg] = RebuildRegister(model, kChannelA, reg, state.dct[0][reg],
                                                           lists, &notEncoded);
                            const std::uint32_t changed = rebuilt[reg] ^ state.dct[0][reg];
                            EXPECT_EQ(changed & ~ControlBits(mode, control, reg), 0u)
                                << K10ModeText(mode) << " "
                                << TimingShortName(ControllerKind::K10, control) << " item " << item
                                << " register " << RegisterOffset(reg);
                            EXPECT_EQ(std::count(notEncoded.begin(), notEncoded.end(), control), 0);
                        }
                        if (!f.written) continue;
                        ChannelTimings back;
                        DecodeChannel(mode, rebuilt, back);
                        TimingModel readBack = base;
                        readBack[kChannelA] = back;
                        EXPECT_EQ(DisplayIndex(readBack, kChannelA, control), item)
                            << K10ModeText(mode) << " "
                            << TimingShortName(ControllerKind::K10, control);
                    }
                }
            }
        }
    }
}

// Drop-downs that are shown only: whatever they hold, Apply writes the register as it was.
TEST(K10Apply, ShownOnlyTimingsAreNeverWritten) {
    struct Case {
        K10Mode mode;
        I control;
    } cases[] = {{K10Mode::Ddr2_800, I::tCL},
                 {K10Mode::Ddr2_1066, I::tCL},
                 {K10Mode::Ddr2_1066, I::tWR},
                 {K10Mode::Ddr3, I::tWR},
                 {K10Mode::Ddr3, I::DriverWeakMode}};
    for (const Case& c : cases) {
        Session s(c.mode, false);
        const DctRegisters before = s.state.dct[0];
        RecordChange(s.model, c.control, 1, ChannelSet::A);
        s.Apply();
        for (Register reg : kWriteOrder) {
            EXPECT_EQ(s.m.Get(reg, 0), before[reg])
                << K10ModeText(c.mode) << " " << TimingShortName(ControllerKind::K10, c.control);
        }
        for (const auto& w : s.m.DramWrites()) {
            EXPECT_NE(w.address & 0xFFu, 0x84u) << "the MRS copy is never written";
        }
    }
}

// DDR3 Tcl holds CL - 4, as the firmware programs it: a Phenom II running DDR3-1600 at CL 11
// holds 7. Each row reads a Tcl field and shows its CL; another CL recorded in the model is
// never applied (the modules' mode register keeps the trained one), so F2x88 and F2x188 stay as
// read.
TEST(K10Apply, Ddr3CasLatencyIsTheTclFieldPlusFourAndStaysAsRead) {
    struct Case {
        std::uint32_t field;
        const char* shown;
        const char* picked;
    } cases[] = {{1, "5", "11"}, {5, "9", "12"}, {7, "11", "5"}, {8, "12", "9"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        K10Machine m;
        m.SetGanged(false);
        DctValues v = testing::kDdr3;
        v.f88 = (v.f88 & ~0xFu) | c.field;
        m.SetDct(0, v);
        m.SetDct(1, v);
        m.OpenExtendedConfig();
        ControllerState state = ReadController(m.Hw(), K10Mode::Ddr3);
        TimingModel model;
        DecodeTimings(state, model);
        const TimingLists lists = ControllerLists(state);
        EXPECT_EQ(ItemText(lists, I::tCL, model[kChannelA][I::tCL]), c.shown);

        RecordChange(model, I::tCL, ItemIndex(lists, I::tCL, c.picked), ChannelSet::AB);
        ApplyTimings(m.Hw(), model, state, false);
        for (int dct = 0; dct < 2; ++dct) EXPECT_EQ(m.Get(Register::TimingLow, dct), v.f88) << dct;
    }
}

// --- Write log --------------------------------------------------------------------------------

TEST(K10Apply, UngangedBothPopulatedWritesDct1FirstThenDct0InRegisterOrder) {
    for (K10Mode mode : kModes) {
        Session s(mode, false);
        const ApplyReport report = s.Apply();
        EXPECT_TRUE(report.dct1Written);
        EXPECT_TRUE(report.notEncoded.empty());
        EXPECT_EQ(Addresses(s.m.DramWrites()), Concat(kDct1Order, kDct0Order)) << K10ModeText(mode);
        // Unchanged timings are written back exactly as read.
        const DctValues& v = ValuesFor(mode);
        for (int dct = 0; dct < 2; ++dct) {
            EXPECT_EQ(s.m.Get(Register::TimingLow, dct), v.f88);
            EXPECT_EQ(s.m.Get(Register::TimingHigh, dct), v.f8c);
            EXPECT_EQ(s.m.Get(Register::ConfigLow, dct), v.f90);
            EXPECT_EQ(s.m.Get(Register::ConfigHigh, dct), v.f94);
            EXPECT_EQ(s.m.Get(Register::DramControl, dct), v.f78);
        }
    }
}

// A ganged pair is driven through DCT0 alone; DCT1's registers are never touched, whatever the
// stored settings or channel B's slots hold.
TEST(K10Apply, GangedPairNeverTouchesDct1) {
    for (K10Mode mode : kModes) {
        for (bool stored : {false, true}) {
            Session s(mode, true);
            s.model[kChannelB][I::tRCD] = 1;
            s.model[kChannelB][I::MaxReadLatency] = 0;
            s.Pick(I::tRAS, mode == K10Mode::Ddr2_800 ? "9" : "20", ChannelSet::AB);
            const ApplyReport report = s.Apply(stored);
            EXPECT_FALSE(report.dct1Written);
            EXPECT_EQ(Addresses(s.m.DramWrites()), kDct0Order) << K10ModeText(mode) << stored;
            EXPECT_EQ(s.m.Get(Register::TimingLow, 1), ValuesFor(mode).f88);
        }
    }
}

TEST(K10Apply, Dct1WithoutMemoryIsWrittenOnlyWhenStoredTimingsAreApplied) {
    Session s(K10Mode::Ddr3, false, /*dct1Map=*/0);
    ASSERT_EQ(s.state.populatedCount, 1);
    EXPECT_FALSE(s.Apply(false).dct1Written);
    EXPECT_EQ(Addresses(s.m.DramWrites()), kDct0Order);
    s.m.Machine().ClearWrites();
    EXPECT_TRUE(s.Apply(true).dct1Written);
    EXPECT_EQ(Addresses(s.m.DramWrites()), Concat(kDct1Order, kDct0Order));
}

TEST(K10Apply, Ddr2_800WriteToReadTwoWritesTwo) {
    Session s(K10Mode::Ddr2_800, false);
    s.Pick(I::tWTR, "2", ChannelSet::AB);
    s.Apply();
    for (int dct = 0; dct < 2; ++dct) {
        EXPECT_EQ(hw::Field(9, 8).Get(s.m.Get(Register::TimingHigh, dct)), 2u);
    }
    // Read back, the field shows "2" again.
    const ControllerState again = ReadController(s.m.Hw(), K10Mode::Ddr2_800);
    TimingModel model;
    DecodeTimings(again, model);
    EXPECT_EQ(ItemText(s.lists, I::tWTR, model[kChannelA][I::tWTR]), "2");
}

TEST(K10Apply, Ddr3WriteToReadNineSplitsIntoLowAndHighParts) {
    Session s(K10Mode::Ddr3, false);
    s.Pick(I::tWRRD, "9", ChannelSet::A);
    EXPECT_EQ(s.model[kChannelA][I::tWRRD], 1);
    EXPECT_EQ(s.model[kChannelA].turnaroundHigh[0], 2);
    s.Apply();
    const std::uint32_t f8c = s.m.Get(Register::TimingHigh, 0);
    const std::uint32_t f78 = s.m.Get(Register::DramControl, 0);
    EXPECT_EQ(hw::Field(11, 10).Get(f8c), 1u);
    EXPECT_EQ(hw::Field(9, 8).Get(f78), 2u);
    // The other turnaround high parts keep what was read (tWRWR high part 1).
    EXPECT_EQ(hw::Field(11, 10).Get(f78), 1u);
    EXPECT_EQ(s.m.Get(Register::TimingHigh, 1), testing::kDdr3.f8c);
}

TEST(K10Apply, MaximumReadLatencyEndsOfTheList) {
    for (K10Mode mode : kModes) {
        for (const char* text : {"20", "200"}) {
            Session s(mode, false);
            s.Pick(I::MaxReadLatency, text, ChannelSet::A);
            s.Apply();
            const std::uint32_t f78 = s.m.Get(Register::DramControl, 0);
            EXPECT_EQ(hw::Field(31, 22).Get(f78), std::stoul(text)) << K10ModeText(mode);
            EXPECT_EQ(f78 & 0x003FFFFFu, ValuesFor(mode).f78 & 0x003FFFFFu);
        }
    }
}

TEST(K10Apply, IdleCycleLimitEncoding) {
    struct Case {
        const char* text;
        std::uint32_t bits;
    } cases[] = {{"Disab.", 0x000000},
                 {"16", 0x100000},
                 {"32", 0x300000},
                 {"64", 0x500000},
                 {"96", 0x700000}};
    for (K10Mode mode : kModes) {
        for (const Case& c : cases) {
            for (std::uint32_t before : {0x000000u, 0x700000u, 0x600000u}) {
                Session s(mode, false);
                s.state.dct[0][Register::ConfigLow] =
                    (s.state.dct[0][Register::ConfigLow] & ~0x700000u) | before;
                s.Pick(I::IdleCycleLimit, c.text, ChannelSet::A);
                s.Apply();
                const std::uint32_t f90 = s.m.Get(Register::ConfigLow, 0);
                EXPECT_EQ(f90 & 0x700000u, c.bits) << c.text << " over " << before;
                EXPECT_EQ(f90 & ~0x700000u, ValuesFor(mode).f90 & ~0x700000u);
            }
        }
    }
}

// DDR2-800's F2x8C bit 7 is reserved (TrwtTO is only three bits there) and belongs to no
// drop-down: a rebuild keeps what the firmware left in it.
TEST(K10Apply, Ddr2_800KeepsTheReservedBitBesideTheTurnaroundField) {
    K10Machine m;
    DctValues v = testing::kDdr2_800;
    v.f8c |= 0x80;
    m.SetDct(0, v);
    m.SetDct(1, v);
    m.SetGanged(false);
    m.OpenExtendedConfig();
    ControllerState state = ReadController(m.Hw(), K10Mode::Ddr2_800);
    TimingModel model;
    DecodeTimings(state, model);
    RecordChange(model, I::tRWTO, 7, ChannelSet::AB);  // tRW-TO 9: field 111b next to bit 7
    ApplyTimings(m.Hw(), model, state, false);
    for (int dct = 0; dct < 2; ++dct) {
        EXPECT_EQ(m.Get(Register::TimingHigh, dct), (v.f8c & ~0x70u) | 0x70u);
    }
}

// An index that names no item (a register code the list lacks, or a stored value out of
// range) is not encoded: the field keeps the bits it had and nothing spills next door.
TEST(K10Apply, IndicesWithoutListItemAreNeverEncoded) {
    Session s(K10Mode::Ddr2_800, false);
    // tWRWR 11b on DCT0 as read: the list has no item for it.
    s.state.dct[0][Register::TimingHigh] |= 3u << 12;
    DecodeTimings(s.state, s.model);
    ASSERT_EQ(s.model[kChannelA][I::tWRWR], 3);
    s.model[kChannelA][I::MaxReadLatency] = 181;  // "201": beyond the list
    s.model[kChannelA][I::tRCD] = -1;
    s.model[kChannelB][I::IdleCycleLimit] = 5;
    const ApplyReport report = s.Apply();
    const std::vector<std::pair<int, I>> expected{
        {1, I::IdleCycleLimit}, {0, I::tRCD}, {0, I::tWRWR}, {0, I::MaxReadLatency}};
    EXPECT_EQ(report.notEncoded, expected);
    EXPECT_EQ(s.m.Get(Register::TimingHigh, 0), testing::kDdr2_800.f8c | (3u << 12));
    EXPECT_EQ(s.m.Get(Register::TimingLow, 0), testing::kDdr2_800.f88);
    EXPECT_EQ(s.m.Get(Register::DramControl, 0), testing::kDdr2_800.f78);
    EXPECT_EQ(s.m.Get(Register::ConfigLow, 1), testing::kDdr2_800.f90);
}

TEST(K10Apply, Ddr3TurnaroundPartsOutsideTwoBitsAreNotEncoded) {
    Session s(K10Mode::Ddr3, false);
    s.model[kChannelA][I::tRDRD] = 6;  // a combined index left in the low slot
    s.model[kChannelA].turnaroundHigh[2] = 0;
    const ApplyReport report = s.Apply();
    EXPECT_EQ(report.notEncoded, (std::vector<std::pair<int, I>>{{0, I::tRDRD}}));
    EXPECT_EQ(s.m.Get(Register::TimingHigh, 0), testing::kDdr3.f8c);
    EXPECT_EQ(s.m.Get(Register::DramControl, 0), testing::kDdr3.f78);
}

// Indices that arrive without their layout (a stored set as the settings file fills it) are
// written in the layout the controller was read in.
TEST(K10Apply, IndicesAreEncodedInTheControllersLayout) {
    for (K10Mode mode : kModes) {
        Session s(mode, false);
        TimingModel bare;  // no kind, no layout
        bare.channels = s.model.channels;
        const int trcd = ItemIndex(s.lists, I::tRCD, "6");
        bare[kChannelA][I::tRCD] = trcd;
        s.Apply(bare);
        const DctValues& v = ValuesFor(mode);
        const hw::Field trcdField = FieldOf(mode, I::tRCD).codec.field;
        EXPECT_EQ(s.m.Get(Register::TimingLow, 0),
                  trcdField.Set(v.f88, static_cast<std::uint32_t>(trcd)))
            << K10ModeText(mode);
        EXPECT_EQ(s.m.Get(Register::TimingHigh, 0), v.f8c) << K10ModeText(mode);
        EXPECT_EQ(s.m.Get(Register::ConfigLow, 0), v.f90) << K10ModeText(mode);
        EXPECT_EQ(s.m.Get(Register::ConfigHigh, 0), v.f94) << K10ModeText(mode);
        EXPECT_EQ(s.m.Get(Register::DramControl, 0), v.f78) << K10ModeText(mode);
    }
}

// The copies hold what Apply wrote, so a second Apply starts from the first one's result.
TEST(K10Apply, SecondApplyStartsFromTheFirstOnesResult) {
    Session s(K10Mode::Ddr2_1066, false);
    s.Pick(I::tRRD, "6", ChannelSet::AB);
    s.Apply();
    s.m.Machine().ClearWrites();
    s.Pick(I::tRCD, "7", ChannelSet::A);
    s.Apply();
    const std::uint32_t f88 = s.m.Get(Register::TimingLow, 0);
    EXPECT_EQ(hw::Field(23, 22).Get(f88), 2u);
    EXPECT_EQ(hw::Field(6, 4).Get(f88), 2u);
    EXPECT_EQ(s.state.dct[0][Register::TimingLow], f88);
}

}  // namespace
}  // namespace zm::timings::k10
