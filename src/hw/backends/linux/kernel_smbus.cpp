// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/backends/linux/kernel_smbus.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "hw/backends/linux/proc_files.h"
#include "hw/operations.h"

namespace zm::hw::linux_host {
namespace {

namespace fs = std::filesystem;

// The register block each base names (the Intel host decodes 32 ports).
constexpr std::uint16_t kBlockSize = 0x20;

struct Candidate {
    unsigned device, function;
    const char* vendor;
    std::vector<unsigned> baseRegisters;
};

std::string Trim(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

std::vector<KernelSmbus> FindKernelSmbus(const std::string& pciDevicesDir, SysfsPci& pci) {
    const Candidate candidates[] = {{31, 3, "0x8086", {0x20}}, {20, 0, "0x1002", {0x90, 0x10}}};
    std::vector<KernelSmbus> found;
    for (const Candidate& c : candidates) {
        KernelSmbus bus;
        bus.device = c.device;
        bus.fn = c.function;
        bus.function = SysfsPci::DeviceName(0, c.device, c.function);
        const std::string dir = pciDevicesDir + "/" + bus.function;
        if (Trim(ReadTextFile(dir + "/vendor").value_or("")) != c.vendor) continue;
        std::error_code ec;
        const fs::path driver = fs::read_symlink(dir + "/driver", ec);
        if (ec) continue;  // no driver bound: the program drives the ports itself
        bus.driver = driver.filename().string();
        for (const auto& entry : fs::directory_iterator(dir, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("i2c-", 0) != 0) continue;
            const int n = std::atoi(name.c_str() + 4);
            if (bus.adapter < 0 || n < bus.adapter) bus.adapter = n;
        }
        for (unsigned reg : c.baseRegisters) {
            std::string error;
            const auto value = pci.ReadDword(0, c.device, c.function, reg, error);
            const auto base = static_cast<std::uint16_t>(value.value_or(0) & 0xFFFE);
            if (value && *value != 0xFFFFFFFF && base != 0) bus.bases.push_back(base);
        }
        found.push_back(std::move(bus));
    }
    return found;
}

KernelSmbusHost::KernelSmbusHost(KernelSmbus bus, std::string devicesDir, IoctlFunction ioctl)
    : bus_(std::move(bus)), devicesDir_(std::move(devicesDir)), ioctl_(std::move(ioctl)) {}

KernelSmbusHost::~KernelSmbusHost() {
    if (fd_ >= 0) ::close(fd_);
}

bool KernelSmbusHost::Owns(std::uint16_t port) const {
    return std::any_of(bus_.bases.begin(), bus_.bases.end(), [&](std::uint16_t base) {
        return port >= base && port < base + kBlockSize;
    });
}

bool KernelSmbusHost::OwnsFunction(unsigned bus, unsigned device, unsigned function) const {
    return bus == 0 && device == bus_.device && function == bus_.fn;
}

int KernelSmbusHost::ReadByte(std::uint8_t slave, std::uint8_t command, std::string& note) {
    if (fd_ == -2) {
        const std::string path = devicesDir_ + "/i2c-" + std::to_string(bus_.adapter);
        fd_ = bus_.adapter < 0 ? -1 : ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) {
            fd_ = -1;
            note = "The kernel's SMBus driver " + bus_.driver + " owns the SMBus controller, but " +
                   (bus_.adapter < 0 ? std::string("it registered no adapter")
                                     : path + " cannot be opened (" + std::strerror(errno) + ")") +
                   ": memory modules cannot be read (run: sudo modprobe i2c-dev).";
        }
    }
    if (fd_ < 0) return smbus::kTransactionError;
    const long address = slave & 0x7F;
    // A kernel driver for the SPD EEPROM itself (at24, ee1004) may hold the address; a single
    // byte read beside it is safe, because the adapter's lock keeps transactions whole.
    if (ioctl_(fd_, I2C_SLAVE, reinterpret_cast<void*>(address)) < 0 &&
        (errno != EBUSY || ioctl_(fd_, I2C_SLAVE_FORCE, reinterpret_cast<void*>(address)) < 0)) {
        return smbus::kTransactionError;
    }
    i2c_smbus_data data{};
    i2c_smbus_ioctl_data request{};
    request.read_write = I2C_SMBUS_READ;
    request.command = command;
    request.size = I2C_SMBUS_BYTE_DATA;
    request.data = &data;
    // No acknowledge (an empty socket) or a bus error: as the host reports a device error.
    if (ioctl_(fd_, I2C_SMBUS, &request) < 0) return smbus::kTransactionError;
    return data.byte;
}

}  // namespace zm::hw::linux_host
