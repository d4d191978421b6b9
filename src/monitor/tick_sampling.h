// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Monitor's one-second tick: elapsed time, memory and page-file figures, the usage clamp and
// the temperature trackers. Pure arithmetic; the window gathers the inputs.

#include <array>
#include <cstdint>

#include "monitor/monitor_fields.h"
#include "os/system_info.h"

namespace zm::monitor {

struct ElapsedTime {
    int hours = 0;  // unbounded
    int minutes = 0;
    int seconds = 0;
    void Advance();
};

// Used memory in MB as the program always showed it: the installed size in hundredths, times
// the load in percent (the division first).
unsigned UsedMemoryMb(unsigned installedMb, std::uint32_t memoryLoad);

// Page-file use in percent, 2..100. A page file of less than 1 MB counts as unused.
int PageFileUse(std::uint64_t availPageFile, std::uint64_t totalPageFile);

// The graphs cannot show 0 or 1 %: such values become 2; more than 99 becomes 100.
int ClampPercent(int value);

// Lowest and highest temperature seen since the last reset.
struct MinMaxTracker {
    int minimum = 100;
    int maximum = 0;
    void Take(int value);
    void Reset() { *this = MinMaxTracker{}; }
};

// Core groups of the display: group g shows core g, except with exactly six cores, where the
// fourth group of the first row is unused and groups 4, 5, 6 show cores 3, 4, 5.
constexpr int kCoreGroups = 8;
// The core that group g shows, or -1 when the group is not used with this many cores.
int GroupCore(int group, int coreCount);
// The last group of each row, whose scale labels carry " (TMin)" / " (TMax)".
bool LastGroupOfRow(int group, int coreCount);

// Everything one tick measures.
struct TickSample {
    std::uint32_t memoryLoad = 0;
    unsigned usedMb = 0;
    int pageFileUse = 0;
    std::uint16_t cpuMhz = 0;
    std::uint16_t memoryMhz = 0;
    int averageUsage = 0;
    int highestTemp = 0;
    std::array<int, kCoreGroups> groupUsage{};  // per group in use; 0 elsewhere
    std::array<int, kCoreGroups> groupTemp{};
};

struct TickInputs {
    os::MemoryStatus memory;
    unsigned installedMb = 0;
    std::uint16_t cpuMhz = 0;
    std::uint16_t memoryMhz = 0;
    int coreCount = 1;
};

// Steps of the tick after the repaint check: clamps the usage fields in place (they stay
// clamped, as the window shows them), and updates the trackers.
class TickSampler {
public:
    TickSample Sample(const TickInputs& inputs, MonitorFields& fields);
    void ResetTrackers();

    const ElapsedTime& Elapsed() const { return elapsed_; }
    const MinMaxTracker& HighestTracker() const { return highest_; }
    const MinMaxTracker& GroupTracker(int group) const { return groups_[group]; }

private:
    ElapsedTime elapsed_;
    MinMaxTracker highest_;
    std::array<MinMaxTracker, kCoreGroups> groups_;
};

}  // namespace zm::monitor
