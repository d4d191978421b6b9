// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux backend's two ways to the SMBIOS tables, on fixture trees built from real tables:
// /dev/mem (a memory image) and the kernel's /sys/firmware/dmi/tables. The scan must find the
// same board, BIOS and module sizes through both.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "hw/backends/linux/linux_host.h"
#include "hw/backends/linux/linux_operations.h"
#include "hw/hardware_access.h"
#include "ident/ident_test_support.h"
#include "ident/smbios_scan.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "support/scratch_folder.h"

namespace zm::ident {
namespace {
namespace fs = std::filesystem;
using testing::TestData;

void Write(const fs::path& path, const std::vector<std::uint8_t>& bytes, std::size_t at = 0) {
    fs::create_directories(path.parent_path());
    if (!fs::exists(path)) std::ofstream(path, std::ios::binary).flush();
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(at));
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& from, std::size_t at,
                                std::size_t n) {
    return {from.begin() + static_cast<std::ptrdiff_t>(at),
            from.begin() + static_cast<std::ptrdiff_t>(at + n)};
}

std::uint32_t Dword(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}

SmbiosFacts Scan(const fs::path& root, const fs::path& settingsFile) {
    hw::LinuxHost host(hw::LinuxHostPaths::Under(root.string()));
    hw::LinuxOperations ops(host);
    ops.Initialize();
    hw::HardwareAccess hw(ops);
    settings::Settings settings(settingsFile.string());
    return ReadSmbios(hw, settings);
}

class SmbiosSysfs : public ::testing::Test {
protected:
    zm::testing::ScratchFolder dir_{"zm-dmi"};
};

// The real low-memory image of an OptiPlex GX110 (entry point at 0xF0430) serves as /dev/mem;
// the sysfs pair is cut out of it the way the kernel publishes it. A Precision 490 table is laid
// at 0xE1000 of a sparse 1 MiB /dev/mem the same way.
TEST_F(SmbiosSysfs, SameBoardAndBiosAsDevMem) {
    struct Case {
        std::vector<std::uint8_t> memory;
        std::size_t entryAt;
    };
    std::vector<Case> cases;
    cases.push_back({TestData("smbios/dell-optiplex-gx110-lowmem-1MiB.bin"), 0xF0430});
    {
        const auto dump = TestData("smbios/dell-precision-490-2007.dmidump");
        std::vector<std::uint8_t> memory(0x100000, 0);
        std::vector<std::uint8_t> entry = Slice(dump, 0, dump[5]);
        for (int i = 0; i < 4; ++i) entry[0x18 + i] = static_cast<std::uint8_t>(0xE1000 >> (8 * i));
        std::copy(entry.begin(), entry.end(), memory.begin() + 0xF0430);
        std::copy(dump.begin() + 0x20, dump.end(), memory.begin() + 0xE1000);
        cases.push_back({memory, 0xF0430});
    }
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> entry = Slice(c.memory, c.entryAt, c.memory[c.entryAt + 5]);
        const std::uint32_t table = Dword(entry, 0x18);
        const std::size_t length = entry[0x16] | entry[0x17] << 8;
        fs::remove_all(dir_);
        Write(dir_ / "mem/dev/mem", c.memory);
        Write(dir_ / "sysfs/sys/firmware/dmi/tables/smbios_entry_point", entry);
        Write(dir_ / "sysfs/sys/firmware/dmi/tables/DMI", Slice(c.memory, table, length));

        const SmbiosFacts viaMemory = Scan(dir_ / "mem", dir_ / "mem.ini");
        const SmbiosFacts viaSysfs = Scan(dir_ / "sysfs", dir_ / "sysfs.ini");
        ASSERT_FALSE(viaMemory.boardVendor.empty());
        EXPECT_EQ(viaSysfs.boardVendor, viaMemory.boardVendor);
        EXPECT_EQ(viaSysfs.boardModel, viaMemory.boardModel);
        EXPECT_EQ(viaSysfs.biosVersion, viaMemory.biosVersion);
        EXPECT_EQ(viaSysfs.biosDate, viaMemory.biosDate);
        EXPECT_EQ(viaSysfs.slotSizesMb, viaMemory.slotSizesMb);
        // The cached table address is the machine's own through both ways.
        EXPECT_EQ(settings::IniFile((dir_ / "sysfs.ini").string()).ReadHexAddress("HL965", "DMI5"),
                  table);
    }
}

TEST_F(SmbiosSysfs, StartUpSaysWhereSmbiosComesFromWhenDevMemIsClosed) {
    if (::geteuid() != 0) GTEST_SKIP() << "the prerequisites list only the rights as a user";
    const auto dump = TestData("smbios/virtual-kvm-qemu.dmidump");
    Write(dir_ / "sys/firmware/dmi/tables/smbios_entry_point", Slice(dump, 0, dump[5]));
    Write(dir_ / "sys/firmware/dmi/tables/DMI", Slice(dump, 0x20, dump.size() - 0x20));
    hw::LinuxHost host(hw::LinuxHostPaths::Under(dir_.string()));
    const auto files = host.Files();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_FALSE(files[2].present);
    EXPECT_FALSE(files[2].required);
    EXPECT_EQ(files[2].advice, "Physical memory is not readable (" + dir_.string() +
                                   "/dev/mem is missing); SMBIOS is read from " + dir_.string() +
                                   "/sys/firmware/dmi/tables instead.");
}

}  // namespace
}  // namespace zm::ident
