// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entry that makes the desktop start the program when the user logs on. On Windows it is
// the shortcut "Zentrimo.exe.lnk" in the user's Startup folder; on Linux and other XDG
// desktops it is a .desktop file in the autostart folder. The entry only starts the program:
// what it does then is decided by the settings file.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zm::os {

// What the entry starts.
struct LaunchCommand {
    std::filesystem::path target;            // the executable
    std::filesystem::path workingDirectory;  // the program's folder
    std::vector<std::string> arguments;      // none on real hardware
};

class AutostartEntry {
public:
    virtual ~AutostartEntry() = default;
    // Creates the entry, replacing one that exists. False when it could not be written; an
    // entry that existed before is then left as it was.
    virtual bool Create(const LaunchCommand& command) = 0;
    // Removes the entry; an entry that does not exist is no error.
    virtual bool Remove() = 0;
    virtual bool Exists() const = 0;
};

// The XDG autostart folder: $XDG_CONFIG_HOME/autostart when that variable holds an absolute
// path, otherwise $HOME/.config/autostart; empty when neither is known.
std::filesystem::path XdgAutostartFolder();

// "zentrimo.desktop" in an autostart folder. The file is written whole to a temporary file that
// then replaces the old one, so a failed write never leaves half an entry.
class XdgAutostartEntry final : public AutostartEntry {
public:
    explicit XdgAutostartEntry(std::filesystem::path folder) : folder_(std::move(folder)) {}
    bool Create(const LaunchCommand& command) override;
    bool Remove() override;
    bool Exists() const override;
    std::filesystem::path File() const;

private:
    std::filesystem::path folder_;
};

// The Exec= value of a desktop entry starting `command`: each word quoted where the desktop
// entry rules ask for it, '%' doubled, backslashes escaped for the file. Empty when a word holds
// a control character, which no desktop entry can carry safely.
std::string DesktopExecLine(const LaunchCommand& command);

// The host's entry: the Startup-folder shortcut on Windows, the XDG autostart file elsewhere.
std::unique_ptr<AutostartEntry> HostAutostartEntry();

}  // namespace zm::os
