// SPDX-License-Identifier: GPL-3.0-or-later
// The private-profile text rules on in-memory text: what a read finds and what a write changes.
#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zm::settings {
namespace {

struct ReadCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, FindsTheValue) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(FindIniValue(c.text, c.section, c.key), c.expected) << c.name;
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Rules, IniReadTest,
    ::testing::Values(
        ReadCase{"plain", "[HL]\nAN=1\n", "HL", "AN", "1"},
        ReadCase{"names ignore case", "[hl]\nan=1\n", "HL", "AN", "1"},
        ReadCase{"blanks around names and value", "  [ HL ]  \n\t AN \t=  1 \t\n", "HL", "AN", "1"},
        ReadCase{"inner blanks stay", "[HL]\nX= a  b \n", "HL", "X", "a  b"},
        ReadCase{"double quotes dropped", "[HL]\nX=\" a \"\n", "HL", "X", " a "},
        ReadCase{"single quotes dropped", "[HL]\nX='b'\n", "HL", "X", "b"},
        ReadCase{"unmatched quote kept", "[HL]\nX=\"b\n", "HL", "X", "\"b"},
        ReadCase{"lone quote kept", "[HL]\nX=\"\n", "HL", "X", "\""},
        ReadCase{"CR LF line ends", "[HL]\r\nAN=1\r\nST=0\r\n", "HL", "ST", "0"},
        ReadCase{"no final line end", "[HL]\nAN=true", "HL", "AN", "true"},
        ReadCase{"empty value", "[HL]\nAN=\n", "HL", "AN", ""},
        ReadCase{"value with equals", "[HL965]\nDMI2=a=b\n", "HL965", "DMI2", "a=b"},
        ReadCase{"missing key", "[HL]\nST=1\n", "HL", "AN", std::nullopt},
        ReadCase{"missing section", "[TJMax]\nAN=1\n", "HL", "AN", std::nullopt},
        ReadCase{"key of another section", "[HL]\nST=1\n[HLK10]\nAN=1\n", "HL", "AN", std::nullopt},
        ReadCase{"keys before any section", "AN=1\n[HL]\n", "HL", "AN", std::nullopt},
        ReadCase{"first of duplicate keys", "[HL]\nAN=1\nAN=0\n", "HL", "AN", "1"},
        ReadCase{"first of duplicate sections", "[HL]\nST=1\n[HL]\nAN=1\n", "HL", "AN",
                 std::nullopt},
        ReadCase{"comment lines", "[HL]\n;AN=1\n#AN=2\nAN=3\n", "HL", "AN", "3"},
        ReadCase{"section without bracket is no section", "[HL\nAN=1\n", "HL", "AN", std::nullopt},
        ReadCase{"NUL ends the value", "[HL]\nAN=1\0junk\n"s, "HL", "AN", "1"},
        ReadCase{"NUL inside a key", "[HL]\nA\0N=1\nAN=2\n"s, "HL", "AN", "2"},
        ReadCase{"binary junk around", "\xff\xfe\x01\n[HL]\n\x80\x81=\x82\nAN= 1\n\x00\x00"s, "HL",
                 "AN", "1"},
        ReadCase{"junk before the bracket is no section", "\x01[HL]\nAN=1\n", "HL", "AN",
                 std::nullopt},
        ReadCase{"empty text", "", "HL", "AN", std::nullopt}));

// The text after a write: only the line concerned changes or one or two lines are inserted.
struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class IniWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteTest, ChangesOnlyWhatItMust) {
    const WriteCase& c = GetParam();
    const auto after = WithIniValue(c.before, c.section, c.key, c.value);
    ASSERT_TRUE(after.has_value()) << c.name;
    EXPECT_EQ(*after, c.after) << c.name;
    EXPECT_EQ(FindIniValue(*after, c.section, c.key), std::string(c.value)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniWriteTest,
    ::testing::Values(
        WriteCase{"new file", "", "HL", "AN", "1", "[HL]\nAN=1\n"},
        WriteCase{"replace keeps key spelling", "[hl]\n an =0 ; old\n", "HL", "AN", "1",
                  "[hl]\n an =1\n"},
        WriteCase{"replace keeps CR LF", "[HL]\r\nAN=0\r\nST=1\r\n", "HL", "AN", "1",
                  "[HL]\r\nAN=1\r\nST=1\r\n"},
        WriteCase{"add key after last line, before blank", "[HL]\nST=1\n\n[TJMax]\nCII=3\n", "HL",
                  "AN", "1", "[HL]\nST=1\nAN=1\n\n[TJMax]\nCII=3\n"},
        WriteCase{"add key uses CR LF", "[HL]\r\nST=1\r\n", "HL", "AN", "1",
                  "[HL]\r\nST=1\r\nAN=1\r\n"},
        WriteCase{"add key at end without line end", "[HL]\nST=1", "HL", "AN", "1",
                  "[HL]\nST=1\nAN=1\n"},
        WriteCase{"add section after comments", "; settings\n[HL]\nAN=1", "TJMax", "CII", "10",
                  "; settings\n[HL]\nAN=1\n[TJMax]\nCII=10\n"},
        WriteCase{"only the first duplicate section", "[HL]\nAN=0\n[HL]\nAN=0\n", "HL", "AN", "1",
                  "[HL]\nAN=1\n[HL]\nAN=0\n"},
        WriteCase{"junk kept byte for byte", "\x01\xff junk\n[HL]\n\x80=\x81\n", "HL", "AN", "1",
                  "\x01\xff junk\n[HL]\n\x80=\x81\nAN=1\n"},
        WriteCase{"same value, same text", "[HL]\nAN=1\n", "HL", "AN", "1", "[HL]\nAN=1\n"}));

TEST(IniWrite, RefusesWhatTheFormatCannotHold) {
    const std::string text = "[HL]\nAN=1\n";
    EXPECT_FALSE(WithIniValue(text, "HL", "AN", "1\n[Evil]\nX=1"));
    EXPECT_FALSE(WithIniValue(text, "HL", "AN", std::string("a\0b", 3)));
    EXPECT_FALSE(WithIniValue(text, "HL", "AN", "1\r"));
    EXPECT_FALSE(WithIniValue(text, "H]L", "AN", "1"));
    EXPECT_FALSE(WithIniValue(text, "", "AN", "1"));
    EXPECT_FALSE(WithIniValue(text, " HL", "AN", "1"));
    EXPECT_FALSE(WithIniValue(text, "HL", "A=N", "1"));
    EXPECT_FALSE(WithIniValue(text, "HL", "", "1"));
    EXPECT_FALSE(WithIniValue(text, "HL", ";AN", "1"));
    EXPECT_FALSE(WithIniValue(text, "HL", "[AN", "1"));
    EXPECT_FALSE(WithIniValue(text, "HL", "AN ", "1"));
    EXPECT_TRUE(WithIniValue(text, "HL965", "DMI2", "Dell Inc. [A02]; x=y"));
}

}  // namespace
}  // namespace zm::settings
