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
#include "hw/backends/port_io/port_operations.h"

namespace zm::hw::linux_host {
namespace {

namespace fs = std::filesystem;

// The register block each base names (the Intel host decodes 32 ports).
constexpr std::uint16_t kBlockSize = 0x20;
constexpr std::uint8_t kProtocolMask = 0x1C;
constexpr std::uint8_t kReadDirection = 0x01;

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

std::uint8_t KernelSmbusHost::Read(std::uint16_t port) {
    for (std::uint16_t base : bus_.bases) {
        if (port < base || port >= base + kBlockSize) continue;
        switch (port - base) {
            case smbus::kHostStatus:
                return status_;
            case smbus::kHostControl:
                return control_;
            case smbus::kHostCommand:
                return command_;
            case smbus::kTransmitSlaveAddress:
                return slave_;
            case smbus::kHostData0:
                return data_;
            default:
                return 0;
        }
    }
    return 0xFF;
}

void KernelSmbusHost::Write(std::uint16_t port, std::uint8_t value, std::string& note) {
    for (std::uint16_t base : bus_.bases) {
        if (port < base || port >= base + kBlockSize) continue;
        switch (port - base) {
            case smbus::kHostStatus:
                status_ &= static_cast<std::uint8_t>(~value);
                return;
            case smbus::kHostControl:
                control_ = static_cast<std::uint8_t>(value & ~smbus::kControlStart);
                if (value & smbus::kControlStart) Run(note);
                return;
            case smbus::kHostCommand:
                command_ = value;
                return;
            case smbus::kTransmitSlaveAddress:
                slave_ = value;
                return;
            case smbus::kHostData0:
                data_ = value;
                return;
            default:
                return;
        }
    }
}

void KernelSmbusHost::Run(std::string& note) {
    // Only what the SPD reader does: a byte-data read. Anything else is not passed on.
    if ((control_ & kProtocolMask) != smbus::kControlByteData || !(slave_ & kReadDirection)) {
        status_ = smbus::kStatusFailed;
        note = "only SMBus byte reads are passed to the kernel's SMBus driver";
        return;
    }
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
    if (fd_ < 0) {
        status_ = smbus::kStatusFailed;
        return;
    }
    const long address = slave_ >> 1;
    // A kernel driver for the SPD EEPROM itself (at24, ee1004) may hold the address; a single
    // byte read beside it is safe, because the adapter's lock keeps transactions whole.
    if (ioctl_(fd_, I2C_SLAVE, reinterpret_cast<void*>(address)) < 0 &&
        (errno != EBUSY || ioctl_(fd_, I2C_SLAVE_FORCE, reinterpret_cast<void*>(address)) < 0)) {
        status_ = smbus::kStatusDeviceError;
        return;
    }
    i2c_smbus_data data{};
    i2c_smbus_ioctl_data request{};
    request.read_write = I2C_SMBUS_READ;
    request.command = command_;
    request.size = I2C_SMBUS_BYTE_DATA;
    request.data = &data;
    if (ioctl_(fd_, I2C_SMBUS, &request) < 0) {
        // No acknowledge (an empty socket) or a bus error: as the host reports a device error.
        status_ = smbus::kStatusDeviceError;
        data_ = 0xFF;
        return;
    }
    data_ = data.byte;
    status_ = smbus::kStatusInterrupt;
}

}  // namespace zm::hw::linux_host
