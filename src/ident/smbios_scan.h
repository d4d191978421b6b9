// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Motherboard, BIOS and memory-module sizes from the firmware's SMBIOS tables in physical
// memory, found through the 2.x "_SM_" entry point in the BIOS area from 0xF0000. Where the
// table and its structures lie is kept in the settings file, so that a later start reads the few
// structures it needs directly instead of scanning again.
//
// Structures are recognised by plausibility rules on their 4-byte header (type, length, handle)
// rather than by walking the table, which copes with tables whose string areas are damaged.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "hw/hardware_access.h"
#include "settings/settings.h"

namespace zm::ident {

constexpr unsigned kSmbiosMemorySlots = 6;

struct SmbiosFacts {
    using SlotSizes = std::array<unsigned, kSmbiosMemorySlots>;
    bool fromCache = false;  // the cached addresses were valid and used
    bool tableFound = false;
    std::string boardVendor;       // up to 40 characters
    std::string boardModel;        // up to 30
    std::string biosVersion;       // up to 11
    std::string biosDate;          // up to 11
    SlotSizes slotSizesMb{};       // MB, in table order; 0: empty or not found
    unsigned devicesAccepted = 0;  // memory-device structures that passed the rules
};

// The cached addresses when still valid (the board vendor is known, the cached entry point in
// the BIOS area names the cached table, the strings and first memory device lie in it, and that
// device still carries the cached header dword: the file may be edited while root reads physical
// memory at boot); otherwise a full scan that rewrites the cache as each part is found, the
// entry point last (the vendor is emptied when the table shows no baseboard, so that no earlier
// board's cache stays valid).
SmbiosFacts ReadSmbios(hw::HardwareAccess& hw, settings::Settings& settings);

// Where the full scan finds the 2.x entry point: the first "_SM_" dword from 0xF0000, looked for
// every 4 bytes as the scan does. Its table length is the word at +0x16, its address the dword
// at +0x18.
std::optional<std::uint64_t> FindSmbiosEntryPoint(hw::HardwareAccess& hw);

// Header plausibility rules (header = the structure's first dword, little-endian: type, length,
// handle low, handle high), exposed for the tests and the fuzz target.
bool IsBiosHeader(std::uint32_t header);
bool IsBaseboardHeader(std::uint32_t header);
// sizeAndForm: the dword at +0x0C (size in MB in bits 15..0, form factor in bits 23..16).
bool IsMemoryDevice(std::uint32_t header, std::uint32_t sizeAndForm);

}  // namespace zm::ident
