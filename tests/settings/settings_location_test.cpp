// SPDX-License-Identifier: GPL-3.0-or-later
// Where each kind of run keeps its settings, on each platform.
#include "settings/settings_location.h"

#include <gtest/gtest.h>

namespace zm::settings {
namespace {

struct Case {
    const char* name;
    HostPlatform platform;
    bool portableCopy;
    const char* xdg;
    const char* home;
    const char* machine;
    const char* option;
    const char* file;
    const char* creatable;
};

constexpr auto W = HostPlatform::Windows;
constexpr auto L = HostPlatform::Linux;

const Case kCases[] = {
    {"windows beside the exe", W, false, "", "", "", "", "/opt/z/ZM.ini", ""},
    {"windows simulated", W, false, "", "", "x58-bloomfield", "",
     "/opt/z/simulated/x58-bloomfield.ini", "/opt/z/simulated"},
    {"linux default", L, false, "", "/home/u", "", "", "/home/u/.config/zentrimo/ZM.ini",
     "/home/u/.config/zentrimo"},
    {"linux xdg", L, false, "/x/cfg", "/home/u", "", "", "/x/cfg/zentrimo/ZM.ini",
     "/x/cfg/zentrimo"},
    {"linux relative xdg ignored", L, false, "cfg", "/home/u", "", "",
     "/home/u/.config/zentrimo/ZM.ini", "/home/u/.config/zentrimo"},
    {"linux portable copy", L, true, "/x/cfg", "/home/u", "", "", "/opt/z/ZM.ini", ""},
    {"linux no home", L, false, "", "", "", "", "/opt/z/ZM.ini", ""},
    {"linux simulated by name", L, true, "", "/home/u", "p55-lynnfield", "",
     "/home/u/.config/zentrimo/machines/p55-lynnfield.ini", "/home/u/.config/zentrimo/machines"},
    {"linux simulated by file", L, false, "/x/cfg", "", "/tmp/mine.json", "",
     "/x/cfg/zentrimo/machines/mine.ini", "/x/cfg/zentrimo/machines"},
    {"option wins", L, true, "/x/cfg", "/home/u", "x58-bloomfield", "/tmp/s.ini", "/tmp/s.ini", ""},
};

TEST(SettingsLocation, EachRunKindResolvesToItsFile) {
    for (const Case& c : kCases) {
        LocationInputs in;
        in.platform = c.platform;
        in.executableFolder = "/opt/z";
        in.zmIniBesideExecutable = c.portableCopy;
        in.xdgConfigHome = c.xdg;
        in.home = c.home;
        in.machine = c.machine;
        in.settingsOption = c.option;
        const SettingsLocation location = ResolveSettingsLocation(in);
        EXPECT_EQ(location.file, std::filesystem::path(c.file)) << c.name;
        EXPECT_EQ(location.creatableFolder, std::filesystem::path(c.creatable)) << c.name;
    }
}

// The boot switches and stored timings of the real machine must never come from, or go to, a
// simulated session, wherever the real machine's file is.
TEST(SettingsLocation, SimulatedAndRealSessionsUseDifferentFiles) {
    for (HostPlatform platform : {W, L}) {
        for (bool portable : {false, true}) {
            LocationInputs in{platform, "/opt/z", portable, "", "/home/u", "", ""};
            const auto real = ResolveSettingsLocation(in).file;
            in.machine = "x58-bloomfield";
            EXPECT_NE(ResolveSettingsLocation(in).file, real);
        }
    }
}

}  // namespace
}  // namespace zm::settings
