// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Naming the chipset from PCI identities (vendor in the low word, device in the high word):
// first the host bridge at 0:0.0, then the LPC bridge at 0:31.0, whose name wins where both
// are known (Intel 5-series platform controller hubs). An unknown chipset shows the LPC
// bridge's identity in hexadecimal.

#include <cstdint>
#include <string>

#include "hw/hardware_access.h"

namespace zm::ident {

struct ChipsetIdentity {
    std::string name;
    // The SPD window needs an Intel or ATI/AMD SMBus controller; its button is only shown on
    // chipsets of those vendors.
    bool spdButtonVisible = false;
};

// hostBridgeId: the dword start-up read at 0:0.0 register 0. Reads the LPC bridge identity.
ChipsetIdentity IdentifyChipset(hw::HardwareAccess& hw, std::uint32_t hostBridgeId);

// The table lookups on their own: empty when the identity is not in the table.
std::string HostBridgeChipsetName(std::uint32_t hostBridgeId);
std::string LpcBridgeChipsetName(std::uint32_t lpcBridgeId);

}  // namespace zm::ident
