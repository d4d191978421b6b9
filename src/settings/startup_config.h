// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The StartUp configuration: the three boot switches of section "HL" and what the window's Apply
// writes, in its fixed order, into the settings file and the autostart entry.
//
//   AN   apply the stored timing set at start and start with the main window hidden
//   ST   start with the main window hidden in the notification area
//   STM  when started there, start the Monitor's sampling too
//
// Nothing here deletes a key: an unticked switch is written "0", and a stored timing set stays
// in the file when "AN" goes to "0" (it is simply not read at start).

#include <functional>
#include <string_view>

#include "os/autostart_entry.h"
#include "settings/settings.h"

namespace zm::settings {

struct BootSwitches {
    bool applyTimings = false;   // AN, applyTimingsBox
    bool startInTray = false;    // ST, startInTrayBox
    bool monitorInTray = false;  // STM, startMonitorBox
};

// Each switch is set exactly when its key holds "1".
BootSwitches ReadBootSwitches(const Settings& file);

struct StartupApplyHooks {
    // Asked before "AN" = "1" and the timing set are written; false (Cancel) or no question at
    // all writes neither.
    std::function<bool()> confirm;
    // Writes "AN" = "1" and the current timing set of the controller the program found. Empty
    // when no controller kind matched: then neither is written.
    std::function<void(Settings&)> writeTimingSet;
    // Linux on real hardware: the boot service writes the set, as root, instead of a start in
    // the user's session (which may not write a register). Called with true after the set was
    // written, with false when "AN" is unticked. Empty (Windows, a simulated machine): the
    // autostart entry starts the program for AN as well.
    std::function<bool(bool enable)> bootService;
};

struct StartupApplyOutcome {
    // The boot service could not be enabled (not installed, refused): the autostart entry was
    // made instead, so the set is written when the user logs on.
    bool bootServiceFailed = false;
};

inline constexpr std::string_view kBootServiceFailedText =
    "The boot service that applies the stored timings could not be switched on; they will be "
    "applied when you log on instead.";

// Apply: "0" for every unticked switch (AN, ST, STM in that order); the entry removed when
// neither AN nor ST is ticked; after confirmation "AN" = "1" with the timing set; "1" for ST and
// STM when ticked; then the entry created when AN or ST is ticked (an existing one is replaced).
// With a boot service the entry follows ST alone: the service is disabled right after an
// unticked AN is written, and enabled right after the confirmed set; a service that cannot be
// enabled gets the entry instead, and the outcome says so. Other failures are not reported:
// what was written stays.
StartupApplyOutcome ApplyStartupConfiguration(Settings& file, const BootSwitches& boxes,
                                              os::AutostartEntry& autostart,
                                              const os::LaunchCommand& launch,
                                              const StartupApplyHooks& hooks);

}  // namespace zm::settings
