// SPDX-License-Identifier: GPL-3.0-or-later
// --apply-stored on simulated machines: the stored set reaches the controller, and a file that
// does not ask for one touches no register.
#include "app/apply_stored.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "os/clock.h"
#include "settings/boot_apply_record.h"
#include "settings/settings.h"
#include "sim/simulated_machine.h"
#include "spd/smbus_discovery.h"
#include "startup/backend_selection.h"
#include "startup/machine_identity.h"
#include "startup/startup.h"
#include "support/scratch_folder.h"
#include "timings/stored/stored_timings.h"

namespace zm::app {
namespace {
namespace fs = std::filesystem;

struct ApplyRun {
    int code;
    std::string out, err;
};

class ApplyStored : public ::testing::Test {
protected:
    void SetUp() override {
        // Time that moves as fast as the program sleeps: the minute it waits after the apply
        // passes at once.
        machine_ =
            sim::SimulatedMachine::Load("k10-am3-ddr3", std::make_shared<os::VirtualClock>(false));
    }

    std::string Settings(const std::string& text) const {
        const fs::path file = dir_ / "ZM.ini";
        fs::remove(file);
        if (!text.empty()) std::ofstream(file, std::ios::binary) << text;
        return file.string();
    }
    ApplyRun Run(const std::string& settings) {
        CommandLine line;
        line.mode = RunMode::ApplyStored;
        Session session(SimulatedMachineBackend(machine_), SetupFor(line, settings));
        std::ostringstream out, err;
        const int code = RunApplyStored(session, out, err);
        return {code, out.str(), err.str()};
    }
    // The item the first channel's tCL drop-down shows on a start without a stored set.
    int ShownTcl() {
        Backend backend = SimulatedMachineBackend(machine_);
        hw::HardwareAccess hw(*machine_);
        StartupContext context{backend, hw, (dir_ / "none.ini").string()};
        context.startMeasuringThread = false;
        const StartupResult result = RunStartup(context);
        return result.view.timings.controls[static_cast<int>(timings::TimingId::tRCD)]
            .channelIndex[0];
    }

    // This machine's identity as the StartUp window stores it beside a set.
    timings::MachineIdentity Identity() {
        Backend backend = SimulatedMachineBackend(machine_);
        hw::HardwareAccess hw(*machine_);
        StartupContext context{backend, hw, (dir_ / "none.ini").string()};
        context.startMeasuringThread = false;
        const StartupResult result = RunStartup(context);
        spd::DiscoverSmbusController(hw);
        return ReadMachineIdentity(hw, *backend.cpuid, *result.timings);
    }

