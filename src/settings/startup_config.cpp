// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/startup_config.h"

namespace zm::settings {

BootSwitches ReadBootSwitches(const Settings& file) {
    return {file.ApplyStoredAtStart(), file.StartInTray(), file.MonitorInTray()};
}

StartupApplyOutcome ApplyStartupConfiguration(Settings& file, const BootSwitches& boxes,
                                              os::AutostartEntry& autostart,
                                              const os::LaunchCommand& launch,
                                              const StartupApplyHooks& hooks) {
    if (!boxes.applyTimings) file.SetApplyStoredAtStart(false);
    if (!boxes.startInTray) file.SetStartInTray(false);
    if (!boxes.monitorInTray) file.SetMonitorInTray(false);

    // With a boot service the session's entry is there only to start in the notification area.
    const bool service = static_cast<bool>(hooks.bootService);
    bool entryNeeded = boxes.startInTray || (boxes.applyTimings && !service);
    StartupApplyOutcome outcome;
    if (service && !boxes.applyTimings) hooks.bootService(false);

    // Nothing left to do at log-on: the entry goes.
    if (!entryNeeded) autostart.Remove();

    // On Cancel "AN" keeps whatever the file held.
    if (boxes.applyTimings && hooks.confirm && hooks.confirm() && hooks.writeTimingSet) {
        hooks.writeTimingSet(file);
        if (service && !hooks.bootService(true)) {
            outcome.bootServiceFailed = true;
            entryNeeded = true;
        }
    }

    if (boxes.startInTray) file.SetStartInTray(true);
    if (boxes.monitorInTray) file.SetMonitorInTray(true);

    if (entryNeeded) autostart.Create(launch);
    return outcome;
}

}  // namespace zm::settings
