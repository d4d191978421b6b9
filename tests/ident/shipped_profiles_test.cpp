// SPDX-License-Identifier: GPL-3.0-or-later
// The motherboard and memory summary of every shipped machine that passes the platform gate, as
// the two start-up steps produce it, and what the simulated hardware saw of it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "hw/hardware_access.h"
#include "ident/ident_test_support.h"
#include "ident/system_summary.h"
#include "settings/settings.h"
#include "sim/simulated_machine.h"
#include "support/scratch_folder.h"

namespace zm::ident {
namespace {
namespace fs = std::filesystem;

constexpr std::uint32_t kBloomfieldUncore = 0x2C1C8086;

struct Expected {
    const char* profile;
    std::uint32_t uncoreDeviceId;  // as start-up leaves it (forced to 0x2C1C8086 on one package)
    const char* chipset;
    const char* vendor;
    const char* model;
    const char* biosVersion;
    const char* biosDate;
    const char* size;
    const char* manufacturer;
    const char* partNumber;
    const char* speed;
};

constexpr const char* kPowerEdge = "Dell Computer Corporation";
constexpr const char* kPrecision = "Dell Inc.          ";
constexpr const char* kKingstonDdr3 = "9905403-440.A00LF ";
constexpr const char* kKingstonDdr3Speed = "PC3-10600 (666Mhz)@9.9.9.24-1,5V";
constexpr const char* kSamsungDdr3 = "M378B5173DB0-CK0  ";
constexpr const char* kSamsungDdr3Speed = "PC3-12800 (800Mhz)@11.11.11.28-1,5V";
constexpr const char* kGeilDdr2 = "CL4-4-4  DDR2-800 ";
// byte 9 0x25 (2.5 ns), highest CAS 5, tRCD/tRP 12.5 ns -> 5, tRAS 37 ns -> 15, 1.8 V
constexpr const char* kGeilDdr2Speed = "PC2-6400 (400Mhz)@5.5.5.15-1,8V";

const Expected kProfiles[] = {
    {"x58-bloomfield", kBloomfieldUncore, "Intel X58", kPowerEdge, "0P8611", "A05", "09/21/2005",
     "3 x 4096", "Kingston", kKingstonDdr3, kKingstonDdr3Speed},
    {"x58-gulftown", kBloomfieldUncore, "Intel X58", kPowerEdge, "0P8611", "A05", "09/21/2005",
     "3 x 4096", "Kingston", kKingstonDdr3, kKingstonDdr3Speed},
    {"p55-lynnfield", kBloomfieldUncore, "Intel P55", kPrecision, "0GH911", "2.5.0 ", "11/14/2007",
     "2 x 4096", "Samsung", kSamsungDdr3, kSamsungDdr3Speed},
    {"p55-smbus-hidden", kBloomfieldUncore, "Intel P55", kPrecision, "0GH911", "2.5.0 ",
     "11/14/2007", "2 x 4096", "Samsung", kSamsungDdr3, kSamsungDdr3Speed},
    {"h55-clarkdale", 0, "Intel H55", kPrecision, "0GH911", "2.5.0 ", "11/14/2007", "2 x 4096",
     "Kingston", kKingstonDdr3, kKingstonDdr3Speed},
    {"k10-am2plus-ddr2", 0, "ATI RD790", kPrecision, "0GH911", "2.5.0 ", "11/14/2007", "4 x 1024",
     "GEIL", kGeilDdr2, kGeilDdr2Speed},
    {"k10-am2plus-ddr2-1066", 0, "ATI RD790", kPrecision, "0GH911", "2.5.0 ", "11/14/2007",
     "4 x 1024", "GEIL", kGeilDdr2, kGeilDdr2Speed},
    {"k10-reserved-memclk", 0, "ATI RD790", kPrecision, "0GH911", "2.5.0 ", "11/14/2007",
     "4 x 1024", "GEIL", kGeilDdr2, kGeilDdr2Speed},
    {"socketf-opteron", 0, "ATI RD790", kPrecision, "0GH911", "2.5.0 ", "11/14/2007", "4 x 1024",
     "GEIL", kGeilDdr2, kGeilDdr2Speed},
    {"k10-am3-ddr3", 0, "AMD 785GX", kPrecision, "0GH911", "2.5.0 ", "11/14/2007", "2 x 4096",
     "Samsung", kSamsungDdr3, kSamsungDdr3Speed},
    {"k10-am3-ddr3-ganged", 0, "AMD 785GX", kPrecision, "0GH911", "2.5.0 ", "11/14/2007",
     "2 x 4096", "Samsung", kSamsungDdr3, kSamsungDdr3Speed},
    {"k10-am3-smbus-bar", 0, "AMD 785GX", kPrecision, "0GH911", "2.5.0 ", "11/14/2007", "2 x 4096",
     "Samsung", kSamsungDdr3, kSamsungDdr3Speed},
    // "7LET56WW (1.26 )" cut to 11 characters.
    {"k10-am3-ddr3-dct0-only", 0, "AMD 785GX", "LENOVO", "64606XG", "7LET56WW (1", "10/18/2007",
     "4096 Mb", "Samsung", kSamsungDdr3, kSamsungDdr3Speed},
    // The module sits in slot 2 (0x52): nothing answers at 0x50.
    {"k10-am3-ddr3-dct1-only", 0, "AMD 785GX", "LENOVO", "64606XG", "7LET56WW (1", "10/18/2007",
     "4096 Mb", "", "", ""},
};

class ShippedProfiles : public ::testing::Test {
protected:
    struct Run {
        MotherboardSummary board;
        MemorySummary memory;
    };
    static Run Start(sim::SimulatedMachine& machine, settings::Settings& ini,
                     std::uint32_t uncoreId) {
        hw::HardwareAccess hw(machine);
        Run run;
        IdentifyChipsetAndFirstModule(hw, hw.PciConfigRead(0x80000000), 0x50, run.board,
                                      run.memory);
        IdentifyBoardAndMemorySize(hw, ini, machine, uncoreId, run.board, run.memory);
        return run;
    }

