#pragma once
// The channel selector (ComboCH) and the channel-mode panel (Panel5): which items exist for the
// channels that hold memory, which item is selected at start-up, what choosing an item shows,
// and which channels a change or an Apply concerns.
//
// The selection is kept as the item's text and compared character for character, so the
// leading and inner spaces of the texts below are part of the data.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "timings/timing_model.h"

namespace zm::timings {

inline constexpr std::string_view kSelectA = "     A";
inline constexpr std::string_view kSelectB = "     B";
inline constexpr std::string_view kSelectC = "     C";
inline constexpr std::string_view kSelectAB = "  A   B";
inline constexpr std::string_view kSelectAC = "  A   C";
inline constexpr std::string_view kSelectABC = " A  B  C";

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

// The selector as start-up builds it.
struct ChannelSelector {
    std::vector<std::string> items;
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

bool IsSingleChannelSelection(std::string_view selection);
bool IsCombinedSelection(std::string_view selection);

// Whether every timing of the channels a combined selection names shows the same value as
// channel A's. A single selection is trivially equal.
bool ChannelsEqualToA(const TimingModel& model, std::string_view selection);

// What choosing an item of ComboCH (ComboCHChange) leads to.
struct SelectionOutcome {
    int selectedItem = 0;            // may fall back to item 1 ("     A")
    std::string selection;           // the selected item's text afterwards
    std::optional<int> showChannel;  // channel whose values every drop-down shows; none = as is
};
SelectionOutcome SelectChannels(const TimingModel& model, const std::vector<std::string>& items,
                                int chosenItem);

// The timing that can be changed only while a single channel is selected: Uncore round-trip
// latency, K10 maximum read latency. None on HostBridge.
std::optional<TimingId> SingleChannelTiming(ControllerKind kind);

// Intel Apply: the channels rebuilt from the model; the others are written back unchanged.
// applyingStored = the stored timing set is being applied at start-up ("AN" is "1").
// present: Uncore active channels / HostBridge populated channels.
ChannelFlags ChannelsRebuiltOnApply(ControllerKind kind, std::string_view selection,
                                    bool applyingStored, const ChannelFlags& present);

}  // namespace zm::timings
