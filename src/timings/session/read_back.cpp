// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/session/read_back.h"

#include <algorithm>

#include "timings/host_bridge/host_bridge_registers.h"
#include "timings/k10/k10_field_map.h"
#include "timings/model/timing_change.h"
#include "timings/uncore/uncore_registers.h"

namespace zm::timings {
namespace {

std::string Item(const TimingLists& lists, TimingId id, std::int32_t index) {
    const std::string_view text = ItemText(lists, id, index);
    if (!text.empty()) return std::string(text);
    return "no item (" + std::to_string(index) + ")";
}

}  // namespace

bool ShownOnly(const TimingModel& model, TimingId id) {
    const auto shownOnly = [id](const auto& fields) {
        return std::any_of(fields.begin(), fields.end(),
                           [id](const auto& f) { return f.id == id && !f.written; });
    };
    switch (model.kind) {
        case ControllerKind::Uncore:
            return shownOnly(uncore::kTimingFields);
        case ControllerKind::HostBridge:
            return shownOnly(host_bridge::kTimingFields);
        case ControllerKind::K10:
            return model.k10Mode && shownOnly(k10::FieldMap(*model.k10Mode));
    }
    return false;
}

std::vector<ReadBackMismatch> CompareReadBack(const TimingModel& wanted, const TimingModel& held,
                                              const TimingLists& lists, const ChannelFlags& rebuilt,
                                              const ChannelFlags& compared) {
    std::vector<ReadBackMismatch> mismatches;
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        if (!compared[ch]) continue;
        for (const TimingDescriptor& d : Descriptors(wanted.kind)) {
            if (ShownOnly(wanted, d.id)) continue;
            const std::int32_t want = DisplayIndex(wanted, ch, d.id);
            const std::int32_t have = DisplayIndex(held, ch, d.id);
            if (want == have) continue;
            mismatches.push_back({ch, d.id, std::string(d.shortName), Item(lists, d.id, want),
                                  IsListed(lists, d.id, want), Item(lists, d.id, have),
                                  rebuilt[ch]});
        }
    }
    return mismatches;
}

std::string MismatchLine(const ReadBackMismatch& m, bool nameChannels) {
    const std::string channel(1, static_cast<char>('A' + m.channel));
    std::string line = m.name;
    if (nameChannels) line += " (channel " + channel + ")";
    if (!m.listed) {
        return line + ": the value asked for, " + m.written +
               ", is none of the list's and was not written; the controller holds " + m.held;
    }
    if (m.channelRebuilt)
        return line + ": " + m.written + " was written, the controller holds " + m.held;
    return line + ": " + m.written + " was not written (channel " + channel +
           " was not selected), the controller holds " + m.held;
}

std::string ReadBackMessage(const std::vector<ReadBackMismatch>& mismatches, bool nameChannels) {
    if (mismatches.empty()) return {};
    std::string text = "The controller does not hold every timing that was chosen:";
    for (const ReadBackMismatch& m : mismatches) text += "\r\n" + MismatchLine(m, nameChannels);
    return text;
}

}  // namespace zm::timings
