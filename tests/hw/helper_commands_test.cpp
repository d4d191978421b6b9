// SPDX-License-Identifier: GPL-3.0-or-later
// What the helper does as root besides serving the hardware: the kernel modules it loads, and
// the commands it runs kept away from the protocol's pipes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "helper/kernel_modules.h"
#include "os/desktop_services.h"
#include "support/scratch_folder.h"

namespace zm::hw {
namespace {

namespace fs = std::filesystem;

TEST(HelperModules, OnlyWhatIsMissingIsLoaded) {
    const zm::testing::ScratchFolder root("zm-modules");
    const LinuxHostPaths paths = LinuxHostPaths::Under(root.string());
    std::vector<std::string> commands;
    const os::CommandRunner run = [&](const std::vector<std::string>& argv) {
        std::string line;
        for (const std::string& word : argv) line += (line.empty() ? "" : " ") + word;
        commands.push_back(line);
        return argv.back() == "msr" ? 0 : 1;
    };
    EXPECT_EQ(helper::LoadMissingModules(paths, run),
              (std::vector<std::string>{"msr", "i2c-dev (failed)"}));
    EXPECT_EQ(commands, (std::vector<std::string>{"modprobe -q msr", "modprobe -q i2c-dev"}));

    fs::create_directories(root / "dev/cpu/0");
    std::ofstream(root / "dev/cpu/0/msr") << "";
    fs::create_directories(root / "sys/class/i2c-dev");
    commands.clear();
    EXPECT_TRUE(helper::LoadMissingModules(paths, run).empty());
    EXPECT_TRUE(commands.empty());
}

// The child reads nothing of the window's requests and writes nothing between the replies: with
// this process's standard output on a file of its own, the child's output lands elsewhere.
TEST(HelperModules, CommandsRunAwayFromTheProtocolPipes) {
    const std::string replies = ::testing::TempDir() + "zm-replies-" + std::to_string(::getpid());
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int file = ::open(replies.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    ::dup2(file, STDOUT_FILENO);
    const int code = os::RunCommandDetached(
        {"sh", "-c", "echo noise; [ \"$(readlink /proc/$$/fd/0)\" = /dev/null ]"});
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    ::close(file);
    EXPECT_EQ(code, 0) << "standard input is /dev/null";
    EXPECT_EQ(std::filesystem::file_size(replies), 0u) << "nothing on the reply pipe";
    std::filesystem::remove(replies);

    EXPECT_EQ(os::RunCommandDetached({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(os::RunCommandDetached({"/nonexistent/modprobe"}), -1);
}

}  // namespace
}  // namespace zm::hw
