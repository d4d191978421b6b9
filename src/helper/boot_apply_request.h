// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The helper's one action besides the hardware: switching the boot service that writes a user's
// stored timings (zentrimo-apply@<settings file>.service). That service runs the program as root
// at every boot on the file it names, so the helper enables it only for a file the user who
// started the helper owns, and disables it only for such a file too: one user cannot switch off
// another's.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "os/boot_apply_service.h"

namespace zm::hw::helper {

class HelperClient;

// Why the boot service may not be switched on (enable) or off for this settings file, or "".
using SettingsFileCheck = std::function<std::string(const std::string& path, bool enable)>;

// The helper's check: a path in the one form the unit names (os::CheckSettingsPathForm), opened
// once with no symbolic link in any component, to a regular file owned by `owner` (the user
// pkexec started the helper for). Enabling also needs a file nobody else may write: the boot
// run applies what it holds. The unit name is then made from exactly the string checked.
std::string CheckOwnSettingsFile(const std::string& path, uid_t owner, bool enable = true);

// The window's side: the switch goes to the helper, which runs systemctl as root.
class HelperBootApplyService final : public os::BootApplyService {
public:
    explicit HelperBootApplyService(std::shared_ptr<HelperClient> client)
        : client_(std::move(client)) {}
    bool Enable(const std::filesystem::path& settingsFile) override;
    bool Disable(const std::filesystem::path& settingsFile) override;

private:
    std::shared_ptr<HelperClient> client_;
};

}  // namespace zm::hw::helper
