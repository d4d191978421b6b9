// SPDX-License-Identifier: GPL-3.0-or-later
// The LGA 1156 controller behind host bridge 0x0040/0x0044 on a simulated machine: the
// register window, decode, populated channels and Apply's fourteen writes.

#include "timings/host_bridge/host_bridge_controller.h"

#include <gtest/gtest.h>

#include "hw/hardware_access.h"
#include "timings/intel_test_machines.h"
#include "timings/model/timing_change.h"
#include "timings/session/timing_session.h"

namespace zm::timings {
namespace {

using I = TimingId;
using sim::WriteRecord;
using testing::HostBridgeMachine;
using testing::kWindowBase;

std::vector<WriteRecord> MemoryWrites(const sim::SimulatedMachine& m) {
    std::vector<WriteRecord> out;
    for (const auto& w : m.Writes()) {
        if (w.kind == WriteRecord::Kind::Memory) out.push_back(w);
    }
    return out;
}

std::uint32_t WrittenAt(const std::vector<WriteRecord>& writes, std::uint16_t offset) {
    for (const auto& w : writes) {
        if (w.address == kWindowBase + offset) return static_cast<std::uint32_t>(w.value);
    }
    ADD_FAILURE() << "no write at 0x" << std::hex << offset;
    return 0;
}

TEST(HostBridgeRead, OpensTheWindowAndDecodesBothChannels) {
    auto m = HostBridgeMachine();
    hw::HardwareAccess hw(*m);
    const TimingSession s = StartHostBridgeTimings(hw);
    ASSERT_FALSE(s.error);
    const auto pci = m->Writes();
    ASSERT_FALSE(pci.empty());
    EXPECT_EQ(pci[0], (WriteRecord{WriteRecord::Kind::Pci, 0x80000048, kWindowBase | 1, 4, 0}));

    auto shown = [&](int ch, I c) {
        return std::string(ItemText(s.lists, c, DisplayIndex(s.model, ch, c)));
    };
    for (int ch : {0, 1}) {
        EXPECT_EQ(shown(ch, I::tCL), "9");
        EXPECT_EQ(shown(ch, I::tRCD), "9");
        EXPECT_EQ(shown(ch, I::tRCD_W), "9");
        EXPECT_EQ(shown(ch, I::tRP), "9");  // low bits 1, high bit 1
        EXPECT_EQ(shown(ch, I::tRAS), "24");
        EXPECT_EQ(shown(ch, I::CommandRate), "1T");
        EXPECT_EQ(shown(ch, I::tREFI), "4160T");
        EXPECT_EQ(shown(ch, I::tRTP), "5");  // field 7: text = field - 2
        EXPECT_EQ(shown(ch, I::tWTP), "20");
        EXPECT_EQ(shown(ch, I::tRFC), "74");
        EXPECT_EQ(shown(ch, I::tRRD), "4");
        EXPECT_EQ(shown(ch, I::tWTR), "5");
        EXPECT_EQ(shown(ch, I::tREF_REF), "74");
        EXPECT_EQ(shown(ch, I::tRD), "30");
        EXPECT_EQ(shown(ch, I::DramOdtRead), "3");
    }
    EXPECT_EQ(s.selector.items,
              (std::vector<ChannelSet>{ChannelSet::AB, ChannelSet::A, ChannelSet::B}));
    EXPECT_EQ(s.selector.panelText, "Dual");
    EXPECT_EQ(s.selector.selectedItem, 0);
    EXPECT_TRUE(s.applyEnabled);
}

// What coreboot's Arrandale/Clarkdale memory init (northbridge/intel/nehalem/raminit.c,
// program_board_delay and write_26c) writes for DDR3-1066 CL 7 with its fixed timing table
// (tRAS 20, tRP 7, tRCD 7, tWR 8, tRFC 86, tWTR 4, tRRD 4, tRTP 5), and what it must show:
// each timing in plain clocks where that firmware puts it. Write to precharge is CWL 6 + 4 +
// tWR = 18, write to read same rank CWL 6 + 4 + tWTR = 14.
TEST(HostBridgeRead, FirmwareRegisterValuesDecodeToTheirTimings) {
    host_bridge::Images images;
    for (int ch : {0, 1}) {
        using host_bridge::Reg;
        images.at(ch, Reg::R220) = 0x18000007;  // |= 0x18001117, then &= ~0x7770: 1T
        images.at(ch, Reg::R240) = 0x01002134;  // CL - 3 in bits 3..0
        images.at(ch, Reg::R250) = 0xEE560495;
        images.at(ch, Reg::R254) = 0x74780488;
        images.at(ch, Reg::R258) = 0x560EE647;
        images.at(ch, Reg::R25C) = 0x1DA5140E;
        images.at(ch, Reg::R260) = 0x0B3809FF;  // both ranks of slot 0 populated
        images.at(ch, Reg::R264) = 0x000000FF;
        images.at(ch, Reg::R268) = 0xCFD04000;  // 0xCFC00000 | 0x820 << 9
        images.at(ch, Reg::R29C) = 0x0000077A;
    }
    TimingModel model;
    model.kind = ControllerKind::HostBridge;
    const host_bridge::DecodeResult r = host_bridge::Decode(images, model);
    ASSERT_FALSE(r.error);
    EXPECT_FALSE(r.unlistedRefreshPeriod);
    const TimingLists lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt);
    const std::vector<std::pair<I, const char*>> expected = {
        {I::tCL, "7"},       {I::tRCD, "7"},         {I::tRCD_W, "7"}, {I::tRP, "7"},
        {I::tPALL_ACT, "7"}, {I::tPALL_REF, "7"},    {I::tRAS, "20"},  {I::tRFC, "86"},
        {I::tREF_REF, "86"}, {I::tRRD, "4"},         {I::tWTP, "18"},  {I::tWTR, "14"},
        {I::tREFI, "4160T"}, {I::CommandRate, "1T"},
    };
    for (int ch : {0, 1}) {
        for (const auto& [control, shown] : expected) {
            EXPECT_EQ(ItemText(lists, control, DisplayIndex(model, ch, control)), shown)
                << TimingShortName(ControllerKind::HostBridge, control) << " channel " << ch;
        }
    }
}

// A firmware that never placed the register window leaves 0x48 at 0: enabling the window there
// would put the controller over ordinary memory and Apply would write into it. Nothing is
// enabled, read or written, and the machine is refused with a message.
TEST(HostBridgeRead, WindowNotPlacedIsRefusedWithoutTouchingMemory) {
    for (const std::uint32_t unplaced : {0x00000000u, 0x00000001u, 0x00003FFEu}) {
        auto m = HostBridgeMachine();
        m->SetPci(0, 0, 0, 0x48, unplaced);
        m->ClearWrites();
        const auto before = m->Counts();
        hw::HardwareAccess hw(*m);
        const TimingSession s = StartHostBridgeTimings(hw);
        ASSERT_TRUE(s.error);
        EXPECT_EQ(*s.error, kWindowNotSetUpError);
        EXPECT_TRUE(m->Writes().empty());
        EXPECT_EQ(m->Counts().memoryReads, before.memoryReads);
    }
}

TEST(HostBridgeRead, TrpHighBitAndLowBitsCombine) {
    host_bridge::Images images;
    images.at(0, host_bridge::Reg::R250) = 2u << 29;
    images.at(0, host_bridge::Reg::R254) = 1;
    images.at(0, host_bridge::Reg::R260) = 1u << 20;
    TimingModel model;
    model.kind = ControllerKind::HostBridge;
    host_bridge::Decode(images, model);
    const TimingLists lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt);
    EXPECT_EQ(ItemText(lists, I::tRP, DisplayIndex(model, 0, I::tRP)), "10");
}

