// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The timings part of the main window's AMD K10 branch: from the DRAM controller registers to
// the state the timing controls start in, and the Apply that follows. Called once the start-up
// has chosen the layout (k10_mode.h) and opened the extended-register form (F3x8C bit 14).

#include "hw/hardware_access.h"
#include "timings/model/timing_model.h"
#include "timings/session/timing_session.h"

namespace zm::timings {

// Reads F2x110 and the registers of both controllers and refuses DCT1 without DCT0 on an
// unganged pair before anything is written; decodes them; when `stored` gives a set (the
// settings file's "AN" is "1", built on the decoded timings) writes it as Apply does with the
// stored set active and reads and decodes the registers again; then builds the channel selector
// and runs the start-up guard.
TimingSession StartK10Timings(hw::HardwareAccess& hw, K10Mode mode,
                              const StoredTimingsSource& stored = {});
TimingSession StartK10Timings(hw::HardwareAccess& hw, K10Mode mode, const TimingModel* stored);

}  // namespace zm::timings
