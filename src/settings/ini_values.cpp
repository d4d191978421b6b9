// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ini_values.h"

#include <cstdio>

#include "util/hex_digit.h"

namespace zm::settings {
namespace {

// Hexadecimal digits only, at least one, value at most 0xFFFFFFFF (leading zeros allowed).
std::optional<std::uint32_t> ParseHexDigits(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int d = util::HexDigitValue(c);
        if (d < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(d);
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<std::int32_t> ParseProfileInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::optional<std::uint32_t> hex;
    if (!text.empty() && text.front() == '$') {
        hex = ParseHexDigits(text.substr(1));
        if (!hex) return std::nullopt;
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = ParseHexDigits(text.substr(2));
        if (!hex) return std::nullopt;
    }
    if (hex) {
        const auto bits = static_cast<std::int32_t>(*hex);
        return negative ? static_cast<std::int32_t>(0u - *hex) : bits;
    }

    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{0x80000000}) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::uint32_t> ParseHexAddress(std::string_view text) {
    // "0x0" + text, read as hexadecimal: the "0x" is the prefix, the "0" a digit.
    std::string digits = "0";
    digits.append(text);
    return ParseHexDigits(digits);
}

std::string FormatHexAddress(std::uint32_t value) {
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(value));
    return buffer;
}

}  // namespace zm::settings
