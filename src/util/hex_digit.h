// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One hexadecimal digit of a text: the settings file's "$1F"/"0x1F" numbers and the simulated
// machines' register dumps read hex the same way. Header-only, so that every library may use it
// without a link dependency.

namespace zm::util {

// 0..15 for '0'..'9', 'a'..'f' and 'A'..'F'; -1 for any other character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace zm::util
