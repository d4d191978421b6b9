// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the windows can open, from the environment the windowing toolkit looks at.
#include "app/display_check.h"

#include <gtest/gtest.h>

#include <map>

namespace zm::app {
namespace {

TEST(DisplayCheck, NeedsAServerUnlessThePlatformNeedsNone) {
    struct Case {
        std::map<std::string, std::string> env;
        bool available;
    };
    const Case cases[] = {
        {{}, false},
        {{{"DISPLAY", ":0"}}, true},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, true},
        {{{"QT_QPA_PLATFORM", "vnc:size=800x600"}}, true},
        {{{"QT_QPA_PLATFORM", "xcb"}}, false},
        {{{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, false},
        {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":1"}}, true},
        {{{"QT_QPA_PLATFORM", "wayland-egl"}}, false},
    };
    for (const Case& c : cases) {
        std::string described;
        for (const auto& [name, value] : c.env) described += name + "=" + value + " ";
        const bool available = DisplayAvailable([&](const char* name) {
            const auto it = c.env.find(name);
            return it == c.env.end() ? std::string() : it->second;
        });
        EXPECT_EQ(available, c.available) << described;
    }
}

}  // namespace
}  // namespace zm::app
