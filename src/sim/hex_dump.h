// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text forms of register and memory contents used by machine profiles.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zm::sim {

// "0x1F" (the prefix is required, hex digits either case) -> 0x1F; nullopt when the text is not
// such a number or exceeds max.
std::optional<std::uint64_t> ParseHexNumber(std::string_view text, std::uint64_t max);

// Hex bytes "22 10 00 11" or "22100011" (whitespace between bytes optional); nullopt on any
// other character or an odd digit count.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text);

// One function's configuration space from `lspci -xxx` / `-xxxx` text: lines "OO: xx xx ..."
// after a header line "BB:DD.F name...". With several functions in the text, the one whose
// header starts with `location` ("00:14.0") is taken; a text with a single function needs no
// match. The error text says what is wrong.
struct LspciDump {
    std::vector<std::uint8_t> bytes;
    std::string error;
};
LspciDump ParseLspciDump(std::string_view text, std::string_view location);

}  // namespace zm::sim
