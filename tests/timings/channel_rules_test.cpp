// SPDX-License-Identifier: GPL-3.0-or-later
// The channel selector, the change rules and the start-up guard, on models built in code.

#include <gtest/gtest.h>

#include "timings/model/channel_selection.h"
#include "timings/model/startup_guard.h"
#include "timings/model/timing_change.h"
#include "timings/model/value_lists.h"

namespace zm::timings {
namespace {

using I = TimingId;
using K = ControllerKind;
using Items = std::vector<ChannelSet>;

TimingModel Model(K kind, std::optional<K10Mode> mode = std::nullopt, bool ganged = false) {
    TimingModel m;
    m.kind = kind;
    m.k10Mode = mode;
    m.ganged = ganged;
    for (auto& ch : m.channels) ch.index.fill(3);
    return m;
}

struct SelectorCase {
    K kind;
    bool ganged;
    ChannelFlags present;
    Items items;
    std::string panel;
    int selected;
    bool enabled;
    std::optional<std::string> error;
};

TEST(ChannelSelector, ItemsPanelAndSelectionPerSituation) {
    const std::string intelError = "At least one DIMM need to be in channel A!";
    const std::string k10Error = "A single DIMM need to be on channel A!";
    const std::vector<SelectorCase> cases = {
        {K::Uncore, false, {true, false, false}, {ChannelSet::A}, "Single", 0, true, {}},
        {K::Uncore,
         false,
         {true, true, false},
         {ChannelSet::AB, ChannelSet::A, ChannelSet::B},
         "Dual",
         0,
         true,
         {}},
        {K::Uncore,
         false,
         {true, false, true},
         {ChannelSet::AC, ChannelSet::A, ChannelSet::C},
         "Dual",
         0,
         true,
         {}},
        {K::Uncore,
         false,
         {true, true, true},
         {ChannelSet::ABC, ChannelSet::A, ChannelSet::B, ChannelSet::C},
         "Triple",
         0,
         true,
         {}},
        {K::Uncore, false, {false, true, true}, {}, "", 0, true, intelError},
        {K::Uncore, false, {false, false, false}, {}, "", 0, true, intelError},
        {K::HostBridge, false, {true, false, false}, {ChannelSet::A}, "Single", 0, false, {}},
        {K::HostBridge,
         false,
         {true, true, false},
         {ChannelSet::AB, ChannelSet::A, ChannelSet::B},
         "Dual",
         0,
         true,
         {}},
        {K::HostBridge, false, {false, true, false}, {}, "", 0, true, intelError},
        // No channel holds memory (the window read zeros): refused like channel A empty.
        {K::HostBridge, false, {false, false, false}, {}, "", 0, true, intelError},
        {K::K10, true, {true, true, false}, {ChannelSet::AB}, "Ganged", 0, false, {}},
        {K::K10,
         false,
         {true, true, false},
         {ChannelSet::AB, ChannelSet::A, ChannelSet::B},
         "Unganged",
         0,
         true,
         {}},
        {K::K10,
         false,
         {true, false, false},
         {ChannelSet::AB, ChannelSet::A, ChannelSet::B},
         "Unganged",
         1,
         false,
         {}},
        {K::K10, false, {false, true, false}, {}, "", 0, true, k10Error},
    };
    for (const SelectorCase& c : cases) {
        const ChannelSelector s =
            BuildChannelSelector(Model(c.kind, K10Mode::Ddr3, c.ganged), c.present);
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.kind) << " " << c.present[0]
                                          << c.present[1] << c.present[2]);
        EXPECT_EQ(s.error, c.error);
        if (c.error) continue;
        EXPECT_EQ(s.items, c.items);
        EXPECT_EQ(s.panelText, c.panel);
        EXPECT_EQ(s.selectedItem, c.selected);
        EXPECT_EQ(s.enabled, c.enabled);
        EXPECT_EQ(s.buttonFaceBackground, c.ganged);
    }
}

