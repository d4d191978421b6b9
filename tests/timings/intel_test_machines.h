// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Intel memory-controller machines built in code for the timing tests: an LGA 1366 uncore
// with DDR3-1333 9-9-9-24 timings in every channel, and an LGA 1156 host-bridge controller
// with its register window.

#include <cstdint>
#include <memory>
#include <vector>

#include "hw/bit_field.h"
#include "sim/simulated_machine.h"
#include "timings/host_bridge/host_bridge_registers.h"
#include "timings/uncore/uncore_registers.h"

namespace zm::timings::testing {

using hw::Field;

// Bits no timing owns, set in every register so a test sees whether they survive a write.
constexpr std::uint32_t kForeignBits = 0xA5A5A5A5;

inline std::uint32_t Compose(std::uint32_t base,
                             std::initializer_list<std::pair<Field, std::uint32_t>> fields) {
    for (const auto& [f, v] : fields) base = f.Set(base, v);
    return base;
}

// One uncore channel's register values, by uncore::Reg.
struct UncoreChannelValues {
    std::uint32_t rankTimingA, bankTiming, commandRate, roundTrip, rankTimingB, refresh, rankIdle,
        modeRegister;
};

inline UncoreChannelValues Ddr3_1333Channel() {
    UncoreChannelValues v{};
    v.rankTimingA =
        Compose(kForeignBits & 0xE0000000, {{Field{0, 0}, 1},      // read-read same rank "6"
                                            {Field{3, 1}, 2},      // read-read diff. ranks "4"
                                            {Field{6, 4}, 3},      // read-read diff. DIMMs "5"
                                            {Field{10, 7}, 6},     // read-write same rank "8"
                                            {Field{14, 11}, 5},    // read-write diff. ranks "7"
                                            {Field{18, 15}, 6},    // read-write diff. DIMMs "8"
                                            {Field{22, 19}, 7},    // write-read same rank "17"
                                            {Field{25, 23}, 2},    // write-read diff. ranks "3"
                                            {Field{28, 26}, 3}});  // write-read diff. DIMMs "4"
    v.bankTiming = Compose(kForeignBits & 0xFFC00000, {{Field{3, 0}, 9},    // tRP 9
                                                       {Field{8, 4}, 24},   // tRAS 24
                                                       {Field{12, 9}, 9},   // tRCD 9
                                                       {Field{16, 13}, 7},  // tRTP field 7 -> "5"
                                                       {Field{21, 17}, 20}});  // tWTP 20
    v.commandRate = kForeignBits & 0xFFFFFFF7;                                 // 1N
    v.roundTrip = Compose(kForeignBits & 0xFFFFFF00, {{Field{7, 0}, 54}});
    v.rankTimingB =
        Compose(kForeignBits & 0xFFE00000, {{Field{5, 0}, 20},     // tFAW 20
                                            {Field{8, 6}, 4},      // tRRD 4
                                            {Field{9, 9}, 0},      // write-write same rank "4"
                                            {Field{12, 10}, 3},    // "5"
                                            {Field{15, 13}, 3},    // "5"
                                            {Field{20, 16}, 0}});  // B2B "Disab."
    v.refresh = Compose(kForeignBits & 0xFFF80000, {{Field{8, 0}, 74}, {Field{18, 9}, 650}});
    v.rankIdle = Compose(kForeignBits & 0x00FFFFFF, {{Field{31, 24}, 32}});
    v.modeRegister = Compose(0, {{Field{6, 4}, 5}, {Field{11, 9}, 5}});  // CL 9, tWR 10
    return v;
}

inline void SetUncoreChannel(sim::SimulatedMachine& m, unsigned bus, int channel,
                             const UncoreChannelValues& v) {
    const unsigned dev = 4 + static_cast<unsigned>(channel);
    m.SetPci(bus, dev, 0, 0x80, v.rankTimingA);
    m.SetPci(bus, dev, 0, 0x84, v.rankTimingB);
    m.SetPci(bus, dev, 0, 0x88, v.bankTiming);
    m.SetPci(bus, dev, 0, 0x8C, v.refresh);
    m.SetPci(bus, dev, 0, 0x90, v.rankIdle);
    m.SetPci(bus, dev, 0, 0xB8, v.commandRate);
    m.SetPci(bus, dev, 0, 0xD4, v.roundTrip);
    m.SetPci(bus, dev, 0, 0x70, v.modeRegister);
}

// An uncore on `bus` with channels present for every mask bit (bit 0 = A); every channel
// exists in configuration space, as on the real part.
inline std::shared_ptr<sim::SimulatedMachine> UncoreMachine(unsigned activeMask,
                                                            unsigned bus = 0x3F,
                                                            unsigned lockState = 0,
                                                            std::uint32_t deviceId = 0x2C1C8086) {
    auto m = std::make_shared<sim::SimulatedMachine>();
    m->SetPci(bus, 3, 4, 0x00, deviceId);
    m->SetPci(bus, 3, 0, 0x48, (activeMask << 8) | 0x3);
    m->SetPci(bus, 0, 0, 0x88, lockState);
    for (int ch = 0; ch < 3; ++ch) SetUncoreChannel(*m, bus, ch, Ddr3_1333Channel());
    return m;
}

// The host-bridge controller's register window.
constexpr std::uint32_t kWindowBase = 0xFED10000;

struct HostBridgeChannelValues {
    std::uint32_t r220, r240, r250, r254, r258, r25C, r260, r264, r268, r29C;
};

inline HostBridgeChannelValues Ddr3_1333HostBridgeChannel() {
    HostBridgeChannelValues v{};
    v.r220 = kForeignBits & ~(1u << 4);                                // 1T
    v.r240 = Compose(kForeignBits, {{Field{3, 0}, 6}});                // CL 9 (list starts at 3)
    v.r250 = Compose(kForeignBits & 0x0180F800, {{Field{1, 0}, 1},     // precharge to precharge
                                                 {Field{5, 2}, 7},     // tRTP field 7 -> "5"
                                                 {Field{10, 6}, 20},   // tWTP 20
                                                 {Field{22, 16}, 74},  // tRFC 74
                                                 {Field{28, 25}, 9},  // all precharge to activate 9
                                                 {Field{31, 29}, 1}});  // tRP low bits: 9 = 0b1001
    v.r254 = Compose(kForeignBits & 0x0000FFE0, {{Field{0, 0}, 1},      // tRP bit 3
                                                 {Field{4, 1}, 4},      // tRRD 4
                                                 {Field{19, 16}, 7},    // tRD_WR 7
                                                 {Field{23, 20}, 6},    // tWR_WR
                                                 {Field{27, 24}, 4},    // write to write same rank
                                                 {Field{31, 28}, 9}});  // tRCD-W 9
    // Bit 31 is left clear here: it is read as part of refresh to refresh (see the tests).
    v.r258 = Compose(kForeignBits & 0x00E00000, {{Field{3, 0}, 6},       // tRD_RD
                                                 {Field{7, 4}, 4},       // read to read same rank
                                                 {Field{11, 8}, 5},      // tWR_RD
                                                 {Field{16, 12}, 5},     // tWTR field 5 -> "5"
                                                 {Field{20, 17}, 9},     // tRCD-R 9
                                                 {Field{30, 24}, 74}});  // refresh to refresh
    v.r25C = Compose(kForeignBits & 0xFFFFE0E1, {{Field{4, 1}, 9}, {Field{12, 8}, 24}});
    v.r260 = Compose(kForeignBits, {{Field{23, 20}, 3}});  // populated
    v.r264 = Compose(kForeignBits & 0xFFC0E0FF, {{Field{12, 8}, 12}, {Field{21, 16}, 30}});
    v.r268 = Compose(kForeignBits & 0xFFC000FF, {{Field{21, 8}, 0x1040}});  // "4160T"
    v.r29C =
        Compose(kForeignBits & 0xFFFFF000, {{Field{3, 0}, 2}, {Field{7, 4}, 1}, {Field{11, 8}, 3}});
    return v;
}

inline void SetHostBridgeChannel(sim::SimulatedMachine& m, int channel,
                                 const HostBridgeChannelValues& v) {
    const std::uint64_t at = kWindowBase + 0x400u * static_cast<unsigned>(channel);
    auto put = [&](std::uint16_t offset, std::uint32_t value) {
        std::vector<std::uint8_t> bytes{
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        m.SetPhysicalMemory(at + offset, bytes);
    };
    put(0x220, v.r220);
    put(0x240, v.r240);
    put(0x250, v.r250);
    put(0x254, v.r254);
    put(0x258, v.r258);
    put(0x25C, v.r25C);
    put(0x260, v.r260);
    put(0x264, v.r264);
    put(0x268, v.r268);
    put(0x29C, v.r29C);
}

inline std::shared_ptr<sim::SimulatedMachine> HostBridgeMachine(bool channelB = true) {
    auto m = std::make_shared<sim::SimulatedMachine>();
    m->SetPci(0, 0, 0, 0x00, 0x00448086);
    m->SetPci(0, 0, 0, 0x48, kWindowBase);  // window disabled until start-up enables it
    m->SetPhysicalMemory(kWindowBase, std::vector<std::uint8_t>(0x1000, 0));
    SetHostBridgeChannel(*m, 0, Ddr3_1333HostBridgeChannel());
    HostBridgeChannelValues b = Ddr3_1333HostBridgeChannel();
    if (!channelB) b.r260 = 0;
    SetHostBridgeChannel(*m, 1, b);
    return m;
}

}  // namespace zm::timings::testing
