#include "timings/timing_report.h"

#include "timings/timing_change.h"

namespace zm::timings {

ChannelReport ReportChannel(const TimingModel& model, const TimingLists& lists, int channel) {
    ChannelReport report;
    report.channel = channel;
    report.letter = static_cast<char>('A' + channel);
    for (const TimingDescriptor& d : Descriptors(model.kind)) {
        TimingReportLine line;
        line.name = std::string(d.shortName);
        line.id = d.id;
        line.label = std::string(d.caption);
        line.index = DisplayIndex(model, channel, d.id);
        line.text = std::string(ItemText(lists, d.id, line.index));
        report.lines.push_back(std::move(line));
    }
    return report;
}

std::vector<ChannelReport> ReportChannels(const TimingModel& model, const TimingLists& lists,
                                          const ChannelFlags& present) {
    std::vector<ChannelReport> reports;
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        if (present[ch]) reports.push_back(ReportChannel(model, lists, ch));
    }
    return reports;
}

}  // namespace zm::timings
