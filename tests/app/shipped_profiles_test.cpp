// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up and the report on the shipped simulated machines: every gate outcome, the CPU
// group of each supported platform, and the report's two forms.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "os/clock.h"
#include "report/run_report.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "startup/messages.h"

namespace zm::app {
namespace {

const char* const kChipsetWarning =
    "Zentrimo is only for CPU\r\nwith Integrated Memory Controller!\r\n"
    "For your system, go on:   https://zentrimo.example.org\r\nand download Hollin latest version.";

// Time passes only as far as the program sleeps: the report's measuring pass does not wait.
std::shared_ptr<os::Clock> InstantClock() {
    return std::make_shared<os::VirtualClock>(false);
}

struct ReportRun {
    int exitCode = -1;
    std::string out, err;
    std::shared_ptr<sim::SimulatedMachine> machine;
};

ReportRun Report(const std::string& profile, bool json) {
    ReportRun run;
    run.machine = sim::SimulatedMachine::Load(profile, InstantClock());
    Backend backend = SimulatedMachineBackend(run.machine);
    CommandLine line;
    line.mode = RunMode::Report;
    line.json = json;
    std::ostringstream out, err;
    Session session(backend, SetupFor(line, ""));
    run.exitCode = RunReport(session, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

struct RefusedCase {
    const char* profile;
    Messages messages;
};

TEST(ShippedProfiles, RefusedMachinesSayWhyOnStderr) {
    const RefusedCase cases[] = {
        {"p965-core2", {{"WARNING!", kChipsetWarning}}},
        {"p45-core2", {{"WARNING!", kChipsetWarning}}},
        {"sis661-pentium4", {{"ERROR!", "NOT FOR THIS SYSTEM!"}}},
        {"dual-xeon-5520", {{"ERROR!", "NOT FOR THIS SYSTEM!"}}},
        {"x58-missing-winring0-sys", {{"ERROR!", "WinRing0.sys is not find!"}}},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.profile);
        const ReportRun text = Report(c.profile, false);
        EXPECT_EQ(text.exitCode, 1);
        EXPECT_EQ(text.out, "");
        std::string expectedErr;
        for (const Message& m : c.messages) {
            std::string text = m.text;
            for (std::size_t at; (at = text.find('\r')) != std::string::npos;) text.erase(at, 1);
            expectedErr += m.caption + " " + text + "\n";
        }
        EXPECT_EQ(text.err, expectedErr);

        const ReportRun json = Report(c.profile, true);
        EXPECT_EQ(json.exitCode, 1);
        const nlohmann::json report = nlohmann::json::parse(json.out);
        EXPECT_TRUE(report["terminated"].get<bool>());
        EXPECT_FALSE(report["buttons"]["apply_enabled"].get<bool>());
        EXPECT_FALSE(report["buttons"]["cpu_enabled"].get<bool>());
        ASSERT_EQ(report["messages"].size(), c.messages.size());
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(report["messages"][i]["caption"], c.messages[i].caption);
            EXPECT_EQ(report["messages"][i]["text"], c.messages[i].text);
        }
    }
}

TEST(ShippedProfiles, MissingDriverTouchesNoHardware) {
    const ReportRun run = Report("x58-missing-winring0-sys", false);
    EXPECT_EQ(run.machine->Counts().Total(), 0u);
}

struct CpuCase {
    const char* profile;
    const char* cpuid;
    const char* revision;
    const char* socket;
    const char* technology;
    const char* coresThreads;
    const char* controller;
    const char* memoryType;
};

TEST(ShippedProfiles, SupportedMachinesShowTheirCpuGroup) {
    const CpuCase cases[] = {
        {"x58-bloomfield", "6A5", "D0", "LGA 1366", "45 nm", "4 / 8", "Uncore", "DDR3"},
        {"x58-gulftown", "6C2", "B1", "LGA 1366", "32 nm", "6 / 12", "Uncore", "DDR3"},
        {"p55-lynnfield", "6E5", "B1", "LGA 1156", "45 nm", "4 / 8", "Uncore", "DDR3"},
        {"h55-clarkdale", "652", "C2", "LGA 1156", "32 nm", "2 / 4", "HostBridge", "DDR3"},
        {"k10-am3-ddr3", "F43", "C3", "AM3 (941)", "45 nm", "4 / 4", "K10", "K10-DDR3"},
        {"k10-am2plus-ddr2", "F42", "C2", "AM2+ (940)", "45 nm", "4 / 4", "K10", "K10-DDR2-800"},
        {"socketf-opteron", "F23", "B3", "F (1207)", "65 nm", "4 / 4", "K10", "K10-DDR2-800"},
    };
    for (const CpuCase& c : cases) {
        SCOPED_TRACE(c.profile);
        const ReportRun run = Report(c.profile, true);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const nlohmann::json report = nlohmann::json::parse(run.out);
        const nlohmann::json& cpu = report["cpu"];
        EXPECT_EQ(cpu["cpuid"], c.cpuid);
        EXPECT_EQ(cpu["revision"], c.revision);
        EXPECT_EQ(cpu["socket"], c.socket);
        EXPECT_EQ(cpu["technology"], c.technology);
        EXPECT_EQ(cpu["cores_threads"], c.coresThreads);
        EXPECT_FALSE(cpu["model"].get<std::string>().empty());
        EXPECT_EQ(report["platform"]["controller"], c.controller);
        EXPECT_EQ(report["memory"]["type"], c.memoryType);
        EXPECT_FALSE(report["terminated"].get<bool>());
        EXPECT_TRUE(report["messages"].empty());
        for (const char* key : {"motherboard", "memory", "frequency", "timings", "spd", "buttons"})
            EXPECT_TRUE(report.contains(key)) << key;
    }
}

TEST(ShippedProfiles, JsonReportCarriesEveryChannelsTimings) {
    const ReportRun run = Report("x58-bloomfield", true);
    ASSERT_EQ(run.exitCode, 0);
    const nlohmann::json timings = nlohmann::json::parse(run.out)["timings"];
    EXPECT_EQ(timings["kind"], "Uncore");
    EXPECT_EQ(timings["channel_mode_items"][timings["channel_selected"].get<int>()], " A  B  C");
    ASSERT_EQ(timings["channels"].size(), 3u);
    const char* letters[] = {"A", "B", "C"};
    for (int c = 0; c < 3; ++c) {
        const nlohmann::json& channel = timings["channels"][c];
        EXPECT_EQ(channel["channel"], letters[c]);
        ASSERT_EQ(channel["timings"].size(), 27u);
        const nlohmann::json& trcd = channel["timings"][1];
        EXPECT_EQ(trcd["name"], "tRCD");
        EXPECT_EQ(trcd["control"], "Combo2A");
        EXPECT_EQ(trcd["label"], "RAS# to CAS# Delay (tRCD) .........");
        EXPECT_EQ(trcd["text"], "9");  // tRCD 9 on every channel of this machine
        EXPECT_EQ(trcd["index"], 7);   // items start at 2
    }
}

// Every timing of every controller kind (and K10 layout) carries a short name of its own, so
// a script can key a timing by it.
TEST(ShippedProfiles, JsonTimingNamesAreUniqueWithinEachKind) {
    std::set<std::string> kinds;
    for (const auto& entry : std::filesystem::directory_iterator(ZM_MACHINES_DIR)) {
        if (entry.path().extension() != ".json") continue;
        const ReportRun run = Report(entry.path().stem().string(), true);
        const nlohmann::json report = nlohmann::json::parse(run.out);
        EXPECT_EQ(report["version"], 2);
        const nlohmann::json& timings = report["timings"];
        if (timings["channels"].empty()) continue;  // refused: no controller read
        SCOPED_TRACE(entry.path().stem().string());
        kinds.insert(timings["kind"].get<std::string>());
        for (const nlohmann::json& channel : timings["channels"]) {
            std::set<std::string> names;
            for (const nlohmann::json& timing : channel["timings"]) {
                const std::string name = timing["name"];
                EXPECT_FALSE(name.empty()) << timing["control"];
                EXPECT_TRUE(names.insert(name).second) << name << " twice";
            }
            EXPECT_EQ(names.size(), 27u);
        }
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"Uncore", "HostBridge", "K10-DDR2-800", "K10-DDR2-1066",
                                            "K10-DDR3"}));
}

