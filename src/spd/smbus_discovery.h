#pragma once
// Finding the chipset's SMBus host controller, through which the memory modules' SPD EEPROMs
// are read. Two controllers are known, with one register layout:
//   - Intel ICH/PCH: bus 0, device 31, function 3; I/O base in register 0x20. The firmware may
//     hide the function through the function-disable register of the chipset configuration
//     block (root complex base at 0:31.0 register 0xF0, +0x3418 bit 3); discovery shows it again.
//   - ATI/AMD SB6x0/SB7x0: bus 0, device 20, function 0; I/O base in register 0x90 (0x0B00 on
//     these south bridges), otherwise in register 0x10.
// When a machine has both, the ATI one is used (it is looked at last).

#include <cstdint>

#include "hw/bit_field.h"
#include "hw/hardware_access.h"
#include "hw/pci_address.h"

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
constexpr std::uint16_t kFunctionDisable = 0x3418;
constexpr hw::Field kSmbusFunctionDisabled = hw::Bit(3);

// Intel SMBus function.
constexpr std::uint32_t kIntelSmbusIdentity = hw::PciConfigAddress(0, 31, 3, 0x00);
constexpr std::uint32_t kIntelSmbusBase = hw::PciConfigAddress(0, 31, 3, 0x20);

// ATI/AMD SMBus function.
constexpr std::uint32_t kAtiSmbusIdentity = hw::PciConfigAddress(0, 20, 0, 0x00);
constexpr std::uint32_t kAtiSmbusBase = hw::PciConfigAddress(0, 20, 0, 0x90);
constexpr std::uint32_t kAtiSmbusBar = hw::PciConfigAddress(0, 20, 0, 0x10);
constexpr std::uint16_t kAtiUsualBase = 0x0B00;

// An I/O base register: bit 0 marks I/O space, the base is the rest of the low word.
constexpr std::uint16_t kIoBaseMask = 0xFFFE;
}  // namespace smbus_pci

// Runs the discovery, sets hw's SMBus base and enables the host controller. False when no
// usable controller answered; then nothing may be read over SMBus and the base is left alone.
bool DiscoverSmbusController(hw::HardwareAccess& hw);

}  // namespace zm::spd
