#include "timings/channel_selection.h"

#include "timings/timing_change.h"
#include "timings/timing_descriptors.h"

namespace zm::timings {
namespace {

ChannelFlags NamedChannels(std::string_view selection) {
    ChannelFlags named{};
    named[kChannelA] = selection == kSelectA || selection == kSelectAB || selection == kSelectAC ||
                       selection == kSelectABC;
    named[kChannelB] = selection == kSelectB || selection == kSelectAB || selection == kSelectABC;
    named[kChannelC] = selection == kSelectC || selection == kSelectAC || selection == kSelectABC;
    return named;
}

std::vector<std::string> ItemsOf(std::initializer_list<std::string_view> texts) {
    return {texts.begin(), texts.end()};
}

// Item 0 (the combined choice) when the channels agree with A, else item 1 ("     A").
int CombinedOrA(const TimingModel& model, const std::vector<std::string>& items) {
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

bool IsSingleChannelSelection(std::string_view selection) {
    return selection == kSelectA || selection == kSelectB || selection == kSelectC;
}

bool IsCombinedSelection(std::string_view selection) {
    return selection == kSelectAB || selection == kSelectAC || selection == kSelectABC;
}

bool ChannelsEqualToA(const TimingModel& model, std::string_view selection) {
    const ChannelFlags named = NamedChannels(selection);
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
                s.items = ItemsOf({kSelectABC, kSelectA, kSelectB, kSelectC});
                s.panelText = "Triple";
            } else if (b) {
                s.items = ItemsOf({kSelectAB, kSelectA, kSelectB});
                s.panelText = "Dual";
            } else if (c) {
                s.items = ItemsOf({kSelectAC, kSelectA, kSelectC});
                s.panelText = "Dual";
            } else {
                s.items = ItemsOf({kSelectA});
                s.panelText = "Single";
                return s;
            }
            s.selectedItem = CombinedOrA(model, s.items);
            return s;
        case ControllerKind::HostBridge:
            if (!a) return Failure(kChannelAEmptyMessage);
            if (!b) {
                s.items = ItemsOf({kSelectA});
                s.panelText = "Single";
                s.enabled = false;
                return s;
            }
            s.items = ItemsOf({kSelectAB, kSelectA, kSelectB});
            s.panelText = "Dual";
            s.selectedItem = CombinedOrA(model, s.items);
            return s;
        case ControllerKind::K10:
            if (model.ganged) {
                s.items = ItemsOf({kSelectAB});
                s.panelText = "Ganged";
                s.enabled = false;
                s.buttonFaceBackground = true;
                return s;
            }
            if (!a && b) return Failure(kK10Dct0EmptyMessage);
            s.items = ItemsOf({kSelectAB, kSelectA, kSelectB});
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

SelectionOutcome SelectChannels(const TimingModel& model, const std::vector<std::string>& items,
                                int chosenItem) {
    SelectionOutcome out;
    if (chosenItem < 0 || static_cast<std::size_t>(chosenItem) >= items.size()) {
        out.selectedItem = chosenItem;
        return out;
    }
    out.selectedItem = chosenItem;
    out.selection = items[chosenItem];
    if (IsSingleChannelSelection(out.selection)) {
        out.showChannel = out.selection == kSelectA   ? kChannelA
                          : out.selection == kSelectB ? kChannelB
                                                      : kChannelC;
        return out;
    }
    if (ChannelsEqualToA(model, out.selection)) {
        out.showChannel = kChannelA;
        return out;
    }
    if (model.kind == ControllerKind::HostBridge) return out;  // left as they are
    // Fall back to "     A", item 1 of every multi-item selector.
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

ChannelFlags ChannelsRebuiltOnApply(ControllerKind kind, std::string_view selection,
                                    bool applyingStored, const ChannelFlags& present) {
    ChannelFlags rebuilt{};
    if (kind == ControllerKind::Uncore) {
        rebuilt = NamedChannels(selection);
        if (applyingStored) rebuilt = {true, true, true};
    } else if (kind == ControllerKind::HostBridge) {
        rebuilt[kChannelA] = selection == kSelectA || selection == kSelectAB ||
                             (applyingStored && present[kChannelA]);
        rebuilt[kChannelB] = selection == kSelectB || selection == kSelectAB ||
                             (applyingStored && present[kChannelB]);
    }
    return rebuilt;
}

}  // namespace zm::timings
