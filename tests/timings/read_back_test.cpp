// SPDX-License-Identifier: GPL-3.0-or-later
// After a write the controller is read again: what did not take is named (a locked uncore
// ignores timing writes), and "Restore start-up timings" writes the registers' start-up images
// back through Apply's path and order.
#include "timings/session/read_back.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hw/pci_address.h"
#include "sim/simulated_machine.h"
#include "timings/model/timing_change.h"
#include "timings/session/k10_session.h"
#include "timings/session/timing_session.h"

namespace zm::timings {
namespace {
using I = TimingId;
using sim::WriteRecord;

struct Started {
    std::shared_ptr<sim::SimulatedMachine> machine;
    std::unique_ptr<hw::HardwareAccess> hw;  // the session's writer keeps a reference
    TimingSession session;
};

std::shared_ptr<sim::SimulatedMachine> Load(const std::string& profile) {
    return sim::SimulatedMachine::Load(std::string(ZM_MACHINES_DIR) + "/" + profile + ".json");
}

Started Start(const std::string& profile) {
    Started s{Load(profile), nullptr, {}};
    s.hw = std::make_unique<hw::HardwareAccess>(*s.machine);
    if (profile.rfind("k10", 0) == 0) {
        // The extended-register form the start-up opens before it reads DCT1.
        const std::uint32_t f3x8c = hw::PciConfigAddress(0, 0x18, 3, 0x8C);
        s.hw->PciConfigWrite(f3x8c, s.hw->PciConfigRead(f3x8c) | (1u << 14));
        s.session = StartK10Timings(*s.hw, K10Mode::Ddr3);
    } else if (profile.rfind("h55", 0) == 0) {
        s.session = StartHostBridgeTimings(*s.hw);
    } else {
        s.session = StartUncoreTimings(*s.hw, 0xC00000, 0x2C1C8086);
    }
    EXPECT_FALSE(s.session.error);
    return s;
}

// What a register a write went to holds in `machine` (configuration space with the extended
// register bits of the 0xCF8 latch, or memory).
std::uint32_t Holds(const sim::SimulatedMachine& machine, const WriteRecord& w) {
    if (w.kind == WriteRecord::Kind::Memory) return machine.PhysicalDword(w.address);
    const auto reg = static_cast<unsigned>((w.address & 0xFC) | ((w.address >> 16) & 0xF00));
    return machine.Pci((w.address >> 16) & 0xFF, (w.address >> 11) & 0x1F, (w.address >> 8) & 7,
                       reg);
}

std::vector<WriteRecord> RegisterWrites(const sim::SimulatedMachine& machine) {
    std::vector<WriteRecord> writes;
    for (const WriteRecord& w : machine.Writes())
        if (w.kind == WriteRecord::Kind::Pci || w.kind == WriteRecord::Kind::Memory)
            writes.push_back(w);
    return writes;
}

// One clock less tRCD and one more tRAS, for the channels the selection names.
void Tighten(TimingSession& s) {
    s.Change(I::tRCD, DisplayIndex(s.model, kChannelA, I::tRCD) - 1);
    s.Change(I::tRAS, DisplayIndex(s.model, kChannelA, I::tRAS) + 1);
}

TEST(ReadBack, LockedUncoreIgnoresTheWritesAndTheMessageNamesTheTimings) {
    for (const bool locked : {true, false}) {
        SCOPED_TRACE(locked ? "locked" : "unlocked");
        Started s = Start(locked ? "x58-bloomfield-locked" : "x58-bloomfield");
        TimingSession& session = s.session;
        const std::int32_t trcd = DisplayIndex(session.model, kChannelA, I::tRCD);
        const std::int32_t tras = DisplayIndex(session.model, kChannelA, I::tRAS);
        Tighten(session);
        const std::vector<ReadBackMismatch> mismatches = session.Apply(false);

        if (!locked) {
            EXPECT_TRUE(mismatches.empty());
            EXPECT_EQ(DisplayIndex(session.model, kChannelA, I::tRCD), trcd - 1);
            EXPECT_TRUE(session.RestoreOffered());
            continue;
        }
        // Every channel the selection named, each with both timings; the drop-downs show what
        // the controller holds.
        const auto& items = session.lists;
        const std::string trcdLine =
            "tRCD (channel A): " + items[static_cast<int>(I::tRCD)][trcd - 1] +
            " was written, the controller holds " + items[static_cast<int>(I::tRCD)][trcd];
        const std::string trasLine =
            "tRAS (channel A): " + items[static_cast<int>(I::tRAS)][tras + 1] +
            " was written, the controller holds " + items[static_cast<int>(I::tRAS)][tras];
        const std::string text = session.ReadBackText();
        EXPECT_NE(text.find(trcdLine), std::string::npos) << text;
        EXPECT_NE(text.find(trasLine), std::string::npos) << text;
        int named = 0;
        for (int ch = 0; ch < kMaxChannels; ++ch)
            named += ChannelsForChange(session.model, session.Selection())[ch] ? 2 : 0;
        EXPECT_EQ(mismatches.size(), static_cast<std::size_t>(named));
        EXPECT_EQ(DisplayIndex(session.model, kChannelA, I::tRCD), trcd);
        EXPECT_FALSE(session.RestoreOffered()) << "the controller holds its start-up values";
    }
}

TEST(RestoreStartUpTimings, WritesEveryRegisterBackToItsStartValueInApplysOrder) {
    for (const char* profile : {"x58-bloomfield", "h55-clarkdale", "k10-am3-ddr3"}) {
        SCOPED_TRACE(profile);
        Started s = Start(profile);
        const auto fresh = Load(profile);
        EXPECT_FALSE(s.session.RestoreOffered());
        const std::int32_t trcd = DisplayIndex(s.session.model, kChannelA, I::tRCD);
        Tighten(s.session);
        s.machine->ClearWrites();
        EXPECT_TRUE(s.session.Apply(false).empty());
        const std::vector<WriteRecord> applied = RegisterWrites(*s.machine);
        ASSERT_TRUE(s.session.RestoreOffered());

        s.machine->ClearWrites();
        EXPECT_TRUE(s.session.Restore().empty());
        const std::vector<WriteRecord> restored = RegisterWrites(*s.machine);
        ASSERT_EQ(restored.size(), applied.size());
        for (std::size_t i = 0; i < restored.size(); ++i) {
            EXPECT_EQ(restored[i].address, applied[i].address) << "Apply's order";
            EXPECT_EQ(restored[i].value, Holds(*fresh, restored[i])) << sim::Describe(restored[i]);
            EXPECT_EQ(Holds(*s.machine, restored[i]), Holds(*fresh, restored[i]));
        }
        EXPECT_EQ(DisplayIndex(s.session.model, kChannelA, I::tRCD), trcd);
        EXPECT_FALSE(s.session.RestoreOffered());
    }
}

}  // namespace
}  // namespace zm::timings
