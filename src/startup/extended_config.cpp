// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/extended_config.h"

namespace zm::app {

void OpenExtendedConfig(hw::HardwareAccess& hw, PlatformFacts& facts) {
    const std::uint32_t value = hw.PciConfigRead(kF3x8CAddress);
    facts.savedExtendedConfigBit = static_cast<int>(kEnableExtendedConfig.Get(value));
    hw.ReachPciWrite(kF3x8CAddress, kEnableExtendedConfig.Set(value, 1), value);
    facts.extendedConfigOpened = true;
}

void RestoreExtendedConfig(hw::HardwareAccess& hw, PlatformFacts& facts) {
    // Only a start-up that opened the access may close it: a machine refused before that point
    // never had its saved bit read, and clearing the bit there would undo the firmware's choice.
    if (!facts.extendedConfigOpened) return;
    if (facts.northBridgeDramId != pci_id::kK10DramController) return;
    facts.extendedConfigOpened = false;
    if (facts.savedExtendedConfigBit != 0) return;
    const std::uint32_t value = hw.PciConfigRead(kF3x8CAddress);
    hw.PciConfigWrite(kF3x8CAddress, kEnableExtendedConfig.Set(value, 0));
}

}  // namespace zm::app
