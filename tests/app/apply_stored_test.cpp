// --apply-stored on simulated machines: the stored set reaches the controller, and a file that
// does not ask for one touches no register.
#include "app/apply_stored.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/backend_selection.h"
#include "app/startup.h"
#include "os/clock.h"
#include "settings/boot_apply_record.h"
#include "settings/ini_file.h"
#include "sim/simulated_machine.h"

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
        dir_ = fs::temp_directory_path() / ("zm-apply-stored-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        // Time that moves as fast as the program sleeps: the minute it waits after the apply
        // passes at once.
        machine_ = sim::SimulatedMachine::Load("k10-am3-ddr3",
                                               std::make_shared<os::VirtualClock>(false));
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Settings(const std::string& text) const {
        const fs::path file = dir_ / "ZM.ini";
        fs::remove(file);
        if (!text.empty()) std::ofstream(file, std::ios::binary) << text;
        return file.string();
    }
    ApplyRun Run(const std::string& settings) {
        Backend backend = SimulatedMachineBackend(machine_);
        std::ostringstream out, err;
        const int code = RunApplyStored(backend, settings, out, err);
        return {code, out.str(), err.str()};
    }
    // The item the first channel's tCL drop-down shows on a start without a stored set.
    int ShownTcl() {
        Backend backend = SimulatedMachineBackend(machine_);
        hw::HardwareAccess hw(*machine_);
        StartupContext context{backend, hw, (dir_ / "none.ini").string()};
        context.startMeasuringThread = false;
        const StartupResult result = RunStartup(context);
        return result.view.timings.controls[static_cast<int>(timings::TimingControl::Combo2A)]
            .channelIndex[0];
    }

    fs::path dir_;
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
    EXPECT_FALSE(settings::BootApplyUnderWay(settings::IniFile(dir_ / "ZM.ini")));
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

}  // namespace
}  // namespace zm::app
