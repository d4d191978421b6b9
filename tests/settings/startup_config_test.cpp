// SPDX-License-Identifier: GPL-3.0-or-later
// The StartUp configuration's Apply: what it writes into the settings file and the autostart
// entry, in which order, for each combination of boxes and answers; and the command the entry
// starts.
#include "settings/startup_config.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings/startup_launch.h"
#include "support/scratch_folder.h"

namespace zm::settings {
namespace {
namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Records what Apply does with the entry, and the settings file as it was at that moment.
class RecordingEntry final : public os::AutostartEntry {
public:
    RecordingEntry(std::vector<std::string>& events, const fs::path& file)
        : events_(events), file_(file) {}
    bool Create(const os::LaunchCommand& command) override {
        events_.push_back("create");
        fileAtCreate = Contents(file_);
        created = command;
        exists = true;
        return true;
    }
    bool Remove() override {
        events_.push_back("remove");
        exists = false;
        return true;
    }
    bool Exists() const override { return exists; }

    bool exists = false;
    std::string fileAtCreate;
    os::LaunchCommand created;

private:
    std::vector<std::string>& events_;
    fs::path file_;
};

class StartupConfigTest : public ::testing::Test {
protected:
    fs::path File() const { return dir_ / "ZM.ini"; }
    void Put(const std::string& text) const { std::ofstream(File(), std::ios::binary) << text; }

