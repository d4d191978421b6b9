// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PCI configuration space through the kernel's sysfs files
// (/sys/bus/pci/devices/0000:BB:DD.F/config). The kernel serialises these accesses with its own
// configuration cycles, which a user-space write to port 0xCF8 would race.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace zm::hw::linux_host {

class SysfsPci {
public:
    explicit SysfsPci(std::string devicesDir = "/sys/bus/pci/devices");
    ~SysfsPci();
    SysfsPci(const SysfsPci&) = delete;
    SysfsPci& operator=(const SysfsPci&) = delete;

    // "0000:00:1f.3"
    static std::string DeviceName(unsigned bus, unsigned device, unsigned function);

    // nullopt when the function does not exist or the bytes cannot be read (without root the
    // kernel shows only the first 64 bytes); `error` then says why.
    std::optional<std::uint32_t> ReadDword(unsigned bus, unsigned device, unsigned function,
                                           unsigned reg, std::string& error);
    std::optional<std::uint8_t> ReadByte(unsigned bus, unsigned device, unsigned function,
                                         unsigned reg, std::string& error);
    bool Write(unsigned bus, unsigned device, unsigned function, unsigned reg,
               const std::uint8_t* bytes, unsigned count, std::string& error);

    bool Available() const;  // the devices folder exists

private:
    // A descriptor for the function's config file, -1 when the function does not exist.
    int Open(unsigned bus, unsigned device, unsigned function);

    std::string devicesDir_;
    std::map<std::tuple<unsigned, unsigned, unsigned>, int> files_;
};

}  // namespace zm::hw::linux_host
