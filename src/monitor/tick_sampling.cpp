// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/tick_sampling.h"

#include <cmath>

namespace zm::monitor {

void ElapsedTime::Advance() {
    if (++seconds < 60) return;
    seconds = 0;
    if (++minutes < 60) return;
    minutes = 0;
    ++hours;
}

unsigned UsedMemoryMb(unsigned installedMb, std::uint32_t memoryLoad) {
    return installedMb / 100 * memoryLoad;
}

int PageFileUse(std::uint64_t availPageFile, std::uint64_t totalPageFile) {
    const std::uint64_t availMb = availPageFile / 1000000;
    const std::uint64_t totalMb = totalPageFile / 1000000;
    if (totalMb == 0) return ClampPercent(0);
    const auto t = static_cast<int>(
        std::lround(static_cast<double>(availMb) * 100.0 / static_cast<double>(totalMb)));
    return ClampPercent(100 - t);
}

int ClampPercent(int value) {
    if (value <= 1) return 2;
    if (value > 99) return 100;
    return value;
}

void MinMaxTracker::Take(int value) {
    if (value < minimum) minimum = value;
    if (value > maximum) maximum = value;
}

int GroupCore(int group, int coreCount) {
    if (group < 0 || group >= kCoreGroups) return -1;
    if (coreCount == 6) {
        if (group <= 2) return group;
        if (group >= 4 && group <= 6) return group - 1;
        return -1;
    }
    // Groups 0 and 1 are always fed (the second shows zeros on a single core).
    if (group <= 1) return group;
    return group < coreCount ? group : -1;
}

bool LastGroupOfRow(int group, int coreCount) {
    switch (coreCount) {
        case 1:
            return group == 0;
        case 2:
            return group == 1;
        case 3:
            return group == 2;
        case 6:
            return group == 2 || group == 6;
        default:
            return group == 3 || (coreCount > 4 && group == 7);
    }
}

TickSample TickSampler::Sample(const TickInputs& in, MonitorFields& fields) {
    elapsed_.Advance();
    TickSample s;
    s.memoryLoad = in.memory.memoryLoad;
    s.usedMb = UsedMemoryMb(in.installedMb, in.memory.memoryLoad);
    s.pageFileUse = PageFileUse(in.memory.availPageFile, in.memory.totalPageFile);
    s.cpuMhz = in.cpuMhz;
    s.memoryMhz = in.memoryMhz;

    fields.AverageUsage = ClampPercent(fields.AverageUsage);
    s.averageUsage = fields.AverageUsage;
    s.highestTemp = fields.HighestTemp;
    highest_.Take(fields.HighestTemp);

    for (int g = 0; g < kCoreGroups; ++g) {
        const int core = GroupCore(g, in.coreCount);
        if (core < 0) continue;
        fields.CoreUsage[core] = ClampPercent(fields.CoreUsage[core]);
        s.groupUsage[g] = fields.CoreUsage[core];
        s.groupTemp[g] = fields.CoreTemp[core];
        groups_[g].Take(s.groupTemp[g]);
    }
    return s;
}

void TickSampler::ResetTrackers() {
    highest_.Reset();
    for (auto& t : groups_) t.Reset();
}

}  // namespace zm::monitor
