// SPDX-License-Identifier: GPL-3.0-or-later
// SPD through the kernel's SMBus driver: a fixture sysfs tree where i801_smbus is bound to
// 0000:00:1f.3 and registered i2c-3, and a fake /dev/i2c-3 behind an injected ioctl.
#include <gtest/gtest.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

#include "hw/backends/linux/linux_host.h"
#include "hw/backends/linux/linux_operations.h"
#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "support/scratch_folder.h"

namespace zm::hw {
namespace {
namespace fs = std::filesystem;

constexpr std::uint16_t kBase = 0x0400;

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string Config() {
    std::string config(256, '\0');
    const std::uint32_t dwords[][2] = {{0x00, 0x3B308086}, {0x20, kBase | 1u}, {0x40, 0x01}};
    for (const auto& [reg, value] : dwords)
        for (int i = 0; i < 4; ++i) config[reg + i] = static_cast<char>(value >> (8 * i));
    return config;
}

// A device on the adapter's bus: one SPD EEPROM at 0x50.
struct FakeBus {
    std::vector<std::uint8_t> spd = std::vector<std::uint8_t>(256);
    long slave = -1;
    int transactions = 0;
    int Ioctl(unsigned long request, void* argument) {
        if (request == I2C_SLAVE) {
            slave = reinterpret_cast<long>(argument);
            return 0;
        }
        if (request != I2C_SMBUS) return errno = EINVAL, -1;
        auto* r = static_cast<i2c_smbus_ioctl_data*>(argument);
        ++transactions;
        if (slave != 0x50 || r->read_write != I2C_SMBUS_READ || r->size != I2C_SMBUS_BYTE_DATA)
            return errno = ENXIO, -1;
        r->data->byte = spd[r->command];
        return 0;
    }
};

class KernelSmbus : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path function = root_ / "sys/bus/pci/devices/0000:00:1f.3";
        WriteFile(function / "vendor", "0x8086\n");
        WriteFile(function / "config", Config());
        fs::create_directories(function / "i2c-3");
        fs::create_directories(function / "i2c-7");
        fs::create_directory_symlink("../../../bus/pci/drivers/i801_smbus", function / "driver");
        WriteFile(root_ / "dev/i2c-3", "");
        for (int i = 0; i < 256; ++i) bus_.spd[i] = static_cast<std::uint8_t>(i * 7 + 11);
    }
    // The host's ioctl() goes to the fake adapter.
    linux_host::IoctlFunction Ioctl() {
        return [this](int, unsigned long request, void* argument) {
            return bus_.Ioctl(request, argument);
        };
    }

    zm::testing::ScratchFolder root_{"zm-i2c"};
    FakeBus bus_;
};

TEST_F(KernelSmbus, SpdBytesGoThroughTheAdapterOfTheBoundFunction) {
    LinuxHost host(LinuxHostPaths::Under(root_.string()));
    LinuxOperations ops(host, Ioctl());
    ops.Initialize();
    HardwareAccess hw(ops);
    hw.SetSmbusBase(kBase);
    hw.SmbusEnableHost();  // left to the driver: the function's configuration stays as it is
    for (int offset = 0; offset < 256; ++offset)
        ASSERT_EQ(hw.SmbusReadByte(0x50, static_cast<std::uint8_t>(offset)), bus_.spd[offset]);
    EXPECT_EQ(bus_.transactions, 256) << "one transaction per byte";
    EXPECT_EQ(hw.SmbusReadByte(0x51, 2), smbus::kTransactionError) << "empty socket";

    std::ifstream in(root_ / "sys/bus/pci/devices/0000:00:1f.3/config", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), Config());
}

TEST_F(KernelSmbus, AdapterIsMatchedThroughSysfsAndOnlyWhileADriverIsBound) {
    linux_host::SysfsPci pci((root_ / "sys/bus/pci/devices").string());
    auto found = linux_host::FindKernelSmbus((root_ / "sys/bus/pci/devices").string(), pci);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].driver, "i801_smbus");
    EXPECT_EQ(found[0].adapter, 3) << "the lowest adapter: the controller's main port";
    EXPECT_EQ(found[0].bases, std::vector<std::uint16_t>{kBase});

    fs::remove(root_ / "sys/bus/pci/devices/0000:00:1f.3/driver");
    linux_host::SysfsPci unbound((root_ / "sys/bus/pci/devices").string());
    EXPECT_TRUE(
        linux_host::FindKernelSmbus((root_ / "sys/bus/pci/devices").string(), unbound).empty())
        << "no driver: the program drives the host's ports itself";
}

TEST_F(KernelSmbus, MissingI2cDevSaysWhatToLoad) {
    fs::remove(root_ / "dev/i2c-3");
    LinuxHost host(LinuxHostPaths::Under(root_.string()));
    LinuxOperations ops(host, Ioctl());
    ops.Initialize();
    HardwareAccess hw(ops);
    hw.SetSmbusBase(kBase);
    EXPECT_EQ(hw.SmbusReadByte(0x50, 2), smbus::kTransactionError);
    EXPECT_EQ(bus_.transactions, 0) << "never the raw ports beside the driver";
    const auto notes = host.Diagnostics();
    EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [](const std::string& n) {
        return n.find("sudo modprobe i2c-dev") != std::string::npos;
    }));
}

}  // namespace
}  // namespace zm::hw
