// SPDX-License-Identifier: GPL-3.0-or-later
// The LGA 1366 uncore controller on simulated machines: lock check, active channels, read and
// decode, and Apply's writes as the machine logged them.

#include "timings/uncore/uncore_controller.h"

#include <gtest/gtest.h>

#include "hw/hardware_access.h"
#include "timings/intel_test_machines.h"
#include "timings/model/timing_change.h"
#include "timings/session/timing_session.h"

namespace zm::timings {
namespace {

using I = TimingId;
using sim::WriteRecord;
using testing::UncoreMachine;

WriteRecord Pci(std::uint32_t address, std::uint32_t value) {
    return WriteRecord{WriteRecord::Kind::Pci, address, value, 4, 0};
}

std::vector<WriteRecord> PciWrites(const sim::SimulatedMachine& m) {
    std::vector<WriteRecord> out;
    for (const auto& w : m.Writes()) {
        if (w.kind == WriteRecord::Kind::Pci) out.push_back(w);
    }
    return out;
}

struct LockCase {
    std::uint32_t device;
    unsigned state;
    std::vector<WriteRecord> writes;
    bool locked;
};

TEST(UncoreLock, WritesTheUnlockRegistersPerDeviceAndState) {
    const std::vector<LockCase> cases = {
        {0x2C1C8086, 0, {}, false},
        {0x2C1C8086, 1, {}, true},
        {0x2C1C8086, 2, {Pci(0x803F0090, 2)}, false},
        {0x2D9C8086, 3, {}, true},
        {0x2D9C8086, 2, {Pci(0x803F0090, 2)}, false},
        {0x2C9C8086, 0, {Pci(0x803F1868, 2)}, false},
        {0x2C9C8086, 2, {Pci(0x803F1868, 2), Pci(0x803F0090, 2)}, false},
        {0x2C9C8086, 1, {Pci(0x803F1868, 2)}, false},
        {0x2C188086, 2, {}, false},  // an id neither rule names: nothing is written
    };
    for (const LockCase& c : cases) {
        auto m = UncoreMachine(7, 0x3F, c.state, c.device);
        hw::HardwareAccess hw(*m);
        const uncore::LockCheck lock = uncore::CheckConfigurationLock(hw, 0, c.device);
        SCOPED_TRACE(::testing::Message() << std::hex << c.device << " state " << c.state);
        EXPECT_EQ(lock.state, c.state);
        EXPECT_EQ(lock.locked, c.locked);
        EXPECT_EQ(PciWrites(*m), c.writes);
    }
}

TEST(UncoreLock, LockedStateSetsTheGroupCaptionButKeepsApply) {
    auto m = UncoreMachine(7, 0x3F, 3);
    hw::HardwareAccess hw(*m);
    const TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086);
    EXPECT_EQ(s.groupCaption, "MC_CFG_space Locked.");
    EXPECT_TRUE(s.applyEnabled);
}

TEST(UncoreRead, ChannelAInactiveIsRefusedForEveryMaskWithoutIt) {
    for (unsigned mask : {0u, 2u, 4u, 6u}) {
        auto m = UncoreMachine(mask);
        hw::HardwareAccess hw(*m);
        uncore::Images images;
        TimingModel model;
        const uncore::ReadResult r = uncore::ReadTimings(hw, 0, images, model);
        EXPECT_EQ(r.error, "At least one DIMM need to be in channel A!") << "mask " << mask;
        const TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086);
        EXPECT_TRUE(s.error.has_value()) << "mask " << mask;
    }
}

