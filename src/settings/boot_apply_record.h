// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The record that a stored timing set is being written at start. A set that hangs the machine
// would otherwise be written again at every log-on, with no way for the user to reach the
// StartUp window in between. So the start-up records "under way" in the settings file (written
// through a flushed temporary file and an atomic replace) before it writes the set, and clears
// the record once the program has run a minute after it. A start that still finds the record
// knows the last one did not survive its apply: it writes nothing, switches "AN" off and says
// so, and the user switches it on again in StartUp.

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace zm::settings {

// How long the program must run after a start-up apply before the apply counts as survived.
inline constexpr std::uint32_t kBootApplySurvivalMs = 60'000;

inline constexpr std::string_view kBootApplyInterruptedText =
    "The stored timings were not applied: the last start that applied them did not run for a "
    "minute (the machine may have hung or been switched off). Applying them at start is now "
    "off; switch it on again in StartUp once the timings are known to work.";
inline constexpr std::string_view kBootApplyNotRecordedText =
    "The stored timings were not applied: the settings file could not record that they are "
    "being applied.";

// Writes the record; false when the file does not hold it (then nothing may be written).
bool RecordBootApply(Settings& file);
// Clears the record ("0"; no key is ever deleted).
bool ClearBootApply(Settings& file);
// After a start found the record: "AN" = "0", then the record cleared.
bool SwitchOffBootApply(Settings& file);

// Clears the record once the program has run kBootApplySurvivalMs after the apply. The window
// calls Tick with its clock's tick count (os::Clock), tests with any time they like.
class BootApplyWatch {
public:
    BootApplyWatch(std::string settingsPath, std::uint32_t appliedAtMs)
        : path_(std::move(settingsPath)), appliedAt_(appliedAtMs) {}
    // True on the tick that cleared the record; nothing more happens after it.
    bool Tick(std::uint32_t nowMs);
    bool Cleared() const { return cleared_; }

private:
    std::string path_;
    std::uint32_t appliedAt_;
    bool cleared_ = false;
};

}  // namespace zm::settings