TEST(HostBridgeRead, RefreshPeriodListedUnlistedAndConflicting) {
    host_bridge::Images images;
    images.at(0, host_bridge::Reg::R260) = 1u << 20;
    images.at(0, host_bridge::Reg::R268) = 0x1040u << 8;
    images.at(1, host_bridge::Reg::R268) = 0x1040u << 8;
    TimingModel model;
    model.kind = ControllerKind::HostBridge;
    auto r = host_bridge::Decode(images, model);
    EXPECT_EQ(model[0][I::tREFI], 5);  // "4160T"
    EXPECT_FALSE(r.unlistedRefreshPeriod);

    images.at(0, host_bridge::Reg::R268) = 0x1234u << 8;
    images.at(1, host_bridge::Reg::R268) = 0x1234u << 8;
    r = host_bridge::Decode(images, model);
    ASSERT_EQ(r.unlistedRefreshPeriod, 0x1234u);
    ListOptions options;
    options.unlistedRefreshPeriod = r.unlistedRefreshPeriod;
    const TimingLists lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt, options);
    EXPECT_EQ(ItemText(lists, I::tREFI, model[0][I::tREFI]), "4660");
    EXPECT_EQ(model[1][I::tREFI], 16);
    EXPECT_EQ(model.refreshPeriodRaw, 0x1234u);

    // Two different unlisted periods: the list holds one; the other channel shows nothing
    // rather than the first channel's period.
    images.at(1, host_bridge::Reg::R268) = 0x1235u << 8;
    host_bridge::Decode(images, model);
    EXPECT_EQ(model[0][I::tREFI], 16);
    EXPECT_FALSE(IsListed(lists, I::tREFI, model[1][I::tREFI]));
}

