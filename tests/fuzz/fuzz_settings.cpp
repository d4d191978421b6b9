// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the settings-file text: any bytes must read without harm, and a write
// must read back, leave every other key as it was, and be idempotent.
//
// Input: byte 0 picks the section and key to write (and their letter case), byte 1 the value,
// the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/ini_text.h"
#include "settings/ini_values.h"

namespace {

using namespace zm::settings;

constexpr std::string_view kSections[] = {"HL", "HLK10", "HL965", "TJMax"};
constexpr std::string_view kKeys[] = {"AN", "ST", "DMI2", "1A"};
constexpr std::string_view kValues[] = {"1",   "0",        "",      "000F0450", "Dell Inc.",
                                        "-27", " padded ", "a=b;c", "[x]",      "\"q\""};

void Check(bool condition) {
    if (!condition) std::abort();
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// What a read of `value` gives back: blanks stripped, one pair of quotes dropped.
std::string AsRead(std::string_view value) {
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t pick = data[0];
    const std::string_view value = kValues[data[1] % std::size(kValues)];
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    std::string section(kSections[pick & 3]);
    std::string key(kKeys[(pick >> 2) & 3]);
    if (pick & 0x10) section = Lower(section);
    if (pick & 0x20) key = Lower(key);

    const auto written = WithIniValue(text, section, key, value, (pick & 0x40) ? "\r\n" : "\n");
    Check(written.has_value());
    Check(FindIniValue(*written, section, key) == AsRead(value));
    Check(WithIniValue(*written, section, key, value, "\n") == written);

    for (std::string_view s : kSections) {
        for (std::string_view k : kKeys) {
            const auto before = FindIniValue(text, s, k);
            if (before) {
                // The readers of the value forms must cope with whatever the file holds.
                if (const auto address = ParseHexAddress(*before)) {
                    Check(ParseHexAddress(FormatHexAddress(*address)) == address);
                }
                (void)ParseProfileInteger(*before);
            }
            if (Lower(s) == Lower(section) && Lower(k) == Lower(key)) continue;
            Check(FindIniValue(*written, s, k) == before);
        }
    }
    return 0;
}
