// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The time-stamp rate of one measuring pass. Six readings of the counter, each paired with the
// millisecond tick count, give five rates over about half a second each. The tick count is
// coarse, so a rate is only kept when it agrees with the interval before it (within 100 MHz)
// and is plausible for a processor (500..8000 MHz); the mean of two to four kept rates becomes
// the new rate, otherwise the previous one stays.

#include <array>
#include <cstdint>
#include <optional>

namespace zm::cpu {

constexpr int kTscReadings = 6;
constexpr int kTscRates = kTscReadings - 1;
constexpr int kTscSlots = kTscRates - 1;

struct TscReading {
    double counter = 0;    // the 64-bit counter as a double
    std::uint32_t ms = 0;  // tick count taken right after the counter
    bool valid = false;    // false when the counter read failed
};

// Rates in MHz; an empty entry where a reading failed or no time passed.
using TscRates = std::array<std::optional<double>, kTscRates>;

struct TscFilterResult {
    std::array<double, kTscSlots> kept{1.0, 1.0, 1.0, 1.0};  // the accepted-sample slots
    unsigned mask = 0;                                       // bit i set: slot i accepted
    int Accepted() const;
    // The mean of the accepted slots when two to four were kept.
    std::optional<double> Mean() const;
};

// r(i) = (counter(i+1) - counter(i)) / (ms(i+1) - ms(i)) x 0.001, the millisecond difference
// taken as an unsigned 32-bit number so that a tick-count wrap does no harm.
TscRates RatesOf(const std::array<TscReading, kTscReadings>& readings);

// Slot i takes r(i+1) when r(i) - 100 <= r(i+1) <= r(i) + 100 and 500 < r(i+1) < 8000.
TscFilterResult FilterRates(const TscRates& rates);

// The pass as a whole: the new accepted rate, or `previous` when fewer than two rates agree.
double NextTscMhz(double previous, const std::array<TscReading, kTscReadings>& readings);

}  // namespace zm::cpu
