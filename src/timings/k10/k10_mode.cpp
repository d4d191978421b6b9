// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/k10/k10_mode.h"

#include "timings/k10/k10_registers.h"

namespace zm::timings::k10 {

std::optional<K10Mode> SelectK10Mode(std::uint32_t dramId, unsigned family, std::uint32_t f2x94) {
    if (dramId != kDramControllerId || family != kFamily10h) return std::nullopt;
    // A memory clock code that is reserved for the memory type means a configuration none of
    // the layouts describes: writing timings into it could corrupt the running memory.
    const std::uint32_t memClk = f2x94::MemClkFreq.Get(f2x94);
    if (f2x94::Ddr3Mode.Get(f2x94) == 1) {
        if (memClk < f2x94::kDdr3MemClkFirst || memClk > f2x94::kDdr3MemClkLast)
            return std::nullopt;
        return K10Mode::Ddr3;
    }
    if (memClk > f2x94::kDdr2MemClkLast) return std::nullopt;
    if (memClk == f2x94::kMemClk533MHz) return K10Mode::Ddr2_1066;
    return K10Mode::Ddr2_800;
}

ModeDecision DecideK10Mode(hw::HardwareAccess& hw, unsigned family) {
    const std::uint32_t dramId = hw.PciConfigRead(kDramIdAddress);
    const std::uint32_t f2x94 = hw.PciConfigRead(RegisterAddress(Register::ConfigHigh, 0));
    ModeDecision decision;
    decision.mode = SelectK10Mode(dramId, family, f2x94);
    if (!decision.mode) decision.refusal = kNotForThisSystem;
    return decision;
}

}  // namespace zm::timings::k10
