// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/boot_apply_record.h"

#include "settings/startup_config.h"

namespace zm::settings {

bool BootApplyUnderWay(const IniFile& file) {
    return file.ReadFlag(kBootSwitchSection, kBootApplyKey);
}

bool RecordBootApply(IniFile& file) {
    return file.WriteFlag(kBootSwitchSection, kBootApplyKey, true) && BootApplyUnderWay(file);
}

bool ClearBootApply(IniFile& file) {
    return file.WriteFlag(kBootSwitchSection, kBootApplyKey, false);
}

bool SwitchOffBootApply(IniFile& file) {
    // "AN" first, and the record stays unless "AN" is off: whatever happens in between, the
    // next start does not write the set.
    return file.WriteFlag(kBootSwitchSection, kApplyTimingsKey, false) && ClearBootApply(file);
}

bool BootApplyWatch::Tick(std::uint32_t nowMs) {
    // Unsigned difference: right across the tick count's wrap.
    if (cleared_ || static_cast<std::uint32_t>(nowMs - appliedAt_) < kBootApplySurvivalMs)
        return false;
    IniFile file(path_);
    // A failed write is tried again on the next tick.
    cleared_ = ClearBootApply(file);
    return cleared_;
}

}  // namespace zm::settings
