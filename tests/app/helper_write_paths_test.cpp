// SPDX-License-Identifier: GPL-3.0-or-later
// Every action of the program that writes, on every shipped machine, once on the machine directly
// and once through the privileged helper: the machine must see the same writes and the program
// the same answers, and the helper must refuse nothing. A register the program starts to write
// without naming it in its register map's list fails here first.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "app/apply_stored.h"
#include "cpu/cpu_clocks.h"
#include "cpu/k10_settings_apply.h"
#include "hw/hardware_access.h"
#include "hw/helper_pair.h"
#include "monitor/monitor_fields.h"
#include "monitor/thread_sampling.h"
#include "settings/boot_apply_record.h"
#include "settings/settings.h"
#include "sim/simulated_machine.h"
#include "spd/smbus_discovery.h"
#include "spd/spd_reader.h"
#include "startup/backend_selection.h"
#include "startup/machine_identity.h"
#include "startup/shutdown.h"
#include "startup/startup.h"
#include "startup/timings_view.h"
#include "support/scratch_folder.h"
#include "timings/stored/stored_timings.h"

namespace zm::app {
namespace {

// One action: what reached the machine, and what the program saw.
struct Step {
    std::string action;
    std::vector<sim::WriteRecord> writes;
    std::string seen;
    bool operator==(const Step&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Step& s) {
    out << s.action << " (" << s.seen << "):";
    for (const sim::WriteRecord& w : s.writes) out << "\n  " << sim::Describe(w);
    return out;
}

class Script {
public:
    Script(Backend& backend, sim::SimulatedMachine& machine, const std::string& settings)
        : backend_(backend), machine_(machine), settings_(settings) {}

    std::vector<Step> Run() {
        hw::HardwareAccess hw(*backend_.operations);
        cpu::CpuClocks clocks(hw, *backend_.clock, nullptr, nullptr);
        StartupContext context{backend_, hw, settings_, &clocks};
        context.startMeasuringThread = false;
        StartupResult result;
        Do("start-up", [&] {
            result = RunStartup(context);
            return std::to_string(result.messages.size()) + " messages";
        });
        if (result.state != StartupState::BranchDone) return steps_;
        if (result.timings && !result.timings->error) Timings(hw, *result.timings, clocks);
        if (clocks.State().platform.load() == cpu::CpuPlatform::AmdK10) CpuSettings(hw, clocks);
        if (clocks.Power().Boxes().eist || !clocks.MultiplierItems().empty()) PowerFeatures(clocks);
        Do("SPD", [&] { return Spd(hw); });
        Do("Monitor sampling, both ends of the TJMax list", [&] {
            const auto source = clocks.State().platform.load() == cpu::CpuPlatform::AmdK10
                                    ? monitor::TemperatureSource::AmdK10
                                    : monitor::TemperatureSource::Intel;
            std::string seen;
            for (int tjMax : {0, monitor::kTjMaxItems - 1}) {
                monitor::ThreadResults results{};
                monitor::ReadTemperatures(hw, source, 4, tjMax, results);
                for (int t : results.ThreadTemp) seen += std::to_string(t) + " ";
            }
            return seen;
        });
        Do("shut-down", [&] {
            ReleaseHardware(hw, result.facts);
            return std::string();
        });
        return steps_;
    }

private:
    template <typename Body>
    void Do(const std::string& action, Body body) {
        machine_.ClearWrites();
        std::string seen = body();
        steps_.push_back({action, machine_.Writes(), seen});
    }

    // Every drop-down that can move moves one item, on every selector entry; then Apply with
    // the stored set active, Restore, the set stored and written by the next start-up, and
    // --apply-stored.
    void Timings(hw::HardwareAccess& hw, timings::TimingSession& session, cpu::CpuClocks&) {
        for (int item = 0; item < static_cast<int>(session.selector.items.size()); ++item) {
            Do("timing Apply, selector " + ChannelSetText(session.selector.items[item]), [&] {
                session.SelectItem(item);
                for (const timings::TimingDescriptor& d :
                     timings::Descriptors(session.model.kind)) {
                    const auto control = d.id;
                    const auto size =
                        static_cast<std::int32_t>(session.lists[static_cast<int>(control)].size());
                    if (!session.ControlEnabled(control) || size < 2) continue;
                    session.Change(control, (session.model[0][control] + 1) % size);
                }
                return std::to_string(session.Apply(false).size()) + " not held";
            });
        }
        Do("timing Apply, stored set active",
           [&] { return std::to_string(session.Apply(true).size()) + " not held"; });
        const timings::TimingModel changed = session.model;
        Do("Restore", [&] { return std::to_string(session.Restore().size()) + " not held"; });
        {
            settings::Settings file(settings_);
            spd::DiscoverSmbusController(hw);
            timings::WriteStoredTimings(file, changed, session.present,
                                        ReadMachineIdentity(hw, *backend_.cpuid, session));
        }
        Do("start-up with the stored set", [&] {
            hw::HardwareAccess again(*backend_.operations);
            StartupContext context{backend_, again, settings_, nullptr};
            context.startMeasuringThread = false;
            StartupResult result = RunStartup(context);
            ReleaseHardware(again, result.facts);
            return std::to_string(result.messages.size()) + " messages";
        });
        {
            // As the window does once the start-up that applied the set has run a minute.
            settings::Settings file(settings_);
            settings::ClearBootApply(file);
        }
        Do("--apply-stored", [&] {
            CommandLine line;
            line.mode = RunMode::ApplyStored;
            Session session(backend_, SetupFor(line, settings_));
            std::ostringstream out, err;
            const int code = RunApplyStored(session, out, err);
            return std::to_string(code) + " " + out.str() + err.str();
        });
    }

