// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The AMD K10 CPU settings window's lists and the rules its handlers follow, without widgets.
// Every list index is the register code it stands for: a core multiplier item is a CpuFid, a
// divisor item a CpuDid, a voltage item a VID, an uncore multiplier item an NbFid.

#include <string>
#include <vector>

#include "cpu/clock_multipliers.h"
#include "cpu/clock_state.h"
#include "cpu/cpu_registers.h"

namespace zm::cpu {

// CpuFid 0 is x8 (core clock = (CpuFid + 16) / 2 x 200 MHz); NbFid 0 is x4.
constexpr int kLowestCoreMultiplier = 8;
constexpr int kLowestNbMultiplier = 4;
// CpuFid is six bits wide: x39.5 is the highest multiplier a P-state can hold.
constexpr int kCpuFidCount = 64;
// CpuDid 0..4 divide by 1, 2, 4, 8, 16; 5..7 are reserved.
constexpr int kDivisorCount = reg::kHighestCpuDid + 1;
// Serial VID interface (SVI): VID 0 is 1.55 V, each step 12.5 mV lower; 0x7C..0x7F switch the
// supply off.
constexpr int kVoltageCount = reg::kHighestSviVid + 1;
// Parallel VID interface (PVI, older AM2 boards): six bits; 0x00..0x1F from 1.55 V in 25 mV
// steps, 0x20..0x3F from 0.7625 V in 12.5 mV steps.
constexpr int kPviVoltageCount = 64;

// The voltage lists' length and an item's voltage, for the processor's VID interface.
int VoltageCount(bool pviMode);
double VidVoltage(int vid, bool pviMode);
constexpr int kHtMultiplierCount = 21;  // x0 .. x20

struct CpuSettingsLists {
    std::vector<std::string> coreMultiplier;    // " x 8", " x 8.5", ...
    std::vector<std::string> divisor;           // " none", " / 2", ...
    std::vector<std::string> voltage;           // "1.5500 V" ... (item = VID)
    std::vector<std::string> uncoreMultiplier;  // " x 4" ... up to the north-bridge limit
    std::vector<std::string> htMultiplier;      // " x 0" ... " x 20"
    int uncoreStartIndex = 0;                   // the north-bridge multiplier found at start-up
    int htIndex = 0;                            // the HyperTransport multiplier found at start-up
};

// The items, built once from the limits start-up read. The core multiplier list ends at the
// processor's limit, and never beyond the last multiplier CpuFid can encode: a processor whose
// status reports no limit (a zero field, taken as x40) gets the list up to x39.5, since an
// item for x40 would be CpuFid 64, which does not fit the field.
CpuSettingsLists BuildCpuSettingsLists(const K10Limits& limits, double linkMultiplier,
                                       char decimalSeparator = '.');

// The uncore multiplier list after the user picked `chosen`: a north-bridge clock below the
// HyperTransport clock cannot carry the link, so such a choice returns to the start index.
int AcceptedUncoreMultiplier(int chosen, int htIndex, int startIndex);

// The lists whose opening stops the measuring thread from moving them.
enum class CpuSettingsList { CoreMultiplierOrDivisor, CoreVoltage, UncoreVoltage };

// Sets the hold flag of an opened list. A core column's list holds its core; core 0's list
// with "All Cores" checked holds every core, since Apply will write every core from it.
void HoldOpenedList(ClockState& state, CpuSettingsList list, int column = 0, bool allCores = false);

// Columns that have a core behind them: coreCount is the highest core index.
int UsableCoreColumns(int coreCount);

}  // namespace zm::cpu
