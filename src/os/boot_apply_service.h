#pragma once
// The system service that writes a user's stored timing set at boot (Linux): the program runs
// as root there, before anyone logs on, which an autostart entry in the user's session cannot
// give. One template unit serves every user; its instance is the settings file's path, escaped
// as systemd escapes paths, so enabling it names the file it reads.

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
