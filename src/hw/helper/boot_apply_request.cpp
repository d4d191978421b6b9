#include "hw/helper/boot_apply_request.h"

#include <sys/stat.h>

#include "hw/helper/helper_client.h"

namespace zm::hw::helper {

std::string CheckOwnSettingsFile(const std::string& path, uid_t owner) {
    if (path.empty() || path.front() != '/') return "the settings path is not absolute";
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "the settings file does not exist";
    if (S_ISLNK(st.st_mode)) return "the settings file is a symbolic link";
    if (!S_ISREG(st.st_mode)) return "the settings file is not a regular file";
    if (st.st_uid != owner) return "the settings file belongs to another user";
    if (st.st_mode & (S_IWGRP | S_IWOTH)) return "others may write the settings file";
    return "";
}

bool HelperBootApplyService::Enable(const std::filesystem::path& settingsFile) {
    return client_ && client_->SetBootApply(true, std::filesystem::absolute(settingsFile));
}

bool HelperBootApplyService::Disable(const std::filesystem::path& settingsFile) {
    return client_ && client_->SetBootApply(false, std::filesystem::absolute(settingsFile));
}

}  // namespace zm::hw::helper
