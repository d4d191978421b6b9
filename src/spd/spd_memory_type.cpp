// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_memory_type.h"

#include <array>

#include "spd/spd_format.h"

namespace zm::spd {
namespace {

struct MemoryType {
    std::uint8_t code;
    const char* name;
};

// SPD byte 2 as JEDEC assigns it (0x0D is reserved).
constexpr std::array<MemoryType, 18> kMemoryTypes{{
    {0x01, "FPM DRAM"},
    {0x02, "EDO DRAM"},
    {0x03, "Pipelined Nibble DRAM"},
    {0x04, "SDRAM"},
    {0x05, "ROM"},
    {0x06, "DDR SGRAM"},
    {0x07, "DDR SDRAM"},
    {0x08, "DDR2 SDRAM"},
    {0x09, "DDR2 SDRAM FB-DIMM"},
    {0x0A, "DDR2 SDRAM FB-DIMM PROBE"},
    {0x0B, "DDR3 SDRAM"},
    {0x0C, "DDR4 SDRAM"},
    {0x0E, "DDR4E SDRAM"},
    {0x0F, "LPDDR3 SDRAM"},
    {0x10, "LPDDR4 SDRAM"},
    {0x11, "LPDDR4X SDRAM"},
    {0x12, "DDR5 SDRAM"},
    {0x13, "LPDDR5 SDRAM"},
}};

}  // namespace

std::string MemoryTypeName(std::uint8_t code) {
    for (const MemoryType& type : kMemoryTypes)
        if (type.code == code) return type.name;
    return "";
}

std::string NotDecodedTypeText(std::uint8_t code) {
    const std::string name = MemoryTypeName(code);
    if (name.empty()) return "unknown memory type 0x" + Hex(code, 2);
    return name + " (not decoded)";
}

}  // namespace zm::spd
