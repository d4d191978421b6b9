// SPDX-License-Identifier: GPL-3.0-or-later
#include "ident/memory_size.h"

#include <numeric>

namespace zm::ident {
namespace {

std::string Times(unsigned count, unsigned sizeMb) {
    return std::to_string(count) + " x " + std::to_string(sizeMb);
}

// Three channels of two slots: boards list them channel by channel, so one module per channel
// lands in slots 1, 3, 5 (or 2, 4, 6), and a dual-channel set in 1, 3 (or 2, 4).
std::string UncoreText(const SlotSizes& s) {
    if (s[0] != 0 && s[2] == s[0] && s[1] == 0 && s[3] == 0 && s[4] == 0 && s[5] == 0) {
        return Times(2, s[0]);
    }
    if (s[1] != 0 && s[3] == s[1] && s[0] == 0 && s[2] == 0 && s[4] == 0 && s[5] == 0) {
        return Times(2, s[1]);
    }
    if (s[0] != 0 && s[2] == s[0] && s[4] == s[0] && s[1] == 0 && s[3] == 0 && s[5] == 0) {
        return Times(3, s[0]);
    }
    if (s[1] != 0 && s[3] == s[1] && s[5] == s[1] && s[0] == 0 && s[2] == 0 && s[4] == 0) {
        return Times(3, s[1]);
    }
    if (s[0] != 0 && s[1] == s[0] && s[2] == s[0] && s[3] == s[0] && s[4] == s[0] && s[5] == s[0]) {
        return Times(6, s[0]);
    }
    return std::to_string(TotalMb(s)) + " Mb";
}

// Two channels: slots 1..4; a pair of one size or four of one size.
std::string DualChannelText(const SlotSizes& s) {
    unsigned populated = 0;
    unsigned size = 0;
    bool oneSize = true;
    for (unsigned i = 0; i < 4; ++i) {
        if (s[i] == 0) continue;
        if (populated > 0 && s[i] != size) oneSize = false;
        size = s[i];
        ++populated;
    }
    if (oneSize && (populated == 2 || populated == 4)) return Times(populated, size);
    return std::to_string(s[0] + s[1] + s[2] + s[3]) + " Mb";
}

}  // namespace

unsigned TotalMb(const SlotSizes& slots) {
    return std::accumulate(slots.begin(), slots.end(), 0u);
}

std::string SlotSizeText(const SlotSizes& slots, bool tripleChannelUncore) {
    return tripleChannelUncore ? UncoreText(slots) : DualChannelText(slots);
}

std::string OsMemorySizeText(std::uint64_t totalPhysBytes) {
    const std::uint64_t mb = (totalPhysBytes + 0x80000) >> 10 >> 10;
    switch (mb / 100) {
        case 2:
            return "256";
        case 4:
        case 5:
            return "512";
        case 7:
        case 8:
            return "768";
        case 9:
        case 10:
            return "1024";
        case 15:
            return "1536";
        default:
            break;
    }
    // The table stops at 2 GB, the most a 32-bit system reported; a larger memory shows its
    // own size instead of a wrong "2048".
    if (mb / 100 > 20) return std::to_string(mb);
    return "2048";
}

}  // namespace zm::ident
