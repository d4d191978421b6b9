#include "app/command_line.h"

#include <gtest/gtest.h>

namespace zm::app {
namespace {

struct ParseCase {
    std::vector<std::string> args;
    RunMode mode;
    std::string machine, settings;
    bool json;
    bool error;
};

TEST(CommandLine, ParsesEveryForm) {
    const ParseCase cases[] = {
        {{"zentrimo"}, RunMode::Gui, "", "", false, false},
        {{"zentrimo", "--machine", "x58-bloomfield"},
         RunMode::Gui,
         "x58-bloomfield",
         "",
         false,
         false},
        {{"zentrimo", "--report", "--machine", "a.json", "--json"},
         RunMode::Report,
         "a.json",
         "",
         true,
         false},
        {{"zentrimo", "--settings", "/tmp/z.ini", "--report"},
         RunMode::Report,
         "",
         "/tmp/z.ini",
         false,
         false},
        {{"zentrimo", "--list-machines"}, RunMode::ListMachines, "", "", false, false},
        {{"zentrimo", "--apply-stored", "--settings", "/u/ZM.ini"},
         RunMode::ApplyStored,
         "",
         "/u/ZM.ini",
         false,
         false},
        {{"zentrimo", "--apply-stored", "--report"}, RunMode::Gui, "", "", false, true},
        {{"zentrimo", "--report", "--help"}, RunMode::Help, "", "", false, false},
        {{"zentrimo", "--version"}, RunMode::Version, "", "", false, false},
        {{"zentrimo", "--machine"}, RunMode::Gui, "", "", false, true},
        {{"zentrimo", "--settings"}, RunMode::Gui, "", "", false, true},
        {{"zentrimo", "--json"}, RunMode::Gui, "", "", true, true},
        {{"zentrimo", "--frobnicate"}, RunMode::Gui, "", "", false, true},
        {{"zentrimo", "x58-bloomfield"}, RunMode::Gui, "", "", false, true},
        {{"zentrimo", "--spd", "a.bin", "b.txt", "--json"}, RunMode::SpdFiles, "", "", true, false},
        {{"zentrimo", "--spd"}, RunMode::SpdFiles, "", "", false, false},
        {{"zentrimo", "--spd", "a.bin", "--machine", "x58-bloomfield"},
         RunMode::Gui,
         "",
         "",
         false,
         true},
        {{"zentrimo", "--spd", "a.bin", "--report"}, RunMode::Gui, "", "", false, true},
    };
    for (const ParseCase& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        const CommandLine line = ParseCommandLine(c.args);
        EXPECT_EQ(!line.error.empty(), c.error) << line.error;
        if (c.error) continue;
        EXPECT_EQ(line.mode, c.mode);
        EXPECT_EQ(line.machine, c.machine);
        EXPECT_EQ(line.settingsPath, c.settings);
        EXPECT_EQ(line.json, c.json);
        if (c.mode == RunMode::SpdFiles && c.args.size() > 2) {
            EXPECT_EQ(line.spdFiles, (std::vector<std::string>{"a.bin", "b.txt"}));
        }
        if (c.mode == RunMode::SpdFiles && c.args.size() == 2) {
            EXPECT_TRUE(line.spdFiles.empty());  // this machine's modules
        }
    }
}

TEST(CommandLine, ExecutableFolderEndsWithASeparator) {
    const std::string folder = ExecutableFolder("ignored");
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
}

}  // namespace
}  // namespace zm::app
