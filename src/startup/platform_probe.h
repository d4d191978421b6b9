// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The PCI identities that decide which memory controller this machine has: the Intel uncore
// (one per processor package, on a bus near the top of the configuration space), the AMD
// north bridge's DRAM controller function and the host bridge.

#include <array>
#include <cstdint>

#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "startup/platform_facts.h"

namespace zm::app {

struct UncoreProbeSlot {
    std::uint32_t address;    // device 3, function 4, register 0 of the bus
    std::uint32_t busOffset;  // what bus-0x3F register addresses need added to reach this bus
};

// Probed in this order; the uncore sits on bus 0x3F, 0x7F or 0xFF depending on how much
// configuration space the firmware maps.
inline constexpr std::array<UncoreProbeSlot, 3> kUncoreProbes{{
    {hw::PciConfigAddress(0x3F, 3, 4, 0), 0x000000},
    {hw::PciConfigAddress(0x7F, 3, 4, 0), 0x400000},
    {hw::PciConfigAddress(0xFF, 3, 4, 0), 0xC00000},
}};

inline constexpr std::uint32_t kNorthBridgeDramIdAddress = hw::PciConfigAddress(0, 24, 2, 0);
inline constexpr std::uint32_t kHostBridgeIdAddress = hw::PciConfigAddress(0, 0, 0, 0);

// Fills uncoreDeviceId, busOffset, uncoreAnswers and the package flags. With exactly one Intel
// answer the package is recognised and the device id is normalised to the LGA 1366 uncore's,
// which is what the rest of the program keys the uncore controller on. Two answers (a
// dual-socket machine) set no package flag.
void ProbeUncore(hw::HardwareAccess& hw, PlatformFacts& facts);

// Fills northBridgeDramId, hostBridgeId and dualChannelUncore.
void ReadBridgeIds(hw::HardwareAccess& hw, PlatformFacts& facts);

}  // namespace zm::app
