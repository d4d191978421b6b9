// The start-up and the report on the shipped simulated machines: every gate outcome, the CPU
// group of each supported platform, and the report's two forms.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "app/backend_selection.h"
#include "app/messages.h"
#include "app/run_report.h"
#include "os/clock.h"
#include "sim/simulated_machine.h"

namespace zm::app {
namespace {

const char* const kChipsetWarning =
    "Zentrimo is only for CPU\r\nwith Integrated Memory Controller!\r\n"
    "For your system, go on:   https://zentrimo.example.org\r\nand download Hollin latest version.";

// Time passes only as far as the program sleeps: the report's measuring pass does not wait.
std::shared_ptr<os::Clock> InstantClock() { return std::make_shared<os::VirtualClock>(false); }

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
    run.exitCode = RunReport(backend, line, "", out, err);
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
        EXPECT_EQ(trcd["control"], "Combo2A");
        EXPECT_EQ(trcd["label"], "RAS# to CAS# Delay (tRCD) .........");
        EXPECT_EQ(trcd["text"], "9");  // tRCD 9 on every channel of this machine
        EXPECT_EQ(trcd["index"], 7);   // items start at 2
    }
}

TEST(ShippedProfiles, TextReportShowsTheWindowsTexts) {
    const ReportRun run = Report("x58-bloomfield", false);
    ASSERT_EQ(run.exitCode, 0);
    for (const char* line : {"[CPU]\n", "CPUID ............ 6A5\n", "Socket ........... LGA 1366\n",
                             "[MotherBoard]\n", "[Memory]\n", "[System Frequency]\n",
                             "[Timings]\n", "Controller ....... Uncore\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
}

TEST(ShippedProfiles, ReportLeavesK10ExtendedConfigAsFound) {
    for (const char* profile : {"k10-am3-ddr3", "k10-am2plus-ddr2", "socketf-opteron"}) {
        SCOPED_TRACE(profile);
        auto machine = sim::SimulatedMachine::Load(profile, InstantClock());
        const std::uint32_t before = machine->Pci(0, 24, 3, 0x8C);
        Backend backend = SimulatedMachineBackend(machine);
        CommandLine line;
        std::ostringstream out, err;
        ASSERT_EQ(RunReport(backend, line, "", out, err), 0) << err.str();
        EXPECT_EQ(machine->Pci(0, 24, 3, 0x8C), before);
    }
}

}  // namespace
}  // namespace zm::app
