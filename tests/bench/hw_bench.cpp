// What the program repeats against the hardware boundary: PCI configuration reads (every pass
// of the background threads) and SMBus byte reads (about 90 per SPD decode), on a simulated
// machine so the figures measure the program's side, not a bus.
#include <benchmark/benchmark.h>

#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "sim/simulated_machine.h"

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

}  // namespace
