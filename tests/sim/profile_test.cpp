// SPDX-License-Identifier: GPL-3.0-or-later
// Machine profiles: what a profile says reaches the machine, what it gets wrong is refused with
// the file and the place, and every shipped profile loads with the identity it claims.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "sim/fake_clock.h"
#include "sim/hex_dump.h"
#include "sim/simulated_machine.h"
#include "support/scratch_folder.h"

namespace zm::sim {
namespace {

using hw::PciConfigAddress;

std::shared_ptr<SimulatedMachine> FromText(const std::string& json) {
    // Relative files resolve against the shipped machines folder.
    return SimulatedMachine::FromProfileText(json, std::string(ZM_MACHINES_DIR) + "/test.json",
                                             std::make_shared<test::FakeClock>());
}

TEST(Profile, EverySectionReachesTheMachine) {
    const auto machine = FromText(R"({
      "name": "t", "description": "a test machine",
      "cpu": {"processors": 2, "tsc_mhz": 100, "brand_string": "Test CPU",
              "cpuid": {"0x1": ["0x106A5", "0x0", "0x0", "0x0"], "0x4:1": [1, 2, 3, 4]},
              "msr": {"1": {"0x1A0": "0x5"}, "all": {"0x1A0": "0x1", "0xCE": 7}}},
      "pci": {"00:1F.0": {"dump": "86 80 16 3a 07 00 00 00", "0x04": "0x00100007"},
              "00:1f.3": {"0x00": "0x3A308086", "0x20": "0x401"},
              "00:14.0": {"comment": "lspci dump", "lspci_file": "../tests/data/pci/constructed-sb600-smbus-1002-4385.lspci-xxx.txt"}},
      "memory": [{"address": "0xF0000", "size": "0x10"}, {"address": "0xF0004", "hex": "5f534d5f"}],
      "rcba": {"base": "0xFED1C000", "registers": {"0x3418": "0x8"}},
      "smbus": {"io_base": "0x400", "slots": {"0": "data/spd/ddr3-udimm-kingston-9905403-440-xmp12.bin", "1": null}},
      "os": {"memory_status": {"memory_load": 50, "total_phys": 1000, "avail_phys": 500},
             "processor_times": [{"idle": 10, "kernel": 20, "user": 5}]},
      "missing_library_files": ["WinRing0x64.sys"]
    })");
    EXPECT_EQ(machine->Name(), "t");
    EXPECT_EQ(machine->Description(), "a test machine");
    EXPECT_EQ(machine->ProcessorCount(), 2u);
    EXPECT_EQ(machine->Query(1).eax, 0x106A5u);
    EXPECT_EQ(machine->Query(4, 1).edx, 4u);
    EXPECT_EQ(machine->Query(0x80000002).eax, 0x74736554u);  // "Test"
    EXPECT_EQ(machine->Query(0x80000002).ebx, 0x55504320u);  // " CPU"
    EXPECT_EQ(machine->Query(0x80000004).edx, 0u);
    EXPECT_EQ(machine->Msr(0, 0x1A0), 1u);
    EXPECT_EQ(machine->Msr(1, 0x1A0), 5u) << "a processor's own entry wins over \"all\"";
    EXPECT_EQ(machine->Msr(1, 0xCE), 7u);

    EXPECT_EQ(machine->Pci(0, 31, 0, 0x00), 0x3A168086u);
    EXPECT_EQ(machine->Pci(0, 31, 0, 0x04), 0x00100007u) << "registers override the dump";
    EXPECT_EQ(machine->Pci(0, 31, 0, 0xF0), 0xFED1C001u) << "the block's base, enabled";
    EXPECT_EQ(machine->Pci(0, 20, 0, 0x00), 0x43851002u);
    EXPECT_EQ(machine->Pci(0, 20, 0, 0x90), 0x00000B01u);
    EXPECT_EQ(machine->RootComplexRegister(0x3418), 8u);

    EXPECT_EQ(machine->PhysicalDword(0xF0000), 0u);
    EXPECT_EQ(machine->PhysicalDword(0xF0004), 0x5F4D535Fu);

    hw::HardwareAccess access(*machine);
    access.SetSmbusBase(0x400);
    EXPECT_EQ(access.SmbusReadByte(0x50, 2), 0x0B) << "DDR3 memory type";
    EXPECT_EQ(access.SmbusReadByte(0x51, 2), -1);

