// SPDX-License-Identifier: GPL-3.0-or-later
// Reading SPD bytes of the module a slave address selects, and what an empty socket returns.
#include "spd/spd_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "hw/backends/port_io/port_operations.h"
#include "hw/hardware_access.h"
#include "sim/simulated_machine.h"

namespace zm::spd {
namespace {

TEST(SpdSlaveForSlot, SixSlotsFrom0x50) {
    EXPECT_EQ(SpdSlaveForSlot(0), 0x50);
    EXPECT_EQ(SpdSlaveForSlot(3), 0x53);  // "DIMM#4"
    EXPECT_EQ(SpdSlaveForSlot(5), 0x55);
    EXPECT_EQ(SpdSlaveForSlot(6), std::nullopt);
    EXPECT_EQ(SpdSlaveForSlot(200), std::nullopt);
}

std::vector<std::uint8_t> Image(std::uint8_t type, std::uint8_t marker) {
    std::vector<std::uint8_t> image(256, 0);
    image[2] = type;
    image[200] = marker;
    return image;
}

TEST(ReadSpdByte, ReadsTheModuleTheSlaveAddressSelects) {
    sim::SimulatedMachine machine;
    machine.SetSmbusBase(0x0400);
    machine.SetSpd(0, Image(kSpdTypeDdr3, 0xA0));
    machine.SetSpd(3, Image(kSpdTypeDdr2, 0xA3));
    hw::HardwareAccess hw(machine);
    hw.SetSmbusBase(0x0400);

    EXPECT_EQ(ReadSpdByte(hw, 0x50, kSpdMemoryType), kSpdTypeDdr3);
    EXPECT_EQ(ReadSpdByte(hw, 0x50, 200), 0xA0);
    EXPECT_EQ(ReadSpdByte(hw, *SpdSlaveForSlot(3), kSpdMemoryType), kSpdTypeDdr2);
    EXPECT_EQ(ReadSpdByte(hw, *SpdSlaveForSlot(3), 200), 0xA3);
}

TEST(ReadSpdByte, AnEmptySocketFailsAndItsLowByteIs0xFF) {
    sim::SimulatedMachine machine;
    machine.SetSmbusBase(0x0400);
    machine.SetSpd(0, Image(kSpdTypeDdr3, 0));
    hw::HardwareAccess hw(machine);
    hw.SetSmbusBase(0x0400);
    EXPECT_EQ(ReadSpdByte(hw, 0x51, kSpdMemoryType), hw::smbus::kTransactionError);
    EXPECT_EQ(ReadSpdByteLow(hw, 0x51, kSpdMemoryType), kSpdNoModule);
}

TEST(ReadSpdByte, AHungHostReadsAsTheTimeOutCodes) {
    sim::SimulatedMachine machine;
    machine.SetSmbusBase(0x0400);
    machine.SetSpd(0, Image(kSpdTypeDdr3, 0));
    hw::HardwareAccess hw(machine);
    hw.SetSmbusBase(0x0400);
    machine.SetSmbusFault(sim::SmbusFault::StuckBusy);
    EXPECT_EQ(ReadSpdByte(hw, 0x50, kSpdMemoryType), hw::smbus::kHostBusy);
    EXPECT_EQ(ReadSpdByteLow(hw, 0x50, kSpdMemoryType), 0xFE);
}

}  // namespace
}  // namespace zm::spd
