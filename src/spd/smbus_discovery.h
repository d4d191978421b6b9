// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finding the chipset's SMBus host controller, through which the memory modules' SPD EEPROMs
// are read. Two controllers are known, with one register layout:
//   - Intel ICH/PCH: bus 0, device 31, function 3; I/O base in register 0x20. The firmware may
//     hide the function through the function-disable register of the chipset configuration
//     block (root complex base at 0:31.0 register 0xF0, +0x3418 bit 3); discovery shows it again.
//   - ATI/AMD SB6x0/SB7x0: bus 0, device 20, function 0; I/O base in register 0x90 (0x0B00 on
//     these south bridges), otherwise in register 0x10.
//   - AMD SB800/SB900 (the same function, 1002:4385, revision 0x40 and up): both PCI registers
//     read 0 there; the enable and the base are in the power-management registers 0x2C/0x2D,
//     reached through the index/data ports 0xCD6/0xCD7.
// When a machine has both, the ATI one is used (it is looked at last).

#include <array>
#include <cstdint>
#include <map>

#include "hw/bit_field.h"
#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "hw/register_access.h"

namespace zm::spd {

namespace smbus_pci {
// Host bridge and Intel LPC bridge identities.
constexpr std::uint32_t kHostBridgeId = hw::PciConfigAddress(0, 0, 0, 0x00);
constexpr std::uint16_t kIntelVendor = 0x8086;
constexpr std::uint16_t kAtiVendor = 0x1002;
constexpr hw::Field kVendorId{15, 0};

// Intel chipset configuration block (RCBA) and its function-disable register.
constexpr std::uint32_t kLpcIdentity = hw::PciConfigAddress(0, 31, 0, 0x00);
constexpr std::uint32_t kRootComplexBase = hw::PciConfigAddress(0, 31, 0, 0xF0);
constexpr hw::Field kRootComplexEnable = hw::Bit(0);
constexpr std::uint32_t kRootComplexBaseMask = 0xFFFFC000;  // a 16 KiB block
constexpr std::uint16_t kFunctionDisable = 0x3418;
constexpr hw::Field kSmbusFunctionDisabled = hw::Bit(3);

// Intel SMBus function.
constexpr std::uint32_t kIntelSmbusIdentity = hw::PciConfigAddress(0, 31, 3, 0x00);
constexpr std::uint32_t kIntelSmbusBase = hw::PciConfigAddress(0, 31, 3, 0x20);
// Class code: 0x0C05 is an SMBus controller (on later chipsets 0:31.3 is another function).
constexpr std::uint32_t kIntelSmbusClass = hw::PciConfigAddress(0, 31, 3, 0x08);
constexpr hw::Field kClassCode{31, 16};
constexpr std::uint16_t kSmbusClassCode = 0x0C05;
// Host configuration: bit 0 enables the host (bits 1..2 SMI and I2C enable, bit 3 soft reset,
// bit 4 the write-once SPD write disable, which no write can clear).
constexpr std::uint32_t kIntelSmbusHostConfig = hw::PciConfigAddress(0, 31, 3, 0x40);
constexpr std::uint32_t kHostConfigBits = 0x1F;

// ATI/AMD SMBus function.
constexpr std::uint32_t kAtiSmbusIdentity = hw::PciConfigAddress(0, 20, 0, 0x00);
constexpr std::uint32_t kAtiSmbusBase = hw::PciConfigAddress(0, 20, 0, 0x90);
constexpr std::uint32_t kAtiSmbusBar = hw::PciConfigAddress(0, 20, 0, 0x10);
constexpr std::uint16_t kAtiUsualBase = 0x0B00;
constexpr std::uint16_t kAtiSmbusDevice = 0x4385;
constexpr hw::Field kDeviceId{31, 16};
constexpr std::uint32_t kAtiSmbusRevision = hw::PciConfigAddress(0, 20, 0, 0x08);
constexpr hw::Field kRevisionId{7, 0};
constexpr std::uint8_t kSb800FirstRevision = 0x40;

// An I/O base register: bit 0 marks I/O space, the base is the rest of the low word.
constexpr std::uint16_t kIoBaseMask = 0xFFFE;
}  // namespace smbus_pci

// SB800/SB900 power-management registers.
namespace sb800_pm {
constexpr std::uint16_t kIndexPort = 0xCD6;
constexpr std::uint16_t kDataPort = 0xCD7;
// Register 0x2C: bit 0 SMBus enable, bits 2..1 which of the SMBus ports the host drives (the
// memory modules are on port 0), bits 7..5 base bits 7..5. Register 0x2D: base bits 15..8.
constexpr std::uint8_t kSmbusControl = 0x2C;
constexpr std::uint8_t kSmbusBaseHigh = 0x2D;
constexpr hw::Field kSmbusEnabled = hw::Bit(0);
constexpr hw::Field kPortSelect{2, 1};
constexpr std::uint32_t kSpdPort = 0;
constexpr std::uint16_t kBaseMask = 0xFFE0;
}  // namespace sb800_pm

// What SMBus discovery reads and writes, for the privileged helper's list: the identities it
// probes, the chipset configuration block's base (only its decode enable is ever set), the Intel
// SMBus base (only its I/O-space bit) and host configuration byte, the ATI base registers; in the
// configuration block, the SMBus function's hide bit; on SB800/SB900, the port select.
namespace smbus_access {
using namespace smbus_pci;
inline constexpr std::array<hw::PciRegisterAccess, 9> kPciAccess{{
    {kHostBridgeId, 0, {}},
    {kLpcIdentity, 0, {}},
    {kRootComplexBase, kRootComplexEnable.Mask(), {hw::AnyDeviceOf(kIntelVendor)}},
    {kIntelSmbusIdentity, 0, {}},
    {kIntelSmbusBase, 0x1, {hw::AnyDeviceOf(kIntelVendor)}, hw::PciBus::Fixed, kSmbusClassCode},
    {kIntelSmbusHostConfig,
     kHostConfigBits,
     {hw::AnyDeviceOf(kIntelVendor)},
     hw::PciBus::Fixed,
     kSmbusClassCode},
    {kAtiSmbusRevision, 0, {}},
    {kAtiSmbusBase, 0, {}},
    {kAtiSmbusBar, 0, {}},
}};
inline constexpr std::array<hw::WindowRegisterAccess, 1> kConfigurationBlockAccess{{
    {kFunctionDisable, kSmbusFunctionDisabled.Mask()},
}};
inline constexpr std::uint32_t kSb800Identity = std::uint32_t{kAtiSmbusDevice} << 16 | kAtiVendor;
inline constexpr std::array<hw::IndexedRegisterAccess, 2> kPmAccess{{
    {sb800_pm::kSmbusControl, static_cast<std::uint8_t>(sb800_pm::kPortSelect.Mask())},
    {sb800_pm::kSmbusBaseHigh, 0},
}};
}  // namespace smbus_access

// The SB800/SB900 power-management registers that hold the SMBus host's enable, port and base
// (index -> value), read without changing anything else; empty on other south bridges. The
// index port is put back as found.
std::map<std::uint8_t, std::uint8_t> ReadSb800SmbusPmRegisters(hw::HardwareAccess& hw);

// Runs the discovery, sets hw's SMBus base and enables the host controller. False when no
// usable controller answered; then nothing may be read over SMBus and the base is left alone.
// On an SB800/SB900 whose host drives another SMBus port, port 0 (the modules') is selected;
// the power-management index port is put back as it was found.
bool DiscoverSmbusController(hw::HardwareAccess& hw);

}  // namespace zm::spd
