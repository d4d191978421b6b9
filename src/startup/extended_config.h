// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// AMD family 10h extended configuration access: the north bridge's F3x8C bit 14 lets the
// configuration address carry register bits 11..8 (bits 27..24 of the address), which is how DCT1's
// registers at F2x100..F2x1FF are reached. The start-up sets it; the shutdown clears it again
// when it was clear before, so the machine is left as the firmware set it up.

#include <cstdint>

#include "hw/bit_field.h"
#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "startup/platform_facts.h"
#include "timings/k10/k10_registers.h"

namespace zm::app {

// Bus 0, device 24 (north bridge), function 3 (miscellaneous control), register 0x8C.
inline constexpr std::uint32_t kF3x8CAddress = timings::k10::kExtendedConfigAddress;
inline constexpr hw::Field kEnableExtendedConfig = timings::k10::kEnableCf8ExtCfg;

// Reads F3x8C, remembers bit 14 and writes the register back with it set.
void OpenExtendedConfig(hw::HardwareAccess& hw, PlatformFacts& facts);

// When the start-up opened the extended access and the bit was clear before: writes F3x8C back
// with bit 14 clear. Does nothing otherwise (also on every machine that is not a K10).
void RestoreExtendedConfig(hw::HardwareAccess& hw, PlatformFacts& facts);

}  // namespace zm::app
