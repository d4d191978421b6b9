#pragma once
// What each timing drop-down offers on each controller kind, and the captions of the labels
// beside them. Lists are built once at start-up; the item index is what the model stores.
//
// Items whose value would not fit the register field they are written into are left out at the
// end of their list (uncore tRTP 14/15 and tRRD 8/9, host-bridge tRTP 14/15), so every item
// the user can pick is one the controller can hold and no other item moves.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "timings/timing_model.h"

namespace zm::timings {

using ValueList = std::vector<std::string>;
using TimingLists = std::array<ValueList, kTimingControlCount>;

// Facts read from the hardware that some lists depend on.
struct ListOptions {
    // K10 DDR2-800: bits 11..10 of DCT0's DRAM Configuration Low register (F2x90). When they
    // are 1 the tRTP list is "2", "3", otherwise "4", "5".
    std::uint32_t k10Dct0ConfigLowBits11To10 = 0;
    // HostBridge: a refresh period read that is none of the sixteen listed ones; its decimal
    // text becomes the 17th item of Combo6A.
    std::optional<std::uint32_t> unlistedRefreshPeriod;
};

ValueList BuildValueList(ControllerKind kind, std::optional<K10Mode> mode, TimingControl control,
                         const ListOptions& options = {});
TimingLists BuildTimingLists(ControllerKind kind, std::optional<K10Mode> mode,
                             const ListOptions& options = {});

// Whether the index names an item of the control's list.
bool IsListed(const TimingLists& lists, TimingControl control, std::int32_t index);
// The item text, or "" when the index names no item (the drop-down then shows nothing).
std::string_view ItemText(const TimingLists& lists, TimingControl control, std::int32_t index);

// The label beside each drop-down: Label1..Label17, Label18A, Label19A, Label26A..Label31A,
// Label27 (Combo20A) and Label28 (Combo21A).
std::string_view LabelName(TimingControl control);
// A label's caption as laid out, before start-up changes it.
std::string_view LayoutCaption(TimingControl control);
// The caption start-up gives the control's label on this kind.
std::string_view TimingLabel(ControllerKind kind, TimingControl control);

// The drop-down's stable short name on this kind ("tCL", "tRFC", "tRFC_DIMM1"), unique within
// the kind; the JSON report names each timing by it.
std::string_view TimingShortName(ControllerKind kind, TimingControl control);

// The channel selector's label (Label33) and the channel-mode panel's caption.
inline constexpr std::string_view kChannelSelectorLabel = "Channel(s)";

// Drop-downs that are shown but never changed on this kind (besides the ones the channel
// selection enables and disables, see channel_selection.h).
bool ControlAlwaysDisabled(ControllerKind kind, std::optional<K10Mode> mode, TimingControl control);

}  // namespace zm::timings
