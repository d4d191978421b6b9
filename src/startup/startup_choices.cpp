// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/startup_choices.h"

#include <algorithm>

#include "settings/settings.h"

namespace zm::app {

StartupChoiceActions StartUpTimerTick(StartupChoiceFlags& flags, TimerSetting& timer,
                                      int monitorReady, const settings::Settings& settings) {
    StartupChoiceActions actions;
    if (flags.activated != 1 || monitorReady != 1) return actions;
    if (flags.skipNextTick) {
        flags.skipNextTick = 0;
        return actions;
    }
    if (settings.HideAtBoot() && flags.monitorStarted == 0) actions.hideMainWindow = true;
    timer.enabled = false;
    if (flags.monitorStarted == 1) actions.startMonitorHidden = true;
    if (settings.MonitorInTray() && flags.monitorStarted == 0) {
        timer.intervalMs = 1200;
        timer.enabled = true;
        flags.monitorStarted = 1;
    }
    flags.skipNextTick = 1;
    return actions;
}

int GaugeIconNumber(int averageUsage) {
    const int u = std::clamp(averageUsage, 0, 100);
    return std::clamp(static_cast<int>(u * 0.23000138 + 1), 1, kGaugeIcons);
}

}  // namespace zm::app
