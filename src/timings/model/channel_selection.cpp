// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/model/channel_selection.h"

#include "timings/model/timing_change.h"
#include "timings/model/timing_descriptors.h"

namespace zm::timings {
namespace {

using S = ChannelSet;

// Item 0 (the combined choice) when the channels agree with A, else item 1 (A).
int CombinedOrA(const TimingModel& model, const std::vector<ChannelSet>& items) {
    return ChannelsEqualToA(model, items[0]) ? 0 : 1;
}

ChannelSelector Failure(std::string_view message) {
    ChannelSelector s;
    s.error = std::string(message);
    return s;
}

}  // namespace

ChannelFlags ChannelsFromMask(unsigned mask) {
    return ChannelFlags{(mask & 1u) != 0, (mask & 2u) != 0, (mask & 4u) != 0};
}

ChannelFlags ChannelsOf(ChannelSet set) {
    const bool a = set == S::A || set == S::AB || set == S::AC || set == S::ABC;
    const bool b = set == S::B || set == S::AB || set == S::ABC;
    const bool c = set == S::C || set == S::AC || set == S::ABC;
    return {a, b, c};
}

int ShownChannel(ChannelSet set) {
    return set == S::B ? kChannelB : set == S::C ? kChannelC : kChannelA;
}

bool IsSingleChannelSelection(ChannelSet selection) {
    return selection == S::A || selection == S::B || selection == S::C;
}

bool ChannelsEqualToA(const TimingModel& model, ChannelSet selection) {
    const ChannelFlags named = ChannelsOf(selection);
    for (int ch = kChannelB; ch < kMaxChannels; ++ch) {
        if (!named[ch]) continue;
        for (const TimingDescriptor& d : Descriptors(model.kind)) {
            if (DisplayIndex(model, ch, d.id) != DisplayIndex(model, kChannelA, d.id)) return false;
        }
    }
    return true;
}

ChannelSelector BuildChannelSelector(const TimingModel& model, const ChannelFlags& present) {
    ChannelSelector s;
    const bool a = present[kChannelA], b = present[kChannelB], c = present[kChannelC];
    switch (model.kind) {
        case ControllerKind::Uncore:
            // Channel A must hold memory: the mask 0 case included, where nothing is active.
            if (!a) return Failure(kChannelAEmptyMessage);
            if (b && c) {
                s.items = {S::ABC, S::A, S::B, S::C};
                s.panelText = "Triple";
            } else if (b) {
                s.items = {S::AB, S::A, S::B};
                s.panelText = "Dual";
            } else if (c) {
                s.items = {S::AC, S::A, S::C};
                s.panelText = "Dual";
            } else {
                s.items = {S::A};
                s.panelText = "Single";
                return s;
            }
            s.selectedItem = CombinedOrA(model, s.items);
            return s;
        case ControllerKind::HostBridge:
            if (!a) return Failure(kChannelAEmptyMessage);
            if (!b) {
                s.items = {S::A};
                s.panelText = "Single";
                s.enabled = false;
                return s;
            }
            s.items = {S::AB, S::A, S::B};
            s.panelText = "Dual";
            s.selectedItem = CombinedOrA(model, s.items);
            return s;
        case ControllerKind::K10:
            if (model.ganged) {
                s.items = {S::AB};
                s.panelText = "Ganged";
                s.enabled = false;
                s.buttonFaceBackground = true;
                return s;
            }
            if (!a && b) return Failure(kK10Dct0EmptyMessage);
            s.items = {S::AB, S::A, S::B};
            s.panelText = "Unganged";
            if (a && b) {
                s.selectedItem = CombinedOrA(model, s.items);
            } else {
                s.selectedItem = 1;
                s.enabled = false;
            }
            return s;
    }
    return s;
}

SelectionOutcome SelectChannels(const TimingModel& model, const std::vector<ChannelSet>& items,
                                int chosenItem) {
    SelectionOutcome out;
    if (chosenItem < 0 || static_cast<std::size_t>(chosenItem) >= items.size()) {
        out.selectedItem = chosenItem;
        return out;
    }
    out.selectedItem = chosenItem;
    out.selection = items[chosenItem];
    if (IsSingleChannelSelection(out.selection)) {
        out.showChannel = ShownChannel(out.selection);
        return out;
    }
    if (ChannelsEqualToA(model, out.selection)) {
        out.showChannel = kChannelA;
        return out;
    }
    if (model.kind == ControllerKind::HostBridge) return out;  // left as they are
    // Fall back to A, item 1 of every multi-item selector.
    if (items.size() > 1) {
        out.selectedItem = 1;
        out.selection = items[1];
    }
    out.showChannel = kChannelA;
    return out;
}

std::optional<TimingId> SingleChannelTiming(ControllerKind kind) {
    switch (kind) {
        case ControllerKind::Uncore:
            return TimingId::RoundTripLatency;
        case ControllerKind::K10:
            return TimingId::MaxReadLatency;
        case ControllerKind::HostBridge:
            return std::nullopt;
    }
    return std::nullopt;
}

ChannelFlags ChannelsRebuiltOnApply(ControllerKind kind, ChannelSet selection, bool applyingStored,
                                    const ChannelFlags& present) {
    ChannelFlags rebuilt{};
    if (kind == ControllerKind::Uncore) {
        rebuilt = ChannelsOf(selection);
        if (applyingStored) rebuilt = {true, true, true};
    } else if (kind == ControllerKind::HostBridge) {
        // The host bridge has two channels: C is never named.
        const ChannelFlags named = ChannelsOf(selection);
        for (int ch : {kChannelA, kChannelB})
            rebuilt[ch] = named[ch] || (applyingStored && present[ch]);
    }
    return rebuilt;
}

}  // namespace zm::timings
