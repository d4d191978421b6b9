// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the clock multipliers come from. The measuring thread turns one measured time-stamp
// rate into every clock of the machine: base clock = rate / BaseMultiplier, every other clock =
// base clock x its multiplier. The multipliers are read once, in the platform branch of
// start-up, which also fills the static multiplier fields of the "System Frequency" group.

#include <cstdint>
#include <string>

#include "cpu/clock_state.h"
#include "hw/hardware_access.h"
#include "timings/model/timing_model.h"

namespace zm::cpu {

struct ClockMultipliers {
    double base = 1.0;
    double memory = 1.0;
    int uncore = 1;     // Intel
    double nb = 1.0;    // AMD K10
    double link = 1.0;  // QPI or HyperTransport
};

// The fields of the group that stay as start-up wrote them. A value the tables do not know
// leaves its field empty and its multiplier at 1.
struct MultiplierTexts {
    std::string uncore;  // "x 20"
    std::string link;    // "x 18"
    std::string ram;     // "x 4" (Intel), "1:2" / "3:8" ... (AMD K10)
};

// AMD K10 limits for the CPU settings window's lists.
struct K10Limits {
    int maxCoreMultiplier = 40;
    int maxNbMultiplier = 30;
    int startNbIndex = 0;  // uncore multiplier list item of the current north-bridge multiplier
    bool pviMode = false;  // parallel VID interface: the voltage codes mean other voltages
};

struct IntelClockFacts {
    timings::ControllerKind kind = timings::ControllerKind::Uncore;  // Uncore or HostBridge
    std::uint32_t busOffset = 0;         // 0, 0x400000 or 0xC00000 (uncore bus 0x3F, 0x7F, 0xFF)
    std::uint32_t memoryWindowBase = 0;  // HostBridge: the memory-controller window
    float maxNonTurboRatio = 1.0f;       // MSR 0xCE bits 15..8
};

struct IntelStartup {
    ClockMultipliers multipliers;
    MultiplierTexts texts;
};

struct K10Startup {
    ClockMultipliers multipliers;
    MultiplierTexts texts;
    K10Limits limits;
};

// Intel, both controller kinds: uncore ratio, QPI ratio and DRAM ratio code.
IntelStartup ReadIntelMultipliers(hw::HardwareAccess& hw, const IntelClockFacts& facts);

// AMD K10, every memory mode: P-state 0, the limits, the HyperTransport code, NbFid/NbDid and
// MemClkFreq. Also switches the time-stamp counter to the P-state 0 clock (HWCR TscFreqSel),
// so that it runs at the rate BaseMultiplier describes.
K10Startup ReadK10Multipliers(hw::HardwareAccess& hw, timings::K10Mode mode);

// The bus offset of the Intel uncore: `preferred` when device 0, function 0 answers there,
// else the first of bus 0x3F, 0x7F, 0xFF that answers (else `preferred`).
std::uint32_t FindUncoreBusOffset(hw::HardwareAccess& hw, std::uint32_t preferred);

// The memory multiplier and RAM text of a ratio code; false for a code outside the tables.
bool IntelUncoreMemoryRatio(unsigned code, double& multiplier, std::string& text);
bool IntelHostBridgeMemoryRatio(unsigned code, double& multiplier, std::string& text);
bool K10MemoryRatio(timings::K10Mode mode, unsigned memClkFreq, double& multiplier,
                    std::string& text);

// The HyperTransport link multiplier of a link frequency code (0x0B, 2000 MHz -> 10).
int K10LinkMultiplier(unsigned linkFreqCode);

// Publishes what start-up found to the members the measuring thread reads.
void StoreMultipliers(ClockState& state, const ClockMultipliers& m);

}  // namespace zm::cpu
