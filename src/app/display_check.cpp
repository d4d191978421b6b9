// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/display_check.h"

#include <cstdlib>
#include <string_view>

namespace zm::app {
namespace {

#if !defined(_WIN32) && !defined(__APPLE__)
bool Usable(std::string_view platform, bool x11, bool wayland) {
    platform = platform.substr(0, platform.find(':'));  // "vnc:size=800x600"
    if (platform.empty()) return false;
    if (platform == "xcb") return x11;
    if (platform.substr(0, 7) == "wayland") return wayland;  // also "wayland-egl"
    return true;
}
#endif

}  // namespace

bool DisplayAvailable(const std::function<std::string(const char*)>& environment) {
#if defined(_WIN32) || defined(__APPLE__)
    (void)environment;
    return true;
#else
    const bool x11 = !environment("DISPLAY").empty();
    const bool wayland = !environment("WAYLAND_DISPLAY").empty();
    const std::string platforms = environment("QT_QPA_PLATFORM");
    if (platforms.empty()) return x11 || wayland;
    std::string_view rest = platforms;
    for (;;) {
        const std::size_t end = rest.find(';');
        if (Usable(rest.substr(0, end), x11, wayland)) return true;
        if (end == std::string_view::npos) return false;
        rest.remove_prefix(end + 1);
    }
#endif
}

bool DisplayAvailable() {
    return DisplayAvailable([](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    });
}

}  // namespace zm::app
