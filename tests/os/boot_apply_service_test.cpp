// SPDX-License-Identifier: GPL-3.0-or-later
#include "os/boot_apply_service.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace zm::os {
namespace {

// The expected names are what `systemd-escape --path` prints for the same paths.
TEST(BootApplyService, PathsEscapeAsSystemdEscapesThem) {
    const struct {
        const char* path;
        const char* escaped;
    } cases[] = {
        {"/home/alice/.config/zentrimo/ZM.ini", "home-alice-.config-zentrimo-ZM.ini"},
        {"//home//bob/./my-dir/ZM.ini/", "home-bob-my\\x2ddir-ZM.ini"},
        {"/tmp/a b/.hidden/Z\xc3\xa9.ini", "tmp-a\\x20b-.hidden-Z\\xc3\\xa9.ini"},
        {"/.zm/ZM.ini", "\\x2ezm-ZM.ini"},
        {"/", "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(SystemdEscapePath(c.path), c.escaped);
    }
}

TEST(BootApplyService, SystemctlEnablesAndDisablesTheFilesInstance) {
    std::vector<std::vector<std::string>> commands;
    int status = 0;
    SystemctlBootApplyService service([&](const std::vector<std::string>& argv) {
        commands.push_back(argv);
        return status;
    });
    const std::string unit = "zentrimo-apply@home-alice-ZM.ini.service";
    EXPECT_TRUE(service.Enable("/home/alice/ZM.ini"));
    EXPECT_TRUE(service.Disable("/home/alice/ZM.ini"));
    status = 1;  // refused: not authorised, or no such unit
    EXPECT_FALSE(service.Enable("/home/alice/ZM.ini"));
    EXPECT_EQ(commands, (std::vector<std::vector<std::string>>{{"systemctl", "enable", unit},
                                                               {"systemctl", "disable", unit},
                                                               {"systemctl", "enable", unit}}));
}

}  // namespace
}  // namespace zm::os

namespace zm::os {
namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Every path the helper's form check lets through is named as systemd names it: the unit the
// helper enables is the one the boot run's %f gives back.
TEST(BootApplyService, AcceptedPathsAgreeWithSystemdEscape) {
    if (std::system("command -v systemd-escape >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "systemd-escape is not installed";
    for (const std::string path :
         {"/home/alice/.config/zentrimo/ZM.ini", "/tmp/a b/my-dir/Z\xc3\xa9.ini", "/.zm/x:y_z.ini",
          "/home/u/back\\slash/it's.ini", "/a/-dash/.dot./~t.ini", "/x"}) {
        SCOPED_TRACE(path);
        ASSERT_EQ(CheckSettingsPathForm(path), "");
        std::FILE* pipe = ::popen(("systemd-escape --path -- " + Quoted(path)).c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string escaped;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) escaped += buffer;
        ASSERT_EQ(::pclose(pipe), 0);
        if (!escaped.empty() && escaped.back() == '\n') escaped.pop_back();
        EXPECT_EQ(BootApplyUnit(path), "zentrimo-apply@" + escaped + ".service");
    }
}

// Both ways of opening without links find the plain file and refuse a link in any place.
TEST(BootApplyService, NoLinkIsFollowedByEitherWayOfOpening) {
    const zm::testing::ScratchFolder dir("zm-no-link");
    std::filesystem::create_directories(dir / "real");
    std::ofstream(dir / "real" / "ZM.ini") << "\n";
    std::filesystem::create_directory_symlink(dir / "real", dir / "mid");
    std::filesystem::create_symlink(dir / "real" / "ZM.ini", dir / "real" / "link.ini");
    for (LinkFreeOpen how : {LinkFreeOpen::Openat2, LinkFreeOpen::Walk}) {
        SCOPED_TRACE(how == LinkFreeOpen::Walk ? "walk" : "openat2");
        const SettingsFileStatus plain = InspectSettingsFile(dir.string() + "/real/ZM.ini", how);
        EXPECT_EQ(plain.why, "");
        EXPECT_EQ(plain.uid, ::getuid());
        for (const char* linked : {"/mid/ZM.ini", "/real/link.ini"}) {
            const SettingsFileStatus status = InspectSettingsFile(dir.string() + linked, how);
            EXPECT_NE(status.why.find("symbolic link"), std::string::npos) << linked;
            EXPECT_FALSE(status.missing);
        }
        EXPECT_TRUE(InspectSettingsFile(dir.string() + "/real/none.ini", how).missing);
    }
}

}  // namespace
}  // namespace zm::os
