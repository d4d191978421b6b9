// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/backends/linux/sysfs_pci.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zm::hw::linux_host {

SysfsPci::SysfsPci(std::string devicesDir) : devicesDir_(std::move(devicesDir)) {}

SysfsPci::~SysfsPci() {
    for (const auto& [id, fd] : files_) {
        if (fd >= 0) ::close(fd);
    }
}

std::string SysfsPci::DeviceName(unsigned bus, unsigned device, unsigned function) {
    char name[32];
    std::snprintf(name, sizeof name, "0000:%02x:%02x.%u", bus & 0xFF, device & 0x1F,
                  function & 0x7);
    return name;
}

bool SysfsPci::Available() const {
    struct stat info {};
    return ::stat(devicesDir_.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int SysfsPci::Open(unsigned bus, unsigned device, unsigned function) {
    const auto key = std::make_tuple(bus, device, function);
    if (const auto it = files_.find(key); it != files_.end()) return it->second;
    const std::string path = devicesDir_ + "/" + DeviceName(bus, device, function) + "/config";
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && (errno == EACCES || errno == EPERM))
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    // Functions do not appear at run time on these machines: remember absent ones too, so the
    // start-up probes of empty buses cost one lookup each.
    files_[key] = fd;
    return fd;
}

std::optional<std::uint32_t> SysfsPci::ReadDword(unsigned bus, unsigned device, unsigned function,
                                                 unsigned reg, std::string& error) {
    const int fd = Open(bus, device, function);
    if (fd < 0) return std::nullopt;  // no such function: not an error, the bus answers ones
    std::uint8_t bytes[4];
    const ssize_t got = ::pread(fd, bytes, sizeof bytes, reg & ~3u);
    if (got != static_cast<ssize_t>(sizeof bytes)) {
        error = "cannot read PCI configuration " + DeviceName(bus, device, function) +
                " register " + std::to_string(reg) +
                (got >= 0 ? " (beyond the bytes shown: needs root)"
                          : ": " + std::string(std::strerror(errno)));
        return std::nullopt;
    }
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

std::optional<std::uint8_t> SysfsPci::ReadByte(unsigned bus, unsigned device, unsigned function,
                                               unsigned reg, std::string& error) {
    const auto dword = ReadDword(bus, device, function, reg & ~3u, error);
    if (!dword) return std::nullopt;
    return static_cast<std::uint8_t>(*dword >> (8 * (reg & 3u)));
}

bool SysfsPci::Write(unsigned bus, unsigned device, unsigned function, unsigned reg,
                     const std::uint8_t* bytes, unsigned count, std::string& error) {
    const int fd = Open(bus, device, function);
    if (fd < 0) return false;  // nothing claims the cycle
    const ssize_t put = ::pwrite(fd, bytes, count, reg);
    if (put != static_cast<ssize_t>(count)) {
        error = "cannot write PCI configuration " + DeviceName(bus, device, function) +
                " register " + std::to_string(reg) + ": " +
                (put < 0 ? std::string(std::strerror(errno)) : std::string("short write"));
        return false;
    }
    return true;
}

}  // namespace zm::hw::linux_host
