// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file: a private-profile text file ("[section]" lines followed by "key=value"
// lines). Every read and every write goes to the file itself; nothing is cached, so several
// IniFile objects on one path see each other's writes at once. A missing file, section or key
// is never an error: every read supplies a default, and the first write creates the file.
//
// A write never loses or damages the file: the new content goes to a temporary file in the same
// folder that then replaces the old one, and only the one line concerned changes (comments,
// other sections and even unreadable junk stay byte for byte). A write that cannot be done
// leaves the old file whole, returns false and is reported once per file and run through the
// process-wide handler of write_notice.h, so callers need not tell the user themselves.
//
// An empty path stands for no settings file at all (a test, a throw-away run): reads give the
// defaults and writes are dropped.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zm::settings {

class IniFile {
public:
    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }

    // Text, blanks around it stripped; `fallback` when the file, section or key is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback = {}) const;
    // Flags are written "1" and "0"; only the exact text "1" counts as set.
    bool ReadFlag(std::string_view section, std::string_view key) const;
    // A signed 32-bit integer; `fallback` when missing or when the text does not parse.
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t fallback) const;
    // An address stored as 8 hexadecimal digits: read by putting "0x0" in front of the text, so
    // a missing key reads as 0; `unparsable` when the text is not hexadecimal.
    std::uint32_t ReadHexAddress(std::string_view section, std::string_view key,
                                 std::uint32_t unparsable = 0) const;

    // Each returns whether the file now holds the value. Names or values that the format cannot
    // hold (line breaks, NUL bytes, a ']' in a section name, a '=' in a key) are refused.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteFlag(std::string_view section, std::string_view key, bool set);
    bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    bool WriteHexAddress(std::string_view section, std::string_view key, std::uint32_t value);

private:
    std::filesystem::path path_;
};

}  // namespace zm::settings
