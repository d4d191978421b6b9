// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's construction without the window: the ordered detection stages that decide
// what machine this is, refuse the ones the program cannot drive, and fill the view the window
// and the report show. Every stage is a function of its own, called in this order:
//
//   1  ClearView                 empty texts
//   3  (window only)             layout by screen density
//   4  SetStartValues            first channel-selector entry
//   5  CheckLibraryFiles         one "ERROR!" per missing file, then stop: no hardware touched
//   6  InitializeLibrary
//   7  ProbeUncore               Intel uncore on bus 0x3F / 0x7F / 0xFF
//   8  ReadBridgeIds             AMD north bridge, host bridge
//   9  ApplyPlatformGate         warning or refusal, then stop
//   2  StartClockMeasurement     the clock-measurement thread, only on a machine that passed:
//                                it reads the hardware, which a refused machine must not see
//  10  IdentifyChipsetAndMemory  chipset name, spd button, SMBus, first module's summary
//  11  IdentifyCpuSignature      cpuid leaf 1
//  12  ReadSmbiosSummary         motherboard, BIOS, memory size
//  13  RunPlatformBranch         exactly one of K10 / Uncore / HostBridge / none
//  14  ReportBackendNotes        one warning naming what the backend could not reach, if any
//
// A stage that refuses the machine adds its message and sets terminationRequested; nothing
// after it runs, and the window must not become usable.

#include <memory>
#include <optional>
#include <string>

#include "hw/hardware_access.h"
#include "ident/cpu_identification.h"
#include "ident/system_summary.h"
#include "startup/backend.h"
#include "startup/main_view.h"
#include "startup/messages.h"
#include "startup/platform_facts.h"
#include "timings/model/timing_model.h"
#include "timings/session/timing_session.h"

namespace zm::cpu {
class CpuClocks;
}

namespace zm::app {

// The memory summary is the first module's: SPD EEPROMs answer from 7-bit address 0x50 up.
inline constexpr std::uint8_t kFirstSpdAddress = 0x50;

// How far the start-up got.
enum class StartupState {
    NotStarted,
    LibraryFilesFound,
    LibraryInitialised,
    GatePassed,
    BranchDone,
};

// What the start-up may change. The windows' start writes the stored timing set when the
// settings file asks for it ("AN" = "1"). The report's start only reads: the hardware access
// drops every write but the few that reach the SMBus and the controllers (hw::AccessMode), which
// the release puts back, and the stored set is never even read.
enum class StartupMode { Windows, ReadOnlyReport };

struct StartupContext {
    Backend& backend;
    hw::HardwareAccess& hw;
    // The settings file (ZM.ini beside the executable, or --settings FILE).
    std::string settingsPath;
    // The window's clock members and measuring thread; without them (the report) the
    // multipliers are still read, and no thread runs.
    cpu::CpuClocks* clocks = nullptr;
    // The windows measure on the background thread; the report measures once, itself.
    bool startMeasuringThread = true;
    StartupMode mode = StartupMode::Windows;
};

struct StartupResult {
    StartupState state = StartupState::NotStarted;
    PlatformFacts facts;
    ident::CpuIdentity cpu;
    // Motherboard and memory summary with the numbers behind the texts: the first module's
    // memory clock, the SMBIOS module sizes and their total (the Monitor's memory scale).
    ident::MotherboardSummary motherboard;
    ident::MemorySummary memory;
    // The timing drop-downs' model and lists, and the Apply that writes them; set by the
    // platform branch.
    std::optional<timings::TimingSession> timings;
    MainView view;
    Messages messages;  // in the order they were raised
    bool terminationRequested = false;
    // The stored timing set was written at start and the settings file records it as under
    // way: the window clears the record once the program has run a minute
    // (settings::BootApplyWatch).
    bool bootApplyRecorded = false;

    // Refuse the machine: record the message and stop the sequence.
    void Terminate(Message message) {
        messages.push_back(std::move(message));
        terminationRequested = true;
    }
};

StartupResult RunStartup(StartupContext& context);

// The stages, for tests and for the pieces that extend them.
void ClearView(StartupResult& result);
void StartClockMeasurement(StartupContext& context, StartupResult& result);
void SetStartValues(StartupResult& result);
void CheckLibraryFilesStage(StartupContext& context, StartupResult& result);
void InitializeLibrary(StartupContext& context, StartupResult& result);
void ApplyPlatformGateStage(StartupResult& result);
void IdentifyChipsetAndMemory(StartupContext& context, StartupResult& result);
void IdentifyCpuSignature(StartupContext& context, StartupResult& result);
void ReadSmbiosSummary(StartupContext& context, StartupResult& result);
void RunPlatformBranch(StartupContext& context, StartupResult& result);
void ReportBackendNotes(StartupContext& context, StartupResult& result);

void RunK10Branch(StartupContext& context, StartupResult& result);
void RunUncoreBranch(StartupContext& context, StartupResult& result);
void RunHostBridgeBranch(StartupContext& context, StartupResult& result);

}  // namespace zm::app
