// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The boot-time choices the StartUp configuration stored, carried out once the program runs
// (the main window's start-up timer), and the usage gauge of the notification-area icon.

#include <string>

namespace zm::settings {
class Settings;
}

namespace zm::app {

// Process-wide flags of the start-up timer, all 0 at start.
struct StartupChoiceFlags {
    int activated = 0;  // the main window was activated once
    int skipNextTick = 0;
    int monitorStarted = 0;  // the Monitor's start is under way
};

// The timer as the tick leaves it.
struct TimerSetting {
    bool enabled = true;
    int intervalMs = 100;
};

struct StartupChoiceActions {
    bool hideMainWindow = false;      // to the notification area
    bool startMonitorHidden = false;  // Monitor button, then the Monitor's Minimize
};

// One tick of the start-up timer. Does nothing until the window was activated and the
// monitoring thread finished its first pass. HideAtBoot hides the main window; MonitorInTray
// starts the Monitor hidden two ticks of 1200 ms later. The timer ends switched
// off. With no settings file the first effective tick just switches it off.
StartupChoiceActions StartUpTimerTick(StartupChoiceFlags& flags, TimerSetting& timer,
                                      int monitorReady, const settings::Settings& settings);

// The gauge icon (1..24) for the processor usage in percent: 1 below 5 %, 24 at 100 %. Values
// outside 0..100 are held to the icons that exist.
int GaugeIconNumber(int averageUsage);
inline constexpr int kGaugeIcons = 24;

}  // namespace zm::app
