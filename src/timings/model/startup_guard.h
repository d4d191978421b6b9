// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The start-up guard: after the read values are shown, Apply stays disabled when a timing
// drop-down shows nothing (the register held a value outside its list), so a value the program
// cannot show is never written back from a list position that does not exist.

#include <optional>
#include <vector>

#include "timings/model/timing_model.h"
#include "timings/model/value_lists.h"

namespace zm::timings {

// The timings the guard looks at: every timing of the kind except tCL on K10-DDR2-800 and
// HostBridge, and except tCL and tWR (both shown only) on Uncore.
std::vector<TimingId> GuardedTimings(ControllerKind kind, std::optional<K10Mode> mode);

// The guarded timings whose drop-down shows no item for this channel.
std::vector<TimingId> TimingsOutsideList(const TimingModel& model, const TimingLists& lists,
                                         int channel);

// Whether Apply may stay enabled with this channel's values shown.
bool StartupGuardPasses(const TimingModel& model, const TimingLists& lists, int channel);

}  // namespace zm::timings
