// SPDX-License-Identifier: GPL-3.0-or-later
// Processors of the simulated machine: MSRs and their side effects, time-stamp counters,
// CPUID, physical memory and the operating system's view.
#include <gtest/gtest.h>

#include "hw/hardware_access.h"
#include "sim/fake_clock.h"
#include "sim/simulated_machine.h"

namespace zm::sim {
namespace {

TEST(SimMsr, EachProcessorHasItsOwnRegisters) {
    SimulatedMachine machine;
    machine.SetProcessorCount(4);
    machine.SetMsrAll(0x1FC, 0x0000000200000003);
    hw::HardwareAccess access(machine);
    access.MsrModify(0x1FC, 2, [](hw::MsrValue& v) { v.lo &= ~0x2u; });
    for (unsigned n = 0; n < 4; ++n) {
        EXPECT_EQ(machine.Msr(n, 0x1FC), n == 2 ? 0x0000000200000001u : 0x0000000200000003u)
            << "processor " << n;
    }
    // Rdmsr/Wrmsr without a mask act on processor 0.
    access.MsrWriteCurrent(0x1FC, hw::MsrValue::From(0x10));
    EXPECT_EQ(machine.Msr(0, 0x1FC), 0x10u);
    EXPECT_EQ(access.MsrReadCurrent(0x1FC).Value(), 0x10u);
}

TEST(SimMsr, UndefinedRegistersAndProcessorsFaultInsteadOfAppearing) {
    SimulatedMachine machine;
    machine.SetProcessorCount(2);
    machine.SetMsr(0, 0x1A0, 0x1);
    std::uint32_t lo = 7, hi = 7;
    EXPECT_FALSE(machine.RdmsrEx(0x1A0, lo, hi, hw::ProcessorMask(1)));
    EXPECT_EQ(lo, 0u);
    EXPECT_FALSE(machine.RdmsrEx(0x1A0, lo, hi, hw::ProcessorMask(2)));
    EXPECT_FALSE(machine.RdmsrEx(0x1A0, lo, hi, 0));
    EXPECT_FALSE(machine.WrmsrEx(0x1A0, 5, 0, hw::ProcessorMask(1)));
    EXPECT_EQ(machine.Msr(1, 0x1A0), 0u);
    EXPECT_TRUE(machine.RdmsrEx(0x1A0, lo, hi, hw::ProcessorMask(0)));
    EXPECT_EQ(lo, 1u);
}

TEST(SimMsr, PerformanceControlShowsInPerformanceStatus) {
    SimulatedMachine machine;
    machine.SetProcessorCount(2);
    machine.SetMsrAll(0x198, 0x0000B4C800001414);  // other bits must survive
    machine.SetMsrAll(0x199, 0x14);
    hw::HardwareAccess access(machine);
    access.MsrModify(0x199, 0, [](hw::MsrValue& v) { v.lo = (v.lo & ~0xFFu) | 21; });
    EXPECT_EQ(machine.Msr(0, 0x198), 0x0000B4C800000015u);
    EXPECT_EQ(machine.Msr(1, 0x198), 0x0000B4C800001414u) << "only the written processor";
}

// Family 10h: what the CPU settings window writes (COFVID control, then a P-state switch)
// must show up in COFVID status, which the clock thread reads.
TEST(SimMsr, K10CofvidAndPstateWritesUpdateCofvidStatus) {
    SimulatedMachine machine;
    machine.SetProcessorCount(2);
    constexpr std::uint32_t kControl = 0xC0010070, kStatus = 0xC0010071, kPstate0 = 0xC0010064;
    const std::uint64_t pstate0 = 0x8000019E'40002410;  // fid 0x10, did 0, vid 0x12, nbvid 0x20
    const std::uint64_t pstate1 = 0x8000019E'40002A01;  // fid 1, did 0, vid 0x15
    machine.SetMsrAll(kPstate0, pstate0);
    machine.SetMsrAll(kPstate0 + 1, pstate1);
    machine.SetMsrAll(0xC0010062, 0);
    machine.SetMsrAll(0xC0010063, 0);
    machine.SetMsrAll(kControl, 0x40002410);
    const std::uint64_t maxFields = 0x0024'0000'0000'0000;  // MaxCpuCof etc., untouched
    machine.SetMsrAll(kStatus, maxFields | 0x40002410);

    hw::HardwareAccess access(machine);
    // Multiplier index 0x0E, divisor 1 (DID 1) in bits 8..0, then switch to P-state 1 and back.
    access.MsrModify(kControl, 1, [](hw::MsrValue& v) { v.lo = (v.lo & 0xFFFFFE00u) | 0x04E; });
    EXPECT_EQ(machine.Msr(1, kStatus), maxFields | 0x4000244E);
    access.MsrModify(kControl, 1, [](hw::MsrValue& v) { v.lo = (v.lo & ~0x70000u) | 0x10000; });
    EXPECT_EQ(machine.Msr(1, kStatus), maxFields | 0x4001244E) << "current P-state 1";
    EXPECT_EQ(machine.Msr(0, kStatus), maxFields | 0x40002410) << "processor 0 untouched";

    access.MsrWrite(0xC0010062, hw::MsrValue::From(1), 0);
    EXPECT_EQ(machine.Msr(0, kStatus), maxFields | 0x40012A01);
    EXPECT_EQ(machine.Msr(0, 0xC0010063), 1u);
    access.MsrWrite(0xC0010062, hw::MsrValue::From(0), 0);
    EXPECT_EQ(machine.Msr(0, kStatus), maxFields | 0x40002410);
}

TEST(SimTsc, CountsAtTheProfileRateOfTheInjectedClock) {
    auto clock = std::make_shared<test::FakeClock>(0xFFFFFF00);  // wraps during the test
    SimulatedMachine machine(clock);
    machine.SetProcessorCount(2);
    machine.SetTscRateMhz(2666.0);
    hw::HardwareAccess access(machine);
    const std::uint64_t start0 = access.ReadTsc(0).value_or(0);
    const std::uint64_t start1 = access.ReadTsc(1).value_or(0);
    EXPECT_EQ(start0, start1);
    clock->Advance(500);
    EXPECT_EQ(access.ReadTsc(0).value_or(0) - start0, 2666u * 500 * 1000);
    EXPECT_EQ(access.ReadTsc(1).value_or(0) - start1, 2666u * 500 * 1000);
    EXPECT_EQ(machine.Msr(0, 0x10), 0u) << "TSC MSR reads go through RdmsrEx";
    std::uint32_t lo = 0, hi = 0;
    EXPECT_TRUE(machine.RdmsrEx(0x10, lo, hi, 1));
    EXPECT_EQ((std::uint64_t{hi} << 32 | lo) - start0, 2666u * 500 * 1000);
    EXPECT_FALSE(machine.RdtscEx(lo, hi, hw::ProcessorMask(5)));
}

TEST(SimTsc, HostClockGivesFineGrainedCounts) {
    SimulatedMachine machine;
    machine.SetTscRateMhz(3000.0);
    hw::HardwareAccess access(machine);
    const std::uint64_t a = access.ReadTsc(0).value_or(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint64_t b = access.ReadTsc(0).value_or(0);
    const double mhz = static_cast<double>(b - a) / 20000.0;
    EXPECT_GT(mhz, 2900.0);
    EXPECT_LT(mhz, 3000.0 * 3) << "a loaded machine may oversleep, not undersleep";
}

TEST(SimCpuid, LeavesAndSubleaves) {
    SimulatedMachine machine;
    machine.SetCpuid(1, 0, {0x106A5, 0x00100800, 0x0098E3BD, 0xBFEBFBFF});
    machine.SetCpuid(4, 0, {0x1C004121, 0, 0, 0});
    machine.SetCpuid(4, 1, {0x1C004122, 0, 0, 0});
    EXPECT_EQ(machine.Query(1).eax, 0x106A5u);
    EXPECT_EQ(machine.Query(1, 3).eax, 0x106A5u) << "leaf 1 ignores the sub-leaf";
    EXPECT_EQ(machine.Query(4, 1).eax, 0x1C004122u);
    EXPECT_EQ(machine.Query(4, 2).eax, 0u) << "leaf 4 has sub-leaves: no fallback";
    EXPECT_EQ(machine.Query(0x80000008).eax, 0u);
}

TEST(SimMemory, SparseLittleEndianAndUnmappedReadsFloatHigh) {
    SimulatedMachine machine;
    machine.SetPhysicalMemory(0xF0FFE, {0x5F, 0x53, 0x4D, 0x5F});  // crosses a page boundary
    hw::HardwareAccess access(machine);
    EXPECT_EQ(access.MmioRead(0xF0000, 0x0FFE), 0x5F4D535Fu);
    EXPECT_EQ(access.MmioRead(0xF0FFC, 0), 0x535F0000u) << "the rest of a mapped page is zero";
    EXPECT_EQ(access.MmioRead(0xF1FFE, 0), 0xFFFF0000u) << "mapped memory ends at 0xF2000";
    EXPECT_EQ(access.MmioRead(0x12345678, 0), 0xFFFFFFFFu);
    access.MmioWrite(0xF0000, 0x0FFE, 0x11223344);
    EXPECT_EQ(machine.PhysicalDword(0xF0FFE), 0x11223344u);
    access.MmioWrite(0x12345678, 0, 0x11223344);
    EXPECT_EQ(machine.PhysicalDword(0x12345678), 0xFFFFFFFFu) << "writes to nothing are lost";
    const auto writes = machine.Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(Describe(writes[0]), "MEM 0x000F0FFE <- 0x11223344");
}

TEST(SimSystem, ProcessorTimesAdvanceWithTheClockAtTheGivenLoad) {
    auto clock = std::make_shared<test::FakeClock>();
    SimulatedMachine machine(clock);
    machine.SetProcessorCount(2);
    machine.SetProcessorTimes({{100, 300, 50}, {0, 0, 0}});
    machine.SetProcessorLoad({25.0, 100.0});
    const auto before = machine.ProcessorTimesSnapshot();
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(before[0].idle, 100u);
    clock->Advance(500);  // 5,000,000 units of 100 ns
    const auto after = machine.ProcessorTimesSnapshot();
    EXPECT_EQ(after[0].user - before[0].user, 1'250'000u);
    EXPECT_EQ(after[0].idle - before[0].idle, 3'750'000u);
    EXPECT_EQ(after[0].kernel - before[0].kernel, 3'750'000u);
    EXPECT_EQ(after[1].idle - before[1].idle, 0u);
    EXPECT_EQ(machine.ProcessorCount(), 2u);
}

TEST(SimSystem, LibraryFilesReportWhatTheProfileLeftOut) {
    SimulatedMachine machine;
    machine.SetMissingLibraryFiles({"WinRing0.sys"});
    const auto files = machine.Files();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].name, "WinRing0.dll");
    EXPECT_TRUE(files[0].present);
    EXPECT_FALSE(files[1].present);
    EXPECT_TRUE(files[2].present);
}

}  // namespace
}  // namespace zm::sim
