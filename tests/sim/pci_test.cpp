// SPDX-License-Identifier: GPL-3.0-or-later
// PCI configuration mechanism #1 of the simulated machine, driven through the real helpers.
#include <gtest/gtest.h>

#include "hw/backends/port_io/port_operations.h"
#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "sim/simulated_machine.h"

namespace zm::sim {
namespace {

using hw::PciConfigAddress;

class SimPci : public ::testing::Test {
protected:
    SimulatedMachine machine;
    hw::HardwareAccess access{machine};
};

TEST_F(SimPci, AbsentFunctionsAndDisabledCyclesReadAllOnes) {
    machine.SetPci(0, 0, 0, 0x00, 0x34058086);
    EXPECT_EQ(access.PciConfigRead(PciConfigAddress(0, 0, 0, 0)), 0x34058086u);
    EXPECT_EQ(access.PciConfigRead(PciConfigAddress(0, 0, 1, 0)), 0xFFFFFFFFu);
    EXPECT_EQ(access.PciConfigRead(PciConfigAddress(0xFF, 3, 4, 0)), 0xFFFFFFFFu);
    // Without the enable bit the cycle is not a configuration cycle at all.
    EXPECT_EQ(access.PciConfigRead(0x00000000), 0xFFFFFFFFu);
    // Writes to an absent function go nowhere and create nothing.
    access.PciConfigWrite(PciConfigAddress(0, 5, 0, 0x40), 0x1234);
    EXPECT_EQ(machine.Pci(0, 5, 0, 0x40), 0xFFFFFFFFu);
}

TEST_F(SimPci, RegistersKeepWritesButIdentityIsReadOnly) {
    machine.SetPci(0, 31, 3, 0x00, 0x3A308086);
    access.PciConfigWrite(PciConfigAddress(0, 31, 3, 0x00), 0xDEADBEEF);
    access.PciConfigWrite(PciConfigAddress(0, 31, 3, 0x20), 0x00000401);
    EXPECT_EQ(access.PciConfigRead(PciConfigAddress(0, 31, 3, 0x00)), 0x3A308086u);
    EXPECT_EQ(access.PciConfigRead(PciConfigAddress(0, 31, 3, 0x20)), 0x00000401u);
}

TEST_F(SimPci, ByteWriteToDataPortLandsInItsLane) {
    machine.SetPci(0, 31, 3, 0x40, 0xAABBCC00);
    access.PciConfigWriteByte(PciConfigAddress(0, 31, 3, 0x40), 0x01);
    EXPECT_EQ(machine.Pci(0, 31, 3, 0x40), 0xAABBCC01u);
    // A byte write through 0xCFE reaches byte 2 of the latched dword.
    machine.WriteIoPortDword(0xCF8, PciConfigAddress(0, 31, 3, 0x40));
    machine.WriteIoPortByte(0xCFE, 0x55);
    EXPECT_EQ(machine.Pci(0, 31, 3, 0x40), 0xAA55CC01u);
    EXPECT_EQ(machine.ReadIoPortByte(0xCFF), 0xAA);
}

// F3x8C bit 14 decides whether address bits 27..24 select registers 0x100..0xFFF.
TEST_F(SimPci, ExtendedRegisterFormNeedsTheNorthBridgeEnableBit) {
    machine.SetPci(0, 24, 2, 0x010, 0x11111111);
    machine.SetPci(0, 24, 2, 0x110, 0x22222222);
    machine.SetPci(0, 24, 3, 0x000, 0x12031022);
    const std::uint32_t extended = 0x8100C210;  // F2x110
    ASSERT_EQ(extended, PciConfigAddress(0, 24, 2, 0x110));

    EXPECT_EQ(access.PciConfigRead(extended), 0x11111111u) << "bit 14 clear: bits 27..24 ignored";
    access.PciConfigWrite(extended, 0x33333333);
    EXPECT_EQ(machine.Pci(0, 24, 2, 0x010), 0x33333333u);
    EXPECT_EQ(machine.Pci(0, 24, 2, 0x110), 0x22222222u);

    const std::uint32_t f3x8c = PciConfigAddress(0, 24, 3, 0x8C);
    access.PciConfigWrite(f3x8c, access.PciConfigRead(f3x8c) | (1u << 14));
    EXPECT_EQ(access.PciConfigRead(extended), 0x22222222u);
    access.PciConfigWrite(extended, 0x44444444);
    EXPECT_EQ(machine.Pci(0, 24, 2, 0x110), 0x44444444u);

    access.PciConfigWrite(f3x8c, access.PciConfigRead(f3x8c) & ~(1u << 14));
    EXPECT_EQ(access.PciConfigRead(extended), 0x33333333u);
}

TEST_F(SimPci, ExtendedFormIgnoredOnMachinesWithoutAnAmdNorthBridge) {
    machine.SetPci(0, 0, 0, 0x00, 0x34058086);
    EXPECT_EQ(access.PciConfigRead(0x81000000), 0x34058086u);
}

// The chipset configuration block: its function-disable register hides 0:31.3 live, and the
// processor sees the block wherever the LPC bridge's base register puts it.
TEST_F(SimPci, ChipsetBlockHidesAndShowsTheSmbusFunction) {
    machine.SetPci(0, 31, 0, 0x00, 0x3A168086);
    machine.SetPci(0, 31, 3, 0x00, 0x3A308086);
    machine.SetRootComplexBase(0xFED1C000);
    machine.SetRootComplexRegister(0x3418, 0x00000008);
    const std::uint32_t smbusId = PciConfigAddress(0, 31, 3, 0);
    EXPECT_EQ(access.PciConfigRead(smbusId), 0xFFFFFFFFu);
    // A hidden function ignores writes too.
    access.PciConfigWrite(PciConfigAddress(0, 31, 3, 0x20), 0x0401);
    EXPECT_EQ(machine.Pci(0, 31, 3, 0x20), 0u);

    const std::uint32_t base = access.PciConfigRead(PciConfigAddress(0, 31, 0, 0xF0)) & ~0x3FFFu;
    EXPECT_EQ(base, 0xFED1C000u);
    const std::uint32_t disable = access.MmioRead(base, 0x3418);
    EXPECT_EQ(disable, 0x8u);
    access.MmioWrite(base, 0x3418, disable & ~0x8u);
    EXPECT_EQ(access.PciConfigRead(smbusId), 0x3A308086u);
    access.MmioWrite(base, 0x3418, 0x8);
    EXPECT_EQ(access.PciConfigRead(smbusId), 0xFFFFFFFFu);

    // With the decode disabled the block leaves physical memory; moved, it follows the base.
    access.PciConfigWrite(PciConfigAddress(0, 31, 0, 0xF0), 0xFED1C000);
    EXPECT_EQ(access.MmioRead(0xFED1C000, 0x3418), 0xFFFFFFFFu);
    access.PciConfigWrite(PciConfigAddress(0, 31, 0, 0xF0), 0xFEC00001);
    EXPECT_EQ(access.MmioRead(0xFEC00000, 0x3418), 0x8u);
}

TEST_F(SimPci, WritesAreLoggedInOrderAndAccessesCounted) {
    machine.SetPci(0, 0, 0, 0x00, 0x00408086);
    access.PciConfigWrite(0x80000048, 0xFED10001);
    access.PciConfigWriteByte(0x8000FB40, 0x01);
    machine.WriteIoPortByte(hw::kIoDelayPort, 0x80);
    const std::vector<WriteRecord> writes = machine.Writes();
    ASSERT_EQ(writes.size(), 2u) << "the latch and the delay port are not logged";
    EXPECT_EQ(Describe(writes[0]), "PCI 0x80000048 <- 0xFED10001");
    EXPECT_EQ(Describe(writes[1]), "PCI 0x8000FB40 <- 0x01");
    const AccessCounts counts = machine.Counts();
    EXPECT_EQ(counts.pciWrites, 2u);
    EXPECT_EQ(counts.portWrites, 5u) << "two latches, two data writes, one delay";
    machine.ClearWrites();
    EXPECT_TRUE(machine.Writes().empty());
}

}  // namespace
}  // namespace zm::sim
