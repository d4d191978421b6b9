// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The value forms the settings file stores as text: signed 32-bit integers and 32-bit hexadecimal
// addresses. Parsing follows the rules of the runtime the file format comes from: a decimal
// integer with an optional sign, or a hexadecimal one written "$1F" or "0x1F"; anything else,
// or a number outside 32 bits, does not parse and the reader falls back to its default.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zm::settings {

// Decimal "-12", "+7", or hexadecimal "$FF" / "0xFF" (up to 8 digits, read as the two's
// complement bit pattern, so "0xFFFFFFFF" is -1).
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

// An address stored as hexadecimal digits without prefix. The reader puts "0x0" in front and
// converts, so the empty text is 0 and a text with a prefix of its own ("0x12") does not parse.
std::optional<std::uint32_t> ParseHexAddress(std::string_view text);

// Exactly 8 upper-case hexadecimal digits, no prefix: 0xF0430 -> "000F0430".
std::string FormatHexAddress(std::uint32_t value);

}  // namespace zm::settings
