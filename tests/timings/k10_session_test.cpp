// SPDX-License-Identifier: GPL-3.0-or-later
// The K10 branch's timings from start-up to Apply, as the main window drives them.

#include "timings/session/k10_session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "k10_registers_test_values.h"
#include "k10_test_machine.h"
#include "settings/settings.h"
#include "timings/model/timing_change.h"
#include "timings/stored/stored_timings.h"

namespace zm::timings {
namespace {

using k10::Register;
using k10::testing::DctValues;
using k10::testing::ItemIndex;
using k10::testing::K10Machine;
using I = TimingId;

struct Pair {
    bool ganged;
    std::uint32_t dct0Map, dct1Map;
};

void Populate(K10Machine& m, const DctValues& values, const Pair& pair) {
    DctValues v0 = values, v1 = values;
    v0.f80 = pair.dct0Map;
    v1.f80 = pair.dct1Map;
    m.SetGanged(pair.ganged);
    m.SetDct(0, v0);
    m.SetDct(1, v1);
    m.OpenExtendedConfig();
}

TEST(K10Session, SelectorFollowsGangingAndPopulation) {
    struct Case {
        const char* what;
        Pair pair;
        std::vector<ChannelSet> items;
        const char* panel;
        int selected;
        bool enabled;
    } cases[] = {
        {"ganged", {true, 0x66, 0x66}, {ChannelSet::AB}, "Ganged", 0, false},
        {"unganged, both",
         {false, 0x66, 0x66},
         {ChannelSet::AB, ChannelSet::A, ChannelSet::B},
         "Unganged",
         0,
         true},
        {"unganged, DCT0 only",
         {false, 0x66, 0},
         {ChannelSet::AB, ChannelSet::A, ChannelSet::B},
         "Unganged",
         1,
         false},
    };
    for (const Case& c : cases) {
        K10Machine m;
        Populate(m, k10::testing::kDdr3, c.pair);
        const TimingSession s = StartK10Timings(m.Hw(), K10Mode::Ddr3);
        EXPECT_FALSE(s.error) << c.what;
        EXPECT_EQ(s.selector.items, c.items) << c.what;
        EXPECT_EQ(s.selector.panelText, c.panel) << c.what;
        EXPECT_EQ(s.selector.selectedItem, c.selected) << c.what;
        EXPECT_EQ(s.selector.enabled, c.enabled) << c.what;
        EXPECT_TRUE(s.applyEnabled) << c.what;
        EXPECT_TRUE(m.DramWrites().empty()) << c.what;
    }
}

// Refused before anything is written, even with a stored set to apply: DCT1 then holds the
// machine's only memory, and the stored set (B keys of another population, or none) would go
// straight into it.
TEST(K10Session, Dct1WithoutDct0IsRefusedBeforeAnyWrite) {
    TimingModel stored;
    stored.kind = ControllerKind::K10;
    stored.k10Mode = K10Mode::Ddr2_800;
    const TimingModel* const sets[] = {nullptr, &stored};
    for (const TimingModel* set : sets) {
        K10Machine m;
        Populate(m, k10::testing::kDdr2_800, {false, 0, 0x55});
        const TimingSession s = StartK10Timings(m.Hw(), K10Mode::Ddr2_800, set);
        ASSERT_TRUE(s.error);
        EXPECT_EQ(*s.error, "A single DIMM need to be on channel A!");
        EXPECT_EQ(s.writer, nullptr);
        EXPECT_TRUE(m.DramWrites().empty()) << (set ? "with" : "without") << " a stored set";
    }
}

// A register code the list lacks leaves its drop-down empty, and Apply stays disabled.
TEST(K10Session, CodeWithoutListItemDisablesApply) {
    K10Machine m;
    Populate(m, k10::testing::kDdr2_800, {false, 0x55, 0x55});
    m.Set(Register::TimingHigh, 0, k10::testing::kDdr2_800.f8c | (3u << 12));  // tWRWR 11b
    const TimingSession s = StartK10Timings(m.Hw(), K10Mode::Ddr2_800);
    EXPECT_EQ(ItemText(s.lists, I::tWRWR, DisplayIndex(s.model, kChannelA, I::tWRWR)), "");
    EXPECT_FALSE(s.applyEnabled);
}

TEST(K10Session, ChangeOnChannelBIsAppliedToDct1Only) {
    K10Machine m;
    Populate(m, k10::testing::kDdr2_1066, {false, 0x55, 0x55});
    TimingSession s = StartK10Timings(m.Hw(), K10Mode::Ddr2_1066);
    s.SelectItem(2);
    ASSERT_EQ(s.Selection(), ChannelSet::B);
    s.Change(I::tRC, ItemIndex(s.lists, I::tRC, "30"));  // tRC
    s.Apply(false);
    EXPECT_EQ(hw::Field(20, 16).Get(m.Get(Register::TimingLow, 1)), 19u);
    EXPECT_EQ(m.Get(Register::TimingLow, 0), k10::testing::kDdr2_1066.f88);
    EXPECT_EQ(m.DramWrites().size(), 10u);
}

// With "AN" = "1" the stored set is written before the controls are filled, DCT1 included
// even when it holds no memory, and the controls start from what was written.
TEST(K10Session, StoredTimingsAreWrittenFirstThenReadBack) {
    K10Machine m;
    Populate(m, k10::testing::kDdr3, {false, 0x66, 0});
    TimingModel stored;
    stored.kind = ControllerKind::K10;
    stored.k10Mode = K10Mode::Ddr3;
    {
        // What the settings file holds: the indices a previous session read, with two changes.
        K10Machine other;
        Populate(other, k10::testing::kDdr3, {false, 0x66, 0x66});
        stored = StartK10Timings(other.Hw(), K10Mode::Ddr3).model;
    }
    StoreItem(stored, kChannelA, I::tWRRD, 9);             // tWRRD "9"
    StoreItem(stored, kChannelB, I::MaxReadLatency, 100);  // max read latency "120"

    const TimingSession s = StartK10Timings(m.Hw(), K10Mode::Ddr3, &stored);
    const auto writes = m.DramWrites();
    ASSERT_EQ(writes.size(), 10u);
    EXPECT_EQ(writes.front().address, 0x8100C288u);
    EXPECT_EQ(writes.back().address, 0x8000C278u);
    EXPECT_EQ(ItemText(s.lists, I::tWRRD, DisplayIndex(s.model, kChannelA, I::tWRRD)), "9");
    EXPECT_EQ(
        ItemText(s.lists, I::MaxReadLatency, DisplayIndex(s.model, kChannelB, I::MaxReadLatency)),
        "120");
    EXPECT_EQ(hw::Field(31, 22).Get(m.Get(Register::DramControl, 1)), 120u);
}

// A stored CL (key 1 = 5, "9") is never written: the controller's Tcl must match the CAS latency
// the modules were trained with, so a machine that runs CL 11 (Tcl 7) keeps it.
TEST(K10Session, StoredCasLatencyNeverReachesTcl) {
    K10Machine m;
    DctValues v = k10::testing::kDdr3;
    v.f88 = (v.f88 & ~0xFu) | 7u;
    Populate(m, v, {false, 0x66, 0x66});
    const auto path = std::filesystem::temp_directory_path() /
                      ("zm-k10-stored-cl-" + std::to_string(::getpid()) + ".ini");
    std::ofstream(path, std::ios::binary) << "[HL]\nAN=1\n[HLK10]\n1A=5\n1B=5\n";
    const settings::Settings file(path);
    const TimingSession s = StartK10Timings(
        m.Hw(), K10Mode::Ddr3, [&](const TimingModel& decoded, const ChannelFlags&) {
            return std::optional<TimingModel>(ReadStoredTimings(file, decoded));
        });
    std::filesystem::remove(path);
    for (int dct = 0; dct < 2; ++dct) {
        EXPECT_EQ(m.Get(Register::TimingLow, dct) & 0xFu, 7u) << "the modules still run CL 11";
    }
    EXPECT_TRUE(s.readBack.empty()) << "what is never written is not missed";
    EXPECT_EQ(ItemText(s.lists, I::tCL, s.model[kChannelA][I::tCL]), "11");
}

}  // namespace
}  // namespace zm::timings
