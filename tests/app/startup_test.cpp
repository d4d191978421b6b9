// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up sequence on hand-built machines: what it refuses, what it shows, and what the
// shutdown puts back.
#include "startup/startup.h"

#include <gtest/gtest.h>

#include "cpu/cpu_clocks.h"
#include "hand_built_machines.h"
#include "startup/backend_selection.h"
#include "startup/extended_config.h"
#include "startup/shutdown.h"

namespace zm::app {
namespace {

struct Started {
    std::shared_ptr<sim::SimulatedMachine> machine;
    Backend backend;
    hw::HardwareAccess hw;
    StartupResult result;

    explicit Started(std::shared_ptr<sim::SimulatedMachine> m)
        : machine(m), backend(SimulatedMachineBackend(m)), hw(*m) {
        StartupContext context{backend, hw, ""};
        result = RunStartup(context);
    }
};

TEST(Startup, MissingLibraryFilesStopBeforeAnyHardwareAccess) {
    struct Case {
        std::vector<std::string> missing;
        Messages expected;
    };
    const Case cases[] = {
        {{"WinRing0.sys"}, {{"ERROR!", "WinRing0.sys is not find!"}}},
        {{"WinRing0x64.sys", "WinRing0.dll"},
         {{"ERROR!", "WinRing0.dll is not find!"}, {"ERROR!", "WinRing0x64.sys is not find!"}}},
    };
    for (const Case& c : cases) {
        auto machine = testing::Bloomfield();
        machine->SetMissingLibraryFiles(c.missing);
        Started run(machine);
        EXPECT_EQ(run.result.messages, c.expected);
        EXPECT_TRUE(run.result.terminationRequested);
        EXPECT_EQ(run.result.state, StartupState::NotStarted);
        EXPECT_FALSE(run.result.facts.libraryInitialised);
        EXPECT_EQ(machine->Counts().Total(), 0u);
        EXPECT_EQ(run.result.view.cpu.cpuid, "");
        // Leaving touches nothing either.
        ReleaseHardware(run.hw, run.result.facts);
        EXPECT_EQ(machine->Counts().Total(), 0u);
    }
}

TEST(Startup, RefusedMachineStopsAtTheGate) {
    Started warned(testing::MachineWithHostBridge(0x29A08086));
    ASSERT_EQ(warned.result.messages.size(), 1u);
    EXPECT_EQ(warned.result.messages[0].caption, "WARNING!");
    EXPECT_TRUE(warned.result.terminationRequested);
    EXPECT_EQ(warned.result.state, StartupState::LibraryInitialised);
    // cpuid leaf 1 comes after the gate: nothing of the CPU group is shown.
    EXPECT_EQ(warned.result.view.cpu.cpuid, "");
    EXPECT_FALSE(warned.result.facts.controller);

    Started refused(testing::MachineWithHostBridge(0x12345678));
    EXPECT_EQ(refused.result.messages, (Messages{{"ERROR!", "NOT FOR THIS SYSTEM!"}}));
    EXPECT_TRUE(refused.result.terminationRequested);
}

TEST(Startup, BloomfieldShowsTheCpuGroup) {
    Started run(testing::Bloomfield(0xFF));
    ASSERT_TRUE(run.result.messages.empty()) << run.result.messages[0].text;
    EXPECT_FALSE(run.result.terminationRequested);
    EXPECT_EQ(run.result.state, StartupState::BranchDone);
    EXPECT_EQ(run.result.facts.controller, timings::ControllerKind::Uncore);
    EXPECT_EQ(run.result.facts.intelPlatform, 1);
    EXPECT_EQ(run.result.facts.amdPlatform, 0);
    EXPECT_EQ(run.result.facts.busOffset, 0xC00000u);
    const CpuView& cpu = run.result.view.cpu;
    EXPECT_EQ(cpu.model, "Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz");
    EXPECT_EQ(cpu.cpuid, "6A5");
    EXPECT_EQ(cpu.revision, "D0");
    EXPECT_EQ(cpu.socket, "LGA 1366");
    EXPECT_EQ(cpu.technology, "45 nm");
    EXPECT_EQ(cpu.coresThreads, "4 / 8");
    EXPECT_EQ(run.result.view.frequency.linkCaption, "QPI...............");
    EXPECT_FALSE(run.result.view.buttons.advancedEnabled);
}

TEST(Startup, PhenomShowsTheCpuGroupAndOpensExtendedConfig) {
    Started run(testing::PhenomDdr3(false));
    ASSERT_TRUE(run.result.messages.empty()) << run.result.messages[0].text;
    EXPECT_EQ(run.result.facts.controller, timings::ControllerKind::K10);
    EXPECT_EQ(run.result.facts.amdPlatform, 1);
    const CpuView& cpu = run.result.view.cpu;
    EXPECT_EQ(cpu.cpuid, "F42");
    EXPECT_EQ(cpu.revision, "C2");
    EXPECT_EQ(cpu.technology, "45 nm");
    EXPECT_EQ(cpu.socket, "AM3 (941)");
    EXPECT_EQ(cpu.coresThreads, "4 / 4");
    EXPECT_EQ(run.result.cpu.coreCount, 3);
    EXPECT_EQ(run.machine->Pci(0, 24, 3, 0x8C) & 0x4000, 0x4000u);
    EXPECT_FALSE(run.result.view.frequency.eist.enabled);

    Started socketF(testing::PhenomDdr3(false, /*packageType=*/0));
    EXPECT_EQ(socketF.result.view.cpu.socket, "F (1207)");
}

TEST(Startup, K10WithUnknownMemoryTypeIsRefusedBeforeAnyWrite) {
    auto machine = testing::PhenomDdr3(false);
    machine->SetCpuid(1, 0, {0x00000F42, 0, 0, 0});  // family 0Fh: not a K10 controller layout
    Started run(machine);
    EXPECT_EQ(run.result.messages, (Messages{{"ERROR!", "NOT FOR THIS SYSTEM!"}}));
    EXPECT_TRUE(run.result.terminationRequested);
    EXPECT_EQ(machine->Pci(0, 24, 3, 0x8C), 0u);
    ReleaseHardware(run.hw, run.result.facts);
    EXPECT_EQ(machine->Pci(0, 24, 3, 0x8C), 0u);
}

TEST(Startup, MeasuringThreadStartsOnlyOnAMachineThatPassed) {
    struct Case {
        const char* name;
        std::shared_ptr<sim::SimulatedMachine> machine;
        bool running;
    };
    auto missingFile = testing::Bloomfield();
    missingFile->SetMissingLibraryFiles({"WinRing0x64.sys"});
    const Case cases[] = {
        {"passes", testing::Bloomfield(), true},
        {"missing library file", missingFile, false},
        {"chipset controller", testing::MachineWithHostBridge(0x2E208086), false},
        {"unknown", testing::MachineWithHostBridge(0x12345678), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Backend backend = SimulatedMachineBackend(c.machine);
        hw::HardwareAccess hw(*c.machine);
        cpu::CpuClocks clocks(hw, *backend.clock, nullptr, nullptr);
        StartupContext context{backend, hw, "", &clocks};
        const StartupResult result = RunStartup(context);
        EXPECT_EQ(clocks.Thread().Running(), c.running);
        clocks.StopMeasuring();
        EXPECT_EQ(result.terminationRequested, !c.running);
    }
}

TEST(Shutdown, LeavesF3x8CBit14AsItWasAtStart) {
    for (bool atStart : {false, true}) {
        SCOPED_TRACE(atStart ? "bit set at start" : "bit clear at start");
        auto machine = testing::PhenomDdr3(atStart);
        machine->SetPci(0, 24, 3, 0x8C, machine->Pci(0, 24, 3, 0x8C) | 0x00000A01);
        const std::uint32_t before = machine->Pci(0, 24, 3, 0x8C);
        Started run(machine);
        EXPECT_EQ(run.result.facts.savedExtendedConfigBit, atStart ? 1 : 0);
        machine->ClearWrites();
        ReleaseHardware(run.hw, run.result.facts);
        EXPECT_EQ(machine->Pci(0, 24, 3, 0x8C), before);
        const std::vector<sim::WriteRecord> writes = machine->Writes();
        if (atStart) {
            EXPECT_TRUE(writes.empty());
        } else {
            ASSERT_EQ(writes.size(), 1u);
            EXPECT_EQ(writes[0].kind, sim::WriteRecord::Kind::Pci);
            EXPECT_EQ(writes[0].address, kF3x8CAddress);
            EXPECT_EQ(writes[0].value, before);
        }
        // A second Exit path (window closed after Exit) changes nothing more.
        machine->ClearWrites();
        ReleaseHardware(run.hw, run.result.facts);
        EXPECT_TRUE(machine->Writes().empty());
    }
}

}  // namespace
}  // namespace zm::app

namespace zm::app {
namespace {

// The Lynnfield uncore asks for its configuration-unlock write (device 3, function 0, 0x68) on
// every start, whatever the lock state; the probe's forced 0x2C1C id must not hide that.
TEST(Startup, LynnfieldUncoreGetsItsConfigurationUnlockWrite) {
    auto machine = sim::SimulatedMachine::Load("p55-lynnfield");
    Started run(machine);
    ASSERT_TRUE(run.result.messages.empty());
    EXPECT_EQ(run.result.facts.probedUncoreDeviceId, 0x2C9C8086u);
    EXPECT_EQ(run.result.facts.uncoreDeviceId, 0x2C1C8086u);
    const sim::WriteRecord unlock{sim::WriteRecord::Kind::Pci, 0x80FF1868, 2, 4, 0};
    const auto writes = machine->Writes();
    EXPECT_NE(std::find(writes.begin(), writes.end(), unlock), writes.end());

    // The Bloomfield uncore has no such register: it is never written there.
    auto bloomfield = sim::SimulatedMachine::Load("x58-bloomfield");
    Started other(bloomfield);
    for (const sim::WriteRecord& w : bloomfield->Writes())
        EXPECT_NE(w.address & 0xFFFF00FFu, 0x80001868u & 0xFFFF00FFu) << sim::Describe(w);
}

}  // namespace
}  // namespace zm::app
