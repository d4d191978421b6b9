// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Intel power features and the core multiplier. The "EIST", "C1E" and "turbo" boxes switch
// their feature at once through IA32_MISC_ENABLE (0x1A0) and MSR_POWER_CTL (0x1FC); the
// core-multiplier list (coreMultiplierList) is written into IA32_PERF_CTL (0x199) by Apply.
//
// The two MSRs are read once at start-up and every click writes the kept copy back with one bit
// changed, so "EIST" and "turbo", which share MSR 0x1A0, each carry the other's last choice.

#include <string>
#include <vector>

#include "cpu/clock_state.h"
#include "hw/hardware_access.h"

namespace zm::cpu {

// Shown when the multiplier is changed with EIST off: the processor ignores IA32_PERF_CTL then.
inline constexpr const char* kEistNeededWarning =
    "EIST need to be enabled for changing Core multiplier!";
inline constexpr const char* kWarningCaption = "WARNING!";

struct PowerFeatureBoxes {
    bool eist = false;
    bool turbo = false;
    bool c1e = false;
    bool operator==(const PowerFeatureBoxes&) const = default;
};

class PowerFeatures {
public:
    // Reads MSR 0x1A0 and 0x1FC on the current processor.
    void ReadCopies(hw::HardwareAccess& hw);

    // The boxes as the copies say. A box that starts checked runs its click action once, as
    // setting a check box does: the just-read values are written back and, for "C1E", the
    // current processor's MSR 0x1FC reaches every core.
    PowerFeatureBoxes Start(hw::HardwareAccess& hw, int coreCount);
    PowerFeatureBoxes Boxes() const;

    // The click actions, with the box's state after the click.
    void EistClick(hw::HardwareAccess& hw, bool checked);
    void TurboClick(hw::HardwareAccess& hw, bool checked);
    // Written on the current processor, then on each of the processors 0 .. coreCount - 1.
    void C1eClick(hw::HardwareAccess& hw, bool checked, int coreCount);

    hw::MsrValue MiscEnable() const { return misc_; }
    hw::MsrValue PowerControl() const { return power_; }

private:
    hw::MsrValue misc_;   // 0x1A0
    hw::MsrValue power_;  // 0x1FC
};

// The single-core turbo limit (MSR 0x1AD bits 7..0), the highest ratio the list offers.
int ReadSingleCoreTurboLimit(hw::HardwareAccess& hw);

// "  x 12" .. "  x 25": item i stands for multiplier minimumRatio + i.
std::vector<std::string> CoreMultiplierItems(int minimumRatio, int turboLimit);

// The list was dropped down: the measuring thread stops moving every core's selection.
void HoldCoreMultiplier(ClockState& state);

// Apply, on both Intel controller kinds, before the timing writes: when the list is held,
// write its ratio into IA32_PERF_CTL bits 7..0 on processor 0 and release the list.
// selectedItem is the list's current item (-1 for none), itemCount its size. An item outside
// the list, or a ratio that does not fit the field, writes nothing. Returns true when written.
bool WritePendingCoreMultiplier(hw::HardwareAccess& hw, ClockState& state, int selectedItem,
                                int itemCount);

}  // namespace zm::cpu
