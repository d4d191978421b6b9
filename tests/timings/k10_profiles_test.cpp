// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped K10 machines through the whole timings path: layout, ganging, population,
// selector, guard, and an Apply that changes nothing writes back exactly what was read.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "sim/simulated_machine.h"
#include "timings/k10/k10_mode.h"
#include "timings/model/timing_change.h"
#include "timings/session/k10_session.h"

namespace zm::timings {
namespace {

struct ProfileCase {
    const char* name;
    std::optional<K10Mode> mode;
    const char* panel;  // "" when refused
    const char* error;  // "" when accepted
    const char* tRcd;   // channel A's tRCD text
};

const ProfileCase kProfiles[] = {
    {"k10-am2plus-ddr2", K10Mode::Ddr2_800, "Unganged", "", "6"},
    {"k10-am2plus-ddr2-1066", K10Mode::Ddr2_1066, "Unganged", "", "6"},
    {"k10-am3-ddr3", K10Mode::Ddr3, "Unganged", "", "9"},
    {"k10-am3-ddr3-ganged", K10Mode::Ddr3, "Ganged", "", "9"},
    {"k10-am3-ddr3-dct0-only", K10Mode::Ddr3, "Unganged", "", "9"},
    {"k10-am3-ddr3-dct1-only", K10Mode::Ddr3, "", "A single DIMM need to be on channel A!", ""},
    {"k10-reserved-memclk", std::nullopt, "", "NOT FOR THIS SYSTEM!", ""},
};

unsigned CombinedFamily(sim::SimulatedMachine& m) {
    const std::uint32_t eax = m.Query(1).eax;
    return ((eax >> 8) & 0xF) + ((eax >> 20) & 0xFF);
}

TEST(K10Profiles, ShippedMachinesStartAsTheirBoardsWould) {
    for (const ProfileCase& c : kProfiles) {
        SCOPED_TRACE(c.name);
        const auto machine =
            sim::SimulatedMachine::Load(std::string(ZM_MACHINES_DIR) + "/" + c.name + ".json");
        hw::HardwareAccess hw(*machine);
        // As a BIOS leaves it: the extended-register form is off until the program starts.
        const std::uint32_t f3x8c = hw::PciConfigAddress(0, 0x18, 3, 0x8C);
        EXPECT_EQ(hw.PciConfigRead(f3x8c) & (1u << 14), 0u);
        EXPECT_EQ(hw.PciConfigRead(hw::PciConfigAddress(0, 0x18, 2, 0)), 0x12021022u);
        EXPECT_EQ(CombinedFamily(*machine), 0x10u);

        const k10::ModeDecision decision = k10::DecideK10Mode(hw, CombinedFamily(*machine));
        EXPECT_EQ(decision.mode, c.mode);
        if (!decision.mode) {
            ASSERT_TRUE(decision.refusal);
            EXPECT_EQ(decision.refusal->text, c.error);
            continue;
        }
        hw.PciConfigWrite(f3x8c, hw.PciConfigRead(f3x8c) | (1u << 14));
        machine->ClearWrites();

        TimingSession s = StartK10Timings(hw, *decision.mode);
        if (*c.error != '\0') {
            ASSERT_TRUE(s.error);
            EXPECT_EQ(*s.error, c.error);
            continue;
        }
        ASSERT_FALSE(s.error);
        EXPECT_EQ(s.selector.panelText, c.panel);
        EXPECT_TRUE(s.applyEnabled) << "every timing of a shipped machine is in its list";
        EXPECT_EQ(
            ItemText(s.lists, TimingId::tRCD, DisplayIndex(s.model, kChannelA, TimingId::tRCD)),
            c.tRcd);

        // Apply with nothing changed rewrites every register with the value it held before.
        std::map<unsigned, std::uint32_t> before;
        for (unsigned dct : {0x000u, 0x100u}) {
            for (unsigned reg : {0x78u, 0x88u, 0x8Cu, 0x90u, 0x94u}) {
                before[dct + reg] = machine->Pci(0, 0x18, 2, dct + reg);
            }
        }
        s.Apply(false);
        const auto writes = machine->Writes();
        ASSERT_FALSE(writes.empty());
        for (const sim::WriteRecord& w : writes) {
            const hw::PciLocation at = hw::DecodePciAddress(static_cast<std::uint32_t>(w.address));
            ASSERT_EQ(before.count(at.reg), 1u) << std::hex << at.reg;
            EXPECT_EQ(w.value, before.at(at.reg)) << std::hex << at.reg;
        }
        const bool ganged = s.model.ganged;
        const bool dct1 = std::string(c.name) != "k10-am3-ddr3-dct0-only" && !ganged;
        EXPECT_EQ(writes.size(), dct1 ? 10u : 5u);
    }
}

}  // namespace
}  // namespace zm::timings