TEST(HostBridgeRead, RefreshToRefreshIsReadWithBit31AndWrittenWithout) {
    // The timing is read from bits 31..24 but written into 30..24 only, bit 31 kept. With bit
    // 31 set the value read is past the list's "127": nothing is shown and Apply stays off.
    auto m = HostBridgeMachine();
    testing::HostBridgeChannelValues a = testing::Ddr3_1333HostBridgeChannel();
    a.r258 |= 0x80000000u;
    testing::SetHostBridgeChannel(*m, 0, a);
    hw::HardwareAccess hw(*m);
    const TimingSession s = StartHostBridgeTimings(hw);
    ASSERT_FALSE(s.error);
    EXPECT_EQ(s.model[kChannelA][I::tREF_REF], 128 + 74);
    EXPECT_EQ(ItemText(s.lists, I::tREF_REF, s.model[kChannelA][I::tREF_REF]), "");
    EXPECT_EQ(ItemText(s.lists, I::tREF_REF, s.model[kChannelB][I::tREF_REF]), "74");
    EXPECT_FALSE(s.applyEnabled);
    EXPECT_EQ(s.selector.selectedItem, 1);  // the channels differ

    // A listed item goes into bits 30..24 and leaves bit 31 as the image has it.
    ChannelTimings t;
    t.index.fill(-1);
    t[I::tREF_REF] = 100;
    for (std::uint32_t image : {a.r258, a.r258 & 0x7FFFFFFFu}) {
        const std::uint32_t written =
            host_bridge::RebuildRegister(host_bridge::Reg::R258, image, t, 0, s.lists);
        EXPECT_EQ(written, (image & 0x80FFFFFFu) | (100u << 24)) << std::hex << image;
    }
}

TEST(HostBridgeRead, PopulationDecidesTheSelectorAndRefusesAnEmptyChannelA) {
    {
        auto m = HostBridgeMachine(false);
        hw::HardwareAccess hw(*m);
        const TimingSession s = StartHostBridgeTimings(hw);
        ASSERT_FALSE(s.error);
        EXPECT_EQ(s.selector.items, std::vector<ChannelSet>{ChannelSet::A});
        EXPECT_EQ(s.selector.panelText, "Single");
        EXPECT_FALSE(s.selector.enabled);
    }
    {
        auto m = HostBridgeMachine();
        testing::HostBridgeChannelValues a = testing::Ddr3_1333HostBridgeChannel();
        a.r260 = 0x000FFFFF;  // bits 23..20 clear
        testing::SetHostBridgeChannel(*m, 0, a);
        hw::HardwareAccess hw(*m);
        const TimingSession s = StartHostBridgeTimings(hw);
        EXPECT_EQ(s.error, "At least one DIMM need to be in channel A!");
    }
}

TEST(HostBridgeApply, FourteenWritesInOrderWithTheImagesUnchanged) {
    auto m = HostBridgeMachine();
    hw::HardwareAccess hw(*m);
    TimingSession s = StartHostBridgeTimings(hw);
    m->ClearWrites();
    s.Apply(false);
    const auto writes = MemoryWrites(*m);
    const std::vector<std::uint16_t> order = {0x250, 0x650, 0x254, 0x654, 0x258, 0x658, 0x264,
                                              0x664, 0x25C, 0x65C, 0x29C, 0x69C, 0x268, 0x668};
    ASSERT_EQ(writes.size(), order.size());
    const auto v = testing::Ddr3_1333HostBridgeChannel();
    const std::vector<std::uint32_t> values = {v.r250, v.r254, v.r258, v.r264,
                                               v.r25C, v.r29C, v.r268};
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(writes[i].address, kWindowBase + order[i]) << i;
        EXPECT_EQ(writes[i].value, values[i / 2]) << std::hex << order[i];
        EXPECT_EQ(writes[i].width, 4u);
    }
    EXPECT_EQ(m->Writes().size(), writes.size());  // nothing else was written
}

