// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The channel selector (ComboCH) and the channel-mode panel (Panel5): which channel sets the
// selector offers for the channels that hold memory, which one is selected at start-up, what
// choosing one shows, and which channels a change or an Apply concerns. The items' texts are
// the window's (app::ChannelSetText).

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "timings/model/timing_model.h"

namespace zm::timings {

// The channels a selector item names; None while the selector shows no item.
enum class ChannelSet { None, A, B, C, AB, AC, ABC };

inline constexpr std::string_view kErrorCaption = "ERROR!";
// Intel: channel A holds no memory while another channel does.
inline constexpr std::string_view kChannelAEmptyMessage =
    "At least one DIMM need to be in channel A!";
// K10 unganged: DCT1 populated, DCT0 empty.
inline constexpr std::string_view kK10Dct0EmptyMessage = "A single DIMM need to be on channel A!";
// Host bridge 0x0040/0x0044 whose memory-controller register window the firmware never placed.
inline constexpr std::string_view kWindowNotSetUpError =
    "The memory controller's register window (MCHBAR) is not set up: no timing can be read.";

using ChannelFlags = std::array<bool, kMaxChannels>;

// Uncore active-channel mask (bits 10..8 of the controller control register, shifted down:
// bit 0 = A) as per-channel flags.
ChannelFlags ChannelsFromMask(unsigned mask);

// The channels the set names.
ChannelFlags ChannelsOf(ChannelSet set);
// The channel whose values the drop-downs show: the one a single set names, else A.
int ShownChannel(ChannelSet set);

// The selector as start-up builds it.
struct ChannelSelector {
    std::vector<ChannelSet> items;
    std::string panelText;  // Panel5 ("Single", "Dual", "Triple", "Ganged", "Unganged")
    int selectedItem = 0;
    bool enabled = true;
    bool buttonFaceBackground = false;  // K10 ganged: shown greyed like a button face
    // Set when the memory population is not supported: shown with kErrorCaption, then the
    // program ends. Nothing else in the struct is meaningful then.
    std::optional<std::string> error;
};

// present: Uncore active channels, HostBridge / K10 populated channels (C unused there).
// The model decides whether the combined item or "     A" is selected (equal timings).
ChannelSelector BuildChannelSelector(const TimingModel& model, const ChannelFlags& present);

bool IsSingleChannelSelection(ChannelSet selection);

// Whether every timing of the channels a combined selection names shows the same value as
// channel A's. A single selection is trivially equal.
bool ChannelsEqualToA(const TimingModel& model, ChannelSet selection);

// What choosing an item of ComboCH (ComboCHChange) leads to.
struct SelectionOutcome {
    int selectedItem = 0;                     // may fall back to item 1 (A)
    ChannelSet selection = ChannelSet::None;  // the selected item afterwards
    std::optional<int> showChannel;  // channel whose values every drop-down shows; none = as is
};
SelectionOutcome SelectChannels(const TimingModel& model, const std::vector<ChannelSet>& items,
                                int chosenItem);

// The timing that can be changed only while a single channel is selected: Uncore round-trip
// latency, K10 maximum read latency. None on HostBridge.
std::optional<TimingId> SingleChannelTiming(ControllerKind kind);

// Intel Apply: the channels rebuilt from the model; the others are written back unchanged.
// applyingStored = the stored timing set is being applied at start-up ("AN" is "1").
// present: Uncore active channels / HostBridge populated channels.
ChannelFlags ChannelsRebuiltOnApply(ControllerKind kind, ChannelSet selection, bool applyingStored,
                                    const ChannelFlags& present);

}  // namespace zm::timings
