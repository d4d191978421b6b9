#pragma once
// Reading a memory module's SPD EEPROM one byte at a time over SMBus. There is no bulk read and
// no cache: each field is fetched by its own read-byte transaction when it is decoded, and only
// the first 256 bytes are reachable (no page selection).

#include <cstdint>
#include <optional>

#include "hw/hardware_access.h"

namespace zm::spd {

// SPD EEPROMs answer at 7-bit slave addresses 0x50 + slot index ("DIMM#1" is slot 0).
constexpr std::uint8_t kFirstSpdSlaveAddress = 0x50;
constexpr unsigned kSpdSlotCount = 6;

// The slave address of a slot, or nullopt for a slot the program does not support.
constexpr std::optional<std::uint8_t> SpdSlaveForSlot(unsigned slot) {
    if (slot >= kSpdSlotCount) return std::nullopt;
    return static_cast<std::uint8_t>(kFirstSpdSlaveAddress + slot);
}

// SPD byte offsets used to recognise a module.
constexpr std::uint8_t kSpdMemoryType = 2;
constexpr std::uint8_t kSpdTypeDdr2 = 8;
constexpr std::uint8_t kSpdTypeDdr3 = 11;
// An empty socket does not acknowledge: the transaction fails and its low byte reads 0xFF.
constexpr std::uint8_t kSpdNoModule = 0xFF;

// One SPD byte of the module at `spdSlaveAddress` (the address the caller keeps for the module
// it decodes): 0..255, or a failed transaction's -1 (device error), -2 (host busy) or -3 (time
// out), as SmbusReadByte returns them.
int ReadSpdByte(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress, std::uint8_t offset);

// The same result kept as a byte, as the decoders store it: failures read 0xFF, 0xFE, 0xFD.
std::uint8_t ReadSpdByteLow(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress,
                            std::uint8_t offset);

}  // namespace zm::spd
