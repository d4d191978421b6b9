// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/history.h"

#include <cmath>

namespace zm::monitor {
namespace {

int Round(double v) {
    return static_cast<int>(std::lround(v));
}

}  // namespace

int MemoryReadoutTop(std::uint32_t load) {
    return Round(91 - load * 10.0 / 13);
}
int FrequencyDivisor(int gradient) {
    return gradient >= 100 ? gradient / 100 : 1;
}
int FrequencyReadoutTop(std::uint16_t cpuMhz, int gradient) {
    return Round(89 - (cpuMhz / FrequencyDivisor(gradient)) * 10.0 / 13);
}
int HighestTempReadoutTop(int t) {
    return Round(91 - t * 10.0 / 13);
}
int CoreTempReadoutTop(int t) {
    return Round(72 - t * 5.0 / 8);
}
int CurrentPanelTop(int v) {
    return Round(89 - v * 10.0 / 13);
}
int CurrentMemoryClockTop(std::uint16_t memoryMhz, int gradient) {
    return Round(89 - (memoryMhz / FrequencyDivisor(gradient)) * 5.0 / 8);
}
int CurrentCoreTempTop(int t) {
    return Round(68 - t * 5.0 / 9);
}

void History::Append(const TickSample& s, int coreCount, int gradient) {
    usedMb.push_back(static_cast<std::uint16_t>(s.usedMb));
    memoryLoad.push_back(static_cast<std::uint8_t>(s.memoryLoad));
    memoryReadoutTop.push_back(static_cast<std::uint8_t>(MemoryReadoutTop(s.memoryLoad)));
    pageFileUse.push_back(static_cast<std::uint8_t>(s.pageFileUse));
    cpuMhz.push_back(s.cpuMhz);
    memoryMhz.push_back(s.memoryMhz);
    frequencyReadoutTop.push_back(
        static_cast<std::uint8_t>(FrequencyReadoutTop(s.cpuMhz, gradient)));
    highestTemp.push_back(static_cast<std::uint8_t>(s.highestTemp));
    highestTempReadoutTop.push_back(
        static_cast<std::uint8_t>(HighestTempReadoutTop(s.highestTemp)));
    generalUsage.push_back(static_cast<std::uint8_t>(s.averageUsage));
    for (int g = 0; g < kCoreGroups; ++g) {
        if (GroupCore(g, coreCount) < 0) continue;
        GroupHistory& h = groups[g];
        h.temperature.push_back(static_cast<std::uint8_t>(s.groupTemp[g]));
        h.readoutTop.push_back(static_cast<std::uint8_t>(CoreTempReadoutTop(s.groupTemp[g])));
        h.usage.push_back(static_cast<std::uint8_t>(s.groupUsage[g]));
    }
}

void History::Clear() {
    *this = History{};
}

int ReadoutIndex(int offset, int ticks, std::size_t samples) {
    if (ticks <= 0) return -1;
    const int index = offset + ticks;
    // Index 0 is the first sample, which the read-out never shows (a cursor far left lands on
    // it); at or beyond the sample count lies nothing yet.
    if (index <= 0 || static_cast<std::size_t>(index) >= samples) return -1;
    return index;
}

int ReadoutOffset(int graphNumber, int x, int graphWidth, int coreCount) {
    int c = 1, k = 24;
    bool floorHalving = false;
    switch (graphNumber) {
        case 4:
        case 8:
            c = 1;
            k = 20;
            break;
        case 5:
            c = 2;
            k = coreCount == 2 ? 52 : 48;
            floorHalving = true;
            break;
        case 9:
            c = 2;
            k = 48;
            floorHalving = true;
            break;
        case 6:
        case 10:
            c = 3;
            k = 74;
            break;
        case 7:
        case 11:
            c = 4;
            k = 96;
            floorHalving = true;
            break;
        default:
            break;  // graphs 1..3
    }
    const int distance = x - c * graphWidth - k;
    if (floorHalving) return static_cast<int>(std::floor(distance / 2.0));
    return distance / 2;
}

}  // namespace zm::monitor
