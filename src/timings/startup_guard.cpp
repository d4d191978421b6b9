#include "timings/startup_guard.h"

#include "timings/timing_change.h"

namespace zm::timings {

std::vector<TimingControl> GuardedControls(ControllerKind kind, std::optional<K10Mode> mode) {
    std::vector<TimingControl> guarded;
    for (int i = 0; i < kTimingControlCount; ++i) {
        const TimingControl c = ControlAt(i);
        const bool skipCl = kind == ControllerKind::HostBridge || kind == ControllerKind::Uncore ||
                            (kind == ControllerKind::K10 && mode == K10Mode::Ddr2_800);
        if (c == TimingControl::Combo1A && skipCl) continue;
        if (c == TimingControl::Combo26A && kind == ControllerKind::Uncore) continue;
        guarded.push_back(c);
    }
    return guarded;
}

std::vector<TimingControl> ControlsOutsideList(const TimingModel& model, const TimingLists& lists,
                                               int channel) {
    std::vector<TimingControl> outside;
    for (const TimingControl c : GuardedControls(model.kind, model.k10Mode)) {
        if (!IsListed(lists, c, DisplayIndex(model, channel, c))) outside.push_back(c);
    }
    return outside;
}

bool StartupGuardPasses(const TimingModel& model, const TimingLists& lists, int channel) {
    return ControlsOutsideList(model, lists, channel).empty();
}

}  // namespace zm::timings
