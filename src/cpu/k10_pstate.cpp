// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/k10_pstate.h"

#include "cpu/cpu_registers.h"

namespace zm::cpu {

std::optional<int> K10Divisor(unsigned cpuDid) {
    if (cpuDid > 4) return std::nullopt;
    return 1 << cpuDid;
}

double K10CoreMultiplier(unsigned cpuFid, int divisor) {
    return (static_cast<double>(cpuFid) + 16.0) * 0.5 / divisor;
}

K10CofVid K10CofVid::FromLow(std::uint32_t low) {
    return K10CofVid{reg::kCpuFid.Get(low), reg::kCpuDid.Get(low), reg::kCpuVid.Get(low),
                     reg::kNbVid.Get(low)};
}

}  // namespace zm::cpu
