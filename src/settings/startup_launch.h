// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the autostart entry starts: the program by its fixed name in its own folder, with its
// folder as working directory. On the real hardware it takes no argument. A run on a simulated
// machine is started again on that same machine (never on the real hardware, whose controller
// the stored set was not taken from), and a settings file other than the default one is named
// again, since the boot switches the entry exists for are in that file.

#include <filesystem>
#include <string>

#include "os/autostart_entry.h"

namespace zm::settings {

// The executable the entry names: a fixed name in the program's folder, whatever name the
// running file has ("Zentrimo.exe" on Windows, "zentrimo" elsewhere).
std::filesystem::path AutostartTarget(const std::filesystem::path& programFolder);

// `machine`: the --machine value (empty on real hardware); `settingsFile`: the file in use;
// `defaultSettingsFile`: ZM.ini beside the program. Profile files and the settings file are
// named by absolute path, because the entry starts in the program's folder.
os::LaunchCommand StartupLaunchCommand(const std::filesystem::path& programFolder,
                                       const std::string& machine,
                                       const std::filesystem::path& settingsFile,
                                       const std::filesystem::path& defaultSettingsFile);

}  // namespace zm::settings
