// SPDX-License-Identifier: GPL-3.0-or-later
// The platform gate's three outcomes and the uncore probe that feeds it.
#include "startup/platform_gate.h"

#include <gtest/gtest.h>

#include "hand_built_machines.h"
#include "hw/hardware_access.h"
#include "startup/platform_probe.h"

namespace zm::app {
namespace {

const std::string kWarning =
    "Zentrimo is only for CPU\r\nwith Integrated Memory Controller!\r\n"
    "For your system, go on:   https://zentrimo.example.org\r\nand download Hollin latest version.";

struct GateCase {
    const char* name;
    PlatformFacts facts;
    GateOutcome outcome;
};

PlatformFacts Facts(std::uint32_t hostBridge, std::uint32_t northBridge = 0xFFFFFFFF) {
    PlatformFacts f;
    f.hostBridgeId = hostBridge;
    f.northBridgeDramId = northBridge;
    f.dualChannelUncore = hostBridge == 0x00408086 || hostBridge == 0x00448086;
    return f;
}

PlatformFacts WithPackage(PlatformFacts f, bool lynnfield, bool bloomfield, bool gulftown) {
    f.package = {lynnfield, bloomfield, gulftown};
    f.uncoreAnswers = 1;
    return f;
}

TEST(PlatformGate, DecidesByIdentities) {
    PlatformFacts dualSocket = Facts(0x34068086);
    dualSocket.uncoreAnswers = 2;
    dualSocket.uncoreDeviceId = 0x2C1C8086;
    const GateCase cases[] = {
        {"K10 north bridge", Facts(0x96011022, 0x12021022), GateOutcome::Pass},
        {"host bridge 0x0040", Facts(0x00408086), GateOutcome::Pass},
        {"host bridge 0x0044", Facts(0x00448086), GateOutcome::Pass},
        {"Lynnfield package", WithPackage(Facts(0xD1318086), true, false, false),
         GateOutcome::Pass},
        {"Bloomfield package", WithPackage(Facts(0x34058086), false, true, false),
         GateOutcome::Pass},
        {"Gulftown package", WithPackage(Facts(0x34058086), false, false, true), GateOutcome::Pass},
        {"965 chipset", Facts(0x29A08086), GateOutcome::Warning},
        {"P45 chipset", Facts(0x2E208086), GateOutcome::Warning},
        {"nForce 790i", Facts(0x07C110DE), GateOutcome::Warning},
        {"VIA P4M900", Facts(0x31891106), GateOutcome::Warning},
        {"AMD K8 north bridge", Facts(0x005E10DE, 0x11021022), GateOutcome::Warning},
        {"unknown host bridge", Facts(0x12345678), GateOutcome::Refused},
        {"nothing answers", Facts(0xFFFFFFFF), GateOutcome::Refused},
        {"dual-socket uncore, 5520 hub", dualSocket, GateOutcome::Refused},
    };
    for (const GateCase& c : cases) {
        SCOPED_TRACE(c.name);
        const GateDecision decision = ApplyPlatformGate(c.facts);
        EXPECT_EQ(decision.outcome, c.outcome);
        switch (c.outcome) {
            case GateOutcome::Pass:
                EXPECT_FALSE(decision.message);
                break;
            case GateOutcome::Warning:
                ASSERT_TRUE(decision.message);
                EXPECT_EQ(*decision.message, (Message{"WARNING!", kWarning}));
                break;
            case GateOutcome::Refused:
                ASSERT_TRUE(decision.message);
                EXPECT_EQ(*decision.message, (Message{"ERROR!", "NOT FOR THIS SYSTEM!"}));
                break;
        }
    }
}

TEST(PlatformGate, EveryListedChipsetWarns) {
    ASSERT_EQ(ChipsetControllerHostBridges().size(), 40u);
    for (std::uint32_t id : ChipsetControllerHostBridges())
        EXPECT_EQ(ApplyPlatformGate(Facts(id)).outcome, GateOutcome::Warning) << std::hex << id;
}

struct ProbeCase {
    const char* name;
    std::vector<std::pair<unsigned, std::uint32_t>> uncores;  // bus, id
    int answers;
    std::uint32_t busOffset;
    ident::PackageFlags package;
    std::uint32_t deviceId;
};

TEST(UncoreProbe, FindsBusAndPackage) {
    const ProbeCase cases[] = {
        {"Bloomfield on 0x3F", {{0x3F, 0x2C1C8086}}, 1, 0x000000, {false, true, false}, 0x2C1C8086},
        {"Bloomfield on 0x7F", {{0x7F, 0x2C1C8086}}, 1, 0x400000, {false, true, false}, 0x2C1C8086},
        {"Lynnfield on 0xFF", {{0xFF, 0x2C9C8086}}, 1, 0xC00000, {true, false, false}, 0x2C1C8086},
        {"Gulftown on 0xFF", {{0xFF, 0x2D9C8086}}, 1, 0xC00000, {false, false, true}, 0x2C1C8086},
        // An unknown uncore is still normalised, so the uncore controller is driven, but no
        // package is recognised and the gate has nothing to pass it on.
        {"unknown uncore", {{0xFF, 0x2C708086}}, 1, 0xC00000, {false, false, false}, 0x2C1C8086},
        {"two sockets",
         {{0x3F, 0x2C1C8086}, {0x7F, 0x2C1C8086}},
         2,
         0x400000,
         {false, false, false},
         0x2C1C8086},
        {"two sockets, other ids",
         {{0x3F, 0x2C718086}, {0xFF, 0x2C718086}},
         2,
         0xC00000,
         {false, false, false},
         0x2C718086},
        {"non-Intel answer", {{0x3F, 0x12341022}}, 0, 0, {false, false, false}, 0x12341022},
        {"nothing", {}, 0, 0, {false, false, false}, 0},
    };
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimulatedMachine machine;
        for (auto [bus, id] : c.uncores) machine.SetPci(bus, 3, 4, 0, id);
        hw::HardwareAccess hw(machine);
        PlatformFacts facts;
        ProbeUncore(hw, facts);
        EXPECT_EQ(facts.uncoreAnswers, c.answers);
        EXPECT_EQ(facts.busOffset, c.busOffset);
        EXPECT_EQ(facts.package.lynnfield, c.package.lynnfield);
        EXPECT_EQ(facts.package.bloomfield, c.package.bloomfield);
        EXPECT_EQ(facts.package.gulftown, c.package.gulftown);
        EXPECT_EQ(facts.uncoreDeviceId, c.deviceId);
    }
}

TEST(BridgeIds, HostBridge0044SetsDualChannelUncore) {
    auto machine = testing::MachineWithHostBridge(0x00448086);
    hw::HardwareAccess hw(*machine);
    PlatformFacts facts;
    ReadBridgeIds(hw, facts);
    EXPECT_EQ(facts.hostBridgeId, 0x00448086u);
    EXPECT_EQ(facts.northBridgeDramId, 0xFFFFFFFFu);
    EXPECT_TRUE(facts.dualChannelUncore);
}

}  // namespace
}  // namespace zm::app
