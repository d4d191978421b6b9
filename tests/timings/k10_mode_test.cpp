// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the family 10h register layout, and refusing what is not a family 10h controller.

#include "timings/k10/k10_mode.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "k10_test_machine.h"

namespace zm::timings::k10 {
namespace {

struct ModeCase {
    const char* what;
    std::uint32_t dramId;
    unsigned family;
    std::uint32_t f2x94;
    std::optional<K10Mode> expected;
};

TEST(K10Mode, ChosenFromDramConfigurationHigh) {
    const ModeCase cases[] = {
        {"DDR2-800 (MemClkFreq 3)", 0x12021022, 0x10, 0x8F40807B, K10Mode::Ddr2_800},
        {"DDR2-667 (MemClkFreq 2)", 0x12021022, 0x10, 0x0000807A, K10Mode::Ddr2_800},
        {"DDR2-1066 (MemClkFreq 4)", 0x12021022, 0x10, 0x3F40807C, K10Mode::Ddr2_1066},
        {"DDR3-1333", 0x12021022, 0x10, 0x8F40817D, K10Mode::Ddr3},
        {"DDR3 at MemClkFreq 4 is DDR3, not DDR2-1066", 0x12021022, 0x10, 0x0000010C,
         K10Mode::Ddr3},
        {"DDR3-1600 (MemClkFreq 6)", 0x12021022, 0x10, 0x0000010E, K10Mode::Ddr3},
        {"DDR2 with reserved MemClkFreq 5", 0x12021022, 0x10, 0x0000800D, std::nullopt},
        {"DDR2 with reserved MemClkFreq 7", 0x12021022, 0x10, 0x0000000F, std::nullopt},
        {"DDR3 with reserved MemClkFreq 2", 0x12021022, 0x10, 0x0000010A, std::nullopt},
        {"DDR3 with reserved MemClkFreq 7", 0x12021022, 0x10, 0x0000010F, std::nullopt},
        {"family 0x11 processor", 0x12021022, 0x11, 0x8F40807B, std::nullopt},
        {"K8 DRAM controller", 0x11021022, 0x10, 0x8F40807B, std::nullopt},
        {"nothing answers", 0xFFFFFFFF, 0x10, 0xFFFFFFFF, std::nullopt},
    };
    for (const ModeCase& c : cases) {
        EXPECT_EQ(SelectK10Mode(c.dramId, c.family, c.f2x94), c.expected) << c.what;
    }
}

TEST(K10Mode, DecisionReadsTheNorthBridgeAndRefusesUnknownMachines) {
    testing::K10Machine m;
    m.Set(Register::ConfigHigh, 0, 0x3F40807C);
    ModeDecision d = DecideK10Mode(m.Hw(), 0x10);
    EXPECT_EQ(d.mode, K10Mode::Ddr2_1066);
    EXPECT_FALSE(d.refusal);

    d = DecideK10Mode(m.Hw(), 0x0F);
    EXPECT_FALSE(d.mode);
    ASSERT_TRUE(d.refusal);
    EXPECT_EQ(d.refusal->caption, "ERROR!");
    EXPECT_EQ(d.refusal->text, "NOT FOR THIS SYSTEM!");
}

// F2 of a K8 (family 0Fh) north bridge running DDR2-800: another DRAM id, and a family that
// is not 0x10.
TEST(K10Mode, K8NorthBridgeIsRefused) {
    std::ifstream in(std::string(ZM_TESTDATA_DIR) +
                     "/pci/constructed-k8-northbridge-00-18.0-3.lspci-xxx.txt");
    ASSERT_TRUE(in) << "test data missing";
    std::string line;
    bool inF2 = false;
    std::uint8_t bytes[256] = {};
    while (std::getline(in, line)) {
        if (line.rfind("00:18.", 0) == 0) inF2 = line.rfind("00:18.2", 0) == 0;
        if (!inF2 || line.size() < 4 || line[2] != ':') continue;
        const unsigned offset = std::stoul(line.substr(0, 2), nullptr, 16);
        std::istringstream hex(line.substr(3));
        unsigned byte = 0;
        for (unsigned i = 0; i < 16 && (hex >> std::hex >> byte); ++i) {
            bytes[offset + i] = static_cast<std::uint8_t>(byte);
        }
    }
    auto dword = [&](unsigned reg) {
        return std::uint32_t{bytes[reg]} | (std::uint32_t{bytes[reg + 1]} << 8) |
               (std::uint32_t{bytes[reg + 2]} << 16) | (std::uint32_t{bytes[reg + 3]} << 24);
    };
    ASSERT_EQ(dword(0x00), 0x11021022u);
    ASSERT_EQ(dword(0x94), 0x8000805Bu);

    testing::K10Machine m;
    m.Machine().SetPci(0, 0x18, 2, 0x00, dword(0x00));
    m.Machine().SetPci(0, 0x18, 2, 0x94, dword(0x94));
    const ModeDecision d = DecideK10Mode(m.Hw(), 0x0F);
    EXPECT_FALSE(d.mode);
    EXPECT_EQ(d.refusal, kNotForThisSystem);
    // Even a family-10h processor reading this controller would not pass: the id is K8's. The
    // same configuration under the family 10h id would be taken, so the id alone refuses it.
    EXPECT_FALSE(SelectK10Mode(dword(0x00), 0x10, dword(0x94)));
    EXPECT_EQ(SelectK10Mode(0x12021022, 0x10, dword(0x94)), K10Mode::Ddr2_800);
}

}  // namespace
}  // namespace zm::timings::k10
