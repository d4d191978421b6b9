// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/power_features.h"

#include "cpu/cpu_registers.h"

namespace zm::cpu {

void PowerFeatures::ReadCopies(hw::HardwareAccess& hw) {
    const hw::HardwareAccess::MsrAt which[] = {{reg::kMsrMiscEnable, hw::kCurrentProcessor},
                                               {reg::kMsrPowerControl, hw::kCurrentProcessor}};
    hw::MsrValue values[2];
    hw.MsrReadMany(which, values);
    misc_ = values[0];
    power_ = values[1];
}

PowerFeatureBoxes PowerFeatures::Boxes() const {
    PowerFeatureBoxes boxes;
    boxes.eist = reg::kEnhancedSpeedStepEnable.Get(misc_.lo) != 0;
    boxes.turbo = reg::kTurboModeDisable.Get(misc_.hi) == 0;
    boxes.c1e = reg::kC1eEnable.Get(power_.lo) != 0;
    return boxes;
}

PowerFeatureBoxes PowerFeatures::Start(hw::HardwareAccess& hw, int coreCount) {
    const PowerFeatureBoxes boxes = Boxes();
    if (boxes.eist) EistClick(hw, true);
    if (boxes.turbo) TurboClick(hw, true);
    if (boxes.c1e) C1eClick(hw, true, coreCount);
    return boxes;
}

void PowerFeatures::EistClick(hw::HardwareAccess& hw, bool checked) {
    misc_.lo = reg::kEnhancedSpeedStepEnable.Set(misc_.lo, checked ? 1 : 0);
    hw.MsrWriteCurrent(reg::kMsrMiscEnable, misc_);
}

void PowerFeatures::TurboClick(hw::HardwareAccess& hw, bool checked) {
    // The bit disables turbo: set it when the box is cleared.
    misc_.hi = reg::kTurboModeDisable.Set(misc_.hi, checked ? 0 : 1);
    hw.MsrWriteCurrent(reg::kMsrMiscEnable, misc_);
}

void PowerFeatures::C1eClick(hw::HardwareAccess& hw, bool checked, int coreCount) {
    power_.lo = reg::kC1eEnable.Set(power_.lo, checked ? 1 : 0);
    hw.MsrWriteCurrent(reg::kMsrPowerControl, power_);
    for (int k = 1; k <= coreCount; ++k) {
        hw.MsrWrite(reg::kMsrPowerControl, power_, static_cast<unsigned>(k - 1));
    }
}

int ReadSingleCoreTurboLimit(hw::HardwareAccess& hw) {
    return static_cast<int>(
        reg::kTurboLimit1Core.Get(hw.MsrReadCurrent(reg::kMsrTurboRatioLimit).lo));
}

std::vector<std::string> CoreMultiplierItems(int minimumRatio, int turboLimit) {
    std::vector<std::string> items;
    for (int ratio = minimumRatio; ratio <= turboLimit; ++ratio) {
        items.push_back("  x " + std::to_string(ratio));
    }
    return items;
}

void HoldCoreMultiplier(ClockState& state) {
    for (auto& hold : state.HoldCore) hold = 1;
}

bool WritePendingCoreMultiplier(hw::HardwareAccess& hw, ClockState& state, int selectedItem,
                                int itemCount) {
    if (state.HoldCore[0].load() != 1) return false;
    // Released whatever happens, so the measuring thread shows the running ratio again.
    state.HoldCore[0] = 0;
    if (selectedItem < 0 || selectedItem >= itemCount) return false;
    const long ratio = static_cast<long>(state.minimumRatio.load()) + selectedItem;
    if (ratio < 0 || !reg::kPerfControlRatio.Fits(static_cast<std::uint64_t>(ratio))) {
        return false;
    }
    hw.MsrModify(reg::kMsrPerfControl, 0, [&](hw::MsrValue& v) {
        v.lo = reg::kPerfControlRatio.Set(v.lo, static_cast<std::uint32_t>(ratio));
    });
    return true;
}

}  // namespace zm::cpu
