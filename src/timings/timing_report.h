#pragma once
// The timings as a report prints them: per channel, every timing's short name, label, the
// text it shows and the item index behind it.

#include <cstdint>
#include <string>
#include <vector>

#include "timings/channel_selection.h"
#include "timings/timing_model.h"
#include "timings/value_lists.h"

namespace zm::timings {

struct TimingReportLine {
    std::string name;  // "tRCD": the short name, unique within the kind
    TimingId id = TimingId::tCL;
    std::string label;  // the caption beside it on this kind
    std::string text;   // the item shown; empty when the index names no item
    std::int32_t index = 0;
};

struct ChannelReport {
    int channel = 0;
    char letter = 'A';
    std::vector<TimingReportLine> lines;  // in the kind's order (timing_descriptors.h)
};

ChannelReport ReportChannel(const TimingModel& model, const TimingLists& lists, int channel);
// Every channel that holds memory (present), A first.
std::vector<ChannelReport> ReportChannels(const TimingModel& model, const TimingLists& lists,
                                          const ChannelFlags& present);

}  // namespace zm::timings
