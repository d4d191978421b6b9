// SPDX-License-Identifier: GPL-3.0-or-later
// Two threads use one simulated machine the way the window thread and the background threads
// do: PCI configuration reads, MSR reads and time-stamp reads at once. Under ThreadSanitizer
// this shows the machine and the access helpers free of data races; in any build it checks
// that no address/data pair was broken up and every read got its own device's answer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "sim/simulated_machine.h"

namespace zm::sim {
namespace {

TEST(SimulatedMachineThreads, PciMsrAndTscFromTwoThreads) {
    SimulatedMachine machine;
    machine.SetProcessorCount(4);
    machine.SetTscRateMhz(2000.0);
    machine.SetMsrAll(0x198, 0x14);
    machine.SetMsrAll(0x199, 0x14);
    machine.SetPci(0, 24, 3, 0xA4, 0x2A000000);
    machine.SetPci(0xFF, 3, 4, 0x00, 0x2C1C8086);
    hw::HardwareAccess access(machine);

    std::atomic<int> wrong{0};
    std::thread monitor([&] {
        std::uint64_t lastTsc = 0;
        for (int i = 0; i < 5000; ++i) {
            if (access.PciConfigRead(hw::PciConfigAddress(0, 24, 3, 0xA4)) != 0x2A000000) ++wrong;
            if ((access.MsrRead(0x198, i % 4).lo & 0xFF) < 0x14) ++wrong;
            const std::uint64_t tsc = access.ReadTsc(i % 4).value_or(0);
            if (tsc < lastTsc) ++wrong;
            lastTsc = tsc;
        }
    });
    std::thread window([&] {
        for (int i = 0; i < 5000; ++i) {
            if (access.PciConfigRead(hw::PciConfigAddress(0xFF, 3, 4, 0)) != 0x2C1C8086) ++wrong;
            access.MsrModify(0x199, i % 4, [&](hw::MsrValue& v) { v.lo = 0x14 + (i % 8); });
        }
    });
    monitor.join();
    window.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(machine.InterleavedPciPairs(), 0u);
    EXPECT_EQ(machine.Writes().size(), 5000u);
}

}  // namespace
}  // namespace zm::sim
