// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/tsc_rate.h"

#include <bit>
#include <cmath>

namespace zm::cpu {
namespace {

constexpr double kMaxJumpMhz = 100.0;
constexpr double kMinPlausibleMhz = 500.0;
constexpr double kMaxPlausibleMhz = 8000.0;

}  // namespace

int TscFilterResult::Accepted() const {
    return std::popcount(mask);
}

std::optional<double> TscFilterResult::Mean() const {
    const int accepted = Accepted();
    if (accepted < 2) return std::nullopt;
    double sum = 0;
    for (int i = 0; i < kTscSlots; ++i) {
        if (mask & (1u << i)) sum += kept[i];
    }
    return sum / accepted;
}

TscRates RatesOf(const std::array<TscReading, kTscReadings>& readings) {
    TscRates rates;
    for (int i = 0; i < kTscRates; ++i) {
        const TscReading& a = readings[i];
        const TscReading& b = readings[i + 1];
        const std::uint32_t ms = b.ms - a.ms;
        if (!a.valid || !b.valid || ms == 0) continue;
        const double rate = (b.counter - a.counter) / ms * 0.001;
        if (std::isfinite(rate)) rates[i] = rate;
    }
    return rates;
}

TscFilterResult FilterRates(const TscRates& rates) {
    TscFilterResult result;
    for (int i = 0; i < kTscSlots; ++i) {
        if (!rates[i] || !rates[i + 1]) continue;
        const double before = *rates[i];
        const double rate = *rates[i + 1];
        const bool steady = before - kMaxJumpMhz <= rate && rate <= before + kMaxJumpMhz;
        const bool plausible = kMinPlausibleMhz < rate && rate < kMaxPlausibleMhz;
        if (steady && plausible) {
            result.kept[i] = rate;
            result.mask |= 1u << i;
        }
    }
    return result;
}

double NextTscMhz(double previous, const std::array<TscReading, kTscReadings>& readings) {
    return FilterRates(RatesOf(readings)).Mean().value_or(previous);
}

}  // namespace zm::cpu