// The text report as a person reads it: each section a table, a timing a row of its short name,
// caption and one value per channel, the disabled ones marked once.
TEST(ShippedProfiles, TextReportShowsTheWindowsTextsAsTables) {
    const ReportRun run = Report("x58-bloomfield", false);
    ASSERT_EQ(run.exitCode, 0);
    // Cells are two or more blanks apart; one blank stands for any such gap here.
    std::string text;
    for (char c : run.out)
        if (c != ' ' || text.empty() || text.back() != ' ') text.push_back(c);
    for (const char* line :
         {"[CPU]\n", "\nCPUID 6A5\n", "\nSocket LGA 1366\n", "[MotherBoard]\n", "[Memory]\n",
          "[System Frequency]\n", "\nEIST checked\n", "[Timings]\n", "\nController Uncore\n",
          "\nName Caption A B C Note\n", "\ntCL CAS# Latency (CL) 9 9 9 disabled\n",
          "\ntRCD RAS# to CAS# Delay (tRCD) 9 9 9\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(run.out.find('"'), std::string::npos);
}

// An SB850 whose firmware left the SMBus controller off: the report says why there is no SPD.
TEST(ShippedProfiles, ReportWithoutSmbusControllerSaysSo) {
    auto machine = sim::SimulatedMachine::Load("k10-am3-sb850", InstantClock());
    machine->SetPmRegister(0x2C, 0x00);
    Backend backend = SimulatedMachineBackend(machine);
    CommandLine line;
    line.mode = RunMode::Report;
    std::ostringstream out, err;
    Session session(backend, SetupFor(line, ""));
    ASSERT_EQ(RunReport(session, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("[SPD]\nNo SMBus controller found: SPD cannot be read\n"),
              std::string::npos)
        << out.str();
}

TEST(ShippedProfiles, ReportLeavesK10ExtendedConfigAsFound) {
    for (const char* profile : {"k10-am3-ddr3", "k10-am2plus-ddr2", "socketf-opteron"}) {
        SCOPED_TRACE(profile);
        auto machine = sim::SimulatedMachine::Load(profile, InstantClock());
        const std::uint32_t before = machine->Pci(0, 24, 3, 0x8C);
        Backend backend = SimulatedMachineBackend(machine);
        CommandLine line;
        line.mode = RunMode::Report;
        std::ostringstream out, err;
        Session session(backend, SetupFor(line, ""));
        ASSERT_EQ(RunReport(session, out, err), 0) << err.str();
        EXPECT_EQ(machine->Pci(0, 24, 3, 0x8C), before);
    }
}

}  // namespace
}  // namespace zm::app
