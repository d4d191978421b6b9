// SPDX-License-Identifier: GPL-3.0-or-later
// Chipset naming from PCI identities and the Size panel rules.
#include <gtest/gtest.h>

#include "hw/hardware_access.h"
#include "ident/chipset_name.h"
#include "ident/memory_size.h"
#include "sim/simulated_machine.h"

namespace zm::ident {
namespace {

TEST(Chipset, NamedFromHostBridgeThenLpcBridge) {
    struct Case {
        std::uint32_t hostBridge;
        std::uint32_t lpcBridge;  // 0: no function at 0:31.0
        const char* name;
        bool spdButton;
    };
    const Case cases[] = {
        {0x34058086, 0x3A168086, "Intel X58", true},  // X58 with ICH10R: not in the LPC table
        {0x00408086, 0x3B028086, "Intel P55", true},  // LPC name wins
        {0xD1318086, 0x3B148086, "Intel 3420", true},
        {0x036910DE, 0x036810DE, "NVIDIA nForce 570", false},
        {0x96011022, 0, "AMD 785GX", true},
        {0x59561002, 0, "ATI RD790", true},
        {0x00448086, 0x3B0F8086, "Intel QS57", true},
        {0x12345678, 0x3A188086, "3A188086", false},  // unknown: the LPC identity in hex
        {0x10001002, 0, "FFFFFFFF", true},            // unknown and no LPC bridge
    };
    for (const Case& c : cases) {
        sim::SimulatedMachine machine;
        machine.SetPci(0, 0, 0, 0, c.hostBridge);
        if (c.lpcBridge != 0) machine.SetPci(0, 31, 0, 0, c.lpcBridge);
        hw::HardwareAccess hw(machine);
        const ChipsetIdentity chipset = IdentifyChipset(hw, c.hostBridge);
        EXPECT_EQ(chipset.name, c.name) << std::hex << c.hostBridge;
        EXPECT_EQ(chipset.spdButtonVisible, c.spdButton) << std::hex << c.hostBridge;
    }
}

TEST(SizePanel, TripleChannelUncore) {
    struct Case {
        SlotSizes slots;
        const char* text;
    };
    const Case cases[] = {
        {{1024, 0, 1024, 0, 1024, 0}, "3 x 1024"},
        {{0, 2048, 0, 2048, 0, 2048}, "3 x 2048"},
        {{2048, 0, 2048, 0, 0, 0}, "2 x 2048"},
        {{0, 1024, 0, 1024, 0, 0}, "2 x 1024"},
        {{1024, 1024, 1024, 1024, 1024, 1024}, "6 x 1024"},
        {{1024, 0, 2048, 0, 1024, 0}, "4096 Mb"},  // different sizes
        {{1024, 1024, 0, 0, 0, 0}, "2048 Mb"},     // both in one channel
        {{4096, 0, 0, 0, 0, 0}, "4096 Mb"},
        {{0, 0, 0, 0, 0, 0}, "0 Mb"},
    };
    for (const Case& c : cases) EXPECT_EQ(SlotSizeText(c.slots, true), c.text) << c.text;
}

TEST(SizePanel, DualChannelPlatforms) {
    struct Case {
        SlotSizes slots;
        const char* text;
    };
    const Case cases[] = {
        {{2048, 0, 2048, 0, 0, 0}, "2 x 2048"},
        {{0, 2048, 2048, 0, 0, 0}, "2 x 2048"},
        {{1024, 1024, 1024, 1024, 0, 0}, "4 x 1024"},
        {{1024, 2048, 0, 0, 0, 0}, "3072 Mb"},
        {{1024, 1024, 1024, 0, 0, 0}, "3072 Mb"},  // three of one size
        {{2048, 0, 0, 0, 0, 0}, "2048 Mb"},
        {{512, 512, 0, 0, 4096, 4096}, "2 x 512"},  // slots 5 and 6 are not looked at
        {{0, 0, 0, 0, 1024, 0}, "0 Mb"},
    };
    for (const Case& c : cases) EXPECT_EQ(SlotSizeText(c.slots, false), c.text) << c.text;
    EXPECT_EQ(TotalMb({512, 512, 0, 0, 4096, 4096}), 9216u);
}

TEST(SizePanel, OperatingSystemTotalRoundedToModuleSizes) {
    constexpr std::uint64_t MB = 1 << 20;
    struct Case {
        std::uint64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {256 * MB, "256"},
        {511 * MB, "512"},
        {448 * MB, "512"},
        {768 * MB, "768"},
        {1023 * MB, "1024"},
        {992 * MB, "1024"},
        {1536 * MB, "1536"},
        {2047 * MB, "2048"},
        {1200 * MB, "2048"},
        {300 * MB, "2048"},
        // Beyond what a 32-bit system could report: the size itself, not a wrong "2048".
        {4096 * MB, "4096"},
        {8 * 1024 * MB - 300 * MB, "7892"},
    };
    for (const Case& c : cases) EXPECT_EQ(OsMemorySizeText(c.bytes), c.text) << c.bytes / MB;
}

}  // namespace
}  // namespace zm::ident
