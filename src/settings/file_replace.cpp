// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/file_replace.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <system_error>
#include <vector>

#include "os/bounded_file.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/syscall.h>
#endif

namespace zm::settings {
namespace fs = std::filesystem;
namespace {

// Linux gives up after 40 links in a path; so does the program.
constexpr int kMaxLinkHops = 40;

std::mutex creatableLock;
fs::path creatableFolder;

std::mutex ownerLock;
std::optional<FileOwner> actAs;

// Takes on the settings file owner's file-system identity for one operation, on this thread
// only: the raw system calls change the calling thread's credentials (the C library's wrappers
// of setgroups would change every thread's). Supplementary groups go first, while the process
// still has the right to change them; the file-system uid last, since leaving uid 0 drops the
// file capabilities (reading or writing past the permission bits) until it is put back.
class AsFileOwner {
public:
    AsFileOwner() {
        std::optional<FileOwner> owner;
        {
            std::lock_guard<std::mutex> guard(ownerLock);
            owner = actAs;
        }
        if (!owner) return;
#ifdef __linux__
        engaged_ = true;
        savedUid_ = static_cast<long>(::syscall(SYS_setfsuid, -1));
        savedGid_ = static_cast<long>(::syscall(SYS_setfsgid, -1));
        const int count = ::getgroups(0, nullptr);
        groups_.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
        if (count > 0 && ::getgroups(count, groups_.data()) != count) groups_.clear();
        ok_ = ::syscall(SYS_setgroups, 0, nullptr) == 0;
        ::syscall(SYS_setfsgid, owner->gid);
        ::syscall(SYS_setfsuid, owner->uid);
        // Either call answers the identity in force (the one asked for is invalid).
        ok_ = ok_ && ::syscall(SYS_setfsgid, -1) == static_cast<long>(owner->gid) &&
              ::syscall(SYS_setfsuid, -1) == static_cast<long>(owner->uid);
#else
        ok_ = true;
#endif
    }
    ~AsFileOwner() {
#ifdef __linux__
        if (!engaged_) return;
        ::syscall(SYS_setfsuid, savedUid_);
        ::syscall(SYS_setfsgid, savedGid_);
        ::syscall(SYS_setgroups, groups_.size(), groups_.data());
#endif
    }
    AsFileOwner(const AsFileOwner&) = delete;
    AsFileOwner& operator=(const AsFileOwner&) = delete;
    // False when the identity could not be taken on: then nothing may be done.
    bool Ok() const {
        return ok_;
    }

private:
    bool ok_ = true;
#ifdef __linux__
    bool engaged_ = false;
    long savedUid_ = 0;
    long savedGid_ = 0;
    std::vector<gid_t> groups_;
#endif
};

constexpr const char* kNotAsOwner = "the settings file's owner's identity could not be taken on";

// A name beside the target that no other writer (thread or process) picks at the same time.
fs::path TemporaryNameBeside(const fs::path& path) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tmp-%08x-%u", seed, counter.fetch_add(1));
    fs::path temporary = path;
    temporary += suffix;
    return temporary;
}

std::FILE* OpenForWriting(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

// Puts the bytes on the disk before the rename makes them the file's content, so that a power
// loss right after the rename cannot leave an empty settings file behind.
bool FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return ::fsync(fileno(file)) == 0;
#endif
}

// Empty on success, otherwise the system's reason.
std::string WriteAll(const fs::path& path, std::string_view contents) {
    errno = 0;
    std::FILE* file = OpenForWriting(path);
    if (file == nullptr) return std::strerror(errno);
    bool ok = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    ok = ok && FlushToDisk(file);
    const int error = errno;
    ok = (std::fclose(file) == 0) && ok;
    if (ok) return {};
    return error != 0 ? std::strerror(error) : "write error";
}

// The boot service writes the user's settings file as root: a link the user owns could point
// it at any file of the system, so root follows only links that root itself made.
bool LinkRootMustNotFollow(const fs::path& link) {
#ifndef _WIN32
    struct stat status {};
    return ::geteuid() == 0 && ::lstat(link.c_str(), &status) == 0 && status.st_uid != 0;
#else
    (void)link;
    return false;
#endif
}

// The file a chain of symbolic links ends at (the path itself when it is no link). A relative
// link is relative to the folder the link is in.
std::optional<fs::path> FinalTarget(fs::path path, std::string& reason) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
        if (LinkRootMustNotFollow(path)) {
            reason =
                "a symbolic link another user owns is not followed by a process running as root";
            return std::nullopt;
        }
        const fs::path target = fs::read_symlink(path, error);
        if (error) {
            reason = error.message();
            return std::nullopt;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    reason = "too many levels of symbolic links";
    return std::nullopt;
}

bool ModeForbidsWriting(const fs::path& path, fs::perms perms) {
    constexpr fs::perms kAnyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((perms & kAnyWrite) == fs::perms::none) return true;
#ifndef _WIN32
    // Root passes this test whatever the mode says, hence the mode check above.
    if (::access(path.c_str(), W_OK) != 0 && errno == EACCES) return true;
#else
    (void)path;
#endif
    return false;
}

// The new file takes the old one's owner where the program may give it (a run as root must not
// hand a user's settings file to root).
void KeepOwner(const fs::path& old, const fs::path& temporary) {
#ifndef _WIN32
    struct stat status {};
    if (::stat(old.c_str(), &status) == 0 &&
        ::chown(temporary.c_str(), status.st_uid, status.st_gid) != 0) {
        // Not allowed (an ordinary user's file stays theirs anyway): keep the default owner.
    }
#else
    (void)old;
    (void)temporary;
#endif
}

void CreateAllowedFolder(const fs::path& folder) {
    std::error_code error;
    if (folder.empty() || fs::exists(folder, error)) return;
    std::lock_guard<std::mutex> guard(creatableLock);
    if (creatableFolder.empty() || folder.lexically_normal() != creatableFolder) return;
    fs::create_directories(folder, error);
}

// Makes the new file the target's content for good: the rename itself must reach the disk too,
// or a power loss right after it could bring back the old file (the boot-apply record relies
// on this: a record lost that way would let a hanging apply run again). Empty on success,
// otherwise the system's reason.
std::string ReplaceDurably(const fs::path& temporary, const fs::path& path) {
#ifdef _WIN32
    if (MoveFileExW(temporary.c_str(), path.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
        return {};
    return std::system_category().message(static_cast<int>(GetLastError()));
#else
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) return error.message();
    // The folder's entry: some file systems cannot sync a folder (EINVAL); the rename stands.
    fs::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return {};
#endif
}

}  // namespace

FileContents ReadWholeFile(const fs::path& path) {
    const AsFileOwner owner;
    if (!owner.Ok()) return {FileState::Unreadable, {}};
    std::error_code error;
    if (fs::status(path, error).type() == fs::file_type::not_found) return {};
    os::BoundedRead file = os::ReadRegularFile(path, kLargestSettingsFile);
    if (!file.error.empty()) return {FileState::Unreadable, {}};
    return {FileState::Read, std::move(file.bytes)};
}

ReplaceOutcome ReplaceFileContents(const fs::path& path, std::string_view contents) {
    ReplaceOutcome outcome;
    const AsFileOwner owner;
    if (!owner.Ok()) {
        outcome.reason = kNotAsOwner;
        return outcome;
    }
    const std::optional<fs::path> target = FinalTarget(path, outcome.reason);
    if (!target) return outcome;

    std::error_code error;
    const fs::file_status old = fs::status(*target, error);
    const bool exists = !error && fs::exists(old);
    if (exists && ModeForbidsWriting(*target, old.permissions())) {
        outcome.readOnly = true;
        outcome.reason = "the file is read-only";
        return outcome;
    }
    if (!exists) CreateAllowedFolder(target->parent_path());

    const fs::path temporary = TemporaryNameBeside(*target);
    outcome.reason = WriteAll(temporary, contents);
    if (outcome.reason.empty()) {
        if (exists) {
            fs::permissions(temporary, old.permissions(), error);
            KeepOwner(*target, temporary);
        }
        error.clear();
        outcome.reason = ReplaceDurably(temporary, *target);
    }
    outcome.written = outcome.reason.empty();
    if (!outcome.written) fs::remove(temporary, error);
    return outcome;
}

void ActOnSettingsFilesAs(std::optional<FileOwner> owner) {
    std::lock_guard<std::mutex> guard(ownerLock);
    actAs = owner;
}

void AllowFolderCreation(const fs::path& folder) {
    std::lock_guard<std::mutex> guard(creatableLock);
    creatableFolder = folder.empty() ? fs::path() : folder.lexically_normal();
}

}  // namespace zm::settings