TEST(UncoreRead, DecodesTheDdr3Channel) {
    auto m = UncoreMachine(1);
    hw::HardwareAccess hw(*m);
    const TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086);
    ASSERT_FALSE(s.error);
    auto shown = [&](I c) { return std::string(ItemText(s.lists, c, s.model[0][c])); };
    EXPECT_EQ(shown(I::tCL), "9");
    EXPECT_EQ(shown(I::tWR), "10");
    EXPECT_EQ(shown(I::tRCD), "9");
    EXPECT_EQ(shown(I::tRP), "9");
    EXPECT_EQ(shown(I::tRAS), "24");
    EXPECT_EQ(shown(I::tRTP), "5");  // field 7, list starts at "0", index = field - 2
    EXPECT_EQ(shown(I::tWTP), "20");
    EXPECT_EQ(shown(I::CommandRate), "1N");
    EXPECT_EQ(shown(I::RoundTripLatency), "54");
    EXPECT_EQ(shown(I::B2BCasDelay), "Disab.");
    EXPECT_EQ(shown(I::tREFI), "5200");  // field 650, eight clocks each
    EXPECT_EQ(shown(I::tRFC), "74");
    EXPECT_EQ(shown(I::RankIdleLimit), "32");
    EXPECT_EQ(shown(I::tWRRD_SR), "17");
    EXPECT_EQ(shown(I::tRDWR_SR), "8");
    EXPECT_EQ(s.selector.items, std::vector<ChannelSet>{ChannelSet::A});
    EXPECT_EQ(s.selector.panelText, "Single");
    EXPECT_TRUE(s.applyEnabled);
}

TEST(UncoreRead, RefreshTimingAndBackToBackExamples) {
    uncore::Images images;
    images.at(0, uncore::Reg::RefreshTiming) = (200u << 9) | 52u;
    ChannelTimings t;
    uncore::DecodeChannel(images, 0, t);
    EXPECT_EQ(t[I::tRFC], 52);
    EXPECT_EQ(t[I::tREFI], 0);
    for (auto [field, index] : {std::pair{0u, 0}, {1u, 0}, {2u, 0}, {3u, 1}, {31u, 29}}) {
        images.at(0, uncore::Reg::RankTimingB) = field << 16;
        uncore::DecodeChannel(images, 0, t);
        EXPECT_EQ(t[I::B2BCasDelay], index) << "B2B field " << field;
    }
}

// Register values as firmware writes them, and what each must show. MR0: coreboot's DDR3 MR0
// helpers (src/device/dram/ddr3.c: A6..A4 = CL - 4 low bits, A2 = its bit 3; tWR 5..8 ->
// tWR - 4, 10/12/14 -> 5/6/7, 16 -> 000) and its Arrandale init's MR0 for CL 7, tWR 8 (0x1938).
// Refresh: DDR3-1066 with coreboot's tRFC of 86 clocks and 7.8 us = 4160 clocks = 520 x 8.
// Scheduler bits 4..3: 00 1N, 01 2N, 10 3N, 11 reserved. Rank idle: the whole top byte.
TEST(UncoreRead, FirmwareRegisterValuesDecodeToTheirTimings) {
    struct Case {
        uncore::Reg reg;
        std::uint32_t value;
        I control;
        const char* shown;  // "" = no item (reserved encoding)
    };
    const Case cases[] = {
        {uncore::Reg::ModeRegister, 0x1938, I::tCL, "7"},
        {uncore::Reg::ModeRegister, 0x1938, I::tWR, "8"},
        {uncore::Reg::ModeRegister, 0x0A70, I::tCL, "11"},
        {uncore::Reg::ModeRegister, 0x0A70, I::tWR, "10"},
        {uncore::Reg::ModeRegister, 0x0C04, I::tCL, "12"},  // A2 set, A6..A4 = 000
        {uncore::Reg::ModeRegister, 0x0C04, I::tWR, "12"},
        {uncore::Reg::ModeRegister, 0x0014, I::tCL, "13"},
        {uncore::Reg::ModeRegister, 0x0014, I::tWR, "16"},
        {uncore::Reg::ModeRegister, 0x0E24, I::tCL, "14"},
        {uncore::Reg::ModeRegister, 0x0E24, I::tWR, "14"},
        {uncore::Reg::ModeRegister, 0x0034, I::tCL, ""},  // A2 with A6..A4 = 011: reserved
        {uncore::Reg::RefreshTiming, (520u << 9) | 86u, I::tREFI, "4160"},
        {uncore::Reg::RefreshTiming, (520u << 9) | 86u, I::tRFC, "86"},
        {uncore::Reg::CommandRate, 0x00, I::CommandRate, "1N"},
        {uncore::Reg::CommandRate, 0x08, I::CommandRate, "2N"},
        {uncore::Reg::CommandRate, 0x10, I::CommandRate, "3N"},
        {uncore::Reg::CommandRate, 0x18, I::CommandRate, ""},
        {uncore::Reg::RankIdle, 0xC8000000, I::RankIdleLimit, "200"},
    };
    const TimingLists lists = BuildTimingLists(ControllerKind::Uncore, std::nullopt);
    for (const Case& c : cases) {
        uncore::Images images;
        images.at(0, c.reg) = c.value;
        ChannelTimings t;
        uncore::DecodeChannel(images, 0, t);
        EXPECT_EQ(ItemText(lists, c.control, t[c.control]), c.shown)
            << TimingShortName(ControllerKind::Uncore, c.control) << " from 0x" << std::hex
            << c.value;
    }
}

