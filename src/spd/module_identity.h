// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Who made a memory module and which one it is, as its SPD says: the memory type, the maker
// code, the part number and the serial number. A stored timing set keeps these for every slot,
// so a set tuned for one pair of modules is never written with another in the machine.

#include <cstdint>
#include <string>

#include "hw/hardware_access.h"

namespace zm::spd {

// The module at slave address 0x50 + slot as one text: the bytes of its type, maker code, part
// number and serial, in hex ("0B:0180:4B48583133...:0A1B2C3D"). Empty when no DDR2 or DDR3
// module answers there. Needs the SMBus controller found first (DiscoverSmbusController).
std::string ReadModuleIdentity(hw::HardwareAccess& hw, unsigned slot);

}  // namespace zm::spd
