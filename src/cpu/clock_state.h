// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's clock and CPU-control members that the window thread and the
// clock-measurement thread share. Each is a single aligned value read and written whole without
// a lock; they are atomics so that this holds for the compiler too.

#include <array>
#include <atomic>
#include <cstdint>

namespace zm::cpu {

enum class CpuPlatform { None, Intel, AmdK10 };

struct ClockState {
    // Which branch of a measuring pass runs; set by the platform branch of start-up.
    std::atomic<CpuPlatform> platform{CpuPlatform::None};
    // Intel: the number of cores. AMD K10: the highest core index (cores - 1).
    std::atomic<int> coreCount{0};
    // Intel: the lowest core ratio, item 0 of the core-multiplier list.
    std::atomic<int> minimumRatio{0};

    // Time-stamp clock / base clock; every other multiplier is clock / base clock. They start
    // at 1 so that a pass before the platform branch never divides by zero.
    std::atomic<float> BaseMultiplier{1.0f};
    std::atomic<float> CoreMultiplier{1.0f};
    std::atomic<float> MemoryMultiplier{1.0f};
    std::atomic<int> UncoreMultiplier{1};
    std::atomic<float> NbMultiplier{1.0f};
    std::atomic<float> LinkMultiplier{1.0f};

    // A list the user opened or changed: the measuring thread leaves it alone, and the Apply
    // that writes the choice clears the flag.
    std::array<std::atomic<int>, 4> HoldCore{};  // HoldCore0..HoldCore3
    std::atomic<int> HoldCpuVid{0};
    std::atomic<int> HoldNbVid{0};
    std::atomic<int> HoldNbMultiplier{0};

    // Set when the CPU settings window exists; the AMD pass then keeps its fields current.
    std::atomic<int> cpuSettingsCreated{0};

    // Published every pass for the Monitor: whole MHz, truncated.
    std::atomic<std::uint16_t> CoreClockMhz{0};
    std::atomic<std::uint16_t> MemoryClockMhz{0};

    // 0 while the measuring thread runs, 1 once its loop has ended (set on the window thread).
    std::atomic<int> measuringFinished{0};

    bool Held(int core) const { return HoldCore[core].load() != 0; }
};

}  // namespace zm::cpu