TEST(UncoreRead, MaskFiveReadsDevicesFourAndSixOnly) {
    auto m = UncoreMachine(5);
    // Mark channel B's registers so a read of them would show.
    testing::UncoreChannelValues b = testing::Ddr3_1333Channel();
    b.bankTiming = hw::Field{12, 9}.Set(b.bankTiming, 12);
    testing::SetUncoreChannel(*m, 0x3F, 1, b);
    hw::HardwareAccess hw(*m);
    const TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086);
    EXPECT_EQ(s.selector.items,
              (std::vector<ChannelSet>{ChannelSet::AC, ChannelSet::A, ChannelSet::C}));
    EXPECT_EQ(s.selector.panelText, "Dual");
    EXPECT_EQ(s.selector.selectedItem, 0);  // A and C are equal
    EXPECT_EQ(s.model[kChannelB], ChannelTimings{});
    EXPECT_EQ(s.model[kChannelC], s.model[kChannelA]);
}

TEST(UncoreRead, BusOffsetReachesTheOtherUncoreBuses) {
    auto m = UncoreMachine(7, 0xFF);
    hw::HardwareAccess hw(*m);
    const TimingSession s = StartUncoreTimings(hw, 0xC00000, 0x2C1C8086);
    ASSERT_FALSE(s.error);
    EXPECT_EQ(s.selector.panelText, "Triple");
    EXPECT_EQ(ItemText(s.lists, I::tRCD, s.model[kChannelC][I::tRCD]), "9");
}

// The seven written registers of a channel in write order, with their images.
std::vector<WriteRecord> ChannelWrites(int ch, const testing::UncoreChannelValues& v,
                                       std::uint32_t busOffset = 0) {
    using uncore::ChannelRegisterAddress;
    using uncore::Reg;
    return {Pci(ChannelRegisterAddress(ch, Reg::RankTimingA) + busOffset, v.rankTimingA),
            Pci(ChannelRegisterAddress(ch, Reg::BankTiming) + busOffset, v.bankTiming),
            Pci(ChannelRegisterAddress(ch, Reg::CommandRate) + busOffset, v.commandRate),
            Pci(ChannelRegisterAddress(ch, Reg::RoundTripLatency) + busOffset, v.roundTrip),
            Pci(ChannelRegisterAddress(ch, Reg::RankTimingB) + busOffset, v.rankTimingB),
            Pci(ChannelRegisterAddress(ch, Reg::RefreshTiming) + busOffset, v.refresh),
            Pci(ChannelRegisterAddress(ch, Reg::RankIdle) + busOffset, v.rankIdle)};
}

