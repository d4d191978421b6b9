// SPDX-License-Identifier: GPL-3.0-or-later
#include "os/bounded_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zm::os {
namespace {

std::string TooLarge(std::uint64_t size, std::uint64_t limit) {
    return "too large (" + std::to_string(size) + " bytes, at most " + SizeText(limit) + ")";
}

#ifndef _WIN32
const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};
#endif

}  // namespace

std::string SizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kMiB = 1ull << 20;
    if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
    return std::to_string(bytes) + " bytes";
}

#ifndef _WIN32
BoundedRead ReadRegularFile(const std::filesystem::path& path, std::uint64_t limit) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer; the type is
    // checked on the open descriptor, so what is read is what was checked.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) return {{}, std::strerror(errno)};
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) return {{}, std::strerror(errno)};
    if (!S_ISREG(status.st_mode))
        return {{}, std::string("not a regular file (") + KindOf(status.st_mode) + ")"};
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (size > limit) return {{}, TooLarge(size, limit)};

    BoundedRead result;
    result.bytes.resize(static_cast<std::size_t>(size));
    std::size_t have = 0;
    for (;;) {
        // One byte more than the limit allows tells a file that grew since fstat from one that
        // ends where it should.
        if (have == result.bytes.size()) {
            if (have > limit) return {{}, TooLarge(have, limit)};
            result.bytes.resize(have + 1);
        }
        const ssize_t n = ::read(fd.get(), result.bytes.data() + have, result.bytes.size() - have);
        if (n < 0) {
            if (errno == EINTR) continue;
            return {{}, std::strerror(errno)};
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    result.bytes.resize(have);
    return result;
}
#else
BoundedRead ReadRegularFile(const std::filesystem::path& path, std::uint64_t limit) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) return {{}, error.message()};
    if (status.type() != std::filesystem::file_type::regular) return {{}, "not a regular file"};
    const std::uint64_t size = std::filesystem::file_size(path, error);
    if (error) return {{}, error.message()};
    if (size > limit) return {{}, TooLarge(size, limit)};
    std::ifstream in(path, std::ios::binary);
    if (!in) return {{}, "cannot open"};
    BoundedRead result;
    result.bytes.resize(static_cast<std::size_t>(size) + 1);
    in.read(result.bytes.data(), static_cast<std::streamsize>(result.bytes.size()));
    if (in.bad()) return {{}, "read error"};
    const auto have = static_cast<std::uint64_t>(in.gcount());
    if (have > size) return {{}, "changed while being read"};
    result.bytes.resize(static_cast<std::size_t>(have));
    return result;
}
#endif

}  // namespace zm::os