TEST(HostBridgeApply, TrpNineAndEightSplitAcrossTheTwoRegisters) {
    struct Case {
        std::int32_t index;
        std::uint32_t low, high;
    };
    for (const Case& c : {Case{7, 1, 1}, Case{6, 0, 1}, Case{5, 7, 0}, Case{0, 2, 0}}) {
        auto m = HostBridgeMachine();
        hw::HardwareAccess hw(*m);
        TimingSession s = StartHostBridgeTimings(hw);
        s.selector.selectedItem = 1;  // ChannelSet::A
        s.Change(I::tRP, c.index);
        m->ClearWrites();
        s.Apply(false);
        const auto writes = MemoryWrites(*m);
        const auto v = testing::Ddr3_1333HostBridgeChannel();
        SCOPED_TRACE(::testing::Message() << "tRP index " << c.index);
        EXPECT_EQ(WrittenAt(writes, 0x250), host_bridge::kTrpLow.Set(v.r250, c.low));
        EXPECT_EQ(WrittenAt(writes, 0x254), host_bridge::kTrpHigh.Set(v.r254, c.high));
        // Channel B is written back as read.
        EXPECT_EQ(WrittenAt(writes, 0x650), v.r250);
        EXPECT_EQ(WrittenAt(writes, 0x654), v.r254);
    }
}

TEST(HostBridgeApply, UnlistedRefreshPeriodIsWrittenBackRawToBothChannels) {
    auto m = HostBridgeMachine();
    for (int ch : {0, 1}) {
        auto v = testing::Ddr3_1333HostBridgeChannel();
        v.r268 = host_bridge::kRefreshPeriod.Set(v.r268, 0x1234);
        testing::SetHostBridgeChannel(*m, ch, v);
    }
    hw::HardwareAccess hw(*m);
    TimingSession s = StartHostBridgeTimings(hw);
    ASSERT_EQ(ItemText(s.lists, I::tREFI, s.model[0][I::tREFI]), "4660");
    s.Change(I::tRCD, 5);  // ChannelSet::AB: both channels rebuilt
    m->ClearWrites();
    s.Apply(false);
    const auto writes = MemoryWrites(*m);
    EXPECT_EQ(host_bridge::kRefreshPeriod.Get(WrittenAt(writes, 0x268)), 0x1234u);
    EXPECT_EQ(host_bridge::kRefreshPeriod.Get(WrittenAt(writes, 0x668)), 0x1234u);
    EXPECT_EQ(hw::Field(20, 17).Get(WrittenAt(writes, 0x258)), 7u);
    EXPECT_EQ(hw::Field(20, 17).Get(WrittenAt(writes, 0x658)), 7u);

    // Choosing a listed period writes the list's value.
    s.Change(I::tREFI, 15);
    m->ClearWrites();
    s.Apply(false);
    EXPECT_EQ(host_bridge::kRefreshPeriod.Get(WrittenAt(MemoryWrites(*m), 0x668)), 0x3FFFu);
}

TEST(HostBridgeApply, StoredRefreshIndexSixteenIsNotWrittenWithoutAKnownRawValue) {
    auto m = HostBridgeMachine();
    hw::HardwareAccess hw(*m);
    TimingModel stored;
    {
        TimingSession first = StartHostBridgeTimings(hw);
        stored = first.model;
    }
    stored[0][I::tREFI] = 16;
    stored[1][I::tREFI] = 16;
    stored[0][I::tRTP] = 14;  // the removed "15": no item, not encoded
    m->ClearWrites();
    const TimingSession s = StartHostBridgeTimings(hw, &stored);
    const auto writes = MemoryWrites(*m);
    ASSERT_EQ(writes.size(), 14u);
    const auto v = testing::Ddr3_1333HostBridgeChannel();
    EXPECT_EQ(WrittenAt(writes, 0x268), v.r268);
    EXPECT_EQ(WrittenAt(writes, 0x250), v.r250);
    EXPECT_EQ(ItemText(s.lists, I::tREFI, s.model[0][I::tREFI]), "4160T");
}

TEST(HostBridgeApply, StoredSetRebuildsOnlyPopulatedChannels) {
    auto m = HostBridgeMachine(false);
    hw::HardwareAccess hw(*m);
    TimingModel stored;
    {
        TimingSession first = StartHostBridgeTimings(hw);
        stored = first.model;
    }
    for (int ch : {0, 1}) stored[ch][I::tRAS] = 19;  // tRAS "20"
    m->ClearWrites();
    const TimingSession s = StartHostBridgeTimings(hw, &stored);
    const auto writes = MemoryWrites(*m);
    EXPECT_EQ(hw::Field(12, 8).Get(WrittenAt(writes, 0x25C)), 20u);
    EXPECT_EQ(hw::Field(12, 8).Get(WrittenAt(writes, 0x65C)), 24u);
    EXPECT_EQ(ItemText(s.lists, I::tRAS, s.model[0][I::tRAS]), "20");
}

}  // namespace
}  // namespace zm::timings
