// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small simulated machines built in code, each with just what the start-up looks at.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "hw/cpuid.h"
#include "sim/simulated_machine.h"

namespace zm::testing {

inline void SetBrandString(sim::SimulatedMachine& m, const std::string& brand) {
    char buffer[48] = {};
    for (std::size_t i = 0; i < brand.size() && i < 48; ++i) buffer[i] = brand[i];
    for (std::uint32_t leaf = 0; leaf < 3; ++leaf) {
        std::uint32_t w[4];
        std::memcpy(w, buffer + leaf * 16, 16);
        m.SetCpuid(0x80000002 + leaf, 0, {w[0], w[1], w[2], w[3]});
    }
}

// An otherwise empty machine whose host bridge answers with the given id.
inline std::shared_ptr<sim::SimulatedMachine> MachineWithHostBridge(std::uint32_t hostBridgeId) {
    auto m = std::make_shared<sim::SimulatedMachine>();
    m->SetPci(0, 0, 0, 0, hostBridgeId);
    m->SetCpuid(1, 0, {0x000006F6, 0, 0, 0});
    return m;
}

// Core i7 920 (6A5) on X58: one uncore on bus 0xFF, four cores, eight threads.
inline std::shared_ptr<sim::SimulatedMachine> Bloomfield(unsigned uncoreBus = 0xFF,
                                                         std::uint32_t uncoreId = 0x2C1C8086) {
    auto m = std::make_shared<sim::SimulatedMachine>();
    m->SetProcessorCount(8);
    m->SetPci(0, 0, 0, 0, 0x34058086);
    m->SetPci(uncoreBus, 3, 4, 0, uncoreId);
    m->SetCpuid(1, 0, {0x000106A5, 0, 0, 0});
    SetBrandString(*m, "Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz");
    m->SetMsrAll(0xCE, 0x0000'0C00'0000'1400ULL);  // max non-turbo 20, minimum 12
    m->SetMsrAll(0x35, 0x0004'0008ULL);             // 4 cores, 8 threads
    return m;
}

// Phenom II X4 (F42) on a DDR3 board: K10 north bridge, F3x8C with the given bit 14.
inline std::shared_ptr<sim::SimulatedMachine> PhenomDdr3(bool extendedConfigAtStart,
                                                         unsigned packageType = 1) {
    auto m = std::make_shared<sim::SimulatedMachine>();
    m->SetProcessorCount(4);
    m->SetPci(0, 0, 0, 0, 0x96011022);
    m->SetPci(0, 24, 2, 0x00, 0x12021022);
    m->SetPci(0, 24, 2, 0x94, 0x00000106);  // DDR3, memory clock 667 MHz
    m->SetPci(0, 24, 3, 0x00, 0x12031022);
    m->SetPci(0, 24, 3, 0x8C, extendedConfigAtStart ? 0x00004000 : 0x00000000);
    m->SetCpuid(1, 0, {0x00100F42, 0, 0, 0});
    m->SetCpuid(0x80000001, 0, {0x00100F42, packageType << 28, 0, 0});
    SetBrandString(*m, "AMD Phenom(tm) II X4 940 Processor");
    m->SetMsrAll(0xC001102A, 0xC0);  // highest core index 3
    return m;
}

}  // namespace zm::testing
