#pragma once
// The start-up guard: after the read values are shown, Apply stays disabled when a timing
// drop-down shows nothing (the register held a value outside its list), so a value the program
// cannot show is never written back from a list position that does not exist.

#include <optional>
#include <vector>

#include "timings/timing_model.h"
#include "timings/value_lists.h"

namespace zm::timings {

// The drop-downs the guard looks at: every timing drop-down except Combo1A on K10-DDR2-800 and
// HostBridge, and except Combo1A and Combo26A (both shown only) on Uncore.
std::vector<TimingControl> GuardedControls(ControllerKind kind, std::optional<K10Mode> mode);

// The guarded drop-downs that show no item for this channel.
std::vector<TimingControl> ControlsOutsideList(const TimingModel& model, const TimingLists& lists,
                                               int channel);

// Whether Apply may stay enabled with this channel's values shown.
bool StartupGuardPasses(const TimingModel& model, const TimingLists& lists, int channel);

}  // namespace zm::timings