    zm::testing::ScratchFolder dir_{"zm-profiles"};
};

TEST_F(ShippedProfiles, ShowTheirBoardAndMemory) {
    for (const Expected& e : kProfiles) {
        SCOPED_TRACE(e.profile);
        auto machine = sim::SimulatedMachine::Load(e.profile);
        settings::Settings ini(dir_ / (std::string(e.profile) + ".ini"));
        const Run run = Start(*machine, ini, e.uncoreDeviceId);
        EXPECT_EQ(run.board.chipset, e.chipset);
        EXPECT_TRUE(run.board.spdButtonVisible);
        EXPECT_EQ(run.board.vendor, e.vendor);
        EXPECT_EQ(run.board.model, e.model);
        EXPECT_EQ(run.board.biosVersion, e.biosVersion);
        EXPECT_EQ(run.board.biosDate, e.biosDate);
        EXPECT_EQ(run.memory.size, e.size);
        EXPECT_TRUE(run.memory.smbusFound);
        EXPECT_EQ(run.memory.manufacturer, e.manufacturer);
        EXPECT_EQ(run.memory.partNumber, e.partNumber);
        // Disabled only by a module whose part number is empty; with no module at 0x50 (no
        // maker either) the label stays enabled.
        EXPECT_EQ(run.memory.partNumberEnabled,
                  e.manufacturer[0] == '\0' || e.partNumber[0] != '\0');
        EXPECT_EQ(run.memory.speed, e.speed);
    }
}

TEST_F(ShippedProfiles, TheHiddenSmbusFunctionComesBack) {
    auto machine = sim::SimulatedMachine::Load("p55-smbus-hidden");
    hw::HardwareAccess hw(*machine);
    ASSERT_EQ(hw.PciConfigRead(0x8000FB00), 0xFFFFFFFFu);
    settings::Settings ini(dir_ / "ZM.ini");
    const Run run = Start(*machine, ini, kBloomfieldUncore);
    EXPECT_EQ(run.memory.manufacturer, "Samsung");
    const auto writes = machine->Writes();
    const auto cleared = std::find_if(writes.begin(), writes.end(), [](const sim::WriteRecord& w) {
        return w.kind == sim::WriteRecord::Kind::Memory && w.address == 0xFED1C000u + 0x3418 &&
               (w.value & 0x8) == 0;
    });
    EXPECT_NE(cleared, writes.end());
    EXPECT_EQ(machine->RootComplexRegister(0x3418) & 0x8u, 0u);
}

}  // namespace
}  // namespace zm::ident
