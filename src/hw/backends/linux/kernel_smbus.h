// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SPD through the kernel's own SMBus driver. When i2c_i801 (Intel ICH/PCH) or i2c_piix4
// (ATI/AMD south bridges) is bound to the SMBus function the program's discovery finds, the
// kernel may be in the middle of a transaction at any moment: a second master writing the
// host's command and start bits would corrupt both. Each byte-data read the program asks of
// that host is then one I2C_SMBUS ioctl on the adapter's /dev/i2c-N (module i2c-dev), which
// the kernel serialises with its own traffic.
//
// The adapter is matched to the PCI function through sysfs: an SMBus driver registers its
// adapters as children of the PCI device, so /sys/bus/pci/devices/0000:BB:DD.F/i2c-N names
// them (the lowest N is the controller's main port, where the memory modules answer), and
// /sys/bus/pci/devices/0000:BB:DD.F/driver exists exactly while a driver is bound.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hw/backends/linux/sysfs_pci.h"

namespace zm::hw::linux_host {

// ioctl(2) as the i2c-dev path calls it; tests put a fake device behind it.
using IoctlFunction = std::function<int(int fd, unsigned long request, void* argument)>;

struct KernelSmbus {
    std::string function;  // "0000:00:1f.3"
    unsigned bus = 0, device = 0, fn = 0;
    std::string driver;                // "i801_smbus"
    std::vector<std::uint16_t> bases;  // I/O bases the function's base registers name
    int adapter = -1;                  // N of /dev/i2c-N; -1: the driver registered none
};

// The supported SMBus functions (Intel 0:31.3, ATI/AMD 0:20.0) that have a kernel driver bound.
std::vector<KernelSmbus> FindKernelSmbus(const std::string& pciDevicesDir, SysfsPci& pci);

// The byte-data reads of a host controller, made through its kernel adapter.
class KernelSmbusHost {
public:
    KernelSmbusHost(KernelSmbus bus, std::string devicesDir, IoctlFunction ioctl);
    ~KernelSmbusHost();
    KernelSmbusHost(const KernelSmbusHost&) = delete;
    KernelSmbusHost& operator=(const KernelSmbusHost&) = delete;

    const KernelSmbus& Bus() const { return bus_; }
    // The port lies in one of the host's register blocks.
    bool Owns(std::uint16_t port) const;
    bool OwnsFunction(unsigned bus, unsigned device, unsigned function) const;
    // The byte-data read of `command` from the 7-bit slave address: the data byte, or
    // smbus::kTransactionError (no acknowledge, a bus error, no adapter to reach; `note` then
    // tells why the adapter cannot be reached).
    int ReadByte(std::uint8_t slave, std::uint8_t command, std::string& note);

private:
    KernelSmbus bus_;
    std::string devicesDir_;
    IoctlFunction ioctl_;
    int fd_ = -2;  // -2 not opened yet, -1 cannot be opened
};

}  // namespace zm::hw::linux_host
