// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Each controller kind's 27 timings, in the order its window shows them: the caption of the
// label beside each, its stable short name, and where the window and the settings file keep it.
// Value lists (value_lists.h) and register fields (the kinds' *_registers.h, k10_field_map.h) are
// keyed by the same TimingId.

#include <span>
#include <string>
#include <string_view>

#include "timings/model/timing_model.h"

namespace zm::timings {

struct TimingDescriptor {
    TimingId id;
    // The drop-down that shows it: Combo<slot>A and its label (1..21, 26..31). Read by the
    // window, and by the JSON report that names the drop-down.
    int slot;
    // The number of its key in a stored timing set ("7A" is key 7 of channel A); 0: no key.
    // Read only by the stored-set reader and writer.
    int storedKey;
    // Unique within the kind: the datasheet abbreviation where the caption has one, otherwise
    // the caption in a word. The JSON report names each timing by it, so a name never changes
    // once shipped: scripts compare reports by it.
    std::string_view shortName;
    std::string_view caption;  // the label's caption on this kind, as start-up sets it
};

// The kind's timings, by ascending slot (Combo1A first).
std::span<const TimingDescriptor> Descriptors(ControllerKind kind);
// The row of a timing of the kind; nullptr when the kind has no such timing.
const TimingDescriptor* FindDescriptor(ControllerKind kind, TimingId id);

// "" when the kind has no such timing.
std::string_view TimingShortName(ControllerKind kind, TimingId id);
// The object name of the drop-down that shows the timing ("Combo7A").
std::string ControlName(ControllerKind kind, TimingId id);

}  // namespace zm::timings
