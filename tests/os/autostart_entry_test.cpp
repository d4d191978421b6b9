// SPDX-License-Identifier: GPL-3.0-or-later
// The XDG autostart entry: where it lands, what it starts, and that it is created, replaced and
// removed in a temporary configuration folder (never the user's own).
#include "os/autostart_entry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "support/scratch_folder.h"

namespace zm::os {
namespace {
namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class AutostartEntryTest : public ::testing::Test {
protected:
    zm::testing::ScratchFolder config_{"zm-autostart"};
};

TEST_F(AutostartEntryTest, FolderFollowsTheXdgRules) {
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", config_.string().c_str());
        EXPECT_EQ(XdgAutostartFolder(), config_ / "autostart");
    }
    {
        // A relative XDG_CONFIG_HOME is ignored, as the base-directory rules ask.
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/config");
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(XdgAutostartFolder(), fs::path("/home/someone/.config/autostart"));
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", nullptr);
        EXPECT_EQ(XdgAutostartFolder(), fs::path());
        XdgAutostartEntry nowhere(XdgAutostartFolder());
        EXPECT_FALSE(nowhere.Create({"/opt/zm/zentrimo", "/opt/zm", {}}));
    }
}

TEST_F(AutostartEntryTest, HostEntryIsCreatedReplacedAndRemovedInTheConfigFolder) {
    ScopedEnv xdg("XDG_CONFIG_HOME", config_.string().c_str());
    const std::unique_ptr<AutostartEntry> entry = HostAutostartEntry();
    const fs::path file = config_ / "autostart" / "zentrimo.desktop";
    EXPECT_FALSE(entry->Exists());
    EXPECT_TRUE(entry->Remove());  // nothing there yet is no error

    ASSERT_TRUE(entry->Create({"/opt/zm/zentrimo", "/opt/zm/", {}}));
    EXPECT_TRUE(entry->Exists());
    EXPECT_EQ(Contents(file),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Zentrimo\n"
              "Comment=Applies the stored memory timings at log-on\n"
              "Exec=/opt/zm/zentrimo\n"
              "Path=/opt/zm/\n"
              "Terminal=false\n");

    ASSERT_TRUE(entry->Create({"/opt/zm/zentrimo", "/opt/zm/", {"--machine", "x58-bloomfield"}}));
    EXPECT_NE(Contents(file).find("Exec=/opt/zm/zentrimo --machine x58-bloomfield\n"),
              std::string::npos);
    EXPECT_EQ(
        std::distance(fs::directory_iterator(config_ / "autostart"), fs::directory_iterator()),
        1);  // no temporary file left

    EXPECT_TRUE(entry->Remove());
    EXPECT_FALSE(entry->Exists());
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(AutostartEntryTest, FailedCreateKeepsTheEntryThatWasThere) {
    XdgAutostartEntry entry(config_ / "autostart");
    ASSERT_TRUE(entry.Create({"/opt/zm/zentrimo", "/opt/zm", {}}));
    const std::string before = Contents(entry.File());
    // Something that is not ours stands where the new content would be written first.
    const fs::path blocker = config_ / "autostart" / ".zentrimo.desktop.new";
    fs::create_directories(blocker / "keep");
    EXPECT_FALSE(entry.Create({"/elsewhere/zentrimo", "/elsewhere", {}}));
    EXPECT_EQ(Contents(entry.File()), before);
    EXPECT_TRUE(fs::exists(blocker / "keep"));
}

TEST(DesktopExecLineTest, WordsAreQuotedAndEscapedAsTheDesktopEntryRulesAsk) {
    struct Case {
        LaunchCommand command;
        std::string exec;  // as it stands in the file
    };
    const Case cases[] = {
        {{"/opt/zm/zentrimo", "", {}}, "/opt/zm/zentrimo"},
        {{"/home/a b/zentrimo", "", {"--settings", "/home/a b/ZM.ini"}},
         R"("/home/a b/zentrimo" --settings "/home/a b/ZM.ini")"},
        // Inside quotes '"', '`', '$' and '\' take a backslash, and the file then doubles every
        // backslash; '%' is doubled so that it is no field code.
        {{"/opt/zm/zentrimo", "", {"--machine", R"(/p/$x"y\z.json)"}},
         R"(/opt/zm/zentrimo --machine "/p/\\$x\\"y\\\\z.json")"},
        {{"/opt/100%/zentrimo", "", {}}, "/opt/100%%/zentrimo"},
        {{"/opt/zm/zentrimo", "", {""}}, R"(/opt/zm/zentrimo "")"},
        // A line break would end the key and start a line of its own: refused.
        {{"/opt/zm/zentrimo", "", {"--machine", "a\nExec=/bin/evil"}}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DesktopExecLine(c.command), c.exec);
    }
    XdgAutostartEntry entry(fs::temp_directory_path() / "zm-never-created");
    EXPECT_FALSE(entry.Create(cases[5].command));
    EXPECT_FALSE(fs::exists(fs::temp_directory_path() / "zm-never-created"));
}

}  // namespace
}  // namespace zm::os
