// SPDX-License-Identifier: GPL-3.0-or-later
// Integer and hexadecimal-address value forms of the settings file.
#include "settings/ini_values.h"

#include <gtest/gtest.h>

#include <optional>

namespace zm::settings {
namespace {

TEST(ProfileInteger, ParsesWhatTheFormatAllows) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {"0", 0},
        {"27", 27},
        {"-3", -3},
        {"+5", 5},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"$1F", 31},
        {"0x1f", 31},
        {"0XFFFFFFFF", -1},
        {"-$10", -16},
        {"0x100000000", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"1.5", std::nullopt},
        {"12a", std::nullopt},
        {"true", std::nullopt},
        {" 1", std::nullopt},  // the file object strips blanks before parsing
    };
    for (const Case& c : cases) EXPECT_EQ(ParseProfileInteger(c.text), c.expected) << c.text;
}

TEST(HexAddress, ReadsWithTheZeroPrefixRule) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> expected;
    };
    const Case cases[] = {
        {"000F0430", 0x000F0430u},
        {"FFFFFFFF", 0xFFFFFFFFu},
        {"cfe9b000", 0xCFE9B000u},
        {"", 0u},
        {"1", 1u},
        {"0x12", std::nullopt},
        {"100000000", std::nullopt},
        {"G1", std::nullopt},
        {"-1", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseHexAddress(c.text), c.expected) << c.text;
}

TEST(HexAddress, WritesEightUpperCaseDigitsThatReadBack) {
    EXPECT_EQ(FormatHexAddress(0xF0430), "000F0430");
    EXPECT_EQ(FormatHexAddress(0), "00000000");
    EXPECT_EQ(FormatHexAddress(0xdeadbeef), "DEADBEEF");
    for (std::uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x12345678u}) {
        EXPECT_EQ(ParseHexAddress(FormatHexAddress(v)), v);
    }
}

}  // namespace
}  // namespace zm::settings
