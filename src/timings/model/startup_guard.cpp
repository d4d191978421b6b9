// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/model/startup_guard.h"

#include "timings/model/timing_change.h"

namespace zm::timings {

std::vector<TimingId> GuardedTimings(ControllerKind kind, std::optional<K10Mode> mode) {
    std::vector<TimingId> guarded;
    const bool skipCl = kind == ControllerKind::HostBridge || kind == ControllerKind::Uncore ||
                        (kind == ControllerKind::K10 && mode == K10Mode::Ddr2_800);
    for (const TimingDescriptor& d : Descriptors(kind)) {
        if (d.id == TimingId::tCL && skipCl) continue;
        if (d.id == TimingId::tWR && kind == ControllerKind::Uncore) continue;
        guarded.push_back(d.id);
    }
    return guarded;
}

std::vector<TimingId> TimingsOutsideList(const TimingModel& model, const TimingLists& lists,
                                         int channel) {
    std::vector<TimingId> outside;
    for (const TimingId c : GuardedTimings(model.kind, model.k10Mode)) {
        if (!IsListed(lists, c, DisplayIndex(model, channel, c))) outside.push_back(c);
    }
    return outside;
}

bool StartupGuardPasses(const TimingModel& model, const TimingLists& lists, int channel) {
    return TimingsOutsideList(model, lists, channel).empty();
}

}  // namespace zm::timings
