// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which register layout an AMD family 10h DRAM controller uses, from the memory it was set up
// for: DDR2 up to 800 MT/s, DDR2-1066 (a wider layout for the longer timings) or DDR3. The
// start-up refuses a K10 north bridge whose configuration matches none of them.

#include <cstdint>
#include <optional>
#include <string_view>

#include "hw/hardware_access.h"
#include "timings/model/timing_model.h"

namespace zm::timings::k10 {

constexpr unsigned kFamily10h = 0x10;

// A message box the start-up shows before it ends the program.
struct Refusal {
    std::string_view caption;
    std::string_view text;
    bool operator==(const Refusal&) const = default;
};

constexpr Refusal kNotForThisSystem{"ERROR!", "NOT FOR THIS SYSTEM!"};

// The layout for DCT0's DRAM Configuration High (F2x94), or none when the DRAM id is not the
// family 10h controller's, the processor family is not 0x10, or the memory clock code is one
// the BKDG reserves for the memory type (DDR2 above 533 MHz, DDR3 below 400 or above 800 MHz).
std::optional<K10Mode> SelectK10Mode(std::uint32_t dramId, unsigned family, std::uint32_t f2x94);

// What the start-up's second gate decides on a K10 north bridge.
struct ModeDecision {
    std::optional<K10Mode> mode;
    std::optional<Refusal> refusal;  // set exactly when mode is not
};

// Reads F2x00 and DCT0's F2x94 (both in the ordinary configuration space, so this works before
// the extended-register form is switched on) and decides.
ModeDecision DecideK10Mode(hw::HardwareAccess& hw, unsigned family);

}  // namespace zm::timings::k10
