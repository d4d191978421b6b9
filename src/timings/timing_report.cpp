#include "timings/timing_report.h"

#include "timings/timing_change.h"

namespace zm::timings {

ChannelReport ReportChannel(const TimingModel& model, const TimingLists& lists, int channel) {
    ChannelReport report;
    report.channel = channel;
    report.letter = static_cast<char>('A' + channel);
    for (int i = 0; i < kTimingControlCount; ++i) {
        const TimingControl c = ControlAt(i);
        TimingReportLine line;
        line.name = std::string(TimingShortName(model.kind, c));
        line.control = ControlName(c);
        line.label = std::string(TimingLabel(model.kind, c));
        line.index = DisplayIndex(model, channel, c);
        line.text = std::string(ItemText(lists, c, line.index));
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
