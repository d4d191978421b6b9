// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_location.h"

#include <cstdlib>

namespace zm::settings {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFileName = "ZM.ini";

// A shipped profile's name, or a profile file's name without its folder and ".json".
std::string ProfileName(const std::string& machine) {
    std::string name = fs::path(machine).stem().string();
    return name.empty() ? "machine" : name;
}

// The user's configuration folder; empty when the environment names none. The base-directory
// convention ignores a relative $XDG_CONFIG_HOME.
fs::path ConfigHome(const LocationInputs& in) {
    if (!in.xdgConfigHome.empty() && fs::path(in.xdgConfigHome).is_absolute())
        return in.xdgConfigHome;
    if (!in.home.empty()) return fs::path(in.home) / ".config";
    return {};
}

SettingsLocation Creatable(fs::path file) {
    SettingsLocation location{std::move(file), {}};
    location.creatableFolder = location.file.parent_path();
    return location;
}

}  // namespace

SettingsLocation ResolveSettingsLocation(const LocationInputs& in) {
    if (!in.settingsOption.empty()) return {in.settingsOption, {}};
    const fs::path config = in.platform == HostPlatform::Linux ? ConfigHome(in) : fs::path();
    if (!in.machine.empty()) {
        const std::string file = ProfileName(in.machine) + ".ini";
        if (config.empty()) return Creatable(in.executableFolder / "simulated" / file);
        return Creatable(config / "zentrimo" / "machines" / file);
    }
    if (in.platform == HostPlatform::Windows || in.zmIniBesideExecutable || config.empty())
        return {in.executableFolder / kFileName, {}};
    return Creatable(config / "zentrimo" / kFileName);
}

LocationInputs HostLocationInputs(const fs::path& executableFolder, const std::string& machine,
                                  const std::string& settingsOption) {
    LocationInputs in;
#ifdef _WIN32
    in.platform = HostPlatform::Windows;
#else
    in.platform = HostPlatform::Linux;
#endif
    in.executableFolder = executableFolder;
    std::error_code error;
    in.zmIniBesideExecutable = fs::exists(executableFolder / kFileName, error);
    if (const char* value = std::getenv("XDG_CONFIG_HOME")) in.xdgConfigHome = value;
    if (const char* value = std::getenv("HOME")) in.home = value;
    in.machine = machine;
    in.settingsOption = settingsOption;
    return in;
}

}  // namespace zm::settings
