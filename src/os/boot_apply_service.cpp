#include "os/boot_apply_service.h"

#include <cstdio>

namespace zm::os {

namespace {

bool Plain(unsigned char c, bool first) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    if (c == ':' || c == '_') return true;
    return c == '.' && !first;
}

}  // namespace

std::string SystemdEscapePath(const std::filesystem::path& path) {
    // Components without the empty and "." ones: "//a/./b/" is "a/b".
    std::string simplified;
    for (const auto& part : path.lexically_normal()) {
        const std::string text = part.string();
        if (text.empty() || text == "/" || text == ".") continue;
        if (!simplified.empty()) simplified += '/';
        simplified += text;
    }
    if (simplified.empty()) return "-";
    std::string escaped;
    for (std::size_t i = 0; i < simplified.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(simplified[i]);
        if (c == '/') {
            escaped += '-';
        } else if (Plain(c, i == 0)) {
            escaped += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            escaped += hex;
        }
    }
    return escaped;
}

std::string BootApplyUnit(const std::filesystem::path& settingsFile) {
    return "zentrimo-apply@" + SystemdEscapePath(std::filesystem::absolute(settingsFile)) +
           ".service";
}

bool SystemctlBootApplyService::Enable(const std::filesystem::path& settingsFile) {
    return run_ && run_({"systemctl", "enable", BootApplyUnit(settingsFile)}) == 0;
}

bool SystemctlBootApplyService::Disable(const std::filesystem::path& settingsFile) {
    return run_ && run_({"systemctl", "disable", BootApplyUnit(settingsFile)}) == 0;
}

std::unique_ptr<BootApplyService> MakeHostBootApplyService() {
#ifdef _WIN32
    return nullptr;
#else
    return std::make_unique<SystemctlBootApplyService>(&RunCommand);
#endif
}

}  // namespace zm::os
