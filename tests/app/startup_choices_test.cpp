// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up timer's boot-time choices and the usage gauge.
#include "startup/startup_choices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/settings.h"

namespace zm::app {
namespace {

class StartupChoices : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = std::filesystem::temp_directory_path() /
                ("zm_choices_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini");
        std::filesystem::remove(path_);
    }
    void TearDown() override { std::filesystem::remove(path_); }
    void Write(const std::string& text) { std::ofstream(path_) << text; }

    struct Tick {
        bool hide, monitor, enabled;
        int interval;
    };
    // Runs ticks with the window activated and the monitor ready.
    std::vector<Tick> Run(int ticks) {
        settings::Settings file(path_);
        std::vector<Tick> out;
        for (int i = 0; i < ticks && timer_.enabled; ++i) {
            const StartupChoiceActions a = StartUpTimerTick(flags_, timer_, 1, file);
            out.push_back(
                {a.hideMainWindow, a.startMonitorHidden, timer_.enabled, timer_.intervalMs});
        }
        return out;
    }

    std::filesystem::path path_;
    StartupChoiceFlags flags_{1, 0, 0};
    TimerSetting timer_;
};

TEST_F(StartupChoices, WaitsForActivationAndTheMonitorsFirstPass) {
    settings::Settings file(path_);
    StartupChoiceFlags notActivated;
    EXPECT_FALSE(StartUpTimerTick(notActivated, timer_, 1, file).hideMainWindow);
    EXPECT_TRUE(timer_.enabled);
    EXPECT_FALSE(StartUpTimerTick(flags_, timer_, 0, file).hideMainWindow);
    EXPECT_TRUE(timer_.enabled);
}

TEST_F(StartupChoices, NoSettingsFileTurnsTheTimerOffAndKeepsTheWindow) {
    const auto ticks = Run(10);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_FALSE(ticks[0].hide);
    EXPECT_FALSE(ticks[0].monitor);
    EXPECT_FALSE(ticks[0].enabled);
}

TEST_F(StartupChoices, EitherBootSwitchHidesTheWindow) {
    for (const char* key : {"ST", "AN"}) {
        SCOPED_TRACE(key);
        Write(std::string("[HL]\n") + key + "=1\n");
        flags_ = {1, 0, 0};
        timer_ = {};
        const auto ticks = Run(10);
        ASSERT_EQ(ticks.size(), 1u);
        EXPECT_TRUE(ticks[0].hide);
        EXPECT_FALSE(ticks[0].monitor);
    }
    Write("[HL]\nST=yes\nAN=0\n");  // only the text "1" counts
    flags_ = {1, 0, 0};
    timer_ = {};
    EXPECT_FALSE(Run(1)[0].hide);
}

TEST_F(StartupChoices, MonitorStartsHiddenTwoSlowTicksLater) {
    Write("[HL]\nST=1\nSTM=1\n");
    const auto ticks = Run(10);
    ASSERT_EQ(ticks.size(), 3u);
    // First tick: hide, then 1200 ms ticks.
    EXPECT_TRUE(ticks[0].hide);
    EXPECT_TRUE(ticks[0].enabled);
    EXPECT_EQ(ticks[0].interval, 1200);
    // One tick passes.
    EXPECT_FALSE(ticks[1].hide);
    EXPECT_FALSE(ticks[1].monitor);
    EXPECT_TRUE(ticks[1].enabled);
    // Then the Monitor starts, hidden, and the timer stays off.
    EXPECT_FALSE(ticks[2].hide);
    EXPECT_TRUE(ticks[2].monitor);
    EXPECT_FALSE(ticks[2].enabled);
}

TEST(Gauge, IconForUsage) {
    const std::pair<int, int> cases[] = {{0, 1},   {1, 1},    {4, 1},  {5, 2},   {50, 12},
                                         {99, 23}, {100, 24}, {-3, 1}, {250, 24}};
    for (auto [usage, icon] : cases) EXPECT_EQ(GaugeIconNumber(usage), icon) << usage;
}

}  // namespace
}  // namespace zm::app
