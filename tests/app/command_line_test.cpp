// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/command_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/launch.h"
#include "support/scratch_folder.h"

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
        {{"zentrimo", "--monitor", "--machine", "m"}, RunMode::Monitor, "m", "", false, false},
        {{"zentrimo", "--monitor", "--interval", "0"}, RunMode::Gui, "", "", false, true},
        {{"zentrimo", "--monitor", "--interval", "1s"}, RunMode::Gui, "", "", false, true},
        {{"zentrimo", "--monitor", "--count", "-3"}, RunMode::Gui, "", "", false, true},
        {{"zentrimo", "--monitor", "--count", "0"}, RunMode::Gui, "", "", false, true},
        {{"zentrimo", "--monitor", "--report"}, RunMode::Gui, "", "", false, true},
        {{"zentrimo", "--csv", "a.csv"}, RunMode::Gui, "", "", false, true},
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
        if (c.mode == RunMode::Monitor) {
            EXPECT_EQ(line.monitorIntervalSeconds, 1.0);
            EXPECT_EQ(line.monitorCount, 0u) << "until interrupted";
        }
        if (c.mode == RunMode::SpdFiles && c.args.size() > 2) {
            EXPECT_EQ(line.spdFiles, (std::vector<std::string>{"a.bin", "b.txt"}));
        }
        if (c.mode == RunMode::SpdFiles && c.args.size() == 2) {
            EXPECT_TRUE(line.spdFiles.empty());  // this machine's modules
        }
    }
}

TEST(CommandLine, MonitorOptionsTakeTheirValues) {
    const CommandLine line = ParseCommandLine(
        {"zentrimo", "--monitor", "--interval", "0.25", "--count", "7", "--csv", "a.csv"});
    ASSERT_EQ(line.error, "");
    EXPECT_EQ(line.mode, RunMode::Monitor);
    EXPECT_EQ(line.monitorIntervalSeconds, 0.25);
    EXPECT_EQ(line.monitorCount, 7u);
    EXPECT_EQ(line.monitorCsv, "a.csv");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t Columns(const std::string& line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
}

// The Monitor on the terminal, on the simulated X58 (four cores): a line per sample, or a CSV
// row per sample. The first sample waits for the first clock pass (about 2.5 s).
TEST(MonitorRun, CountSamplesAsLinesOrCsvRows) {
    testing::ScratchFolder folder("monitor-run");
    const std::string settings = (folder / "ZM.ini").string();
    const std::string csv = (folder / "run.csv").string();
    const std::vector<std::string> base = {"zentrimo",   "--monitor", "--count",   "3",
                                           "--interval", "0.05",      "--machine", "x58-bloomfield",
                                           "--settings", settings};
    std::ostringstream out, err;
    Launch launch = LaunchFromCommandLine(base, out, err);
    ASSERT_EQ(launch.exitCode, 0) << err.str();
    const auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 3u) << out.str();
    for (const std::string& line : lines) {
        EXPECT_NE(line.find("  CPU 2666 MHz  RAM 533 MHz  memory "), std::string::npos) << line;
    }

    std::vector<std::string> withCsv = base;
    withCsv.insert(withCsv.end(), {"--csv", csv});
    std::ostringstream csvOut;
    launch = LaunchFromCommandLine(withCsv, csvOut, err);
    ASSERT_EQ(launch.exitCode, 0) << err.str();
    EXPECT_EQ(csvOut.str(), "");
    const auto rows = Lines(FileText(csv));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].rfind("time (ISO 8601 UTC),usage (%),", 0), 0u) << rows[0];
    for (const std::string& row : rows) EXPECT_EQ(Columns(row), 16u) << row;
}

TEST(MonitorRun, CtrlCEndsTheRunWithTheFileComplete) {
    testing::ScratchFolder folder("monitor-run");
    const auto csv = folder / "run.csv";
    std::thread user([&csv] {
        for (int i = 0; i < 1000 && Lines(FileText(csv)).size() < 3; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::kill(::getpid(), SIGINT);
    });
    std::ostringstream out, err;
    const Launch launch = LaunchFromCommandLine(
        {"zentrimo", "--monitor", "--interval", "0.05", "--machine", "x58-bloomfield", "--csv",
         csv.string(), "--settings", (folder / "ZM.ini").string()},
        out, err);
    user.join();
    EXPECT_EQ(launch.exitCode, 0) << err.str();
    const std::string text = FileText(csv);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const auto rows = Lines(text);
    EXPECT_GE(rows.size(), 3u);
    for (const std::string& row : rows) EXPECT_EQ(Columns(row), 16u) << row;
}

TEST(CommandLine, ExecutableFolderEndsWithASeparator) {
    const std::string folder = ExecutableFolder("ignored");
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
}

}  // namespace
}  // namespace zm::app
