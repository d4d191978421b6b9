// SPDX-License-Identifier: GPL-3.0-or-later
#include "os/boot_apply_service.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(__linux__) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#if defined(SYS_openat2)
#define ZM_HAVE_OPENAT2 1
#endif
#endif
#endif

namespace zm::os {

namespace {

bool Plain(unsigned char c, bool first) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    if (c == ':' || c == '_') return true;
    return c == '.' && !first;
}

}  // namespace

std::string SystemdEscapePath(const std::filesystem::path& path) {
    // Components without the empty and "." ones: "//a/./b/" is "a/b".
    std::string simplified;
    for (const auto& part : path.lexically_normal()) {
        const std::string text = part.string();
        if (text.empty() || text == "/" || text == ".") continue;
        if (!simplified.empty()) simplified += '/';
        simplified += text;
    }
    if (simplified.empty()) return "-";
    std::string escaped;
    for (std::size_t i = 0; i < simplified.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(simplified[i]);
        if (c == '/') {
            escaped += '-';
        } else if (Plain(c, i == 0)) {
            escaped += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            escaped += hex;
        }
    }
    return escaped;
}

std::string CheckSettingsPathForm(const std::string& path) {
    // No escaping shortens a path: a longer one never fits, and nothing else looks at it.
    if (path.size() > kMaxUnitName) return "the settings path is too long for a service name";
    if (path.find('\0') != std::string::npos) return "the settings path holds a NUL byte";
    if (path.size() < 2 || path.front() != '/') return "the settings path is not absolute";
    if (path.back() == '/') return "the settings path ends in a slash";
    std::size_t begin = 1;
    while (begin <= path.size()) {
        std::size_t end = path.find('/', begin);
        if (end == std::string::npos) end = path.size();
        const std::string_view part(path.data() + begin, end - begin);
        if (part.empty()) return "the settings path holds \"//\"";
        if (part == "." || part == "..") return "the settings path holds a \".\" or \"..\" part";
        begin = end + 1;
    }
    if (BootApplyUnit(path).size() > kMaxUnitName)
        return "the settings path is too long for a service name";
    return "";
}

#ifndef _WIN32
namespace {

// A descriptor closed when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

std::string OpenError(int error) {
    switch (error) {
        case ELOOP:
            return "the settings path goes through a symbolic link";
        case ENOTDIR:
            return "a folder of the settings path is not a folder";
        case ENOENT:
            return "the settings file does not exist";
        default:
            return std::string("the settings file cannot be opened: ") + std::strerror(error);
    }
}

// One component at a time from "/", each opened O_PATH|O_NOFOLLOW (a link opens as the link
// itself): a folder that is a link is refused (ELOOP), the last component is returned as found.
int WalkWithoutLinks(const std::string& path) {
    int dir = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::size_t begin = 1;
    while (dir >= 0) {
        const std::size_t end = path.find('/', begin);
        const bool last = end == std::string::npos;
        const std::string part = path.substr(begin, last ? end : end - begin);
        const int next = ::openat(dir, part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        ::close(dir);
        if (last || next < 0) {
            errno = error;
            return next;
        }
        struct stat status {};
        if (::fstat(next, &status) != 0 || !S_ISDIR(status.st_mode)) {
            ::close(next);
            errno = S_ISLNK(status.st_mode) ? ELOOP : ENOTDIR;
            return -1;
        }
        dir = next;
        begin = end + 1;
    }
    return -1;
}

int OpenWithoutLinks(const std::string& path, LinkFreeOpen how) {
#ifdef ZM_HAVE_OPENAT2
    if (how == LinkFreeOpen::Openat2) {
        // glibc may have no wrapper: the system call itself. With O_PATH|O_NOFOLLOW a link in
        // the last place opens as the link (and is reported as one); one in a folder is ELOOP.
        open_how request{};
        request.flags = O_PATH | O_NOFOLLOW | O_CLOEXEC;
        request.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        const long fd = ::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &request, sizeof request);
        if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) return static_cast<int>(fd);
    }
#else
    (void)how;
#endif
    return WalkWithoutLinks(path);
}

}  // namespace

SettingsFileStatus InspectSettingsFile(const std::string& path, LinkFreeOpen how) {
    SettingsFileStatus result;
    result.why = CheckSettingsPathForm(path);
    if (!result.why.empty()) return result;
    const Fd file(OpenWithoutLinks(path, how));
    if (file.fd < 0) {
        const int error = errno;
        result.why = OpenError(error);
        result.missing = error == ENOENT;
        return result;
    }
    struct stat status {};
    if (::fstat(file.fd, &status) != 0) {
        result.why = OpenError(errno);
        return result;
    }
    if (S_ISLNK(status.st_mode)) {
        result.why = "the settings file is a symbolic link";
        return result;
    }
    if (!S_ISREG(status.st_mode)) {
        result.why = "the settings file is not a regular file";
        return result;
    }
    // A second name could be a system file's own, linked into the user's folder where the
    // kernel allows it; the program's writes replace the name anyway, so no real settings file
    // needs one.
    if (status.st_nlink != 1) {
        result.why = "the settings file has another name (a hard link)";
        return result;
    }
    result.uid = status.st_uid;
    result.gid = status.st_gid;
    result.writableByOthers = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return result;
}
#endif

std::string BootApplyUnit(const std::filesystem::path& settingsFile) {
    return "zentrimo-apply@" + SystemdEscapePath(std::filesystem::absolute(settingsFile)) +
           ".service";
}

bool SystemctlBootApplyService::Enable(const std::filesystem::path& settingsFile) {
    return run_ && run_({"systemctl", "enable", BootApplyUnit(settingsFile)}) == 0;
}

bool SystemctlBootApplyService::Disable(const std::filesystem::path& settingsFile) {
    return run_ && run_({"systemctl", "disable", BootApplyUnit(settingsFile)}) == 0;
}

std::unique_ptr<BootApplyService> MakeHostBootApplyService() {
#ifdef _WIN32
    return nullptr;
#else
    return std::make_unique<SystemctlBootApplyService>(&RunCommand);
#endif
}

}  // namespace zm::os