    zm::testing::ScratchFolder dir_{"zm-startup"};
};

// A stand-in for the timing set: "AN" = "1" and one key, as the real writer does.
void WriteSampleSet(Settings& file) {
    file.SetApplyStoredAtStart(true);
    file.SetStoredKey(StoredSetFamily::K10, 1, 0, 4);
}

TEST_F(StartupConfigTest, ApplyWritesEachSwitchAndTheEntryAsTheBoxesAndTheAnswerSay) {
    struct Case {
        const char* name;
        BootSwitches boxes;
        bool answer;         // OK to the question
        bool platformFound;  // a timing set can be written
        const char* an;      // "AN" afterwards
        const char* st;
        const char* stm;
        bool asked;
        bool entryAfter;
    };
    // The file starts with every switch "1", an old timing set and an existing entry.
    // clang-format off
    const Case cases[] = {
        {"all unticked", {false, false, false}, true, true, "0", "0", "0", false, false},
        {"apply, OK", {true, false, false}, true, true, "1", "0", "0", true, true},
        {"apply, Cancel keeps AN", {true, false, false}, false, true, "1", "0", "0", true, true},
        {"tray only", {false, true, false}, true, true, "0", "1", "0", false, true},
        {"tray and monitor", {false, true, true}, true, true, "0", "1", "1", false, true},
        {"monitor alone keeps no entry", {false, false, true}, true, true, "0", "0", "1", false,
         false},
        {"apply without a platform", {true, true, false}, true, false, "1", "1", "0", true, true},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Put("[HL]\nAN=1\nST=1\nSTM=1\n[HLK10]\n1A=7\n2A=3\n");
        Settings file(File());
        std::vector<std::string> events;
        RecordingEntry entry(events, File());
        entry.exists = true;
        bool asked = false;
        StartupApplyHooks hooks;
        hooks.confirm = [&] {
            asked = true;
            return c.answer;
        };
        if (c.platformFound) hooks.writeTimingSet = WriteSampleSet;

        ApplyStartupConfiguration(file, c.boxes, entry, {"/opt/zm/zentrimo", "/opt/zm/", {}},
                                  hooks);

        EXPECT_EQ(IniFile(File()).ReadString("HL", "AN"), c.an);
        EXPECT_EQ(IniFile(File()).ReadString("HL", "ST"), c.st);
        EXPECT_EQ(IniFile(File()).ReadString("HL", "STM"), c.stm);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(entry.exists, c.entryAfter);
        // The stored set is replaced only after OK on a known platform, and never deleted.
        const bool written = c.boxes.applyTimings && c.answer && c.platformFound;
        EXPECT_EQ(IniFile(File()).ReadString("HLK10", "1A"), written ? "4" : "7");
        EXPECT_EQ(IniFile(File()).ReadString("HLK10", "2A"), "3");
    }
}

// Linux on real hardware: AN goes to the boot service, the session's entry serves ST alone.
TEST_F(StartupConfigTest, WithABootServiceTheServiceFollowsAnAndTheEntryFollowsSt) {
    const struct {
        const char* name;
        BootSwitches boxes;
        bool answer;
        std::vector<std::string> events;
        bool entryAfter;
        bool serviceWorks = true;
    } cases[] = {
        {"apply, OK", {true, false, false}, true, {"remove", "timings", "enable"}, false},
        {"apply, Cancel leaves the service", {true, false, false}, false, {"remove"}, false},
        {"apply and tray", {true, true, false}, true, {"timings", "enable", "create"}, true},
        {"tray only", {false, true, false}, true, {"disable", "create"}, true},
        {"nothing", {false, false, false}, true, {"disable", "remove"}, false},
        {"apply, the service cannot be enabled: the entry instead",
         {true, false, false},
         true,
         {"remove", "timings", "enable", "create"},
         true,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("[HL]\nAN=1\n");
        Settings file(File());
        std::vector<std::string> events;
        RecordingEntry entry(events, File());
        entry.exists = true;
        StartupApplyHooks hooks;
        hooks.confirm = [&] { return c.answer; };
        hooks.writeTimingSet = [&](Settings& f) {
            events.push_back("timings");
            WriteSampleSet(f);
        };
        hooks.bootService = [&](bool enable) {
            events.push_back(enable ? "enable" : "disable");
            return c.serviceWorks;
        };
        const StartupApplyOutcome outcome =
            ApplyStartupConfiguration(file, c.boxes, entry, {"/z", "/", {}}, hooks);
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(entry.exists, c.entryAfter);
        EXPECT_EQ(outcome.bootServiceFailed, !c.serviceWorks);
    }
}

TEST_F(StartupConfigTest, WritesComeInTheirFixedOrder) {
    // Unticked switches first (AN, ST, STM), the entry removed, then the question.
    {
        Settings file(File());
        std::vector<std::string> events;
        RecordingEntry entry(events, File());
        StartupApplyHooks hooks;
        hooks.confirm = [&] {
            events.push_back("ask");
            return true;
        };
        ApplyStartupConfiguration(file, {false, false, false}, entry, {"/z", "/", {}}, hooks);
        EXPECT_EQ(Contents(File()), "[HL]\nAN=0\nST=0\nSTM=0\n");
        EXPECT_EQ(events, std::vector<std::string>{"remove"});
    }
    fs::remove(File());
    // Ticked: the timing set after the unticked STM, then ST and STM, the entry last, when the
    // file is complete.
    {
        Settings file(File());
        std::vector<std::string> events;
        RecordingEntry entry(events, File());
        std::string fileWhenAsked;
        StartupApplyHooks hooks;
        hooks.confirm = [&] {
            events.push_back("ask");
            fileWhenAsked = Contents(File());
            return true;
        };
        hooks.writeTimingSet = [&](Settings& f) {
            events.push_back("timings");
            WriteSampleSet(f);
        };
        ApplyStartupConfiguration(file, {true, true, false}, entry, {"/z", "/", {}}, hooks);
        EXPECT_EQ(fileWhenAsked, "[HL]\nSTM=0\n");
        EXPECT_EQ(events, (std::vector<std::string>{"ask", "timings", "create"}));
        EXPECT_EQ(Contents(File()), "[HL]\nSTM=0\nAN=1\nST=1\n[HLK10]\n1A=4\n");
        EXPECT_EQ(entry.fileAtCreate, Contents(File()));
    }
}

TEST(StartupLaunchTest, EntryStartsTheFixedNameAndRepeatsOnlyWhatTheNextStartNeeds) {
    const fs::path folder = "/opt/zentrimo/";
    const fs::path defaultFile = folder / "ZM.ini";
    const fs::path cwd = fs::current_path();
    struct Case {
        const char* name;
        std::string machine;
        fs::path settings;
        std::vector<std::string> arguments;
    };
    // clang-format off
    const Case cases[] = {
        {"real hardware", "", defaultFile, {}},
        {"shipped profile", "x58-bloomfield", defaultFile, {"--machine", "x58-bloomfield"}},
        {"profile file made absolute", "profiles/my.json", defaultFile,
         {"--machine", (cwd / "profiles/my.json").string()}},
        {"other settings file", "", "alt.ini", {"--settings", (cwd / "alt.ini").string()}},
        {"both", "k10-am3-ddr3", "/tmp/z.ini",
         {"--machine", "k10-am3-ddr3", "--settings", "/tmp/z.ini"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const os::LaunchCommand command =
            StartupLaunchCommand(folder, c.machine, c.settings, defaultFile);
        EXPECT_EQ(command.target, fs::path("/opt/zentrimo/zentrimo"));
        EXPECT_EQ(command.workingDirectory, folder);
        EXPECT_EQ(command.arguments, c.arguments);
    }
}

}  // namespace
}  // namespace zm::settings