TEST(ChannelSelector, UnequalChannelsStartOnChannelA) {
    TimingModel m = Model(K::Uncore);
    m[kChannelC][I::tREFI] = 400;
    EXPECT_EQ(BuildChannelSelector(m, {true, true, true}).selectedItem, 1);
    EXPECT_EQ(BuildChannelSelector(m, {true, true, false}).selectedItem, 0);  // C not named
}

TEST(ChannelSelection, CombinedChoiceFallsBackToAWhenChannelsDiffer) {
    TimingModel m = Model(K::Uncore);
    const Items items{ChannelSet::ABC, ChannelSet::A, ChannelSet::B, ChannelSet::C};
    SelectionOutcome o = SelectChannels(m, items, 0);
    EXPECT_EQ(o.selectedItem, 0);
    EXPECT_EQ(o.showChannel, kChannelA);

    m[kChannelB][I::tWRRD_SR] = 4;
    o = SelectChannels(m, items, 0);
    EXPECT_EQ(o.selectedItem, 1);
    EXPECT_EQ(o.selection, ChannelSet::A);
    EXPECT_EQ(o.showChannel, kChannelA);

    o = SelectChannels(m, items, 2);
    EXPECT_EQ(o.selection, ChannelSet::B);
    EXPECT_EQ(o.showChannel, kChannelB);
}

TEST(ChannelSelection, HostBridgeCombinedChoiceWithUnequalChannelsLeavesTheDropDowns) {
    TimingModel m = Model(K::HostBridge);
    m[kChannelB][I::tRCD] = 5;
    const SelectionOutcome o = SelectChannels(m, {ChannelSet::AB, ChannelSet::A, ChannelSet::B}, 0);
    EXPECT_EQ(o.selectedItem, 0);
    EXPECT_EQ(o.selection, ChannelSet::AB);
    EXPECT_FALSE(o.showChannel);
}

TEST(ChannelSelection, HostBridgeTrpCountsAsEqualByValueShown) {
    // A read slot (low three bits) and a changed slot (whole value) for the same tRP.
    TimingModel m = Model(K::HostBridge);
    m[kChannelA][I::tRP] = 1;
    m[kChannelA].trpHighBit = 1;         // 9 as read
    StoreItem(m, kChannelB, I::tRP, 7);  // 9 as chosen
    EXPECT_TRUE(ChannelsEqualToA(m, ChannelSet::AB));
}

struct ChangeCase {
    K kind;
    bool ganged;
    ChannelSet selection;
    ChannelFlags to;
};

TEST(TimingChange, ChannelsAChangeIsRecordedFor) {
    const std::vector<ChangeCase> cases = {
        {K::Uncore, false, ChannelSet::A, {true, false, false}},
        {K::Uncore, false, ChannelSet::B, {false, true, false}},
        {K::Uncore, false, ChannelSet::C, {false, false, true}},
        {K::Uncore, false, ChannelSet::AB, {true, true, false}},
        {K::Uncore, false, ChannelSet::AC, {true, false, true}},
        {K::Uncore, false, ChannelSet::ABC, {true, true, true}},
        {K::Uncore, false, ChannelSet::None, {false, false, false}},  // the selector shows none
        {K::HostBridge, false, ChannelSet::A, {true, false, false}},
        {K::HostBridge, false, ChannelSet::B, {false, true, false}},
        {K::HostBridge, false, ChannelSet::AB, {true, true, false}},
        {K::K10, true, ChannelSet::AB, {true, false, false}},
        {K::K10, false, ChannelSet::AB, {true, true, false}},
        {K::K10, false, ChannelSet::A, {true, false, false}},
        {K::K10, false, ChannelSet::B, {false, true, false}},
    };
    for (const ChangeCase& c : cases) {
        TimingModel m = Model(c.kind, K10Mode::Ddr2_800, c.ganged);
        RecordChange(m, I::tRCD, 9, c.selection);
        for (int ch = 0; ch < kMaxChannels; ++ch) {
            EXPECT_EQ(m[ch][I::tRCD], c.to[ch] ? 9 : 3)
                << static_cast<int>(c.kind) << " set " << static_cast<int>(c.selection)
                << " channel " << ch;
        }
    }
}

