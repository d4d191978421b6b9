// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Texts that come from the hardware (SPD part numbers, SMBIOS strings) are bytes in whatever
// 8-bit character set the module or board maker used. For display, the settings file and the
// report they are turned into UTF-8: printable ASCII stays, bytes 0xA0..0xFF are read as
// Latin-1, and control characters (C0, DEL, C1), which would break a settings line or a report,
// become '?'. Header-only, so that every library may use it without a link dependency.

#include <string>
#include <string_view>

namespace zm::util {

inline std::string DisplayText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text.push_back(c);
        } else if (byte >= 0xA0) {
            // Latin-1 code point as two UTF-8 bytes.
            text.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        } else {
            text.push_back('?');
        }
    }
    return text;
}

}  // namespace zm::util
