// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/clock_multipliers.h"

#include <array>
#include <optional>
#include <span>

#include "cpu/cpu_registers.h"
#include "cpu/k10_pstate.h"
#include "cpu/number_format.h"
#include "hw/pci_address.h"

namespace zm::cpu {
namespace {

using timings::K10Mode;

struct RatioRow {
    unsigned code;
    double multiplier;
    const char* text;
};

// Nehalem uncore DRAM clock ratio: the code counts half-multiples of the base clock.
constexpr std::array<RatioRow, 7> kUncoreRatios{{
    {6, 3, "x 3"},
    {8, 4, "x 4"},
    {10, 5, "x 5"},
    {12, 6, "x 6"},
    {14, 7, "x 7"},
    {16, 8, "x 8"},
    {18, 9, "x 9"},
}};

// Host bridge 0x0040/0x0044: the code counts quarter-multiples.
constexpr std::array<RatioRow, 7> kHostBridgeRatios{{
    {12, 3, "x 3"},
    {16, 4, "x 4"},
    {20, 5, "x 5"},
    {24, 6, "x 6"},
    {28, 7, "x 7"},
    {32, 8, "x 8"},
    {36, 9, "x 9"},
}};

// Family 10h MemClkFreq: the memory clock over the 200 MHz reference, shown as the ratio of
// reference to memory clock.
constexpr std::array<RatioRow, 5> kK10Ddr2Ratios{{
    {0, 1.0, "1:1"},
    {1, 4.0 / 3.0, "3:4"},
    {2, 5.0 / 3.0, "3:5"},
    {3, 2.0, "1:2"},
    {4, 8.0 / 3.0, "3:8"},  // DDR2-1066 only
}};
constexpr std::array<RatioRow, 4> kK10Ddr3Ratios{{
    {3, 2.0, "1:2"},
    {4, 8.0 / 3.0, "3:8"},
    {5, 10.0 / 3.0, "3:10"},
    {6, 4.0, "1:4"},
}};

template <std::size_t N>
bool LookUp(const std::array<RatioRow, N>& table, std::size_t rows, unsigned code,
            double& multiplier, std::string& text) {
    for (std::size_t i = 0; i < rows && i < N; ++i) {
        if (table[i].code == code) {
            multiplier = table[i].multiplier;
            text = table[i].text;
            return true;
        }
    }
    return false;
}

std::string Times(double value) {
    return "x " + FormatFixed(value, 0);
}

// A configuration dword, or nothing when no function answers there (all ones): an absent
// register must not turn into a multiplier of 127 or 35.
std::optional<std::uint32_t> ReadPresent(hw::HardwareAccess& hw, std::uint32_t address) {
    const std::uint32_t value = hw.PciConfigRead(address);
    if (value == hw::kPciNoDevice) return std::nullopt;
    return value;
}

// Device 0, function 0 of the uncore bus: its vendor word tells whether the bus is there.
constexpr std::uint32_t kUncoreDevice0Id = 0x803F0000;
constexpr std::uint32_t kUncoreBusOffsets[] = {0, 0x400000, 0xC00000};  // bus 0x3F, 0x7F, 0xFF

bool UncoreBusAnswers(hw::HardwareAccess& hw, std::uint32_t busOffset) {
    return (hw.PciConfigRead(kUncoreDevice0Id + busOffset) & 0xFFFF) == 0x8086;
}

}  // namespace

std::uint32_t FindUncoreBusOffset(hw::HardwareAccess& hw, std::uint32_t preferred) {
    if (UncoreBusAnswers(hw, preferred)) return preferred;
    for (std::uint32_t offset : kUncoreBusOffsets) {
        if (UncoreBusAnswers(hw, offset)) return offset;
    }
    return preferred;
}

bool IntelUncoreMemoryRatio(unsigned code, double& multiplier, std::string& text) {
    return LookUp(kUncoreRatios, kUncoreRatios.size(), code, multiplier, text);
}

bool IntelHostBridgeMemoryRatio(unsigned code, double& multiplier, std::string& text) {
    return LookUp(kHostBridgeRatios, kHostBridgeRatios.size(), code, multiplier, text);
}

bool K10MemoryRatio(K10Mode mode, unsigned memClkFreq, double& multiplier, std::string& text) {
    switch (mode) {
        case K10Mode::Ddr2_800:
            return LookUp(kK10Ddr2Ratios, 4, memClkFreq, multiplier, text);
        case K10Mode::Ddr2_1066:
            return LookUp(kK10Ddr2Ratios, 5, memClkFreq, multiplier, text);
        case K10Mode::Ddr3:
            return LookUp(kK10Ddr3Ratios, kK10Ddr3Ratios.size(), memClkFreq, multiplier, text);
    }
    return false;
}

int K10LinkMultiplier(unsigned code) {
    // Codes 0 and 2 are 200 and 400 MHz; from code 4 (600 MHz) on the step is one per code.
    if (code == 0) return 1;
    if (code > 2) return static_cast<int>(code) - 1;
    return static_cast<int>(code);
}

IntelStartup ReadIntelMultipliers(hw::HardwareAccess& hw, const IntelClockFacts& facts) {
    IntelStartup out;
    // A ratio of 0 (MSR 0xCE unreadable) would divide the base clock by zero.
    if (facts.maxNonTurboRatio > 0) out.multipliers.base = facts.maxNonTurboRatio;

    // The processors behind host bridge 0x0040/0x0044 have no memory-controller function for
    // start-up's uncore probe to find, so its bus offset may not name their uncore bus.
    const std::uint32_t busOffset = FindUncoreBusOffset(hw, facts.busOffset);
    // The uncore's and the link's ratios, and the memory's on an uncore controller, as one image.
    const bool hostBridge = facts.kind == timings::ControllerKind::HostBridge;
    const std::array<std::uint32_t, 3> addresses = {reg::kUncoreCurrentRatio + busOffset,
                                                    reg::kQpiFrequency + busOffset,
                                                    reg::kMcDramClockRatio + facts.busOffset};
    std::array<std::uint32_t, 3> values{};
    hw.PciConfigReadMany(std::span(addresses).first(hostBridge ? 2 : 3), values);
    const auto present = [&](std::size_t i) {
        return values[i] == hw::kPciNoDevice ? std::nullopt : std::optional(values[i]);
    };
    if (auto value = present(0)) {
        out.multipliers.uncore = static_cast<int>(reg::kUncoreRatio.Get(*value));
        out.texts.uncore = "x " + std::to_string(out.multipliers.uncore);
    }
    if (auto value = present(1)) {
        out.multipliers.link = reg::kQpiRatio.Get(*value);
        out.texts.link = Times(out.multipliers.link);
    }

    double memory = 1.0;
    std::string text;
    bool known = false;
    if (facts.kind == timings::ControllerKind::HostBridge) {
        const std::uint32_t value =
            hw.MmioRead(facts.memoryWindowBase, reg::kHostBridgeDramRatioOffset);
        known = IntelHostBridgeMemoryRatio(reg::kHostBridgeDramRatioCode.Get(value), memory, text);
    } else if (auto value = present(2)) {
        known = IntelUncoreMemoryRatio(reg::kMcDramRatioCode.Get(*value), memory, text);
    }
    if (known) {
        out.multipliers.memory = memory;
        out.texts.ram = text;
    }
    return out;
}

K10Startup ReadK10Multipliers(hw::HardwareAccess& hw, K10Mode mode) {
    K10Startup out;

    // 1. The time-stamp counter runs at the P-state 0 clock: its multiplier is the base.
    // With the limits' status register, in one pass.
    const hw::HardwareAccess::MsrAt msrs[] = {{reg::kMsrPState0, hw::kCurrentProcessor},
                                              {reg::kMsrCofVidStatus, hw::kCurrentProcessor}};
    hw::MsrValue msrValues[2];
    hw.MsrReadMany(msrs, msrValues);
    const K10CofVid p0 = K10CofVid::FromLow(msrValues[0].lo);
    if (auto divisor = K10Divisor(p0.cpuDid)) {
        out.multipliers.base = K10CoreMultiplier(p0.cpuFid, *divisor);
    }

    // 2. Limits for the CPU settings window.
    const std::uint64_t status = msrValues[1].Value();
    const auto maxCof = static_cast<int>(reg::kMaxCpuCof.Get(status));
    out.limits.maxCoreMultiplier = maxCof == 0 ? 40 : maxCof / 2;
    const auto maxNbFid = static_cast<int>(reg::kMaxNbFid.Get(status));
    out.limits.maxNbMultiplier = (maxNbFid == 0 ? 26 : maxNbFid) + 4;

    // The voltage interface the VIDs are sent over (a missing function reads as serial), and
    // the HyperTransport link's frequency, in one pass.
    const std::uint32_t pciAddresses[] = {reg::kPowerControlMisc, reg::kHtLinkFrequency};
    std::uint32_t pciValues[2];
    hw.PciConfigReadMany(pciAddresses, pciValues);
    const auto present = [](std::uint32_t v) {
        return v == hw::kPciNoDevice ? std::nullopt : std::optional<std::uint32_t>(v);
    };
    if (auto value = present(pciValues[0])) out.limits.pviMode = reg::kPviMode.Get(*value) != 0;

    // 3. HyperTransport link 0.
    if (auto value = present(pciValues[1])) {
        out.multipliers.link = K10LinkMultiplier(reg::kHtLinkFreqCode.Get(*value));
        out.texts.link = Times(out.multipliers.link);
    }

    // 4. TscFreqSel: the counter must run at the P0 clock for the base multiplier above to
    //    hold. The firmware normally sets it; only where it did not is it set. Clearing it first,
    //    even for an instant, would change the operating system's clock source under it. A
    //    read-only run (the report) leaves the register as the firmware set it.
    if (!hw.ReadOnly()) {
        hw::MsrValue hwcr = hw.MsrRead(reg::kMsrHwcr, 0);
        if (reg::kTscFreqSel.Get(hwcr.lo) == 0) {
            hwcr.lo = reg::kTscFreqSel.Set(hwcr.lo, 1);
            hw.MsrWrite(reg::kMsrHwcr, hwcr, 0);
        }
    }

    // 5. North bridge: NbFid + 4, halved when NbDid is set.
    if (auto value = ReadPresent(hw, reg::kNbClockControl)) {
        const int nbFid = static_cast<int>(reg::kNbFid.Get(*value));
        const bool nbDid = reg::kNbDid.Get(static_cast<std::uint32_t>(status)) != 0;
        const int nb = nbDid ? (nbFid + 4) / 2 : nbFid + 4;
        out.multipliers.nb = nb;
        out.texts.uncore = "x " + std::to_string(nb);
        out.limits.startNbIndex = nb - 4;
    }

    // 6. Memory clock from DCT0's MemClkFreq.
    if (auto value = ReadPresent(hw, reg::kDct0ConfigHigh)) {
        double memory = 1.0;
        std::string text;
        if (K10MemoryRatio(mode, reg::kMemClkFreq.Get(*value), memory, text)) {
            out.multipliers.memory = memory;
            out.texts.ram = text;
        }
    }
    return out;
}

void StoreMultipliers(ClockState& state, const ClockMultipliers& m) {
    state.BaseMultiplier = static_cast<float>(m.base);
    state.MemoryMultiplier = static_cast<float>(m.memory);
    state.UncoreMultiplier = m.uncore;
    state.NbMultiplier = static_cast<float>(m.nb);
    state.LinkMultiplier = static_cast<float>(m.link);
}

}  // namespace zm::cpu
