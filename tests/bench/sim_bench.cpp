// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a simulated machine whose profile maps a large block of physical memory (a video
// aperture, a firmware image): the cost must grow with the block's size and stay small.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "sim/simulated_machine.h"

namespace {

std::string ProfileWithZeroBlock(std::uint64_t bytes) {
    char size[32];
    std::snprintf(size, sizeof size, "0x%llX", static_cast<unsigned long long>(bytes));
    return std::string(R"({"memory": [{"address": "0x100000", "size": ")") + size + "\"}]}";
}

void BM_LoadMemoryBlock(benchmark::State& state) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(state.range(0)) << 20;
    const std::string profile = ProfileWithZeroBlock(bytes);
    for (auto _ : state) {
        auto machine = zm::sim::SimulatedMachine::FromProfileText(profile, "bench.json");
        benchmark::DoNotOptimize(machine.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_LoadMemoryBlock)->Arg(1)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
