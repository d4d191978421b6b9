#include "app/timings_view.h"

#include "timings/channel_selection.h"
#include "timings/timing_change.h"
#include "timings/value_lists.h"

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

    t.channelItems = session.selector.items;
    t.channelSelected = session.selector.selectedItem;
    t.channelEnabled = session.selector.enabled;
    view.memory.channelMode = session.selector.panelText;
    // The memory type as the controller is set up for it: the K10 layout's name, or DDR3, the
    // only memory the Intel controllers here drive.
    view.memory.type = model.k10Mode ? t.kind : "DDR3";

    // What the drop-downs show: the selected single channel, or channel A for a combined choice
    // (which is only selected when every channel equals A).
    const std::string selection = session.Selection();
    int shown = timings::kChannelA;
    if (selection == timings::kSelectB) shown = timings::kChannelB;
    if (selection == timings::kSelectC) shown = timings::kChannelC;

    for (int i = 0; i < timings::kTimingControlCount; ++i) {
        const timings::TimingControl control = timings::ControlAt(i);
        TimingControlView& c = t.controls[i];
        c.name = std::string(timings::TimingShortName(model.kind, control));
        c.label = std::string(timings::TimingLabel(model.kind, control));
        c.items = session.lists[i];
        c.enabled = session.ControlEnabled(control);
        c.channelIndex = {-1, -1, -1};
        for (int channel : t.channels)
            c.channelIndex[channel] = timings::DisplayIndex(model, channel, control);
        c.shownIndex = timings::DisplayIndex(model, shown, control);
    }
    view.buttons.applyEnabled = session.applyEnabled;
}

}  // namespace zm::app
