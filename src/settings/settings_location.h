// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the settings file lives. On Windows the program keeps ZM.ini in its own folder, as it
// always did. On Linux the program is installed where users cannot (and root should not) write,
// so the file goes into the user's configuration folder, unless a ZM.ini already stands beside
// the executable (a portable copy carried on a stick). A run on a simulated machine has a file
// of its own per profile, so that it never changes the boot switches or the stored timings of
// the real machine. --settings FILE overrides all of this.
//
// - real hardware, Windows: <exe folder>\ZM.ini;
// - real hardware, Linux: <exe folder>/ZM.ini if it exists, else $XDG_CONFIG_HOME/zentrimo/ZM.ini;
// - --machine NAME|FILE, Linux: $XDG_CONFIG_HOME/zentrimo/machines/N.ini;
// - --machine NAME|FILE, Windows: <exe folder>\simulated\N.ini;
// - --settings FILE: FILE.
// $XDG_CONFIG_HOME defaults to ~/.config; N is the profile's name (a file's name less ".json").

#include <filesystem>
#include <string>

namespace zm::settings {

enum class HostPlatform { Windows, Linux };

struct LocationInputs {
    HostPlatform platform = HostPlatform::Linux;
    std::filesystem::path executableFolder;
    bool zmIniBesideExecutable = false;  // a portable copy exists (checked by the caller)
    std::string xdgConfigHome;           // the environment's values, empty when unset
    std::string home;
    std::string machine;         // --machine value; empty on real hardware
    std::string settingsOption;  // --settings value; empty when not given
};

struct SettingsLocation {
    std::filesystem::path file;
    // The folder the first write may create (a default location only); empty for none.
    std::filesystem::path creatableFolder;
};

SettingsLocation ResolveSettingsLocation(const LocationInputs& inputs);

// The inputs of this process: its platform, the environment and the portable copy's presence.
LocationInputs HostLocationInputs(const std::filesystem::path& executableFolder,
                                  const std::string& machine, const std::string& settingsOption);

}  // namespace zm::settings