    EXPECT_EQ(machine->GlobalMemoryStatus().availPhys, 500u);
    EXPECT_EQ(machine->ProcessorTimesSnapshot()[0].kernel, 20u) << "time stands still";
    EXPECT_FALSE(machine->Files()[2].present);
}

struct BadProfile {
    const char* json;
    const char* place;  // expected after "<file>: "
};

class ProfileErrors : public ::testing::TestWithParam<BadProfile> {};

TEST_P(ProfileErrors, NameTheFileAndThePlace) {
    const std::string origin = "machines/bad.json";
    try {
        SimulatedMachine::FromProfileText(GetParam().json, origin);
        FAIL() << "accepted: " << GetParam().json;
    } catch (const ProfileError& error) {
        const std::string expected = origin + ": " + GetParam().place;
        EXPECT_EQ(std::string(error.what()).rfind(expected, 0), 0u)
            << error.what() << "\nexpected to start with " << expected;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Profile, ProfileErrors,
    ::testing::Values(
        BadProfile{"{\n  \"name\": \"x\",\n  oops\n}", "line 3, column 3"},
        BadProfile{"[]", "/: expected an object"},
        BadProfile{R"({"nmae": "x"})", "/nmae: unknown key"},
        BadProfile{R"({"cpu": {"processors": 0}})", "/cpu/processors"},
        BadProfile{R"({"cpu": {"processors": 2, "msr": {"2": {"0x10": "0x1"}}}})", "/cpu/msr/2"},
        BadProfile{R"({"cpu": {"msr": {"all": {"0x1A0": "12"}}}})", "/cpu/msr/all/0x1A0"},
        BadProfile{R"({"cpu": {"msr": {"all": {"0x1A0": "0x1FFFFFFFFFFFFFFFF"}}}})",
                   "/cpu/msr/all/0x1A0"},
        BadProfile{R"({"cpu": {"cpuid": {"0x1": ["0x1", "0x2", "0x3"]}}})", "/cpu/cpuid/0x1"},
        BadProfile{
            R"({"cpu": {"brand_string": "0123456789012345678901234567890123456789012345678"}})",
            "/cpu/brand_string"},
        BadProfile{R"({"pci": {"00:20.0": {}}})", "/pci/00:20.0"},
        BadProfile{R"({"pci": {"0:1f.3": {}}})", "/pci/0:1f.3"},
        BadProfile{R"({"pci": {"00:1f.3": {"0x21": "0x1"}}})", "/pci/00:1f.3/0x21"},
        BadProfile{R"({"pci": {"00:1f.3": {"0x20": "0x100000000"}}})", "/pci/00:1f.3/0x20"},
        BadProfile{R"({"pci": {"00:1f.3": {"0x1000": "0x1"}}})", "/pci/00:1f.3/0x1000"},
        BadProfile{R"({"pci": {"00:1f.3": {"dump": "86 8"}}})", "/pci/00:1f.3/dump"},
        BadProfile{R"({"pci": {"00:1f.3": {"lspci_file": "no/such/file"}}})",
                   "/pci/00:1f.3/lspci_file"},
        BadProfile{R"({"memory": [{"address": "0xF0000"}]})", "/memory/0"},
        BadProfile{R"({"memory": [{"address": "0xF0000", "file": "data/none.bin"}]})",
                   "/memory/0/file"},
        BadProfile{R"({"rcba": {"base": "0xFED1C000"}})", "/rcba"},
        BadProfile{R"({"pci": {"00:1f.0": {}}, "rcba": {"base": "0xFED1C004"}})", "/rcba/base"},
        BadProfile{R"({"smbus": {"io_base": "0x400", "slots": {"8": null}}})", "/smbus/slots/8"},
        BadProfile{R"({"smbus": {"slots": {}}})", "/smbus: missing"},
        BadProfile{R"({"smbus": {"io_base": "0x400", "slots": {"0": {"hex": "92 1"}}}})",
                   "/smbus/slots/0/hex"},
        BadProfile{R"({"os": {"memory_status": {"total_phys": 1, "avail_phys": 2}}})",
                   "/os/memory_status"},
        BadProfile{R"({"os": {"processor_load": [10, 20]}})", "/os/processor_load"},
        BadProfile{R"({"missing_library_files": ["WinRing0.so"]})", "/missing_library_files/0"},
        // Numbers the JSON parser itself cannot hold are placed like every other error.
        BadProfile{R"({"os": {"processor_load": [10, 1e400]}})",
                   "/os/processor_load/1: number out of range"},
        BadProfile{R"({"cpu": {"processors": 18446744073709551616}})", "/cpu/processors"}));

// A profile or a file it names that is no small regular file (a FIFO, /dev/zero, a disk image)
// is refused at once, with its name and the reason, instead of blocking or filling memory.
TEST(Profile, FilesThatAreNotSmallRegularFilesAreRefusedAtOnce) {
    namespace fs = std::filesystem;
    const zm::testing::ScratchFolder dir("zm-profile");
    const fs::path fifo = dir / "fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path big = dir / "big.txt";
    std::ofstream(big).put('x');
    fs::resize_file(big, 2 << 20);  // sparse: no disk space needed
    auto errorOf = [](auto load) {
        try {
            load();
        } catch (const ProfileError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(errorOf([&] { SimulatedMachine::FromProfileFile(fifo.string()); }),
              fifo.string() + ": cannot read the profile: not a regular file (a FIFO)");
    const std::string named =
        "{\"pci\": {\"00:1f.3\": {\"lspci_file\": \"" + big.string() + "\"}}}";
    EXPECT_EQ(errorOf([&] { FromText(named); }),
              std::string(ZM_MACHINES_DIR) + "/test.json: /pci/00:1f.3/lspci_file: " +
                  big.string() + ": too large (2097152 bytes, at most 1 MiB)");
}

TEST(Profile, UnknownShippedNameAndMissingFileAreRefused) {
    EXPECT_THROW(SimulatedMachine::Load("no-such-machine"), ProfileError);
    try {
        SimulatedMachine::FromProfileFile("/nonexistent/x.json");
        FAIL();
    } catch (const ProfileError& error) {
        EXPECT_NE(std::string(error.what()).find("/nonexistent/x.json"), std::string::npos);
    }
}

// What start-up probes on each shipped machine: the identities the platform gate, the chipset
// table and the CPU tables key on, and a working SMBus with a module in the first slot.
struct ShippedIdentity {
    const char* name;
    std::uint32_t hostBridge;
    std::uint32_t uncoreProbe;  // bus 0xFF device 3 function 4
    std::uint32_t northBridgeDram;
    std::uint32_t cpuidLeaf1;
    unsigned processors;
    std::uint32_t smbusBaseRegister;  // address of the chipset's SMBus base register
    int firstModuleType;              // SPD byte 2 of slot 0
};

class ShippedProfiles : public ::testing::TestWithParam<ShippedIdentity> {
protected:
    void SetUp() override { setenv("ZENTRIMO_MACHINES", ZM_MACHINES_DIR, 1); }
};

TEST_P(ShippedProfiles, LoadWithTheirIdentity) {
    const ShippedIdentity& id = GetParam();
    const auto machine = SimulatedMachine::Load(id.name);
    EXPECT_EQ(machine->Name(), id.name);
    EXPECT_FALSE(machine->Description().empty());
    hw::HardwareAccess access(*machine);
    EXPECT_EQ(access.PciConfigRead(0x80000000), id.hostBridge);
    EXPECT_EQ(access.PciConfigRead(0x80FF1C00), id.uncoreProbe);
    EXPECT_EQ(access.PciConfigRead(0x803F1C00), 0xFFFFFFFFu);
    EXPECT_EQ(access.PciConfigRead(0x807F1C00), 0xFFFFFFFFu);
    EXPECT_EQ(access.PciConfigRead(0x8000C200), id.northBridgeDram);
    EXPECT_EQ(machine->Query(1).eax, id.cpuidLeaf1);
    EXPECT_EQ(machine->ProcessorCount(), id.processors);
    EXPECT_GE(machine->Query(0x80000000).eax, 0x80000004u);
    EXPECT_NE(machine->Query(0x80000002).eax, 0u) << "brand string";

    const std::uint16_t base =
        static_cast<std::uint16_t>(access.PciConfigRead(id.smbusBaseRegister) & 0xFFFE);
    access.SetSmbusBase(base);
    EXPECT_EQ(access.SmbusReadByte(0x50, 2), id.firstModuleType);

    const os::MemoryStatus memory = machine->GlobalMemoryStatus();
    EXPECT_GT(memory.totalPhys, 1ull << 30);
    EXPECT_LE(memory.availPhys, memory.totalPhys);
    EXPECT_EQ(machine->ProcessorTimesSnapshot().size(), id.processors);
    for (const hw::LibraryFile& file : machine->Files()) EXPECT_TRUE(file.present) << file.name;
}

INSTANTIATE_TEST_SUITE_P(
    Machines, ShippedProfiles,
    ::testing::Values(ShippedIdentity{"x58-bloomfield", 0x34058086, 0x2C1C8086, 0xFFFFFFFF, 0x106A5,
                                      8, 0x8000FB20, 11},
                      ShippedIdentity{"p55-lynnfield", 0xD1318086, 0x2C9C8086, 0xFFFFFFFF, 0x106E5,
                                      8, 0x8000FB20, 11},
                      ShippedIdentity{"h55-clarkdale", 0x00408086, 0xFFFFFFFF, 0xFFFFFFFF, 0x20652,
                                      4, 0x8000FB20, 11},
                      ShippedIdentity{"k10-am2plus-ddr2", 0x59561002, 0xFFFFFFFF, 0x12021022,
                                      0x100F42, 4, 0x8000A090, 8},
                      ShippedIdentity{"k10-am3-ddr3", 0x96011022, 0xFFFFFFFF, 0x12021022, 0x100F43,
                                      4, 0x8000A090, 11}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name) c = (c == '-') ? '_' : c;
        return name;
    });

TEST(ShippedProfileList, ListsEveryProfileSortedWithItsDescription) {
    setenv("ZENTRIMO_MACHINES", ZM_MACHINES_DIR, 1);
    const auto profiles = SimulatedMachine::ShippedProfiles();
    ASSERT_GE(profiles.size(), 5u);
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        EXPECT_FALSE(profiles[i].description.empty()) << profiles[i].name;
        EXPECT_EQ(profiles[i].description.find("unreadable"), std::string::npos);
        if (i > 0) {
            EXPECT_LT(profiles[i - 1].name, profiles[i].name);
        }
        // Every listed profile loads.
        EXPECT_NO_THROW(SimulatedMachine::Load(profiles[i].name)) << profiles[i].name;
    }
}

TEST(HexDump, NumbersAndBytes) {
    EXPECT_EQ(ParseHexNumber("0x1F", 0xFF), 0x1Fu);
    EXPECT_EQ(ParseHexNumber("0xffffffffffffffff", UINT64_MAX), UINT64_MAX);
    EXPECT_FALSE(ParseHexNumber("0x10000000000000000", UINT64_MAX));
    EXPECT_FALSE(ParseHexNumber("0x100", 0xFF));
    EXPECT_FALSE(ParseHexNumber("1F", 0xFF));
    EXPECT_FALSE(ParseHexNumber("0x", 0xFF));
    EXPECT_FALSE(ParseHexNumber("0x1G", 0xFF));
    EXPECT_EQ(ParseHexBytes("22 10\n0011"), (std::vector<std::uint8_t>{0x22, 0x10, 0x00, 0x11}));
    EXPECT_FALSE(ParseHexBytes("2 10"));
    EXPECT_FALSE(ParseHexBytes("221"));
}

TEST(HexDump, LspciPicksTheNamedFunctionAndChecksOffsets) {
    const std::string two =
        "00:18.0 Host bridge: x\n00: 22 10 00 11\n10: 01 02\n\n"
        "00:18.3 Host bridge: y\n00: 22 10 03 11\n";
    EXPECT_EQ(ParseLspciDump(two, "00:18.3").bytes,
              (std::vector<std::uint8_t>{0x22, 0x10, 0x03, 0x11}));
    EXPECT_FALSE(ParseLspciDump(two, "00:18.2").error.empty());
    const LspciDump gap = ParseLspciDump("00:18.0 x\n00: 22 10\n10: 00 11\n", "00:18.0");
    EXPECT_NE(gap.error.find("line 3"), std::string::npos) << gap.error;

    std::ifstream file(std::string(ZM_TESTDATA_DIR) +
                       "/pci/constructed-k8-northbridge-00-18.0-3.lspci-xxx.txt");
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    const LspciDump f2 = ParseLspciDump(text, "00:18.2");
    ASSERT_EQ(f2.bytes.size(), 256u) << f2.error;
    // DRAM timing low 0x007CFA24, little-endian, in the third of four functions.
    EXPECT_EQ((std::vector<std::uint8_t>(f2.bytes.begin() + 0x88, f2.bytes.begin() + 0x8C)),
              (std::vector<std::uint8_t>{0x24, 0xFA, 0x7C, 0x00}));
}

}  // namespace
}  // namespace zm::sim
