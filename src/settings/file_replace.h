#pragma once
// Whole-file reads and crash-safe whole-file replacement for small text files.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zm::settings {

enum class FileState { Missing, Read, Unreadable };

struct FileContents {
    FileState state = FileState::Missing;
    std::string bytes;  // empty unless state is Read
};

FileContents ReadWholeFile(const std::filesystem::path& path);

// Writes `contents` to a new file in the same folder and renames it over `path`, so that a
// reader sees either the old file or the new one, never a mixture, and a failure anywhere
// (folder missing or not writable, disk full, file-size limit, rename refused) leaves the old
// file as it was. The temporary file is removed on failure. Returns whether `path` now holds
// `contents`.
bool ReplaceFileContents(const std::filesystem::path& path, std::string_view contents);

}  // namespace zm::settings
