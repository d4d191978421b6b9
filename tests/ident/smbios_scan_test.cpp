// SPDX-License-Identifier: GPL-3.0-or-later
// Motherboard, BIOS and module sizes from real SMBIOS tables laid into simulated memory, and the
// "HL965" location cache in the settings file.
#include "ident/smbios_scan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "hw/hardware_access.h"
#include "ident/ident_test_support.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "sim/simulated_machine.h"
#include "support/scratch_folder.h"

namespace zm::ident {
namespace {
namespace fs = std::filesystem;
using testing::PlaceSmbiosDump;
using testing::TestData;

class SmbiosTest : public ::testing::Test {
protected:
    fs::path SettingsPath() const { return dir_ / "ZM.ini"; }
    std::string SettingsText() const {
        std::ifstream in(SettingsPath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    zm::testing::ScratchFolder dir_{"zm-smbios"};
};

struct DumpCase {
    const char* file;
    const char* vendor;
    const char* model;
    const char* biosVersion;
    const char* biosDate;
    SmbiosFacts::SlotSizes slots;
    unsigned accepted;
};

TEST_F(SmbiosTest, RealTables) {
    const DumpCase cases[] = {
        // Type 17 at table+0x4A8, 0x4FF, 0x556, 0x5AD: 1 GB, empty, 1 GB, empty.
        {"dell-precision-390-2006.dmidump",
         "Dell Inc.          ",
         "0GH911",
         "2.5.0 ",
         "11/14/2007",
         {1024, 0, 1024, 0, 0, 0},
         4},
        // BIOS strings: vendor, an unused blank one, version "A05" (string 3), date (string 4).
        // Six 17s, but the fifth has handle 0x1104, whose low byte 4 fails the handle rule,
        // and the search ends there.
        {"dell-poweredge-1800-2005.dmidump",
         "Dell Computer Corporation",
         "0P8611",
         "A05",
         "09/21/2005",
         {512, 512, 0, 0, 0, 0},
         4},
        // The BIOS structure lies at table+0x1AE, beyond the 150 positions looked at; FB-DIMMs
        // (form factor 0x0F) are not memory devices by the rules: no sizes.
        {"dell-precision-490-2007.dmidump",
         "Dell Inc.          ",
         "0GU083",
         "",
         "",
         {0, 0, 0, 0, 0, 0},
         0},
        // No baseboard structure: the byte-wise search takes bytes inside another structure for
        // one, whose "vendor" is control characters. Eight 17s from table+0x2DB; the fifth's
        // handle 0x1104 ends the search.
        {"hp-proliant-dl385-g1-2006.dmidump",
         "???",
         "",
         "A05",
         "03/01/2006",
         {512, 512, 512, 512, 0, 0},
         4},
        // Version and vendor are both string 1; the only memory device lies before table+0x200,
        // where the search starts.
        {"virtual-kvm-qemu.dmidump", "", "", "QEMU", "01/01/2007", {0, 0, 0, 0, 0, 0}, 0},
    };
    for (const DumpCase& c : cases) {
        sim::SimulatedMachine machine;
        PlaceSmbiosDump(machine, TestData(std::string("smbios/") + c.file), 0xF0450, 0x7FF00000);
        hw::HardwareAccess hw(machine);
        settings::Settings ini(SettingsPath());
        fs::remove(SettingsPath());
        const SmbiosFacts facts = ReadSmbios(hw, ini);
        EXPECT_TRUE(facts.tableFound) << c.file;
        EXPECT_FALSE(facts.fromCache) << c.file;
        EXPECT_EQ(facts.boardVendor, c.vendor) << c.file;
        EXPECT_EQ(facts.boardModel, c.model) << c.file;
        EXPECT_EQ(facts.biosVersion, c.biosVersion) << c.file;
        EXPECT_EQ(facts.biosDate, c.biosDate) << c.file;
        EXPECT_EQ(facts.slotSizesMb, c.slots) << c.file;
        EXPECT_EQ(facts.devicesAccepted, c.accepted) << c.file;
    }
}

// A real image of the first megabyte: two stray "_SM_" strings below 0xF0000 are not looked at,
// the entry point at 0xF0430 is found.
TEST_F(SmbiosTest, RealLowMemoryImage) {
    sim::SimulatedMachine machine;
    machine.SetPhysicalMemory(0, TestData("smbios/dell-optiplex-gx110-lowmem-1MiB.bin"));
    hw::HardwareAccess hw(machine);
    settings::Settings ini(SettingsPath());
    const SmbiosFacts facts = ReadSmbios(hw, ini);
    EXPECT_EQ(facts.boardVendor, "Dell Computer Corporation");
    EXPECT_EQ(facts.boardModel, "OptiPlex GX110               ");
    EXPECT_EQ(facts.biosVersion, "A05");
    EXPECT_EQ(facts.biosDate, "09/18/2000");
    EXPECT_EQ(facts.slotSizesMb, (SmbiosFacts::SlotSizes{0, 256, 0, 0, 0, 0}));
    EXPECT_EQ(settings::IniFile(SettingsPath()).ReadHexAddress("HL965", "DMI5"), 0xF0450u);
}

TEST_F(SmbiosTest, NoTwoPointXEntryPointLeavesEverythingEmptyAndWritesNothing) {
    sim::SimulatedMachine machine;
    // Only a 3.0 "_SM3_" entry point: a 2.x scanner finds nothing.
    const auto dump = TestData("smbios/dell-xps13-9365-SM3only-2016.dmidump");
    machine.SetPhysicalMemory(0xF0000, dump);
    hw::HardwareAccess hw(machine);
    settings::Settings ini(SettingsPath());
    const SmbiosFacts facts = ReadSmbios(hw, ini);
    EXPECT_FALSE(facts.tableFound);
    EXPECT_EQ(facts.boardVendor, "");
    EXPECT_EQ(facts.biosVersion, "");
    EXPECT_EQ(facts.devicesAccepted, 0u);
    EXPECT_FALSE(fs::exists(SettingsPath()));
}

constexpr std::uint32_t kTable = 0x7FF00000;
constexpr std::uint32_t kEntry = 0xFE000;  // far into the area: a scan costs thousands of reads

TEST_F(SmbiosTest, AScanWritesTheSixCacheKeysInOrder) {
    sim::SimulatedMachine machine;
    PlaceSmbiosDump(machine, TestData("smbios/dell-precision-390-2006.dmidump"), kEntry, kTable);
    hw::HardwareAccess hw(machine);
    settings::Settings ini(SettingsPath());
    ReadSmbios(hw, ini);
    // A new file lists the keys in the order they were written.
    EXPECT_EQ(SettingsText(),
              "[HL965]\n"
              "DMI5=7FF00000\n"
              "DMI1=7FF00111\n"  // baseboard at +0x109, 8 bytes formatted
              "DMI2=Dell Inc.          \n"
              "DMI3=7FF004A8\n"
              "DMI4=11001B11\n"  // type 17, length 0x1B, handle 0x1100
              "DMI6=000FE000\n");
}

TEST_F(SmbiosTest, ASecondStartReadsTheCachedAddressesWithoutScanning) {
    sim::SimulatedMachine machine;
    PlaceSmbiosDump(machine, TestData("smbios/dell-precision-390-2006.dmidump"), kEntry, kTable);
    hw::HardwareAccess hw(machine);

    settings::Settings first(SettingsPath());
    const std::uint64_t before = machine.Counts().memoryReads;
    const SmbiosFacts scanned = ReadSmbios(hw, first);
    const std::uint64_t scanReads = machine.Counts().memoryReads - before;
    EXPECT_GE(scanReads, (kEntry - 0xF0000) / 4);
    const std::string fileAfterScan = SettingsText();

    settings::Settings second(SettingsPath());  // a new object on the same file: a new start
    const std::uint64_t mid = machine.Counts().memoryReads;
    const SmbiosFacts cached = ReadSmbios(hw, second);
    const std::uint64_t cachedReads = machine.Counts().memoryReads - mid;

    EXPECT_TRUE(cached.fromCache);
    EXPECT_LT(cachedReads, 1000u);
    EXPECT_EQ(cached.boardVendor, scanned.boardVendor);
    EXPECT_EQ(cached.boardModel, scanned.boardModel);
    EXPECT_EQ(cached.biosVersion, scanned.biosVersion);
    EXPECT_EQ(cached.biosDate, scanned.biosDate);
    EXPECT_EQ(cached.slotSizesMb, scanned.slotSizesMb);
    EXPECT_EQ(cached.devicesAccepted, scanned.devicesAccepted);
    EXPECT_EQ(SettingsText(), fileAfterScan);  // nothing rewritten
}

TEST_F(SmbiosTest, AChangedMemoryDeviceHeaderForcesAFullScanThatRewritesEveryKey) {
    sim::SimulatedMachine machine;
    PlaceSmbiosDump(machine, TestData("smbios/dell-precision-390-2006.dmidump"), kEntry, kTable);
    hw::HardwareAccess hw(machine);
    // A cache from another board, whose DMI3 happens to point at this table's first memory
    // device but with another header.
    std::ofstream(SettingsPath()) << "[HL965]\nDMI5=000E0000\nDMI1=000E0100\nDMI2=Old Board\n"
                                     "DMI3=7FF004A8\nDMI4=11001B12\n";
    settings::Settings ini(SettingsPath());
    const std::uint64_t before = machine.Counts().memoryReads;
    const SmbiosFacts facts = ReadSmbios(hw, ini);
    EXPECT_FALSE(facts.fromCache);
    EXPECT_GE(machine.Counts().memoryReads - before, (kEntry - 0xF0000) / 4);
    EXPECT_EQ(facts.boardModel, "0GH911");
    EXPECT_EQ(SettingsText(),
              "[HL965]\nDMI5=7FF00000\nDMI1=7FF00111\nDMI2=Dell Inc.          \n"
              "DMI3=7FF004A8\nDMI4=11001B11\nDMI6=000FE000\n");
}

// The cache is a file the user may edit, read from physical memory by root at boot: addresses
// outside the table its entry point names are never read, whatever the fingerprint says.
TEST_F(SmbiosTest, CachedAddressesOutsideTheTableAreNotTrusted) {
    sim::SimulatedMachine machine;
    PlaceSmbiosDump(machine, TestData("smbios/dell-precision-390-2006.dmidump"), kEntry, kTable);
    hw::HardwareAccess hw(machine);
    settings::Settings first(SettingsPath());
    ReadSmbios(hw, first);
    const std::string valid = SettingsText();
    // A register window with a header dword that happens to match, and an old file without DMI6.
    machine.SetPhysicalMemory(0xFED00000, {0x11, 0x1B, 0x00, 0x11});
    const std::pair<const char*, const char*> edits[] = {
        {"DMI3=7FF004A8", "DMI3=FED00000"},
        {"DMI1=7FF00111", "DMI1=FED00000"},
        {"DMI6=000FE000\n", ""},
    };
    for (const auto& [from, to] : edits) {
        SCOPED_TRACE(from);
        std::string text = valid;
        text.replace(text.find(from), std::string(from).size(), to);
        std::ofstream(SettingsPath(), std::ios::binary | std::ios::trunc) << text;
        settings::Settings ini(SettingsPath());
        const SmbiosFacts facts = ReadSmbios(hw, ini);
        EXPECT_FALSE(facts.fromCache);
        EXPECT_EQ(facts.boardModel, "0GH911");
        EXPECT_EQ(SettingsText(), valid) << "a full scan writes the true addresses back";
    }
}

TEST_F(SmbiosTest, TablesMovedByTheFirmwareAreFoundAgain) {
    const auto dump = TestData("smbios/dell-poweredge-1800-2005.dmidump");
    settings::Settings ini(SettingsPath());
    {
        sim::SimulatedMachine machine;
        PlaceSmbiosDump(machine, dump, kEntry, kTable);
        hw::HardwareAccess hw(machine);
        ReadSmbios(hw, ini);
    }
    sim::SimulatedMachine moved;
    PlaceSmbiosDump(moved, dump, 0xF0800, 0x000F1000);
    hw::HardwareAccess hw(moved);
    const SmbiosFacts facts = ReadSmbios(hw, ini);
    EXPECT_FALSE(facts.fromCache);
    EXPECT_EQ(facts.biosVersion, "A05");
    EXPECT_EQ(facts.slotSizesMb, (SmbiosFacts::SlotSizes{512, 512, 0, 0, 0, 0}));
    EXPECT_EQ(settings::IniFile(SettingsPath()).ReadHexAddress("HL965", "DMI5"), 0x000F1000u);
    EXPECT_EQ(settings::IniFile(SettingsPath()).ReadHexAddress("HL965", "DMI3"),
              0x000F1000u + 0x4B6);
}

// A "dmidecode --dump-bin" style image of a small table: BIOS information, no baseboard
// structure, and one 1 GB DIMM at table+0x200.
std::vector<std::uint8_t> TableWithoutBaseboard() {
    std::vector<std::uint8_t> table = {0x00, 0x12, 0x00, 0x00, 1, 2, 0x00, 0xF0, 3,
                                       0x0F, 0,    0,    0,    0, 0, 0,    0,    0};
    for (const char* s : {"Vendor", "1.0", "01/01/2010"})
        table.insert(table.end(), s, s + strlen(s) + 1);
    table.push_back(0);
    table.resize(0x200, 0);
    std::vector<std::uint8_t> device(0x1B, 0);
    device[0] = 17;
    device[1] = 0x1B;
    device[3] = 0x11;     // handle 0x1100
    device[0x0D] = 0x04;  // 0x0400 MB
    device[0x0E] = 0x09;  // DIMM
    table.insert(table.end(), device.begin(), device.end());
    table.insert(table.end(), {0, 0});

    std::vector<std::uint8_t> dump(0x20, 0);
    std::memcpy(dump.data(), "_SM_", 4);
    dump[0x05] = 0x1F;
    std::memcpy(dump.data() + 0x10, "_DMI_", 5);
    dump[0x16] = static_cast<std::uint8_t>(table.size());
    dump[0x17] = static_cast<std::uint8_t>(table.size() >> 8);
    dump.insert(dump.end(), table.begin(), table.end());
    return dump;
}

// A board change to firmware whose table holds no baseboard structure: the old board's vendor
// must not stay behind as a valid cache, or the next start would read "strings" at the old
// board's address.
TEST_F(SmbiosTest, AScanWithoutBaseboardLeavesNoVendorInTheCache) {
    sim::SimulatedMachine machine;
    PlaceSmbiosDump(machine, TableWithoutBaseboard(), kEntry, kTable);
    const std::string oldStrings("Old Board\0Old Model\0\0", 22);
    machine.SetPhysicalMemory(0xE0100, {oldStrings.begin(), oldStrings.end()});
    std::ofstream(SettingsPath()) << "[HL965]\nDMI5=000E0000\nDMI1=000E0100\nDMI2=Old Board\n"
                                     "DMI3=000E0200\nDMI4=11001B11\n";
    hw::HardwareAccess hw(machine);

    for (int start = 1; start <= 2; ++start) {
        settings::Settings ini(SettingsPath());
        const SmbiosFacts facts = ReadSmbios(hw, ini);
        EXPECT_FALSE(facts.fromCache) << start;
        EXPECT_EQ(facts.boardVendor, "") << start;
        EXPECT_EQ(facts.boardModel, "") << start;
        EXPECT_EQ(facts.biosVersion, "1.0") << start;
        EXPECT_EQ(facts.slotSizesMb, (SmbiosFacts::SlotSizes{1024, 0, 0, 0, 0, 0})) << start;
        EXPECT_EQ(settings::IniFile(SettingsPath()).ReadString("HL965", "DMI2"), "") << start;
        EXPECT_EQ(settings::IniFile(SettingsPath()).ReadHexAddress("HL965", "DMI3"), kTable + 0x200)
            << start;
    }
}

// The entry point is looked for with 15000 dword reads every 4 bytes from 0xF0000.
TEST_F(SmbiosTest, TheAnchorIsLookedForEveryFourBytesOver15000Reads) {
    struct Case {
        std::uint32_t entryAt;
        bool found;
    };
    const Case cases[] = {
        {0xF0000, true},  {0xFEA5C, true},                     // first and last dword read
        {0xFEA60, false}, {0xEFFF0, false}, {0xF0012, false},  // past the end, before, off-step
    };
    for (const Case& c : cases) {
        sim::SimulatedMachine machine;
        PlaceSmbiosDump(machine, TableWithoutBaseboard(), c.entryAt, kTable);
        hw::HardwareAccess hw(machine);
        fs::remove(SettingsPath());
        settings::Settings ini(SettingsPath());
        const SmbiosFacts facts = ReadSmbios(hw, ini);
        EXPECT_EQ(facts.tableFound, c.found) << std::hex << c.entryAt;
        EXPECT_EQ(facts.biosVersion, c.found ? "1.0" : "") << std::hex << c.entryAt;
    }
}

TEST(SmbiosHeaders, PlausibilityRules) {
    EXPECT_TRUE(IsBiosHeader(0x00001800));
    EXPECT_TRUE(IsBiosHeader(0x01010800));
    EXPECT_FALSE(IsBiosHeader(0x00000700));  // too short
    EXPECT_FALSE(IsBiosHeader(0x00002000));  // too long
    EXPECT_FALSE(IsBiosHeader(0x00021800));  // handle byte 2
    EXPECT_TRUE(IsBaseboardHeader(0x02000802));
    EXPECT_TRUE(IsBaseboardHeader(0x03030F02));
    EXPECT_FALSE(IsBaseboardHeader(0x05000802));
    EXPECT_FALSE(IsBaseboardHeader(0x02005F02));
    EXPECT_TRUE(IsMemoryDevice(0x11001B11, 0x00090400));
    EXPECT_TRUE(IsMemoryDevice(0x00371C11, 0x000D0000));  // SO-DIMM, empty
    EXPECT_TRUE(IsMemoryDevice(0x5F032211, 0x00091000));
    EXPECT_FALSE(IsMemoryDevice(0x11001411, 0x00090400));  // length 0x14
    EXPECT_FALSE(IsMemoryDevice(0x11002311, 0x00090400));  // length 0x23
    EXPECT_FALSE(IsMemoryDevice(0x60001B11, 0x00090400));  // handle byte 0x60
    EXPECT_FALSE(IsMemoryDevice(0x04001B11, 0x00090400));  // handle byte 4
    EXPECT_FALSE(IsMemoryDevice(0x11001B11, 0x00092000));  // 8 GB: not a plausible size
    EXPECT_FALSE(IsMemoryDevice(0x11001B11, 0x000F0400));  // FB-DIMM
    EXPECT_FALSE(IsMemoryDevice(0x11001B10, 0x00090400));  // type 16
}

}  // namespace
}  // namespace zm::ident
