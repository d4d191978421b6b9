// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Monitor's stored history: one element per sampled tick for every series, kept until Reset
// or Exit, with the vertical positions of the read-out panels that follow the mouse. Elements
// are as narrow as the program always stored them (a value wider than its element is truncated).

#include <array>
#include <cstdint>
#include <vector>

#include "monitor/tick_sampling.h"

namespace zm::monitor {

// Read-out panel tops inside a group box (pixels), from the value they show.
int MemoryReadoutTop(std::uint32_t memoryLoad);               // round(91 - load * 10/13)
int FrequencyReadoutTop(std::uint16_t cpuMhz, int gradient);  // round(89 - ...)
int HighestTempReadoutTop(int temperature);                   // round(91 - t * 10/13)
int CoreTempReadoutTop(int temperature);                      // round(72 - t * 5/8)
// Current-value panel tops.
int CurrentPanelTop(int value);                                    // round(89 - v * 10/13)
int CurrentMemoryClockTop(std::uint16_t memoryMhz, int gradient);  // round(89 - ... * 5/8)
int CurrentCoreTempTop(int temperature);                           // round(68 - t * 5/9)
// MHz per percent of the frequency graph's full scale; a full scale below 100 MHz counts as
// 100 so nothing is divided by zero.
int FrequencyDivisor(int gradient);

struct GroupHistory {
    std::vector<std::uint8_t> temperature, readoutTop, usage;
};

struct History {
    std::vector<std::uint16_t> usedMb;
    std::vector<std::uint8_t> memoryLoad, memoryReadoutTop, pageFileUse;
    std::vector<std::uint16_t> cpuMhz, memoryMhz;
    std::vector<std::uint8_t> frequencyReadoutTop;
    std::vector<std::uint8_t> highestTemp, highestTempReadoutTop;
    std::vector<std::uint8_t> generalUsage;
    std::array<GroupHistory, kCoreGroups> groups;

    // Appends one tick; only the groups in use with this many cores grow.
    void Append(const TickSample& sample, int coreCount, int gradient);
    void Clear();
    std::size_t Samples() const { return usedMb.size(); }
};

// The history element a mouse read-out shows: `offset` samples back from the newest (0 or
// negative while the cursor is over the graph) with `ticks` samples taken. Empty (-1) when
// nothing is there to show: no sample yet, an index before the first sample, or past the newest.
int ReadoutIndex(int offset, int ticks, std::size_t samples);

// Samples back from the newest for a cursor at x (relative to the window's left edge) over a
// graph of width `graphWidth`, for graph number 1..11 and the core count (the second core graph
// sits a few pixels further right in the two-core layout). Halving rounds toward zero, except
// for the graphs of the second and fourth column, where it rounds toward minus infinity.
int ReadoutOffset(int graphNumber, int x, int graphWidth, int coreCount);

}  // namespace zm::monitor
