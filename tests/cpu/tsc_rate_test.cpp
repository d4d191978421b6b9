// SPDX-License-Identifier: GPL-3.0-or-later
// The rate filter of a measuring pass, on rates and on raw readings.
#include "cpu/tsc_rate.h"

#include <gtest/gtest.h>

#include <vector>

namespace zm::cpu {
namespace {

struct FilterCase {
    const char* name;
    TscRates rates;
    unsigned mask;
    std::optional<double> mean;
};

class FilterRatesTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterRatesTest, KeepsConsistentPlausibleRates) {
    const FilterCase& c = GetParam();
    const TscFilterResult result = FilterRates(c.rates);
    EXPECT_EQ(result.mask, c.mask);
    ASSERT_EQ(result.Mean().has_value(), c.mean.has_value());
    if (c.mean) {
        EXPECT_NEAR(*result.Mean(), *c.mean, 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rates, FilterRatesTest,
    ::testing::Values(
        FilterCase{"steady", {2666.1, 2666.4, 2665.9, 2666.0, 2666.3}, 0b1111, 2666.15},
        // 3100 jumps by more than 100: it and the rate after it are dropped.
        FilterCase{"jump", {2666, 3100, 2666, 2666, 2666}, 0b1100, 2666.0},
        FilterCase{"three kept", {2666, 2666, 2666, 2666, 3100}, 0b0111, 2666.0},
        FilterCase{"single kept", {2666, 2667, 3100, 9000, 9000}, 0b0001, std::nullopt},
        // A jump of exactly 100 still counts as consistent.
        FilterCase{"edges inclusive", {2000, 2100, 2000, 1900, 2000}, 0b1111, 2000.0},
        FilterCase{"below 500", {450, 450, 460, 455, 450}, 0, std::nullopt},
        FilterCase{"at 500 excluded", {500, 500, 500, 500, 500}, 0, std::nullopt},
        FilterCase{"8000 excluded", {8000, 8000, 8000, 7999.5, 7999.9}, 0b1100, 7999.7},
        FilterCase{"failed reading", {2666, std::nullopt, 2666, 2666, 2667}, 0b1100, 2666.5}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (ch == ' ') ch = '_';
        }
        return name;
    });

TscReading At(double counter, std::uint32_t ms) {
    return TscReading{counter, ms, true};
}

TEST(TscRates, RateIsCountsPerMillisecondInMhz) {
    const std::array<TscReading, kTscReadings> readings{
        At(1e9, 1000),          At(1e9 + 1333e6, 1500), At(1e9 + 2666e6, 2000),
        At(1e9 + 3999e6, 2500), At(1e9 + 5332e6, 3000), At(1e9 + 6665e6, 3500)};
    const TscRates rates = RatesOf(readings);
    for (const auto& rate : rates) {
        ASSERT_TRUE(rate.has_value());
        EXPECT_DOUBLE_EQ(*rate, 2666.0);
    }
    EXPECT_DOUBLE_EQ(NextTscMhz(0.0, readings), 2666.0);
}

TEST(TscRates, TickCountWrapStillGivesTheInterval) {
    std::array<TscReading, kTscReadings> readings;
    for (int i = 0; i < kTscReadings; ++i) {
        readings[i] = At(3000e3 * 500 * i, 0xFFFFFF00u + 500u * static_cast<unsigned>(i));
    }
    const TscRates rates = RatesOf(readings);
    for (const auto& rate : rates) EXPECT_DOUBLE_EQ(rate.value_or(-1), 3000.0);
}

TEST(TscRates, FailedReadOrNoElapsedTimeGivesNoRate) {
    std::array<TscReading, kTscReadings> readings;
    for (int i = 0; i < kTscReadings; ++i) readings[i] = At(2e9 * i, 1000u * i);
    readings[2].valid = false;        // rates 1 and 2 touch it
    readings[5].ms = readings[4].ms;  // no time between 4 and 5
    const TscRates rates = RatesOf(readings);
    EXPECT_TRUE(rates[0].has_value());
    EXPECT_FALSE(rates[1].has_value());
    EXPECT_FALSE(rates[2].has_value());
    EXPECT_TRUE(rates[3].has_value());
    EXPECT_FALSE(rates[4].has_value());
}

TEST(TscRates, FewerThanTwoKeptKeepsThePreviousRate) {
    std::array<TscReading, kTscReadings> readings;
    // Every interval differs wildly from the one before it.
    const std::vector<double> mhz{1000, 2000, 3000, 4000, 5000};
    double counter = 0;
    readings[0] = At(0, 0);
    for (int i = 0; i < kTscRates; ++i) {
        counter += mhz[i] * 500e3;
        readings[i + 1] = At(counter, 500u * (i + 1));
    }
    EXPECT_EQ(NextTscMhz(2933.5, readings), 2933.5);
    for (auto& r : readings) r.valid = false;
    EXPECT_EQ(NextTscMhz(2933.5, readings), 2933.5);
}

}  // namespace
}  // namespace zm::cpu
