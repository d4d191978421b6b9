// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/boot_apply_record.h"

namespace zm::settings {

bool RecordBootApply(Settings& file) {
    return file.SetBootApplyUnderWay(true) && file.BootApplyUnderWay();
}

bool ClearBootApply(Settings& file) {
    return file.SetBootApplyUnderWay(false);
}

bool SwitchOffBootApply(Settings& file) {
    // "AN" first, and the record stays unless "AN" is off: whatever happens in between, the
    // next start does not write the set.
    return file.SetApplyStoredAtStart(false) && ClearBootApply(file);
}

bool BootApplyWatch::Tick(std::uint32_t nowMs) {
    // Unsigned difference: right across the tick count's wrap.
    if (cleared_ || static_cast<std::uint32_t>(nowMs - appliedAt_) < kBootApplySurvivalMs)
        return false;
    Settings file(path_);
    // A failed write is tried again on the next tick.
    cleared_ = ClearBootApply(file);
    return cleared_;
}

}  // namespace zm::settings
