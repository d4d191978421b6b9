// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PCI configuration addresses, in the form of configuration mechanism #1's address register.
//
// bit 31 enable; bits 27..24 register bits 11..8 (AMD family 10h extended configuration space,
// honoured only while F3x8C bit 14 is set); 23..16 bus; 15..11 device; 10..8 function;
// 7..2 dword index; 1..0 zero.

#include <cstdint>

namespace zm::hw {

constexpr std::uint32_t kPciNoDevice = 0xFFFFFFFF;

constexpr std::uint32_t PciConfigAddress(unsigned bus, unsigned device, unsigned function,
                                         unsigned reg) {
    return 0x80000000u | ((reg & 0xF00u) << 16) | ((bus & 0xFFu) << 16) | ((device & 0x1Fu) << 11) |
           ((function & 0x7u) << 8) | (reg & 0xFCu);
}

struct PciLocation {
    unsigned bus, device, function, reg;
};

// The inverse of PciConfigAddress (the enable bit is ignored).
constexpr PciLocation DecodePciAddress(std::uint32_t address) {
    return PciLocation{(address >> 16) & 0xFFu, (address >> 11) & 0x1Fu, (address >> 8) & 0x7u,
                       ((address >> 16) & 0xF00u) | (address & 0xFCu)};
}

static_assert(PciConfigAddress(0, 31, 0, 0x00) == 0x8000F800);
static_assert(PciConfigAddress(0, 31, 3, 0x20) == 0x8000FB20);
static_assert(PciConfigAddress(0, 24, 2, 0x00) == 0x8000C200);
static_assert(PciConfigAddress(0, 24, 2, 0x110) == 0x8100C210);
static_assert(PciConfigAddress(0x3F, 3, 4, 0x00) == 0x803F1C00);

}  // namespace zm::hw
