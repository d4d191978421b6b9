// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/clock_pass.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "cpu/cpu_registers.h"
#include "cpu/k10_pstate.h"
#include "cpu/number_format.h"

namespace zm::cpu {

std::uint16_t TruncateMhz(double mhz) {
    if (!(mhz > 0)) return 0;  // also NaN
    if (mhz >= 65535.0) return 65535;
    return static_cast<std::uint16_t>(mhz);
}

std::string ClockPass::Mhz(double mhz) const {
    return FormatMhz(mhz, separator_);
}

PassOutput ClockPass::Run(hw::HardwareAccess& hw, ClockState& state, double tscMhz) {
    PassOutput out;
    const double base = state.BaseMultiplier.load();
    // BaseMultiplier starts at 1; a zero would only come from a broken start-up.
    const double bclk = base > 0 ? tscMhz / base : 0.0;
    switch (state.platform.load()) {
        case CpuPlatform::Intel:
            RunIntel(hw, state, bclk, out);
            break;
        case CpuPlatform::AmdK10:
            RunK10(hw, state, bclk, out);
            if (state.cpuSettingsCreated.load() == 1) {
                out.cpuSettings = RunK10Settings(hw, state, bclk, out.texts);
            }
            break;
        case CpuPlatform::None:
            break;
    }
    return out;
}

void ClockPass::RunIntel(hw::HardwareAccess& hw, ClockState& state, double bclk, PassOutput& out) {
    const int cores = state.coreCount.load();
    const double base = state.BaseMultiplier.load();

    // The highest ratio any core runs at.
    double multiplier = 1.0;
    std::vector<hw::HardwareAccess::MsrAt> which;
    for (int k = 1; k <= cores; ++k) which.push_back({reg::kMsrPerfStatus, unsigned(k - 1)});
    std::vector<hw::MsrValue> statuses(which.size());
    hw.MsrReadMany(which, statuses);
    for (const hw::MsrValue& status : statuses)
        multiplier = std::max<double>(multiplier, reg::kPerfStatusRatio.Get(status.lo));
    if (multiplier > std::max(kTurboStatusThreshold, base)) {
        multiplier = reg::kTurboLimit2Cores.Get(hw.MsrReadCurrent(reg::kMsrTurboRatioLimit).lo);
    }
    if (cores == 1 && multiplier > base) multiplier += 1.0;
    state.CoreMultiplier = static_cast<float>(multiplier);

    if (state.HoldCore[0].load() == 0) {
        const double item = std::trunc(multiplier - state.minimumRatio.load());
        if (item >= 0) out.coreMultiplierItem = static_cast<int>(item);
    }

    out.texts.coreMultiplier = "x " + FormatFixed(multiplier, 1, separator_);
    out.texts.bclk = Mhz(bclk);
    out.texts.cores = Mhz(bclk * multiplier);
    out.texts.uncore = Mhz(bclk * state.UncoreMultiplier.load());
    out.texts.ram = Mhz(bclk * state.MemoryMultiplier.load());
    out.texts.ht = Mhz(bclk * state.LinkMultiplier.load());

    state.CoreClockMhz = TruncateMhz(bclk * multiplier);
    state.MemoryClockMhz = TruncateMhz(bclk * state.MemoryMultiplier.load());
}

ClockPass::K10Read ClockPass::ReadK10Core(hw::HardwareAccess& hw, unsigned core) {
    return DecodeK10Core(hw.MsrRead(reg::kMsrCofVidStatus, core).lo);
}

ClockPass::K10Read ClockPass::DecodeK10Core(std::uint32_t cofvidLow) {
    const K10CofVid cofvid = K10CofVid::FromLow(cofvidLow);
    if (auto divisor = K10Divisor(cofvid.cpuDid)) divisor_ = *divisor;
    K10Read read{cofvid.cpuFid, cofvid.cpuDid, cofvid.cpuVid, cofvid.nbVid, 1.0};
    read.multiplier = K10CoreMultiplier(cofvid.cpuFid, divisor_);
    return read;
}

void ClockPass::RunK10(hw::HardwareAccess& hw, ClockState& state, double bclk, PassOutput& out) {
    const int cores = state.coreCount.load();  // the highest core index

    // Every core's COFVID status in one pass (one request behind a pipe), core 0 first.
    std::vector<hw::HardwareAccess::MsrAt> which;
    for (int k = 0; k <= cores; ++k)
        which.push_back({reg::kMsrCofVidStatus, static_cast<unsigned>(k)});
    std::vector<hw::MsrValue> statuses(which.size());
    hw.MsrReadMany(which, statuses);

    double multiplier = 1.0;
    divisor_ = 1;
    for (const hw::MsrValue& status : statuses)
        multiplier = std::max(multiplier, DecodeK10Core(status.lo).multiplier);
    state.CoreMultiplier = static_cast<float>(multiplier);

    out.texts.coreMultiplier =
        "x " + FormatFixed(multiplier, multiplier < 10.0 ? 2 : 1, separator_);
    out.texts.cores = Mhz(bclk * multiplier);
    out.texts.bclk = Mhz(bclk);
    out.texts.ram = Mhz(bclk * state.MemoryMultiplier.load());
    out.texts.ht = Mhz(bclk * state.LinkMultiplier.load());
    out.texts.uncore = Mhz(bclk * state.NbMultiplier.load());

    state.CoreClockMhz = TruncateMhz(bclk * multiplier);
    state.MemoryClockMhz = TruncateMhz(bclk * state.MemoryMultiplier.load());
}

CpuSettingsFields ClockPass::RunK10Settings(hw::HardwareAccess& hw, ClockState& state, double bclk,
                                            const FrequencyTexts& texts) {
    CpuSettingsFields fields;
    const int cores = state.coreCount.load();

    auto readColumn = [&](int core) {
        const K10Read read = ReadK10Core(hw, static_cast<unsigned>(core));
        state.CoreMultiplier = static_cast<float>(read.multiplier);
        fields.cores.push_back(
            CoreSettingsFields{core, Mhz(bclk * read.multiplier), read.cpuFid, read.cpuDid});
        return read;
    };

    if (state.HoldCore[0].load() == 0) {
        const K10Read read = readColumn(0);
        lastCpuVid_ = read.cpuVid;
        lastNbVid_ = read.nbVid;
        fields.uncoreSpeed = texts.uncore;
        fields.htSpeed = texts.ht;
    }
    if (state.HoldCpuVid.load() == 0) fields.cpuVid = lastCpuVid_;
    if (state.HoldNbVid.load() == 0) fields.nbVid = lastNbVid_;
    for (int core = 1; core <= 3; ++core) {
        if (cores >= core && state.HoldCore[core].load() == 0) readColumn(core);
    }
    return fields;
}

}  // namespace zm::cpu
