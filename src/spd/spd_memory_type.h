// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SPD byte 2, the key byte every generation of module keeps in the same place: which kind of
// memory the module carries. Only DDR2 and DDR3 are decoded; every other kind is named, so a
// user sees why a module shows nothing more.

#include <cstdint>
#include <string>

namespace zm::spd {

// The JEDEC name of a memory type byte ("DDR4 SDRAM"), or empty for a code JEDEC left reserved.
std::string MemoryTypeName(std::uint8_t code);

// What the Type field says for a module that is not decoded: "DDR4 SDRAM (not decoded)", or
// "unknown memory type 0x0D" for a reserved code.
std::string NotDecodedTypeText(std::uint8_t code);

// A slot whose type byte did not arrive: no acknowledge is an empty socket; a host that stayed
// busy or a transaction that timed out is a failed read.
constexpr const char* kEmptySlotText = "Empty";
constexpr const char* kReadFailedText = "no response (read failed)";
constexpr const char* kNoControllerText = "No SMBus controller found: SPD cannot be read";

}  // namespace zm::spd
