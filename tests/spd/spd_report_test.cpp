// SPDX-License-Identifier: GPL-3.0-or-later
// Every slot's SPD for the report: discovery first, then each slot, decoded or named.
#include "spd/spd_report.h"

#include <gtest/gtest.h>

#include "hw/hardware_access.h"
#include "sim/simulated_machine.h"

namespace zm::spd {
namespace {

std::vector<std::uint8_t> Module(std::uint8_t type) {
    std::vector<std::uint8_t> image(256, 0);
    image[2] = type;
    image[9] = 0x25;  // DDR2: 2.5 ns
    image[10] = 1;    // DDR3: 1/8 ns, 1.5 ns
    image[11] = 8;
    image[12] = 12;
    return image;
}

TEST(SpdReport, ReportsEverySlotBehindTheSmbusDiscoveryFinds) {
    sim::SimulatedMachine machine;
    machine.SetPci(0, 31, 3, 0x00, 0x3A308086);
    machine.SetPci(0, 31, 3, 0x20, 0x0401);
    machine.SetSmbusBase(0x0400);
    machine.SetSpd(0, Module(11));
    machine.SetSpd(2, Module(7));  // DDR1: not decoded
    machine.SetSpd(5, Module(8));
    hw::HardwareAccess hw(machine);

    const SpdSlotsReport report = ReadAllSlots(hw);
    ASSERT_TRUE(report.controllerFound);
    const std::vector<SpdSlotReport>& slots = report.modules;
    ASSERT_EQ(slots.size(), 6u);
    using Field = std::pair<std::string, std::string>;
    EXPECT_EQ(slots[0].fields[0], (Field{"Type", "DDR3"}));
    EXPECT_EQ(slots[0].rows[0].second[0], "666");
    EXPECT_TRUE(slots[0].checksumMismatch);  // bytes 126..127 are 0, the CRC is not
    EXPECT_EQ(slots[1].fields, (std::vector<Field>{{"Type", "Empty"}}));
    EXPECT_EQ(slots[2].fields, (std::vector<Field>{{"Type", "DDR SDRAM (not decoded)"}}));
    EXPECT_TRUE(slots[2].headers.empty());
    EXPECT_EQ(slots[5].slot, 5);
    EXPECT_EQ(slots[5].fields.back(), (Field{"Speed", "PC2-6400 (400Mhz)"}));
    EXPECT_EQ(slots[5].headers[3], "  N/A");

    machine.SetSmbusFault(sim::SmbusFault::StuckBusy);
    EXPECT_EQ(ReadAllSlots(hw).modules[0].fields,
              (std::vector<Field>{{"Type", "no response (read failed)"}}));

    // A run that found no controller (the host found above is used as long as it lives).
    machine.RemovePciFunction(0, 31, 3);  // no controller: nothing read
    hw::HardwareAccess fresh(machine);
    const SpdSlotsReport none = ReadAllSlots(fresh);
    EXPECT_FALSE(none.controllerFound);
    EXPECT_TRUE(none.modules.empty());
}

}  // namespace
}  // namespace zm::spd
