// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What each timing offers to choose from on each controller kind. Lists are built once at
// start-up; the item index is what the model stores.
//
// Items whose value would not fit the register field they are written into are left out at the
// end of their list (uncore tRTP 14/15 and tRRD 8/9, host-bridge tRTP 14/15), so every item
// the user can pick is one the controller can hold and no other item moves.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "timings/model/timing_descriptors.h"
#include "timings/model/timing_model.h"

namespace zm::timings {

using ValueList = std::vector<std::string>;
// One list per TimingId; empty for the timings the kind does not have.
using TimingLists = std::array<ValueList, kTimingIdCount>;

// Facts read from the hardware that some lists depend on.
struct ListOptions {
    // K10 DDR2-800: bits 11..10 of DCT0's DRAM Configuration Low register (F2x90). When they
    // are 1 the tRTP list is "2", "3", otherwise "4", "5".
    std::uint32_t k10Dct0ConfigLowBits11To10 = 0;
    // HostBridge: a refresh period read that is none of the sixteen listed ones; its decimal
    // text becomes the 17th item of tREFI.
    std::optional<std::uint32_t> unlistedRefreshPeriod;
};

ValueList BuildValueList(ControllerKind kind, std::optional<K10Mode> mode, TimingId id,
                         const ListOptions& options = {});
TimingLists BuildTimingLists(ControllerKind kind, std::optional<K10Mode> mode,
                             const ListOptions& options = {});

// Whether the index names an item of the timing's list.
bool IsListed(const TimingLists& lists, TimingId id, std::int32_t index);
// The item text, or "" when the index names no item (the drop-down then shows nothing).
std::string_view ItemText(const TimingLists& lists, TimingId id, std::int32_t index);

// Timings that are shown but never changed on this kind (besides the ones the channel
// selection enables and disables, see channel_selection.h).
bool ControlAlwaysDisabled(ControllerKind kind, std::optional<K10Mode> mode, TimingId id);

}  // namespace zm::timings