TEST(UncoreApply, CombinedAandCRebuildsAandCAndWritesBBackUnchanged) {
    auto m = UncoreMachine(7);
    hw::HardwareAccess hw(*m);
    TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086);
    ASSERT_EQ(s.selector.items[0], ChannelSet::ABC);
    // Choose ChannelSet::AC as a selection text directly: the rule is about the text.
    s.selector.items = {ChannelSet::AC, ChannelSet::A, ChannelSet::B, ChannelSet::C};
    s.selector.selectedItem = 0;
    s.Change(I::tRCD, 10);  // tRCD "12"
    m->ClearWrites();
    s.Apply(false);

    testing::UncoreChannelValues changed = testing::Ddr3_1333Channel();
    changed.bankTiming = hw::Field{12, 9}.Set(changed.bankTiming, 12);
    std::vector<WriteRecord> expected = ChannelWrites(0, changed);
    for (const auto& w : ChannelWrites(1, testing::Ddr3_1333Channel())) expected.push_back(w);
    for (const auto& w : ChannelWrites(2, changed)) expected.push_back(w);
    EXPECT_EQ(PciWrites(*m), expected);
    EXPECT_EQ(s.model[kChannelB][I::tRCD], 7);
}

TEST(UncoreApply, WritesOnlyActiveChannelsEveryTime) {
    auto m = UncoreMachine(1);
    hw::HardwareAccess hw(*m);
    TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086);
    m->ClearWrites();
    s.Apply(false);
    s.Apply(false);
    std::vector<WriteRecord> expected = ChannelWrites(0, testing::Ddr3_1333Channel());
    std::vector<WriteRecord> twice = expected;
    twice.insert(twice.end(), expected.begin(), expected.end());
    EXPECT_EQ(PciWrites(*m), twice);
}

std::uint32_t AppliedField(TimingId control, std::int32_t index, hw::Field field, uncore::Reg reg) {
    auto m = UncoreMachine(1);
    hw::HardwareAccess hw(*m);
    TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086);
    s.Change(control, index);
    m->ClearWrites();
    s.Apply(false);
    const auto address = uncore::ChannelRegisterAddress(0, reg);
    for (const auto& w : PciWrites(*m)) {
        if (w.address == address) return field.Get(static_cast<std::uint32_t>(w.value));
    }
    ADD_FAILURE() << "register not written";
    return 0;
}

TEST(UncoreApply, FieldValuesOfTheEdgeItems) {
    struct Case {
        I control;
        std::int32_t index;
        hw::Field field;
        uncore::Reg reg;
        std::uint32_t written;
    };
    const std::vector<Case> cases = {
        {I::B2BCasDelay, 0, {20, 16}, uncore::Reg::RankTimingB, 0},    // B2B "Disab."
        {I::B2BCasDelay, 1, {20, 16}, uncore::Reg::RankTimingB, 3},    // B2B "4"
        {I::B2BCasDelay, 29, {20, 16}, uncore::Reg::RankTimingB, 31},  // B2B "32"
        {I::tREFI, 0, {18, 9}, uncore::Reg::RefreshTiming, 200},       // tREFI "1600"
        {I::tREFI, 823, {18, 9}, uncore::Reg::RefreshTiming, 1023},    // tREFI "8184"
        {I::tRFC, 511, {8, 0}, uncore::Reg::RefreshTiming, 511},       // tRFC "511"
        {I::tRFC, 300, {8, 0}, uncore::Reg::RefreshTiming, 300},
        {I::tRTP, 13, {16, 13}, uncore::Reg::BankTiming, 15},           // tRTP "13", last item
        {I::tRRD, 7, {8, 6}, uncore::Reg::RankTimingB, 7},              // tRRD "7", last item
        {I::CommandRate, 1, {4, 3}, uncore::Reg::CommandRate, 1},       // "2N"
        {I::CommandRate, 2, {4, 3}, uncore::Reg::CommandRate, 2},       // "3N"
        {I::RankIdleLimit, 255, {31, 24}, uncore::Reg::RankIdle, 255},  // the whole byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AppliedField(c.control, c.index, c.field, c.reg), c.written)
            << TimingShortName(ControllerKind::Uncore, c.control) << " index " << c.index;
    }
}

