// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/startup_launch.h"

namespace zm::settings {
namespace {

// A --machine value names a file when it holds a path separator or ends in ".json"; otherwise
// it is the name of a shipped profile.
bool NamesProfileFile(const std::string& machine) {
    return machine.find_first_of("/\\") != std::string::npos ||
           std::filesystem::path(machine).extension() == ".json";
}

std::string Absolute(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return (error ? path : absolute).lexically_normal().string();
}

}  // namespace

std::filesystem::path AutostartTarget(const std::filesystem::path& programFolder) {
#ifdef _WIN32
    return programFolder / "Zentrimo.exe";
#else
    return programFolder / "zentrimo";
#endif
}

os::LaunchCommand StartupLaunchCommand(const std::filesystem::path& programFolder,
                                       const std::string& machine,
                                       const std::filesystem::path& settingsFile,
                                       const std::filesystem::path& defaultSettingsFile) {
    os::LaunchCommand command;
    command.target = AutostartTarget(programFolder);
    command.workingDirectory = programFolder;
    if (!machine.empty()) {
        command.arguments.push_back("--machine");
        command.arguments.push_back(NamesProfileFile(machine) ? Absolute(machine) : machine);
    }
    if (!settingsFile.empty() && Absolute(settingsFile) != Absolute(defaultSettingsFile)) {
        command.arguments.push_back("--settings");
        command.arguments.push_back(Absolute(settingsFile));
    }
    return command;
}

}  // namespace zm::settings
