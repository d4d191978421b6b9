// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-file reads and crash-safe whole-file replacement for small text files.

#include <cstdint>
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

// A settings file holds a few kilobytes; one of megabytes is no settings file (a path pointed at a
// disk image, a log): it reads as Unreadable, so nothing is taken from it and it is never
// rewritten. The boot service reads a user's file as root, so the bound matters.
constexpr std::uintmax_t kLargestSettingsFile = 8 * 1024 * 1024;

FileContents ReadWholeFile(const std::filesystem::path& path);

struct ReplaceOutcome {
    bool written = false;
    bool readOnly = false;  // the file's mode forbids writing: nothing was tried
    std::string reason;     // why not, when not written
};

// Writes `contents` to a new file in the same folder and renames it over `path`, so that a
// reader sees either the old file or the new one, never a mixture, and a failure anywhere
// (folder missing or not writable, disk full, file-size limit, rename refused) leaves the old
// file as it was. The temporary file is removed on failure.
//
// A symbolic link is followed to the file it names, which is replaced in its own folder, so the
// link stays a link. The new file keeps the old one's permission bits (and owner, where the
// program may set it). A file whose mode has no write bit, or that this user may not write, is
// left alone: its owner made it read-only on purpose, and the rename would get past that.
ReplaceOutcome ReplaceFileContents(const std::filesystem::path& path, std::string_view contents);

// The user whose settings file a process running as root works on (the boot service): every
// read and write of ReadWholeFile and ReplaceFileContents then runs, on the thread that makes
// it and only for its duration, with that user's file-system uid and gid and no supplementary
// group, so the kernel grants exactly what the user could do. A folder the user swapped for a link to a system folder gives
// root no more than it gives the user. Process-wide; nullopt: the process's own identity.
// Linux only (elsewhere it changes nothing).
struct FileOwner {
    std::uint32_t uid = 0;
    std::uint32_t gid = 0;
};
void ActOnSettingsFilesAs(std::optional<FileOwner> owner);

// The folder a missing settings file goes into by default (under the user's configuration
// folder) is made by the first write into it; any other missing folder makes the write fail.
// Process-wide; empty allows none.
void AllowFolderCreation(const std::filesystem::path& folder);

}  // namespace zm::settings