    // The CPU settings window's Apply: core voltage, every core's multiplier and divisor (all
    // cores, then each core on its own), north-bridge voltage and multiplier.
    void CpuSettings(hw::HardwareAccess& hw, cpu::CpuClocks& clocks) {
        cpu::ClockState& state = clocks.State();
        const bool pvi = clocks.Limits() && clocks.Limits()->pviMode;
        const int startNbFid = clocks.Limits() ? clocks.Limits()->startNbIndex : 0;
        for (bool allCores : {true, false}) {
            Do(std::string("CPU settings Apply, ") + (allCores ? "all cores" : "each core"), [&] {
                cpu::CpuSettingsChoice choice;
                choice.allCores = allCores;
                choice.cpuFid = {8, 9, 10, 11};
                choice.cpuDid = {0, 1, 0, 1};
                choice.cpuVid = 0x20;
                choice.nbVid = 0x22;
                choice.nbFid = startNbFid + 1;
                choice.pviMode = pvi;
                state.HoldCpuVid = 1;
                state.HoldNbVid = 1;
                state.HoldNbMultiplier = 1;
                for (auto& hold : state.HoldCore) hold = 1;
                const auto result = cpu::ApplyCpuSettings(hw, state, choice, startNbFid);
                return std::to_string(result.refused.size()) + " refused";
            });
        }
    }

    // EIST, turbo and C1E each cleared and set again; the highest core multiplier.
    void PowerFeatures(cpu::CpuClocks& clocks) {
        Do("EIST, turbo, C1E", [&] {
            for (bool checked : {false, true}) {
                clocks.EistClick(checked);
                clocks.TurboClick(checked);
                clocks.C1eClick(checked);
            }
            return std::string();
        });
        Do("core multiplier", [&] {
            clocks.CoreMultiplierListChanged(true);
            const int last = static_cast<int>(clocks.MultiplierItems().size()) - 1;
            return std::to_string(clocks.ApplyCoreMultiplier(last));
        });
    }

    std::string Spd(hw::HardwareAccess& hw) {
        if (!spd::DiscoverSmbusController(hw)) return "no SMBus";
        std::string seen;
        for (unsigned slot = 0; slot < 4; ++slot) {
            for (int offset = 0; offset < 64; ++offset)
                seen += std::to_string(spd::ReadSpdByte(hw, *spd::SpdSlaveForSlot(slot),
                                                        static_cast<std::uint8_t>(offset))) +
                        " ";
        }
        return seen;
    }

    Backend& backend_;
    sim::SimulatedMachine& machine_;
    std::string settings_;
    std::vector<Step> steps_;
};

// A fresh settings file, under the same name for both runs: --apply-stored names it.
std::string Settings(const std::filesystem::path& dir, const std::string& profile) {
    std::filesystem::remove_all(dir / profile);
    std::filesystem::create_directories(dir / profile);
    return (dir / profile / "ZM.ini").string();
}

TEST(HelperWritePaths, EveryActionOnEveryShippedMachineIsServedUnchanged) {
    zm::testing::ScratchFolder scratch{"zm-helper-write-paths"};
    const std::filesystem::path& dir = scratch;
    std::size_t profiles = 0, actions = 0, writes = 0;
    for (const auto& profile : sim::SimulatedMachine::ShippedProfiles()) {
        SCOPED_TRACE(profile.name);
        BackendChoice direct = SelectBackend(profile.name, Pace::Instant);
        ASSERT_TRUE(direct.error.empty()) << direct.error;
        auto* directMachine = direct.backend.machine;
        const std::vector<Step> expected =
            Script(direct.backend, *directMachine, Settings(dir, profile.name)).Run();

        BackendChoice served = SelectBackend(profile.name, Pace::Instant);
        auto* machine = served.backend.machine;
        testing::HelperPair pair(*machine, machine);
        Backend window = served.backend;  // cpuid, system facts and clock stay the window's own
        window.operations = &pair.Client();
        window.files = &pair.Client();
        window.notes = &pair.Client();
        const std::vector<Step> actual =
            Script(window, *machine, Settings(dir, profile.name)).Run();

        ASSERT_EQ(actual.size(), expected.size());
        for (std::size_t i = 0; i < actual.size(); ++i) {
            EXPECT_EQ(actual[i], expected[i]);
            writes += expected[i].writes.size();
        }
        EXPECT_EQ(pair.Close(), 0u) << pair.Log();
        ++profiles;
        actions += expected.size();
    }
    EXPECT_EQ(profiles, sim::SimulatedMachine::ShippedProfiles().size());
    std::cout << "[ helper  ] " << profiles << " profiles, " << actions << " actions, " << writes
              << " writes, each the same through the helper\n";
}

}  // namespace
}  // namespace zm::app
