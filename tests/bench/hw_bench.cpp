// SPDX-License-Identifier: GPL-3.0-or-later
// What the program repeats against the hardware boundary: PCI configuration reads (every pass
// of the background threads) and SMBus byte reads (about 90 per SPD decode), on a simulated
// machine so the figures measure the program's side, not a bus; and a whole --report, on the
// machine directly and through the privileged helper's pipes (wall time, and the helper's round
// trips against the hardware operations the report makes).
#include <benchmark/benchmark.h>

#include <sstream>

#include "hw/hardware_access.h"
#include "hw/helper_pair.h"
#include "hw/pci_address.h"
#include "report/run_report.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "startup/command_line.h"

namespace {

using zm::hw::HardwareAccess;
using zm::sim::SimulatedMachine;

void BM_PciConfigRead(benchmark::State& state) {
    SimulatedMachine machine;
    machine.SetPci(0, 24, 3, 0xA4, 0x2A000000);
    HardwareAccess access(machine);
    const std::uint32_t address = zm::hw::PciConfigAddress(0, 24, 3, 0xA4);
    for (auto _ : state) benchmark::DoNotOptimize(access.PciConfigRead(address));
}
BENCHMARK(BM_PciConfigRead);

void BM_SmbusReadByte(benchmark::State& state) {
    SimulatedMachine machine;
    machine.SetSmbusBase(0x0400);
    machine.SetSpd(0, std::vector<std::uint8_t>(256, 0x5A));
    HardwareAccess access(machine);
    access.SetSmbusBase(0x0400);
    std::uint8_t offset = 0;
    for (auto _ : state) benchmark::DoNotOptimize(access.SmbusReadByte(0x50, offset++));
    machine.ClearWrites();
}
BENCHMARK(BM_SmbusReadByte);

// An empty slot: the transaction ends in a device error, the cost of probing six slots.
void BM_SmbusReadByteEmptySlot(benchmark::State& state) {
    SimulatedMachine machine;
    machine.SetSmbusBase(0x0400);
    HardwareAccess access(machine);
    access.SetSmbusBase(0x0400);
    for (auto _ : state) benchmark::DoNotOptimize(access.SmbusReadByte(0x55, 2));
}
BENCHMARK(BM_SmbusReadByteEmptySlot);

int Report(zm::app::Backend& backend) {
    zm::app::CommandLine line;
    line.mode = zm::app::RunMode::Report;
    std::ostringstream out, err;
    zm::app::Session session(backend,
                             zm::app::SetupFor(line, "/nonexistent/zentrimo-bench/ZM.ini"));
    return zm::app::RunReport(session, out, err);
}

void BM_ReportDirect(benchmark::State& state, const char* profile) {
    std::uint64_t operations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        zm::app::BackendChoice choice = zm::app::SelectBackend(profile, zm::app::Pace::Instant);
        auto* machine = choice.backend.machine;
        state.ResumeTiming();
        benchmark::DoNotOptimize(Report(choice.backend));
        operations = machine->Counts().Total();
    }
    state.counters["hw_operations"] = static_cast<double>(operations);
}

void BM_ReportThroughHelper(benchmark::State& state, const char* profile) {
    std::uint64_t roundTrips = 0, operations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        zm::app::BackendChoice choice = zm::app::SelectBackend(profile, zm::app::Pace::Instant);
        auto* machine = choice.backend.machine;
        zm::testing::HelperPair pair(*machine, machine);
        zm::app::Backend window = choice.backend;
        window.operations = &pair.Client();
        window.files = &pair.Client();
        window.notes = &pair.Client();
        const std::uint64_t before = pair.Client().RoundTrips();
        state.ResumeTiming();
        benchmark::DoNotOptimize(Report(window));
        state.PauseTiming();
        roundTrips = pair.Client().RoundTrips() - before;
        operations = machine->Counts().Total();
        pair.Close();
        state.ResumeTiming();
    }
    state.counters["round_trips"] = static_cast<double>(roundTrips);
    state.counters["hw_operations"] = static_cast<double>(operations);
}

BENCHMARK_CAPTURE(BM_ReportDirect, x58, "x58-bloomfield")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReportThroughHelper, x58, "x58-bloomfield")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReportDirect, k10, "k10-am3-ddr3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReportThroughHelper, k10, "k10-am3-ddr3")->Unit(benchmark::kMillisecond);

}  // namespace
