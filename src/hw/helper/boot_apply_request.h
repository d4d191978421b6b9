#pragma once
// The helper's one action besides the hardware: switching the boot service that writes a user's
// stored timings (zentrimo-apply@<settings file>.service). That service runs the program as root
// at every boot on the file it names, so the helper enables it only for a file the user who
// started the helper owns; disabling touches nothing but the unit of that name.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "os/boot_apply_service.h"

namespace zm::hw::helper {

class HelperClient;

// Why the boot service may not name this settings file, or "" when it may.
using SettingsFileCheck = std::function<std::string(const std::string& path)>;

// The helper's check: an absolute path to a regular file, not a symbolic link, owned by `owner`
// (the user pkexec started the helper for) and writable by nobody else.
std::string CheckOwnSettingsFile(const std::string& path, uid_t owner);

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
