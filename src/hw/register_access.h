// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program reads and writes, as the register maps export it: one row per PCI register,
// MSR, memory-window offset and power-management index register, with the bits a write may
// change (0: read only). The privileged helper builds its allow-list from these rows and from
// nothing else, so a register the program starts to write is allowed by naming its mask where
// the register is defined.

#include <array>
#include <cstdint>

#include "hw/bit_field.h"

namespace zm::hw {

// The device a row's register belongs to, as its vendor/device dword (configuration register
// 0x00) reads: the row counts only where one of these answers. `mask` selects the bits compared
// (0x0000FFFF: any device of that vendor).
struct DeviceMatch {
    std::uint32_t identity = 0;
    std::uint32_t mask = 0;  // 0: unused entry
    constexpr bool Matches(std::uint32_t found) const {
        return mask != 0 && (found & mask) == (identity & mask);
    }
};
using DeviceMatches = std::array<DeviceMatch, 4>;

constexpr DeviceMatch AnyDeviceOf(std::uint16_t vendor) {
    return DeviceMatch{vendor, 0x0000FFFFu};
}
constexpr DeviceMatch Device(std::uint32_t identity) {
    return DeviceMatch{identity, 0xFFFFFFFFu};
}

// Where a PCI row's bus is: bus 0, or the Intel uncore's bus, which is 0x3F, 0x7F or 0xFF
// depending on the socket (the address is written in its bus 0x3F form).
enum class PciBus : std::uint8_t { Fixed, Uncore };

struct PciRegisterAccess {
    std::uint32_t
        address;  // configuration address of the register's dword (extended form for F2x1xx)
    std::uint32_t writable;  // bits a write may change; 0: read only
    DeviceMatches devices;
    PciBus bus = PciBus::Fixed;
    // 0: any function the devices match; otherwise the class and subclass (configuration dword
    // 0x08, bits 31..16) it must report as well, where one vendor puts different functions there.
    std::uint16_t classCode = 0;
};

// The highest value a written field may take, where its top values mean something the program
// never asks for (a reserved divisor, a VID that switches the supply off). The default allows
// every value.
struct FieldCeiling {
    Field64 field{0, 0};
    std::uint64_t highest = ~std::uint64_t{0};
};

struct MsrAccess {
    std::uint32_t index;
    std::uint64_t writable;  // 0: read only
    std::array<FieldCeiling, 3> ceilings{};
};

// A dword at an offset of a memory window (the host bridge's memory-controller window, the
// chipset configuration block).
struct WindowRegisterAccess {
    std::uint32_t offset;
    std::uint32_t writable;
};

// A register behind an index/data port pair (the SB800/SB900 power-management block).
struct IndexedRegisterAccess {
    std::uint8_t index;
    std::uint8_t writable;
};

}  // namespace zm::hw
