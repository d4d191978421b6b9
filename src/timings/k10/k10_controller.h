// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a family 10h DRAM controller pair at start-up: ganged or not, which controllers hold
// memory, and the start-up copy of every register the timings come from. Reading DCT1 and
// F2x110 needs the extended-register address form, so the start-up switches F3x8C bit 14 on
// before it calls ReadController.

#include <array>
#include <cstdint>
#include <optional>

#include "hw/hardware_access.h"
#include "timings/k10/k10_mode.h"
#include "timings/k10/k10_registers.h"
#include "timings/model/channel_selection.h"
#include "timings/model/timing_model.h"

namespace zm::timings::k10 {

constexpr Refusal kSingleDimmNotOnChannelA{kErrorCaption, kK10Dct0EmptyMessage};

struct ControllerState {
    K10Mode mode = K10Mode::Ddr2_800;
    std::uint32_t controllerSelectLow = 0;  // F2x110 as read
    bool ganged = false;
    // Per controller: the RegisterImage of the five registers Apply rebuilds, and F2x80/F2x84
    // as read. DCT1's stays zero when the controller is ganged (it is never read then).
    std::array<DctRegisters, kDctCount> dct{};
    bool dct1Read = false;
    // 2, or 1 when the controllers are unganged and only DCT0 holds memory.
    int populatedCount = 2;
};

// A controller holds memory when its bank address mapping (F2x80 / F2x180) is non-zero.
bool Populated(const DctRegisters& regs);

// Reads F2x110 and the registers of DCT0, then of DCT1 unless ganged, in the order the
// firmware-facing code has always used: F2x88, 8C, 90, 94, 80, (84), 78 for DCT0 and
// F2x180, 188, 18C, 190, 194, 178, (184) for DCT1. The MRS copy is read on DDR2-1066 and DDR3
// only (DDR2-800 keeps tWR in F2x88).
ControllerState ReadController(hw::HardwareAccess& hw, K10Mode mode);

// Reads the registers of the controllers again (after a start-up application of stored
// timings), keeping mode, ganged state and population.
void RereadRegisters(hw::HardwareAccess& hw, ControllerState& state);

// The population check of an unganged pair: DCT1 with memory while DCT0 has none is refused.
std::optional<Refusal> PopulationRefusal(const ControllerState& state);

// DDR2-800's Trtp drop-down lists "2", "3" when DCT0 runs 4-beat bursts (F2x90 bits 11..10 = 1),
// else "4", "5".
bool UsesFourBeatTrtp(const ControllerState& state);

}  // namespace zm::timings::k10
