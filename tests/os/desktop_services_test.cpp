// SPDX-License-Identifier: GPL-3.0-or-later
// The restart boundary: the Linux session asks systemd, and a failure to do so is reported;
// a simulated machine never restarts the host. Nothing here restarts anything.

#include "os/desktop_services.h"

#include <gtest/gtest.h>

namespace zm::os {
namespace {

TEST(DesktopServices, LinuxRebootRunsSystemctlAndReportsItsStatus) {
    for (const int status : {0, 1, -1}) {
        std::vector<std::vector<std::string>> ran;
        LinuxDesktopServices desktop([&](const std::vector<std::string>& argv) {
            ran.push_back(argv);
            return status;
        });
        EXPECT_EQ(desktop.Reboot(), status == 0);
        ASSERT_EQ(ran.size(), 1u);
        EXPECT_EQ(ran[0], (std::vector<std::string>{"systemctl", "reboot"}));
    }
}

TEST(DesktopServices, RunCommandGivesTheExitStatusOrMinusOne) {
    EXPECT_EQ(RunCommand({"true"}), 0);
    EXPECT_EQ(RunCommand({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(RunCommand({"zentrimo-no-such-command"}), -1);
    EXPECT_EQ(RunCommand({}), -1);
}

TEST(DesktopServices, SimulatedMachineOnlyCountsTheRequest) {
    SimulatedDesktopServices desktop;
    EXPECT_TRUE(desktop.Reboot());
    EXPECT_EQ(desktop.Reboots(), 1);
}

}  // namespace
}  // namespace zm::os
