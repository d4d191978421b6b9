// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/boot_apply_request.h"

#include "helper/helper_client.h"

namespace zm::hw::helper {

std::string CheckOwnSettingsFile(const std::string& path, uid_t owner, bool enable) {
    const os::SettingsFileStatus file = os::InspectSettingsFile(path);
    if (!file.why.empty()) return file.why;
    if (file.uid != owner) return "the settings file belongs to another user";
    if (enable && file.writableByOthers) return "others may write the settings file";
    return "";
}

namespace {

// The helper takes only the normal form ("a/./b", "a//b" and "a/../b" are refused, not
// resolved there).
std::string NormalForm(const std::filesystem::path& settingsFile) {
    return std::filesystem::absolute(settingsFile).lexically_normal().string();
}

}  // namespace

bool HelperBootApplyService::Enable(const std::filesystem::path& settingsFile) {
    return client_ && client_->SetBootApply(true, NormalForm(settingsFile));
}

bool HelperBootApplyService::Disable(const std::filesystem::path& settingsFile) {
    return client_ && client_->SetBootApply(false, NormalForm(settingsFile));
}

}  // namespace zm::hw::helper
