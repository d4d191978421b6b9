// SPDX-License-Identifier: GPL-3.0-or-later
#include "ident/cpu_identification.h"

#include <gtest/gtest.h>

#include <cstring>

#include "hw/hardware_access.h"
#include "sim/simulated_machine.h"

namespace zm::ident {
namespace {

// Puts a brand string into leaves 0x80000002..4 the way a processor returns it.
void SetBrandString(sim::SimulatedMachine& machine, const std::string& brand) {
    char bytes[48] = {};
    std::memcpy(bytes, brand.data(), std::min<std::size_t>(brand.size(), 48));
    for (std::uint32_t leaf = 0; leaf < 3; ++leaf) {
        std::uint32_t w[4];
        std::memcpy(w, bytes + leaf * 16, 16);
        machine.SetCpuid(0x80000002 + leaf, 0, {w[0], w[1], w[2], w[3]});
    }
}

struct Machine {
    sim::SimulatedMachine sim;
    hw::HardwareAccess hw{sim};

    Machine(std::uint32_t leaf1Eax, const std::string& brand) {
        sim.SetCpuid(1, 0, {leaf1Eax, 0, 0, 0});
        SetBrandString(sim, brand);
    }
};

TEST(CpuSignature, SplitsLeafOneAndIgnoresTheExtendedModel) {
    const CpuSignature i7 = CpuSignature::FromLeaf1Eax(0x000106A5);
    EXPECT_EQ(i7.Text(), "6A5");
    EXPECT_EQ(i7.CombinedFamily(), 6u);

    const CpuSignature westmere = CpuSignature::FromLeaf1Eax(0x000206C2);
    EXPECT_EQ(westmere.Text(), "6C2");

    const CpuSignature phenom = CpuSignature::FromLeaf1Eax(0x00100F42);
    EXPECT_EQ(phenom.Text(), "F42");
    EXPECT_EQ(phenom.CombinedFamily(), 0x10u);
}

struct IntelCase {
    const char* name;
    std::uint32_t leaf1;
    PackageFlags package;
    const char *revision, *socket, *technology;
};

class IntelUncoreIdentification : public ::testing::TestWithParam<IntelCase> {};

TEST_P(IntelUncoreIdentification, RevisionSocketAndTechnology) {
    const IntelCase& c = GetParam();
    Machine m(c.leaf1, "Intel(R) Core(TM) i7 CPU");
    m.sim.SetMsr(0, 0x35, 0x00040008);
    CpuIdentity id = IdentifyCommon(m.sim);
    IdentifyIntelUncore(id, m.sim, m.hw, c.package);
    EXPECT_EQ(id.revision, c.revision);
    EXPECT_EQ(id.socket, c.socket);
    EXPECT_EQ(id.technology, c.technology);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, IntelUncoreIdentification,
    ::testing::Values(
        IntelCase{"Bloomfield", 0x000106A5, {false, true, false}, "D0", "LGA 1366", "45 nm"},
        IntelCase{"Lynnfield", 0x000106E5, {true, false, false}, "B1", "LGA 1156", "45 nm"},
        IntelCase{"Gulftown", 0x000206C2, {false, false, true}, "B1", "LGA 1366", "32 nm"},
        // A later package match overrides an earlier one.
        IntelCase{"LaterWins", 0x000106A4, {true, false, true}, "C0", "LGA 1366", "32 nm"},
        // The mobile 32 nm part is soldered, whatever package the uncore suggests.
        IntelCase{"Mobile", 0x00020652, {false, true, false}, "", "Micro-FCPGA", "45 nm"},
        // A dual-socket machine sets no package flag: socket and technology stay empty.
        IntelCase{"DualSocket", 0x000106A5, {false, false, false}, "D0", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IntelIdentification, CountsAndRatioLimitsComeFromTheMsrs) {
    Machine m(0x000106A5, " Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz");
    m.sim.SetMsr(0, 0x35, 0x00040008);                  // 4 cores, 8 threads
    m.sim.SetMsr(0, 0xCE, 0x00000C00'00001400ull);      // max non-turbo 20, minimum 12
    CpuIdentity id = IdentifyCommon(m.sim);
    IdentifyIntelUncore(id, m.sim, m.hw, PackageFlags{false, true, false});
    EXPECT_EQ(id.coresThreads, "4 / 8");
    EXPECT_EQ(id.coreCount, 4);
    EXPECT_EQ(id.threadCount, 8);
    EXPECT_FLOAT_EQ(id.maxNonTurboRatio, 20.0f);
    EXPECT_EQ(id.minRatio, 12);
    // All 48 bytes are text here, leading blank included: nothing is cut or trimmed.
    EXPECT_EQ(id.model, " Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz");
    EXPECT_EQ(id.cpuidText, "6A5");
}

TEST(IntelIdentification, HostBridgeProcessorsAre32nmLga1156) {
    Machine m(0x00020652, "Intel(R) Core(TM) i5 CPU         661  @ 3.33GHz");
    m.sim.SetMsr(0, 0x35, 0x00020004);
    m.sim.SetMsr(0, 0xCE, 0x00000900'00001900ull);
    CpuIdentity id = IdentifyCommon(m.sim);
    IdentifyIntelHostBridge(id, m.sim, m.hw);
    EXPECT_EQ(id.revision, "C2");
    EXPECT_EQ(id.socket, "LGA 1156");
    EXPECT_EQ(id.technology, "32 nm");
    EXPECT_EQ(id.coresThreads, "2 / 4");
    EXPECT_FLOAT_EQ(id.maxNonTurboRatio, 25.0f);
    EXPECT_EQ(id.minRatio, 9);
}

struct K10Case {
    const char* name;
    std::uint32_t leaf1;
    std::uint32_t packageType;
    const char* mode;
    const char *revision, *technology, *socket;
};

class K10Identification : public ::testing::TestWithParam<K10Case> {};

TEST_P(K10Identification, RevisionTechnologyAndSocket) {
    const K10Case& c = GetParam();
    Machine m(c.leaf1, "AMD Phenom(tm) II X4 940 Processor");
    m.sim.SetCpuid(0x80000001, 0, {0, c.packageType << 28, 0, 0});
    m.sim.SetMsr(0, 0xC001102A, 3u << 6);
    CpuIdentity id = IdentifyCommon(m.sim);
    IdentifyK10(id, m.sim, m.hw, c.mode);
    EXPECT_EQ(id.revision, c.revision);
    EXPECT_EQ(id.technology, c.technology);
    EXPECT_EQ(id.socket, c.socket);
    EXPECT_EQ(id.combinedFamily, 0x10u);
}

INSTANTIATE_TEST_SUITE_P(
    Sockets, K10Identification,
    ::testing::Values(
        K10Case{"DenebAm3", 0x00100F42, 1, "K10-DDR3", "C2", "45 nm", "AM3 (941)"},
        K10Case{"AgenaAm2Plus", 0x00100F23, 1, "K10-DDR2-1066", "B3", "65 nm", "AM2+ (940)"},
        K10Case{"Ddr2_800", 0x00100F2A, 1, "K10-DDR2-800", "BA", "65 nm", "AM2+ (940)"},
        // Package type 0 is Socket F, whatever the memory type.
        K10Case{"Opteron", 0x00100F42, 0, "K10-DDR3", "C2", "45 nm", "F (1207)"},
        K10Case{"UnknownStepping", 0x00100F41, 1, "K10-DDR3", "", "", "AM3 (941)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(K10Identification, CoreCountIsTheHighestCoreIndex) {
    Machine m(0x00100F42, "AMD Phenom(tm) II X4 940 Processor");
    m.sim.SetCpuid(0x80000001, 0, {0, 1u << 28, 0, 0});
    m.sim.SetMsr(0, 0xC001102A, 0x3Fu << 6 & 0xC0u);  // bits 7..6 = 3, nothing else
    CpuIdentity id = IdentifyCommon(m.sim);
    IdentifyK10(id, m.sim, m.hw, "K10-DDR3");
    EXPECT_EQ(id.coresThreads, "4 / 4");
    EXPECT_EQ(id.coreCount, 3);
    EXPECT_EQ(id.model, "AMD Phenom(tm) II X4 940 Processor");
}

}  // namespace
}  // namespace zm::ident
