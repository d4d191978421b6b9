// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing the chosen timings into a family 10h DRAM controller pair (Apply, and the start-up
// application of stored timings). Every register is rebuilt from its start-up copy, which then
// holds what was written, so a second Apply starts from the first one's result. DCT1 goes
// first, then DCT0, each in the order F2x88, 8C, 90, 94, 78. Nothing is read back.

#include <utility>
#include <vector>

#include "hw/hardware_access.h"
#include "timings/k10/k10_controller.h"
#include "timings/model/timing_model.h"

namespace zm::timings::k10 {

struct ApplyReport {
    bool dct1Written = false;
    // (channel, drop-down) whose index had no list item and so was left as it was.
    std::vector<std::pair<int, TimingId>> notEncoded;
};

// DCT1 is written when the pair is unganged and either both controllers hold memory or the
// stored timings are applied at start-up (storedTimingsActive, the settings file's "AN" = "1").
// A ganged pair is one controller driven through DCT0: DCT1 is never touched.
bool WritesDct1(const ControllerState& state, bool storedTimingsActive);

// DCT0 from channel A's indices, DCT1 from channel B's, in the layout of state.mode (the
// model's kind, layout and ganged flag are not consulted).
ApplyReport ApplyTimings(hw::HardwareAccess& hw, const TimingModel& model, ControllerState& state,
                         bool storedTimingsActive);

// Whether a written register's image differs between the two states.
bool ImagesDiffer(const ControllerState& state, const ControllerState& start);

// Writes the start-up images back, in Apply's order: DCT1 (when Apply writes it, or when it
// holds anything else than at start-up), then DCT0. The images then hold the start-up ones.
// Returns whether DCT1 was written.
bool RestoreImages(hw::HardwareAccess& hw, ControllerState& state, const ControllerState& start);

}  // namespace zm::timings::k10
