#include "os/boot_apply_service.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
