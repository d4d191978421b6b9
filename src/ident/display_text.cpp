#include "ident/display_text.h"

namespace zm::ident {

std::string DisplayText(std::string_view bytes) {
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

}  // namespace zm::ident