TEST(UncoreApply, TrfcAboveOneHundredTwentySevenIsReadAndShown) {
    auto m = UncoreMachine(1);
    testing::UncoreChannelValues v = testing::Ddr3_1333Channel();
    v.refresh = hw::Field{8, 0}.Set(v.refresh, 0x160);  // 352 clocks, a 4 Gbit DDR3-1600 tRFC
    testing::SetUncoreChannel(*m, 0x3F, 0, v);
    hw::HardwareAccess hw(*m);
    const TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086);
    EXPECT_EQ(ItemText(s.lists, I::tRFC, s.model[0][I::tRFC]), "352");
    EXPECT_TRUE(s.applyEnabled);
}

TEST(UncoreApply, IndexWithoutItemIsNeverEncoded) {
    // Stored or chosen indices past the list's end (the removed tRTP "14"/"15", tRRD "8"/"9",
    // or a settings file edited by hand) leave the register's field as read.
    const testing::UncoreChannelValues v = testing::Ddr3_1333Channel();
    struct Case {
        I control;
        std::int32_t index;
        uncore::Reg reg;
        std::uint32_t image;
    };
    for (const Case& c :
         std::vector<Case>{{I::tRTP, 14, uncore::Reg::BankTiming, v.bankTiming},
                           {I::tRTP, 15, uncore::Reg::BankTiming, v.bankTiming},
                           {I::tRRD, 8, uncore::Reg::RankTimingB, v.rankTimingB},
                           {I::tRRD, 9, uncore::Reg::RankTimingB, v.rankTimingB},
                           {I::tRCD, -1, uncore::Reg::BankTiming, v.bankTiming},
                           {I::RankIdleLimit, 256, uncore::Reg::RankIdle, v.rankIdle}}) {
        auto m = UncoreMachine(1);
        hw::HardwareAccess hw(*m);
        TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086);
        s.model[0][c.control] = c.index;
        m->ClearWrites();
        s.Apply(false);
        const auto address = uncore::ChannelRegisterAddress(0, c.reg);
        bool seen = false;
        for (const auto& w : PciWrites(*m)) {
            if (w.address != address) continue;
            seen = true;
            EXPECT_EQ(w.value, c.image)
                << TimingShortName(ControllerKind::Uncore, c.control) << " index " << c.index;
        }
        EXPECT_TRUE(seen);
    }
}

TEST(UncoreApply, StoredSetIsWrittenToAllThreeChannelsThenReadBack) {
    auto m = UncoreMachine(3);
    hw::HardwareAccess hw(*m);
    TimingModel stored;
    stored.kind = ControllerKind::Uncore;
    // Start from what the hardware holds, change tRCD and tRP everywhere.
    {
        uncore::Images images;
        for (int ch = 0; ch < 3; ++ch) {
            uncore::ReadChannel(hw, 0, ch, images);
            uncore::DecodeChannel(images, ch, stored[ch]);
            stored[ch][I::tRCD] = 6;  // "8"
            stored[ch][I::tRP] = 6;
        }
    }
    m->ClearWrites();
    const TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086, &stored);
    const auto writes = PciWrites(*m);
    ASSERT_EQ(writes.size(), 21u);
    testing::UncoreChannelValues v = testing::Ddr3_1333Channel();
    v.bankTiming = hw::Field{12, 9}.Set(hw::Field{3, 0}.Set(v.bankTiming, 8), 8);
    std::vector<WriteRecord> expected;
    for (int ch = 0; ch < 3; ++ch) {
        for (const auto& w : ChannelWrites(ch, v)) expected.push_back(w);
    }
    EXPECT_EQ(writes, expected);
    // And the decode that follows shows what was written.
    EXPECT_EQ(ItemText(s.lists, I::tRCD, s.model[kChannelB][I::tRCD]), "8");
}

}  // namespace
}  // namespace zm::timings
