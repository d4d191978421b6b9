// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Apply of the AMD K10 CPU settings window: the chosen core voltage, core multipliers and
// divisors, north-bridge voltage and north-bridge multiplier go into the COFVID control MSR,
// P-state 0 and the north bridge's clock control register, each a read-modify-write of its
// fields on the core it belongs to. What the user opened or changed is written; the hold flags
// say which, and each step clears the flags of what it wrote.
//
// Every value is checked against its field before anything is written: a value that does not
// fit (or names a reserved code) is refused whole, never masked into a neighbouring field or
// truncated into another setting. The refused step writes nothing and releases its lists, so
// that the measuring thread shows the processor's values again.

#include <array>
#include <string>
#include <vector>

#include "cpu/clock_state.h"
#include "hw/hardware_access.h"

namespace zm::cpu {

// What the window's lists hold: item indices, -1 where a list has no selection.
struct CpuSettingsChoice {
    bool allCores = true;
    std::array<int, 4> cpuFid{};  // multiplier list of column 0..3
    std::array<int, 4> cpuDid{};  // divisor list of column 0..3
    int cpuVid = -1;              // core voltage list
    int nbVid = -1;               // uncore voltage list
    int nbFid = -1;               // uncore multiplier list
    // The processor's VID interface, which the voltage lists were built for (K10Limits).
    bool pviMode = false;
};

struct CpuSettingsApplyResult {
    // The north-bridge multiplier changed from the one the machine started with: it takes
    // effect only after a restart, which the window offers.
    bool restartNeeded = false;
    // The settings not written because their value does not fit the register, in the words the
    // window shows ("core 2 multiplier", "core voltage", ...).
    std::vector<std::string> refused;
};

inline constexpr const char* kRestartPrompt =
    "You need to reboot your computer before changing UnCore ratio take effect! Restart now?";

// The change to P-state 1 and back to 0 through COFVID control on one core, which makes the
// core take the frequency and voltage just written.
void SwitchPState(hw::HardwareAccess& hw, unsigned core);

// Writes what the hold flags mark, in this order: core voltage (every core: COFVID control,
// P-state 0, switch), core multipliers ("All Cores": every core from column 0, COFVID control
// and P-state 0; otherwise each held column's own core, COFVID control only), north-bridge
// voltage (every core), north-bridge multiplier (F3xD4). `startNbFid` is the NbFid the machine
// started with. Does nothing unless the platform is AMD K10.
CpuSettingsApplyResult ApplyCpuSettings(hw::HardwareAccess& hw, ClockState& state,
                                        const CpuSettingsChoice& choice, int startNbFid);

}  // namespace zm::cpu
