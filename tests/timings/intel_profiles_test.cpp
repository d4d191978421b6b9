// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped Intel machine profiles carry controller registers that start the timing
// controls as their boards would.

#include <gtest/gtest.h>

#include "hw/hardware_access.h"
#include "sim/simulated_machine.h"
#include "timings/model/startup_guard.h"
#include "timings/model/timing_change.h"
#include "timings/session/timing_session.h"

namespace zm::timings {
namespace {

using I = TimingId;
using Items = std::vector<ChannelSet>;

struct ProfileCase {
    std::string profile;
    ControllerKind kind;
    Items items;
    std::string panel;
    int selected;
    std::string trcd;  // channel A's tRCD as shown
    std::optional<std::string> caption;
};

TEST(IntelProfiles, StartAsTheirBoardsWould) {
    const std::vector<ProfileCase> cases = {
        {"x58-bloomfield",
         ControllerKind::Uncore,
         {ChannelSet::ABC, ChannelSet::A, ChannelSet::B, ChannelSet::C},
         "Triple",
         0,
         "9",
         {}},
        {"x58-gulftown",
         ControllerKind::Uncore,
         {ChannelSet::ABC, ChannelSet::A, ChannelSet::B, ChannelSet::C},
         "Triple",
         0,
         "8",
         {}},
        {"x58-bloomfield-ac",
         ControllerKind::Uncore,
         {ChannelSet::AC, ChannelSet::A, ChannelSet::C},
         "Dual",
         0,
         "9",
         {}},
        {"x58-bloomfield-locked",
         ControllerKind::Uncore,
         {ChannelSet::ABC, ChannelSet::A, ChannelSet::B, ChannelSet::C},
         "Triple",
         0,
         "9",
         "MC_CFG_space Locked."},
        {"p55-lynnfield",
         ControllerKind::Uncore,
         {ChannelSet::AB, ChannelSet::A, ChannelSet::B},
         "Dual",
         0,
         "9",
         {}},
        {"h55-clarkdale",
         ControllerKind::HostBridge,
         {ChannelSet::AB, ChannelSet::A, ChannelSet::B},
         "Dual",
         0,
         "7",
         {}},
        {"h55-clarkdale-single-channel",
         ControllerKind::HostBridge,
         {ChannelSet::A},
         "Single",
         0,
         "7",
         {}},
    };
    for (const ProfileCase& c : cases) {
        SCOPED_TRACE(c.profile);
        auto m =
            sim::SimulatedMachine::Load(std::string(ZM_MACHINES_DIR) + "/" + c.profile + ".json");
        hw::HardwareAccess hw(*m);
        const TimingSession s = c.kind == ControllerKind::Uncore
                                    ? StartUncoreTimings(hw, 0xC00000, 0x2C1C8086)
                                    : StartHostBridgeTimings(hw);
        ASSERT_FALSE(s.error) << *s.error;
        EXPECT_EQ(s.selector.items, c.items);
        EXPECT_EQ(s.selector.panelText, c.panel);
        EXPECT_EQ(s.selector.selectedItem, c.selected);
        EXPECT_EQ(ItemText(s.lists, I::tRCD, DisplayIndex(s.model, 0, I::tRCD)), c.trcd);
        EXPECT_EQ(s.groupCaption, c.caption);
        EXPECT_TRUE(s.applyEnabled);
        // Every guarded drop-down of every channel holding memory shows an item.
        for (int ch = 0; ch < kMaxChannels; ++ch) {
            if (!s.present[ch]) continue;
            const auto outside = TimingsOutsideList(s.model, s.lists, ch);
            EXPECT_TRUE(outside.empty())
                << "channel " << ch << ": " << TimingShortName(s.model.kind, outside.front());
        }
    }
}

TEST(IntelProfiles, ClarkdaleShowsItsRefreshPeriodAndTrp) {
    auto m = sim::SimulatedMachine::Load(std::string(ZM_MACHINES_DIR) + "/h55-clarkdale.json");
    hw::HardwareAccess hw(*m);
    const TimingSession s = StartHostBridgeTimings(hw);
    ASSERT_FALSE(s.error);
    for (int ch : {0, 1}) {
        EXPECT_EQ(ItemText(s.lists, I::tREFI, s.model[ch][I::tREFI]), "4160T");
        EXPECT_EQ(ItemText(s.lists, I::tRP, DisplayIndex(s.model, ch, I::tRP)), "7");
        EXPECT_EQ(ItemText(s.lists, I::tCL, s.model[ch][I::tCL]), "7");
        EXPECT_EQ(ItemText(s.lists, I::tRAS, s.model[ch][I::tRAS]), "20");
    }
}

}  // namespace
}  // namespace zm::timings
