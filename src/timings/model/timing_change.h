// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A user's choice in a timing drop-down (the Combo*Change handlers): the item index is recorded
// for the channels the selector names, with the extras some kinds keep beside the index.
// Nothing is written to the hardware until Apply. Also the reverse: which item a drop-down
// shows for a channel.

#include <cstdint>
#include <string_view>

#include "timings/model/channel_selection.h"
#include "timings/model/timing_model.h"

namespace zm::timings {

// The channels a change made under this selection is recorded for.
//  Uncore: every channel the set names.
//  HostBridge: A for A, B for B, both for AB.
//  K10: DCT0 for A or when ganged, DCT1 for B, both for AB unganged.
ChannelFlags ChannelsForChange(const TimingModel& model, ChannelSet selection);

// Stores one channel's value of a timing for an item index:
//  HostBridge tRP: the tRP value (index + 2) and its high bit (index > 5);
//  K10 IdleCycleLimit: also the idle-cycle-limit enable bit (index != 0);
//  K10-DDR3 tWRRD, tWRWR, tRDRD: low = index mod 4 in the model, high = index div 4 beside it;
//  everything else: the index itself.
void StoreItem(TimingModel& model, int channel, TimingId id, std::int32_t index);

// The change handler's model side: StoreItem for every channel of ChannelsForChange.
void RecordChange(TimingModel& model, TimingId id, std::int32_t index, ChannelSet selection);

// The item index the drop-down shows for a channel (inverse of StoreItem).
std::int32_t DisplayIndex(const TimingModel& model, int channel, TimingId id);

}  // namespace zm::timings
