// Every slot's decoded SPD for the report: discovery first, then each populated DDR2/DDR3 slot.
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

TEST(SpdReport, ReportsTheDdr2AndDdr3SlotsBehindTheSmbusDiscoveryFinds) {
    sim::SimulatedMachine machine;
    machine.SetPci(0, 31, 3, 0x00, 0x3A308086);
    machine.SetPci(0, 31, 3, 0x20, 0x0401);
    machine.SetSmbusBase(0x0400);
    machine.SetSpd(0, Module(11));
    machine.SetSpd(2, Module(7));  // DDR1: not decoded
    machine.SetSpd(5, Module(8));
    hw::HardwareAccess hw(machine);

    const std::vector<SpdSlotReport> slots = ReadAllSlots(hw);
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_EQ(slots[0].slot, 0);
    EXPECT_EQ(slots[0].fields[0], (std::pair<std::string, std::string>{"Type", "DDR3"}));
    EXPECT_EQ(slots[0].rows[0].second[0], "666");
    EXPECT_EQ(slots[1].slot, 5);
    EXPECT_EQ(slots[1].fields.back(),
              (std::pair<std::string, std::string>{"Speed", "PC2-6400 (400Mhz)"}));
    EXPECT_EQ(slots[1].headers[3], "  N/A");

    machine.RemovePciFunction(0, 31, 3);  // no controller: nothing read
    EXPECT_TRUE(ReadAllSlots(hw).empty());
}

}  // namespace
}  // namespace zm::spd
