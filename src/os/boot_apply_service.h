// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The system service that writes a user's stored timing set at boot (Linux): the program runs
// as root there, before anyone logs on, which an autostart entry in the user's session cannot
// give. One template unit serves every user; its instance is the settings file's path, escaped
// as systemd escapes paths, so enabling it names the file it reads.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "os/desktop_services.h"

namespace zm::os {

class BootApplyService {
public:
    virtual ~BootApplyService() = default;
    // Makes the service run at every boot for this settings file; false when that could not be
    // done (no right to, the unit not installed).
    virtual bool Enable(const std::filesystem::path& settingsFile) = 0;
    // Stops it running at boot; a service that was not enabled is no error.
    virtual bool Disable(const std::filesystem::path& settingsFile) = 0;
};

// A path as `systemd-escape --path` writes it: the path simplified (duplicate and trailing
// slashes, "." components dropped), the leading slash dropped, "/" turned into "-", and every
// byte other than letters, digits, ':', '_' and a '.' that does not start the name written as
// "\xNN". "/" alone is "-".
std::string SystemdEscapePath(const std::filesystem::path& path);

// "zentrimo-apply@<escaped absolute path>.service".
std::string BootApplyUnit(const std::filesystem::path& settingsFile);

// systemd refuses a unit name longer than this.
constexpr std::size_t kMaxUnitName = 255;

// Why `path` is not in the one form a boot service's settings file is named in, or "": absolute,
// no NUL byte, no empty ("//"), "." or ".." component, no trailing slash, and short enough for
// the unit name. In that form the path is exactly the file the kernel opens (no ".." to resolve
// after a link) and exactly what the unit name says.
std::string CheckSettingsPathForm(const std::string& path);

#ifndef _WIN32
// How a path is opened without symbolic links: openat2(RESOLVE_NO_SYMLINKS), which falls back
// to the walk where the kernel lacks it, or the walk itself (one component at a time from "/",
// each folder opened O_NOFOLLOW|O_DIRECTORY).
enum class LinkFreeOpen { Openat2, Walk };

// What the boot service may know of a settings file before it acts on it.
struct SettingsFileStatus {
    std::string why;       // empty: found as below
    bool missing = false;  // no such file (or folder on the way to it)
    std::uint32_t uid = 0;
    std::uint32_t gid = 0;
    bool writableByOthers = false;  // group or others may write it
};

// Checks the path's form, then opens it once (O_PATH: a FIFO or device is not opened for
// reading) resolving no symbolic link in any component, and reports the owner and mode of a
// regular file with no second name (hard link) from that descriptor. A folder of the path that
// was swapped for a link, a link as the file, a FIFO or a device, a hard link: `why` says so.
SettingsFileStatus InspectSettingsFile(const std::string& path,
                                       LinkFreeOpen how = LinkFreeOpen::Openat2);
#endif

// `systemctl enable|disable <unit>`. Run by the user, systemctl asks systemd, which asks polkit
// for the administrator's password (org.freedesktop.systemd1.manage-unit-files).
class SystemctlBootApplyService final : public BootApplyService {
public:
    explicit SystemctlBootApplyService(CommandRunner run) : run_(std::move(run)) {}
    bool Enable(const std::filesystem::path& settingsFile) override;
    bool Disable(const std::filesystem::path& settingsFile) override;

private:
    CommandRunner run_;
};

// The host's: systemctl on Linux; none on Windows, where the Startup-folder shortcut stays.
std::unique_ptr<BootApplyService> MakeHostBootApplyService();

}  // namespace zm::os
