#include "settings/file_replace.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zm::settings {
namespace fs = std::filesystem;
namespace {

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

bool WriteAll(const fs::path& path, std::string_view contents) {
    std::FILE* file = OpenForWriting(path);
    if (file == nullptr) return false;
    bool ok = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    ok = ok && FlushToDisk(file);
    ok = (std::fclose(file) == 0) && ok;
    return ok;
}

// Makes the new file the target's content for good: the rename itself must reach the disk too,
// or a power loss right after it could bring back the old file (the boot-apply record relies
// on this: a record lost that way would let a hanging apply run again).
bool ReplaceDurably(const fs::path& temporary, const fs::path& path) {
#ifdef _WIN32
    return MoveFileExW(temporary.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) return false;
    // The folder's entry: some file systems cannot sync a folder (EINVAL); the rename stands.
    fs::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
#endif
}

}  // namespace

FileContents ReadWholeFile(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return {};
    if (error || status.type() != fs::file_type::regular) return {FileState::Unreadable, {}};

    std::ifstream in(path, std::ios::binary);
    if (!in) return {FileState::Unreadable, {}};
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return {FileState::Unreadable, {}};
    return {FileState::Read, std::move(bytes)};
}

bool ReplaceFileContents(const fs::path& path, std::string_view contents) {
    const fs::path temporary = TemporaryNameBeside(path);
    std::error_code error;
    bool ok = WriteAll(temporary, contents);
    if (ok) {
        // Keep the old file's permission bits on the new one.
        const fs::file_status old = fs::status(path, error);
        if (!error && fs::exists(old)) fs::permissions(temporary, old.permissions(), error);
        error.clear();
        ok = ReplaceDurably(temporary, path);
    }
    if (!ok) fs::remove(temporary, error);
    return ok;
}

}  // namespace zm::settings
