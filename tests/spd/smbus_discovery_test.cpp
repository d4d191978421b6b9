// SPDX-License-Identifier: GPL-3.0-or-later
// SMBus host controller discovery on simulated chipsets, Intel and ATI/AMD.
#include "spd/smbus_discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "hw/hardware_access.h"
#include "sim/simulated_machine.h"

namespace zm::spd {
namespace {

using sim::WriteRecord;

constexpr std::uint32_t kRcba = 0xFED18000;

// An Intel P55-class machine: host bridge, LPC bridge with its configuration block, and the
// SMBus function at 0:31.3 with its I/O base in register 0x20.
void AddIntelChipset(sim::SimulatedMachine& m, std::uint16_t smbusBase) {
    m.SetPci(0, 0, 0, 0x00, 0x00408086);
    m.SetPci(0, 31, 0, 0x00, 0x3B028086);
    m.SetRootComplexBase(kRcba);
    m.SetPci(0, 31, 3, 0x00, 0x3B308086);
    m.SetPci(0, 31, 3, 0x20, smbusBase | 1u);
    m.SetSmbusBase(smbusBase);
}

// An AMD 790-class machine with an SB600/SB700 SMBus function at 0:20.0.
void AddAtiSouthBridge(sim::SimulatedMachine& m, std::uint32_t reg90, std::uint32_t reg10) {
    m.SetPci(0, 0, 0, 0x00, 0x59561002);
    m.SetPci(0, 20, 0, 0x00, 0x43851002);
    m.SetPci(0, 20, 0, 0x90, reg90);
    m.SetPci(0, 20, 0, 0x10, reg10);
}

bool Contains(const std::vector<WriteRecord>& writes, const WriteRecord& wanted) {
    return std::find(writes.begin(), writes.end(), wanted) != writes.end();
}

TEST(SmbusDiscovery, IntelFunctionBaseIsUsedAndTheHostEnabled) {
    sim::SimulatedMachine machine;
    AddIntelChipset(machine, 0x0400);
    hw::HardwareAccess hw(machine);
    ASSERT_TRUE(DiscoverSmbusController(hw));
    EXPECT_EQ(hw.SmbusBase(), 0x0400);
    const auto writes = machine.Writes();
    EXPECT_TRUE(Contains(writes, {WriteRecord::Kind::Pci, 0x8000FB40, 1, 1}));
    EXPECT_EQ(machine.Pci(0, 31, 3, 0x20) & 1u, 1u);
}

TEST(SmbusDiscovery, AnSmbusFunctionHiddenByTheFirmwareComesBack) {
    sim::SimulatedMachine machine;
    AddIntelChipset(machine, 0x0400);
    machine.SetRootComplexRegister(0x3418, 0x00000008 | 0x00000002);  // SMBus and SATA hidden
    machine.SetPci(0, 31, 0, 0xF0, kRcba);                            // decode not yet enabled
    hw::HardwareAccess hw(machine);
    ASSERT_EQ(hw.PciConfigRead(0x8000FB00), 0xFFFFFFFFu);

    ASSERT_TRUE(DiscoverSmbusController(hw));
    EXPECT_EQ(hw.SmbusBase(), 0x0400);
    // The block's decode enable (bit 0 of its base register) is set before it is written.
    EXPECT_TRUE(Contains(machine.Writes(), {WriteRecord::Kind::Pci, 0x8000F8F0, kRcba | 1u, 4}));
    // Only the SMBus bit was cleared; the function answers again.
    EXPECT_TRUE(
        Contains(machine.Writes(), {WriteRecord::Kind::Memory, kRcba + 0x3418, 0x00000002, 4}));
    EXPECT_EQ(machine.RootComplexRegister(0x3418), 0x00000002u);
    EXPECT_EQ(hw.PciConfigRead(0x8000FB00), 0x3B308086u);
}

TEST(SmbusDiscovery, AtiRegister90HoldingTheUsualBaseIsUsed) {
    sim::SimulatedMachine machine;
    AddAtiSouthBridge(machine, 0x00000B01, 0x0000FA01);
    hw::HardwareAccess hw(machine);
    ASSERT_TRUE(DiscoverSmbusController(hw));
    EXPECT_EQ(hw.SmbusBase(), 0x0B00);
}

TEST(SmbusDiscovery, AtiRegister90HoldingAnythingElseFallsBackToRegister10) {
    for (std::uint32_t reg90 : {0x00000000u, 0x00000C01u, 0x0000FFFFu}) {
        sim::SimulatedMachine machine;
        AddAtiSouthBridge(machine, reg90, 0x0000FA01);
        hw::HardwareAccess hw(machine);
        ASSERT_TRUE(DiscoverSmbusController(hw)) << std::hex << reg90;
        EXPECT_EQ(hw.SmbusBase(), 0xFA00) << std::hex << reg90;
    }
}

// An SB850-class south bridge: the SMBus function's PCI base registers read 0; the power-
// management registers 0x2C/0x2D behind ports 0xCD6/0xCD7 hold the enable, port and base.
TEST(SmbusDiscovery, Sb800FamilyTakesTheBaseFromThePowerManagementRegisters) {
    const struct {
        std::uint8_t revision, control, high;
        bool found;
        std::uint16_t base;
        std::uint8_t controlAfter;  // port 0 selected where another one was
    } cases[] = {
        {0x41, 0x01, 0x0B, true, 0x0B00, 0x01},
        {0x42, 0xE1, 0x0B, true, 0x0BE0, 0xE1},   // base bits 7..5 in register 0x2C
        {0x41, 0x05, 0x0B, true, 0x0B00, 0x01},   // port 2 selected: back to port 0
        {0x41, 0x00, 0x0B, false, 0x1234, 0x00},  // controller off
        {0x3A, 0x01, 0x0C, true, 0x0B00, 0x01},   // SB700: register 0x90, PM left alone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.revision) << " " << int(c.control));
        sim::SimulatedMachine machine;
        AddAtiSouthBridge(machine, c.revision < 0x40 ? 0x00000B01 : 0, 0);
        machine.SetPci(0, 20, 0, 0x08, 0x0C050000u | c.revision);
        machine.SetPmRegister(0x2C, c.control);
        machine.SetPmRegister(0x2D, c.high);
        machine.WriteIoPortByte(0xCD6, 0x7A);  // what the firmware left in the index port
        machine.ClearWrites();
        hw::HardwareAccess hw(machine);
        hw.SetSmbusBase(0x1234);
        EXPECT_EQ(DiscoverSmbusController(hw), c.found);
        EXPECT_EQ(hw.SmbusBase(), c.base);
        EXPECT_EQ(machine.PmRegister(0x2C), c.controlAfter);
        EXPECT_EQ(machine.PmIndex(), 0x7A);
        const bool pmTouched =
            Contains(machine.Writes(), {WriteRecord::Kind::Port, 0xCD6, 0x2C, 1});
        EXPECT_EQ(pmTouched, c.revision >= 0x40);
    }
}

TEST(SmbusDiscovery, WithBothControllersTheAtiOneWins) {
    sim::SimulatedMachine machine;
    AddIntelChipset(machine, 0x0400);
    AddAtiSouthBridge(machine, 0x00000B01, 0);
    machine.SetPci(0, 0, 0, 0x00, 0x00408086);
    hw::HardwareAccess hw(machine);
    ASSERT_TRUE(DiscoverSmbusController(hw));
    EXPECT_EQ(hw.SmbusBase(), 0x0B00);
}

TEST(SmbusDiscovery, NoUsableControllerIsReportedAndNothingIsEnabled) {
    struct Case {
        const char* name;
        void (*setUp)(sim::SimulatedMachine&);
    };
    const Case cases[] = {
        {"no chipset at all", [](sim::SimulatedMachine&) {}},
        {"Intel host bridge, no SMBus function",
         [](sim::SimulatedMachine& m) {
             AddIntelChipset(m, 0x0400);
             m.RemovePciFunction(0, 31, 3);
         }},
        {"NVIDIA chipset", [](sim::SimulatedMachine& m) { m.SetPci(0, 0, 0, 0, 0x036910DE); }},
        {"ATI base register reads all ones",
         [](sim::SimulatedMachine& m) { AddAtiSouthBridge(m, 0, 0xFFFFFFFF); }},
        {"ATI base 0 would address the DMA controller",
         [](sim::SimulatedMachine& m) { AddAtiSouthBridge(m, 0, 0x00000001); }},
    };
    for (const Case& c : cases) {
        sim::SimulatedMachine machine;
        c.setUp(machine);
        hw::HardwareAccess hw(machine);
        hw.SetSmbusBase(0x1234);
        EXPECT_FALSE(DiscoverSmbusController(hw)) << c.name;
        EXPECT_EQ(hw.SmbusBase(), 0x1234) << c.name;
        EXPECT_FALSE(Contains(machine.Writes(), {WriteRecord::Kind::Pci, 0x8000FB40, 1, 1}))
            << c.name;
    }
}

// The configuration block is only decoded and written when it is an Intel LPC bridge's and has
// a base: a base of 0 (firmware never set it) would send the function-disable write into
// ordinary RAM at 0x3418, and register 0xF0 of another maker's device is not a block base.
TEST(SmbusDiscovery, AConfigurationBlockThatIsNotThereIsLeftAlone) {
    struct Case {
        const char* name;
        std::uint32_t lpcIdentity;
        std::uint32_t baseRegister;
    };
    const Case cases[] = {
        {"base never set", 0x3B028086, 0x00000000},
        {"base never set, enable bit only", 0x3B028086, 0x00000001},
        {"not an Intel LPC bridge", 0x036810DE, 0xFED18001},
    };
    for (const Case& c : cases) {
        sim::SimulatedMachine machine;
        AddIntelChipset(machine, 0x0400);
        machine.SetPci(0, 31, 0, 0x00, c.lpcIdentity);
        machine.SetPci(0, 31, 0, 0xF0, c.baseRegister);
        hw::HardwareAccess hw(machine);
        EXPECT_TRUE(DiscoverSmbusController(hw)) << c.name;
        for (const WriteRecord& w : machine.Writes()) {
            EXPECT_NE(w.kind, WriteRecord::Kind::Memory) << c.name << ": " << sim::Describe(w);
            EXPECT_NE(w.address, 0x8000F8F0u) << c.name << ": " << sim::Describe(w);
        }
    }
}

}  // namespace
}  // namespace zm::spd
