// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/timings_view.h"

#include <array>
#include <string_view>

#include "timings/model/channel_selection.h"
#include "timings/model/timing_change.h"
#include "timings/model/timing_descriptors.h"
#include "timings/model/value_lists.h"

namespace zm::app {
namespace {

std::string KindText(const timings::TimingModel& model) {
    if (model.k10Mode) return std::string(timings::K10ModeText(*model.k10Mode));
    return model.kind == timings::ControllerKind::Uncore ? "Uncore" : "HostBridge";
}

}  // namespace

void FillTimingsView(const timings::TimingSession& session, MainView& view) {
    const timings::TimingModel& model = session.model;
    TimingsView& t = view.timings;
    t.filled = true;
    t.kind = KindText(model);
    t.groupCaption = session.groupCaption.value_or("");
    t.channels.clear();
    for (int channel = 0; channel < timings::kMaxChannels; ++channel)
        if (session.present[channel]) t.channels.push_back(channel);

    t.channelItems.clear();
    for (const timings::ChannelSet set : session.selector.items)
        t.channelItems.push_back(ChannelSetText(set));
    t.channelSelected = session.selector.selectedItem;
    t.channelEnabled = session.selector.enabled;
    view.memory.channelMode = session.selector.panelText;
    // The memory type as the controller is set up for it: the K10 layout's name, or DDR3, the
    // only memory the Intel controllers here drive.
    view.memory.type = model.k10Mode ? t.kind : "DDR3";

    // What the drop-downs show: the selected single channel, or channel A for a combined choice
    // (which is only selected when every channel equals A).
    const int shown = timings::ShownChannel(session.Selection());

    const auto descriptors = timings::Descriptors(model.kind);
    for (std::size_t i = 0; i < descriptors.size(); ++i) {
        const timings::TimingDescriptor& d = descriptors[i];
        TimingControlView& c = t.controls[i];
        c.id = d.id;
        c.control = timings::ControlName(model.kind, d.id);
        c.name = std::string(d.shortName);
        c.label = std::string(d.caption);
        c.items = session.lists[static_cast<std::size_t>(d.id)];
        c.enabled = session.ControlEnabled(d.id);
        c.channelIndex = {-1, -1, -1};
        for (int channel : t.channels)
            c.channelIndex[channel] = timings::DisplayIndex(model, channel, d.id);
        c.shownIndex = timings::DisplayIndex(model, shown, d.id);
    }
    view.buttons.applyEnabled = session.applyEnabled;
}

std::string ChannelSetText(timings::ChannelSet set) {
    // In ChannelSet order: None, A, B, C, AB, AC, ABC.
    constexpr std::array<std::string_view, 7> kTexts = {"",        "     A",  "     B",  "     C",
                                                        "  A   B", "  A   C", " A  B  C"};
    return std::string(kTexts[static_cast<std::size_t>(set)]);
}

}  // namespace zm::app
