// SPDX-License-Identifier: GPL-3.0-or-later
// The helper's client is one backend for the whole window: the clock-measuring thread, the
// Monitor's sampling thread and the window thread all call it at once. Every answer must still
// be the one its own request asked for, with the PCI address and data kept together through the
// latch writes the client holds back for the next request.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "hw/hardware_access.h"
#include "hw/helper_pair.h"
#include "hw/pci_address.h"
#include "sim/simulated_machine.h"

namespace zm {
namespace {

TEST(HelperClientThreads, ClockMonitorAndWindowShareOneHelper) {
    const auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
    testing::HelperPair pair(*machine, machine.get());
    ASSERT_TRUE(pair.Client().Connected());
    pair.Client().Initialize();
    hw::HardwareAccess hw(pair.Client());  // one for all threads, as in the window
    std::atomic<int> wrong{0};
    const auto check = [&](bool ok) {
        if (!ok) ++wrong;
    };

    // Clock thread: the uncore ratio and the time-stamp counter, pass after pass.
    std::thread clock([&] {
        const std::uint32_t ratio = hw::PciConfigAddress(0xFF, 0, 0, 0xC0);
        for (int i = 0; i < 1000; ++i) {
            check(hw.PciConfigRead(ratio) == machine->Pci(0xFF, 0, 0, 0xC0));
            check(hw.ReadTsc(0) != 0);
        }
    });
    // Monitor thread: every processor's thermal status.
    std::thread monitor([&] {
        for (int i = 0; i < 250; ++i) {
            for (unsigned p = 0; p < 4; ++p)
                check(hw.MsrRead(0x19C, p).Value() == machine->Msr(p, 0x19C));
        }
    });
    // Window thread: chipset identities, and the EIST box clicked off and on.
    const std::uint64_t misc = machine->Msr(0, 0x1A0);
    for (int i = 0; i < 250; ++i) {
        check(hw.PciConfigRead(hw::PciConfigAddress(0, 31, 0, 0)) == machine->Pci(0, 31, 0, 0));
        hw.MsrWrite(0x1A0, hw::MsrValue::From(misc ^ (i % 2 == 0 ? 0x10000 : 0)), 0);
    }
    clock.join();
    monitor.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(machine->Msr(0, 0x1A0), misc);
    EXPECT_EQ(pair.Close(), 0u) << pair.Log();
}

}  // namespace
}  // namespace zm
#endif
