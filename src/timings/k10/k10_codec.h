// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decoding a family 10h DRAM controller's registers into drop-down item indices, and rebuilding
// the registers from them. A register is rebuilt from its start-up copy: the bits no drop-down
// owns are kept, each owned field is set from its index. An index the drop-down has no item for
// is never encoded: its field keeps the copy's bits.

#include <cstdint>
#include <vector>

#include "timings/k10/k10_field_map.h"
#include "timings/k10/k10_registers.h"
#include "timings/model/timing_model.h"
#include "timings/model/value_lists.h"

namespace zm::timings::k10 {

struct ControllerState;

// One controller's registers into one channel's indices. The idle cycle limit reads as
// "Disab." (index 0) whenever its enable bit is clear, whatever the limit bits hold.
void DecodeChannel(K10Mode mode, const DctRegisters& regs, ChannelTimings& channel);

// Both controllers into the model: DCT0 into channel A, DCT1 into channel B. A ganged pair is
// one controller, so channel B shows channel A's values.
void DecodeTimings(const ControllerState& state, TimingModel& model);

// The drop-down lists of the controller's layout (the DDR2-800 Trtp list follows DCT0's
// burst length).
TimingLists ControllerLists(const ControllerState& state);

// The register rebuilt from its start-up copy and a channel's indices. Drop-downs whose index
// has no item are added to notEncoded (when given) and their bits kept.
std::uint32_t RebuildRegister(const TimingModel& model, int channel, Register reg,
                              std::uint32_t image, const TimingLists& lists,
                              std::vector<TimingId>* notEncoded = nullptr);

}  // namespace zm::timings::k10