TEST(TimingChange, ExtrasBesideTheIndex) {
    TimingModel hb = Model(K::HostBridge);
    StoreItem(hb, 0, I::tRP, 6);  // "8"
    EXPECT_EQ(hb[0][I::tRP], 8);
    EXPECT_EQ(hb[0].trpHighBit, 1);
    EXPECT_EQ(DisplayIndex(hb, 0, I::tRP), 6);
    StoreItem(hb, 0, I::tRP, 5);  // "7"
    EXPECT_EQ(hb[0].trpHighBit, 0);
    EXPECT_EQ(DisplayIndex(hb, 0, I::tRP), 5);

    TimingModel ddr3 = Model(K::K10, K10Mode::Ddr3);
    StoreItem(ddr3, 0, I::tWRWR, 9);
    EXPECT_EQ(ddr3[0][I::tWRWR], 1);
    EXPECT_EQ(ddr3[0].turnaroundHigh[1], 2);
    EXPECT_EQ(DisplayIndex(ddr3, 0, I::tWRWR), 9);

    TimingModel ddr2 = Model(K::K10, K10Mode::Ddr2_1066);
    StoreItem(ddr2, 0, I::tWRWR, 3);
    EXPECT_EQ(ddr2[0][I::tWRWR], 3);
    EXPECT_EQ(ddr2[0].turnaroundHigh[1], 0);
    StoreItem(ddr2, 0, I::IdleCycleLimit, 0);
    EXPECT_EQ(ddr2[0].idleCycleLimitEnable, 0);
    StoreItem(ddr2, 0, I::IdleCycleLimit, 4);
    EXPECT_EQ(ddr2[0].idleCycleLimitEnable, 1);
    EXPECT_EQ(ddr2[0][I::IdleCycleLimit], 4);
}

TEST(ApplyChannels, RebuiltChannelsPerSelectionAndStoredSet) {
    EXPECT_EQ(ChannelsRebuiltOnApply(K::Uncore, ChannelSet::AC, false, {true, true, true}),
              (ChannelFlags{true, false, true}));
    EXPECT_EQ(ChannelsRebuiltOnApply(K::Uncore, ChannelSet::B, true, {true, false, false}),
              (ChannelFlags{true, true, true}));
    EXPECT_EQ(ChannelsRebuiltOnApply(K::HostBridge, ChannelSet::A, false, {true, true, false}),
              (ChannelFlags{true, false, false}));
    EXPECT_EQ(ChannelsRebuiltOnApply(K::HostBridge, ChannelSet::A, true, {true, true, false}),
              (ChannelFlags{true, true, false}));
    EXPECT_EQ(ChannelsRebuiltOnApply(K::HostBridge, ChannelSet::A, true, {true, false, false}),
              (ChannelFlags{true, false, false}));
}

TEST(StartupGuard, ChecksTheListedControlsOnly) {
    struct Case {
        K kind;
        std::optional<K10Mode> mode;
        I control;
        bool guarded;
    };
    for (const Case& c : std::vector<Case>{{K::Uncore, {}, I::tCL, false},
                                           {K::Uncore, {}, I::tWR, false},
                                           {K::Uncore, {}, I::RoundTripLatency, true},
                                           {K::HostBridge, {}, I::tCL, false},
                                           {K::HostBridge, {}, I::tRCD_W, true},
                                           {K::K10, K10Mode::Ddr2_800, I::tCL, false},
                                           {K::K10, K10Mode::Ddr2_1066, I::tCL, true},
                                           {K::K10, K10Mode::Ddr3, I::tCL, true}}) {
        TimingModel m = Model(c.kind, c.mode);
        for (const TimingDescriptor& d : Descriptors(c.kind)) StoreItem(m, 0, d.id, 0);
        const TimingLists lists = BuildTimingLists(c.kind, c.mode);
        EXPECT_TRUE(StartupGuardPasses(m, lists, 0));
        m[0][c.control] = 1000;
        EXPECT_EQ(StartupGuardPasses(m, lists, 0), !c.guarded)
            << TimingShortName(c.kind, c.control);
    }
}

}  // namespace
}  // namespace zm::timings
