// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/hex_dump.h"

#include <cstdint>

#include "util/hex_digit.h"

namespace zm::sim {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}
}  // namespace

std::optional<std::uint64_t> ParseHexNumber(std::string_view text, std::uint64_t max) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text.substr(2)) {
        const int digit = util::HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        if (value > (UINT64_MAX >> 4)) return std::nullopt;  // the next digit would overflow
        value = (value << 4) | static_cast<unsigned>(digit);
        if (value > max) return std::nullopt;
    }
    return value;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        if (IsBlank(c)) {
            if (high >= 0) return std::nullopt;  // a lone digit before a blank
            continue;
        }
        const int digit = util::HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>((high << 4) | digit));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    return bytes;
}

LspciDump ParseLspciDump(std::string_view text, std::string_view location) {
    struct Section {
        std::string header;
        std::vector<std::uint8_t> bytes;
        std::string error;
    };
    std::vector<Section> sections;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty()) continue;
        const std::size_t colon = line.find(':');
        const std::string_view offsetText = line.substr(0, colon);
        const bool isData = colon != std::string_view::npos && (colon == 2 || colon == 3) &&
                            ParseHexNumber("0x" + std::string(offsetText), 0xFFF).has_value() &&
                            (line.size() == colon + 1 || line[colon + 1] == ' ');
        if (!isData) {
            sections.push_back(Section{std::string(line), {}, {}});
            continue;
        }
        if (sections.empty()) sections.push_back(Section{});
        Section& section = sections.back();
        const std::size_t offset = *ParseHexNumber("0x" + std::string(offsetText), 0xFFF);
        const auto bytes = ParseHexBytes(line.substr(colon + 1));
        if (!bytes || offset != section.bytes.size()) {
            if (section.error.empty()) {
                section.error = "line " + std::to_string(lineNumber) +
                                (bytes ? ": offset out of sequence" : ": bad hex bytes");
            }
            continue;
        }
        section.bytes.insert(section.bytes.end(), bytes->begin(), bytes->end());
    }
    const Section* chosen = nullptr;
    for (const Section& section : sections) {
        if (!location.empty() && section.header.rfind(location, 0) == 0) chosen = &section;
    }
    if (!chosen && sections.size() == 1) chosen = &sections.front();
    if (!chosen) {
        return LspciDump{{}, "no function " + std::string(location) + " in the dump"};
    }
    if (!chosen->error.empty()) return LspciDump{{}, chosen->error};
    if (chosen->bytes.empty()) return LspciDump{{}, "the dump holds no bytes"};
    return LspciDump{chosen->bytes, {}};
}

}  // namespace zm::sim
