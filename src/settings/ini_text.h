// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The private-profile text format, as the Windows profile calls read and write it, on an
// in-memory copy of the file. Nothing here touches the disk (IniFile does), so the same rules
// serve the file object, its tests and the fuzz target.
//
// Reading:
//   - a section starts at a line whose first non-blank character is '[' and that holds a ']';
//     its name is the text between the '[' and the last ']', blanks around it stripped;
//   - a key line is "key = value"; key and value have the blanks around them stripped, and a
//     value enclosed in a matching pair of single or double quotes loses the quotes;
//   - lines starting with ';' or '#' are comments, lines without '=' are ignored;
//   - section and key names compare case-insensitively (ASCII); only the first section of a
//     name and the first key of a name inside it count;
//   - the file is bytes: a NUL byte ends a value, CR LF and LF line ends are both accepted,
//     a last line without a line end is still read.
// Writing changes only the one line concerned (or inserts one or two lines) and leaves every
// other byte of the text exactly as it was, junk included.

#include <optional>
#include <string>
#include <string_view>

namespace zm::settings {

// The value of key in section, or nullopt when the section or the key does not exist.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// Whether the names and the value can be stored so that they read back unchanged in meaning:
// no line breaks or NUL bytes anywhere, a section name without ']', a key that is not empty,
// has no '=' and does not look like a comment or a section line.
bool IsStorableSection(std::string_view section);
bool IsStorableKey(std::string_view key);
bool IsStorableValue(std::string_view value);

// The text with key in section set to value. An existing key line keeps everything up to and
// including its '=' and gets the new value; a missing key is added after the last non-blank line
// of its section; a missing section is added at the end. New lines use the text's own line end
// (CR LF if its first line end is CR LF, LF if it is LF) or `newline` for a text without any.
// Returns nullopt, and changes nothing, when the names or the value are not storable.
std::optional<std::string> WithIniValue(std::string_view text, std::string_view section,
                                        std::string_view key, std::string_view value,
                                        std::string_view newline = "\n");

}  // namespace zm::settings
