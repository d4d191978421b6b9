// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ini_file.h"

#include <utility>

#include "settings/file_replace.h"
#include "settings/ini_text.h"
#include "settings/ini_values.h"
#include "settings/write_notice.h"

namespace zm::settings {
namespace {

#ifdef _WIN32
constexpr std::string_view kNewFileLineEnd = "\r\n";
#else
constexpr std::string_view kNewFileLineEnd = "\n";
#endif

}  // namespace

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    const FileContents file = ReadWholeFile(path_);
    if (file.state != FileState::Read) return std::string(fallback);
    if (auto value = FindIniValue(file.bytes, section, key)) return std::move(*value);
    return std::string(fallback);
}

bool IniFile::ReadFlag(std::string_view section, std::string_view key) const {
    return ReadString(section, key) == "1";
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
    return ParseProfileInteger(ReadString(section, key)).value_or(fallback);
}

std::uint32_t IniFile::ReadHexAddress(std::string_view section, std::string_view key,
                                      std::uint32_t unparsable) const {
    return ParseHexAddress(ReadString(section, key)).value_or(unparsable);
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (path_.empty()) return false;  // no settings file in use
    const FileContents file = ReadWholeFile(path_);
    // A file that exists but cannot be read is never replaced: its content would be lost.
    if (file.state == FileState::Unreadable) {
        ReportWriteProblem({path_.string(), "it cannot be read, so it is not rewritten", false});
        return false;
    }
    const auto updated = WithIniValue(file.bytes, section, key, value, kNewFileLineEnd);
    if (!updated) return false;
    if (file.state == FileState::Read && *updated == file.bytes) return true;
    const ReplaceOutcome outcome = ReplaceFileContents(path_, *updated);
    if (!outcome.written) ReportWriteProblem({path_.string(), outcome.reason, outcome.readOnly});
    return outcome.written;
}

bool IniFile::WriteFlag(std::string_view section, std::string_view key, bool set) {
    return WriteString(section, key, set ? "1" : "0");
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteHexAddress(std::string_view section, std::string_view key, std::uint32_t value) {
    return WriteString(section, key, FormatHexAddress(value));
}

}  // namespace zm::settings
