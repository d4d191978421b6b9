#pragma once
// The timings as a report prints them: per channel, every drop-down's short name, label, the
// text it shows and the item index behind it.

#include <cstdint>
#include <string>
#include <vector>

#include "timings/channel_selection.h"
#include "timings/timing_model.h"
#include "timings/value_lists.h"

namespace zm::timings {

struct TimingReportLine {
    std::string name;     // "tRCD": the short name, unique within the kind
    std::string control;  // "Combo2A"
    std::string label;    // the caption beside it on this kind
    std::string text;     // the item shown; empty when the index names no item
    std::int32_t index = 0;
};

struct ChannelReport {
    int channel = 0;
    char letter = 'A';
    std::vector<TimingReportLine> lines;  // in control order, Combo1A..Combo21A, Combo26A..
};

ChannelReport ReportChannel(const TimingModel& model, const TimingLists& lists, int channel);
// Every channel that holds memory (present), A first.
std::vector<ChannelReport> ReportChannels(const TimingModel& model, const TimingLists& lists,
                                          const ChannelFlags& present);

}  // namespace zm::timings
