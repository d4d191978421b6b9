// SPDX-License-Identifier: GPL-3.0-or-later
// The access helpers on the simulated machine: MMIO byte order, MSRs on the named processor,
// and PCI address/data pairs kept together across threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "hw/backends/port_io/port_operations.h"
#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "sim/simulated_machine.h"

namespace zm::hw {
namespace {

TEST(Mmio, AssemblesAndSplitsLittleEndian) {
    sim::SimulatedMachine machine;
    machine.SetPhysicalMemory(0xFED13418, {0x01, 0x02, 0x03, 0x04});
    HardwareAccess access(machine);
    EXPECT_EQ(access.MmioRead(0xFED10000, 0x3418), 0x04030201u);
    access.MmioWrite(0xFED10000, 0x3418, 0xA1B2C3D4);
    EXPECT_EQ(machine.PhysicalDword(0xFED13418), 0xA1B2C3D4u);
    std::uint8_t bytes[4] = {};
    machine.ReadPhysicalMemory(0xFED13418, bytes, 1, 4);
    EXPECT_EQ(bytes[0], 0xD4);
    EXPECT_EQ(bytes[3], 0xA1);
    // The offset is 16 bits wide: a full address goes in the base.
    EXPECT_EQ(access.MmioRead(0xFED13418, 0), 0xA1B2C3D4u);
}

TEST(Msr, ReadModifyWriteStaysOnTheNamedProcessor) {
    sim::SimulatedMachine machine;
    machine.SetProcessorCount(4);
    machine.SetMsrAll(0x199, 0x0000000100000014);
    HardwareAccess access(machine);
    const MsrValue written =
        access.MsrModify(0x199, 3, [](MsrValue& v) { v.lo = (v.lo & ~0xFFu) | 0x17; });
    EXPECT_EQ(written.Value(), 0x0000000100000017u);
    const auto writes = machine.Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].processor, 3u);
    for (unsigned n = 0; n < 3; ++n) EXPECT_EQ(machine.Msr(n, 0x199), 0x0000000100000014u);
    EXPECT_EQ(machine.Msr(3, 0x199), 0x0000000100000017u);
}

// Two threads each read their own device many times. Through the helpers every answer is the
// device's own and the machine never sees a data-port access after another thread's address.
TEST(PciPairs, HelpersKeepEachPairTogether) {
    sim::SimulatedMachine machine;
    machine.SetPci(0, 0, 0, 0, 0x34058086);
    machine.SetPci(0, 31, 0, 0, 0x3A168086);
    HardwareAccess access(machine);
    std::atomic<int> wrong{0};
    auto hammer = [&](std::uint32_t address, std::uint32_t expected) {
        for (int i = 0; i < 20000; ++i) {
            if (access.PciConfigRead(address) != expected) ++wrong;
        }
    };
    std::thread a(hammer, PciConfigAddress(0, 0, 0, 0), 0x34058086u);
    std::thread b(hammer, PciConfigAddress(0, 31, 0, 0), 0x3A168086u);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(machine.InterleavedPciPairs(), 0u);
}

// The same traffic straight to the library, without the helpers' lock: the detector must see
// pairs broken up, or the test above would prove nothing.
TEST(PciPairs, DetectorSeesPairsBrokenUpWithoutTheLock) {
    sim::SimulatedMachine machine;
    machine.SetPci(0, 0, 0, 0, 0x34058086);
    machine.SetPci(0, 31, 0, 0, 0x3A168086);
    std::atomic<bool> stop{false};
    auto hammer = [&](std::uint32_t address) {
        while (!stop.load()) {
            machine.WriteIoPortDword(kPciAddressPort, address);
            machine.ReadIoPortDword(kPciDataPort);
        }
    };
    std::thread a(hammer, PciConfigAddress(0, 0, 0, 0));
    std::thread b(hammer, PciConfigAddress(0, 31, 0, 0));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (machine.InterleavedPciPairs() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop = true;
    a.join();
    b.join();
    EXPECT_GT(machine.InterleavedPciPairs(), 0u);
}

// Read-only: ordinary writes never reach the machine; reach writes do, and the restore puts
// back what each location held before its first one, newest first.
TEST(ReadOnlyAccess, DropsWritesAndPutsBackReachChanges) {
    sim::SimulatedMachine machine;
    machine.SetPci(0, 24, 3, 0x8C, 0x00000100);
    machine.SetPci(0, 31, 3, 0x40, 0xAABBCC00);
    machine.SetPhysicalMemory(0xFED13418, {0x08, 0, 0, 0});
    machine.SetMsrAll(0x1A0, 0x0000000000850089);
    machine.SetPmRegister(0x2C, 0x05);  // an SB800 host on SMBus port 2
    HardwareAccess access(machine);
    access.SetAccessMode(AccessMode::ReadOnly);

    access.PciConfigWrite(0x8000C38C, 0x12345678);
    access.PciConfigWriteByte(0x8000FB40, 0x01);
    access.MmioWrite(0xFED10000, 0x3418, 0);
    access.MsrWrite(0x1A0, MsrValue::From(0), 0);
    access.MsrWriteCurrent(0x1A0, MsrValue::From(0));
    EXPECT_TRUE(machine.Writes().empty());

    access.ReachPciWrite(0x8000C38C, 0x00004100);
    access.ReachPciWrite(0x8000C38C, 0x00004300);
    access.ReachPciWriteByte(0x8000FB40, 0x01);
    access.ReachMmioWrite(0xFED10000, 0x3418, 0);
    access.ReachIndexedPortWrite(0xCD6, 0x2C, 0x01);
    EXPECT_EQ(machine.PmRegister(0x2C), std::optional<std::uint8_t>(0x01));
    EXPECT_EQ(machine.Pci(0, 24, 3, 0x8C), 0x00004300u);
    EXPECT_EQ(machine.Pci(0, 31, 3, 0x40), 0xAABBCC01u);
    machine.ClearWrites();
    access.RestoreReachChanges();
    EXPECT_EQ(machine.Pci(0, 24, 3, 0x8C), 0x00000100u);
    EXPECT_EQ(machine.Pci(0, 31, 3, 0x40), 0xAABBCC00u);
    EXPECT_EQ(machine.PhysicalDword(0xFED13418), 0x08u);
    EXPECT_EQ(machine.PmRegister(0x2C), std::optional<std::uint8_t>(0x05));
    EXPECT_EQ(machine.Msr(0, 0x1A0), 0x0000000000850089u);
    const auto writes = machine.Writes();
    const auto count = writes.size();
    ASSERT_GE(count, 3u);
    EXPECT_EQ(writes[count - 3].kind, sim::WriteRecord::Kind::Memory);  // newest first
    access.RestoreReachChanges();
    EXPECT_EQ(machine.Writes().size(), count);  // nothing left to put back
}

}  // namespace
}  // namespace zm::hw
