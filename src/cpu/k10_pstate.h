// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The core frequency a family 10h P-state or COFVID value describes. The core clock is
// (CpuFid + 16) / 2 ^ (CpuDid + 1) times the 200 MHz reference; as a multiplier of the
// reference that is (CpuFid + 16) x 0.5 / divisor, with divisor 1, 2, 4, 8, 16 for CpuDid 0..4.

#include <cstdint>
#include <optional>

namespace zm::cpu {

// The divisor CpuDid 0..4 selects; nothing for the reserved codes 5..7.
std::optional<int> K10Divisor(unsigned cpuDid);

// (CpuFid + 16) x 0.5 / divisor.
double K10CoreMultiplier(unsigned cpuFid, int divisor);

// The fields of a P-state, COFVID control or COFVID status low dword.
struct K10CofVid {
    unsigned cpuFid = 0;
    unsigned cpuDid = 0;
    unsigned cpuVid = 0;
    unsigned nbVid = 0;
    static K10CofVid FromLow(std::uint32_t low);
};

}  // namespace zm::cpu
