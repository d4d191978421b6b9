// SPDX-License-Identifier: GPL-3.0-or-later
// --report only reads, on every shipped machine: with the boot switch "AN" = "1" and a stored set
// that differs from the controller, a report writes no timing register, no stored set, no
// multiplier and no power feature, and what it changed to reach the SMBus and the controllers is
// back as it found it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "os/clock.h"
#include "report/run_report.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "startup/machine_identity.h"
#include "startup/startup.h"
#include "support/scratch_folder.h"
#include "timings/model/timing_change.h"
#include "timings/stored/stored_timings.h"

namespace zm::app {
namespace {
namespace fs = std::filesystem;
using sim::WriteRecord;
using timings::ControllerKind;

std::shared_ptr<sim::SimulatedMachine> Fresh(const std::string& profile) {
    return sim::SimulatedMachine::Load(profile, std::make_shared<os::VirtualClock>(false));
}

// The windows' start-up on a fresh machine: the machine afterwards and what the start found.
struct WindowsStart {
    std::shared_ptr<sim::SimulatedMachine> machine;
    StartupResult result;
    timings::MachineIdentity identity;  // what the StartUp window stores with a set

    WindowsStart(const std::string& profile, const fs::path& settings) : machine(Fresh(profile)) {
        Backend backend = SimulatedMachineBackend(machine);
        hw::HardwareAccess hw(*machine);
        StartupContext context{backend, hw, settings.string()};
        context.startMeasuringThread = false;
        result = RunStartup(context);
        if (result.timings) identity = ReadMachineIdentity(hw, *backend.cpuid, *result.timings);
    }
};

unsigned LatchRegister(std::uint64_t latch) {
    return static_cast<unsigned>((latch & 0xFC) | ((latch >> 16) & 0xF00));
}

// What a location a write went to holds on a machine now.
std::uint64_t Holds(const sim::SimulatedMachine& m, const WriteRecord& w) {
    switch (w.kind) {
        case WriteRecord::Kind::Pci:
            return m.Pci((w.address >> 16) & 0xFF, (w.address >> 11) & 0x1F, (w.address >> 8) & 7,
                         LatchRegister(w.address));
        case WriteRecord::Kind::Memory:
            return m.PhysicalDword(w.address & ~std::uint64_t{3});
        case WriteRecord::Kind::Msr:
            return m.Msr(w.processor, static_cast<std::uint32_t>(w.address));
        case WriteRecord::Kind::Port:
            break;
    }
    return 0;
}

// A write into the memory controller: the uncore buses, the K10 DRAM function (0:24.2), the
// host bridge's register window.
bool ReachesController(ControllerKind kind, const sim::SimulatedMachine& m, const WriteRecord& w) {
    switch (kind) {
        case ControllerKind::Uncore:
            return w.kind == WriteRecord::Kind::Pci && ((w.address >> 16) & 0xFF) >= 0x3F;
        case ControllerKind::K10:
            return w.kind == WriteRecord::Kind::Pci && ((w.address >> 8) & 0xFFFF) == 0xC2;
        case ControllerKind::HostBridge: {
            const std::uint64_t base = m.Pci(0, 0, 0, 0x48) & 0xFFFFC000u;
            return w.kind == WriteRecord::Kind::Memory && w.address >= base &&
                   w.address < base + 0x4000;
        }
    }
    return true;
}

// "AN" and every key of the kind's stored set, as the file holds them.
std::vector<std::string> StoredKeys(const fs::path& settings, ControllerKind kind) {
    const settings::IniFile file(settings);
    std::vector<std::string> values{file.ReadString("HL", "AN")};
    for (int ch = 0; ch < timings::StoredChannelCount(kind); ++ch) {
        for (const timings::StoredKey& key : timings::StoredKeys(kind)) {
            values.push_back(file.ReadString(kind == ControllerKind::K10 ? "HLK10" : "HLNHM",
                                             std::to_string(key.number) + char('A' + ch), "-"));
        }
    }
    return values;
}

// Every shipped profile: a stored set one item looser than the controller where the machine has
// a controller whose timings can be stored, "AN" = "1" everywhere.
TEST(ReportReadOnly, EveryShippedMachineEndsAsItStartedAndNoStoredSetIsWritten) {
    const zm::testing::ScratchFolder dir("zm-report-ro");
    const auto profiles = sim::SimulatedMachine::ShippedProfiles();
    ASSERT_GE(profiles.size(), 20u);
    int wouldWrite = 0;
    for (const auto& profile : profiles) {
        const std::string& name = profile.name;
        SCOPED_TRACE(name);
        const fs::path settings = dir / (name + ".ini");
        std::optional<ControllerKind> kind;

        // The StartUp window stores a set with tRCD and tRAS one item looser on every channel.
        {
            WindowsStart first(name, settings);
            settings::Settings file(settings);
            if (first.result.timings) {
                timings::TimingSession& s = *first.result.timings;
                kind = s.model.kind;
                for (int ch = 0; ch < timings::kMaxChannels; ++ch) {
                    for (auto control : {timings::TimingId::tRCD, timings::TimingId::tRAS}) {
                        timings::StoreItem(s.model, ch, control,
                                           timings::DisplayIndex(s.model, ch, control) + 1);
                    }
                }
                ASSERT_TRUE(timings::WriteStoredTimings(file, s.model, s.present, first.identity));
            }
            ASSERT_TRUE(file.SetApplyStoredAtStart(true));
        }
        // Where the windows would write it, the set differs from the controller (DDR2 K10
        // controllers keep some of their stored timings to themselves at start).
        if (kind) {
            const auto fresh = Fresh(name);
            WindowsStart windows(name, settings);
            int changed = 0;
            for (const WriteRecord& w : windows.machine->Writes()) {
                if (ReachesController(*kind, *fresh, w) && Holds(*fresh, w) != w.value) ++changed;
            }
            if (changed > 0) ++wouldWrite;
        }
        const std::vector<std::string> storedBefore =
            StoredKeys(settings, kind.value_or(ControllerKind::K10));

        const auto fresh = Fresh(name);
        const auto machine = Fresh(name);
        Backend backend = SimulatedMachineBackend(machine);
        CommandLine line;
        line.mode = RunMode::Report;
        std::ostringstream out, err;
        Session session(backend, SetupFor(line, settings.string()));
        RunReport(session, out, err);

        for (const WriteRecord& w : machine->Writes()) {
            if (kind) {
                EXPECT_FALSE(ReachesController(*kind, *fresh, w)) << sim::Describe(w);
            }
            EXPECT_NE(w.kind, WriteRecord::Kind::Msr) << sim::Describe(w);
            if (w.kind == WriteRecord::Kind::Port) continue;
            EXPECT_EQ(Holds(*machine, w), Holds(*fresh, w)) << "not put back: " << sim::Describe(w);
        }
        EXPECT_EQ(StoredKeys(settings, kind.value_or(ControllerKind::K10)), storedBefore);
    }
    // A stored set the windows would write is there on most machines, of every controller family.
    std::cout << "[          ] " << wouldWrite << " of " << profiles.size()
              << " machines hold a stored set the windows would write\n";
    EXPECT_GE(wouldWrite, 12);
}

}  // namespace
}  // namespace zm::app