    zm::testing::ScratchFolder dir_{"zm-apply-stored"};
    std::shared_ptr<sim::SimulatedMachine> machine_;
};

TEST_F(ApplyStored, WritesTheSetAndPrintsWhatTheControllerHolds) {
    const int before = ShownTcl();
    const int stored = before == 1 ? 2 : 1;
    const ApplyRun run = Run(Settings("[HL]\nAN=1\n[HLK10]\n2A=" + std::to_string(stored) +
                                      "\n2B=" + std::to_string(stored) + "\n"));
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("written; the controller now holds"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("[Timings]"), std::string::npos) << run.out;
    EXPECT_EQ(ShownTcl(), stored);
    EXPECT_FALSE(settings::Settings(dir_ / "ZM.ini").BootApplyUnderWay());
}

TEST_F(ApplyStored, RefusesWithoutAStoredSetToApplyAndTouchesNothing) {
    const struct {
        const char* file;  // nullptr: no file at all
        const char* says;
    } cases[] = {
        {nullptr, "there is no settings file"},
        {"[HL]\nAN=1\nST=1\n", "no stored timing set in"},
        {"[HL]\nAN=0\n[HLK10]\n2A=1\n", "is not to be applied at start"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const ApplyRun run = Run(Settings(c.file ? c.file : ""));
        EXPECT_EQ(run.code, kExitNothingToApply);
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_TRUE(machine_->Writes().empty());
    }
}

// What the start-up refuses is never reported as written: a set bound to other modules, and one
// whose last apply at start did not survive its minute.
TEST_F(ApplyStored, ASetTheStartUpRefusesIsNotWrittenAndSaysSo) {
    const int before = ShownTcl();
    const std::string tcl = "\n[HLK10]\n2A=" + std::to_string(before == 1 ? 2 : 1) + "\n";
    const timings::MachineIdentity thisMachine = Identity();
    timings::MachineIdentity otherModules = thisMachine;
    otherModules.modules[0] += "00";
    const struct {
        std::string file;
        timings::MachineIdentity identity;
        const char* says;
    } cases[] = {
        {"[HL]\nAN=1" + tcl, otherModules, "other memory modules"},
        {"[HL]\nAN=1\nANRUN=1" + tcl, thisMachine, "did not run for a minute"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const std::string path = Settings(c.file);
        settings::Settings file(path);
        ASSERT_TRUE(file.SetStoredIdentity(settings::StoredSetFamily::K10, c.identity));
        const ApplyRun run = Run(path);
        EXPECT_EQ(run.code, kExitNotWritten);
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("was not written"), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("written;"), std::string::npos) << run.out;
        EXPECT_EQ(ShownTcl(), before);
    }
}

// The boot service was switched on for a user's file; before the boot run the user swaps a folder
// of its path for a link to a root-owned folder holding a root file that reads like a settings
// file. The run, as root, writes nothing there (nor to the controller) and says why.
TEST_F(ApplyStored, AsRootAFolderSwappedForALinkLeadsNowhere) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    constexpr unsigned kUser = 65534;
    const int before = ShownTcl();
    const std::string text =
        "[HL]\nAN=1\n[HLK10]\n2A=" + std::to_string(before == 1 ? 2 : 1) + "\n";
    for (const fs::path& folder : {dir_ / "home", dir_ / "home" / "cfg"}) {
        fs::create_directory(folder);
        ASSERT_EQ(::chown(folder.c_str(), kUser, kUser), 0);
    }
    const fs::path userFile = dir_ / "home" / "cfg" / "ZM.ini";
    std::ofstream(userFile) << text;
    ASSERT_EQ(::chown(userFile.c_str(), kUser, kUser), 0);
    fs::create_directory(dir_ / "system");
    const fs::path rootFile = dir_ / "system" / "ZM.ini";
    std::ofstream(rootFile) << text;
    fs::permissions(rootFile, fs::perms(0640));

    // The user's rename and link, between the switch and the boot.
    fs::rename(dir_ / "home" / "cfg", dir_ / "home" / "old");
    fs::create_directory_symlink(dir_ / "system", dir_ / "home" / "cfg");

    const std::size_t writesBefore = machine_->Writes().size();
    const ApplyRun run = Run(userFile.string());
    EXPECT_EQ(run.code, kExitNotWritten);
    EXPECT_NE(run.err.find("nothing was written: the settings path goes through a symbolic link"),
              std::string::npos)
        << run.err;
    std::ifstream in(rootFile);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
    EXPECT_EQ(fs::status(rootFile).permissions(), fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "system"), {}), 1);
    EXPECT_EQ(machine_->Writes().size(), writesBefore);
}

TEST_F(ApplyStored, AsRootARootFileInAnotherUsersFolderIsNotActedOn) {
    // Acting as the owner protects nothing when the owner is root: the user who owns the
    // folder could swap the file for a link before the interrupted-apply record is written.
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    const fs::path folder = dir_ / "home";
    fs::create_directory(folder);
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    const fs::path file = folder / "ZM.ini";
    const std::string text = "[HL]\nAN=1\n[HLK10]\n2A=1\n";
    std::ofstream(file) << text;

    const std::size_t writesBefore = machine_->Writes().size();
    const ApplyRun run = Run(file.string());
    EXPECT_EQ(run.code, kExitNotWritten);
    EXPECT_NE(run.err.find("the settings file is root's, but its folder " + folder.string()),
              std::string::npos)
        << run.err;
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
    EXPECT_EQ(machine_->Writes().size(), writesBefore);
}

}  // namespace
}  // namespace zm::app
