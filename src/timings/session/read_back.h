// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the controller holds after a write, against what was written: after every Apply (the
// button, the start-up's stored set, Restore) the registers are read again and decoded, the
// drop-downs show what the controller holds, and every timing that did not take is named ("tRCD:
// 8 was written, the controller holds 9"): a locked uncore ignores timing writes, a controller
// may refuse a value, and an item no field can hold is never encoded at all.

#include <string>
#include <string_view>
#include <vector>

#include "timings/model/channel_selection.h"
#include "timings/model/timing_model.h"
#include "timings/model/value_lists.h"

namespace zm::timings {

inline constexpr std::string_view kReadBackCaption = "WARNING!";

struct ReadBackMismatch {
    int channel = kChannelA;
    TimingId id = TimingId::tCL;
    std::string name;     // the timing's short name: "tRCD"
    std::string written;  // the item asked for
    // False: the index asked for names no item of the list (a hand-edited stored set), so it
    // was never encoded and the field kept its bits.
    bool listed = true;
    std::string held;  // the item the controller holds
    // False: the channel's registers were written back as they were (it was not selected), so
    // the item chosen for it never reached them.
    bool channelRebuilt = true;
    bool operator==(const ReadBackMismatch&) const = default;
};

// Whether the controller's registers hold this timing only as a copy that is never written (the
// CAS latency the modules were trained with, the mode register's write recovery).
bool ShownOnly(const TimingModel& model, TimingId id);

// Every timing of the channels in `compared` whose item in `held` (decoded from the read-back)
// is not the one in `wanted` (the model that was written); `rebuilt` tells which of them were
// rebuilt from the model. Timings that are shown only are left out: nothing was written there.
std::vector<ReadBackMismatch> CompareReadBack(const TimingModel& wanted, const TimingModel& held,
                                              const TimingLists& lists, const ChannelFlags& rebuilt,
                                              const ChannelFlags& compared);

// One line per mismatch ("tRCD: 8 was written, the controller holds 9"); the channel is named
// when `nameChannels` (more than one channel holds memory).
std::string MismatchLine(const ReadBackMismatch& mismatch, bool nameChannels);

// The message box's text: a first line, then one line per mismatch, CR LF between them. Empty
// when nothing differs.
std::string ReadBackMessage(const std::vector<ReadBackMismatch>& mismatches, bool nameChannels);

}  // namespace zm::timings
