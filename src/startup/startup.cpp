// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/startup.h"

#include "cpu/cpu_clocks.h"
#include "settings/boot_apply_record.h"
#include "settings/settings.h"
#include "startup/extended_config.h"
#include "startup/library_check.h"
#include "startup/machine_identity.h"
#include "startup/platform_gate.h"
#include "startup/platform_probe.h"
#include "startup/timings_view.h"
#include "timings/k10/k10_mode.h"
#include "timings/model/channel_selection.h"
#include "timings/session/k10_session.h"
#include "timings/stored/stored_timings.h"

namespace zm::app {
namespace {

void ShowCpuIdentity(StartupResult& result) {
    const ident::CpuIdentity& id = result.cpu;
    CpuView& cpu = result.view.cpu;
    cpu.model = id.model;
    cpu.cpuid = id.cpuidText;
    cpu.revision = id.revision;
    cpu.socket = id.socket;
    cpu.technology = id.technology;
    cpu.coresThreads = id.coresThreads;
}

// The "MotherBoard" group and the memory summary's texts ("Type" and "Chan." belong to the
// platform branch).
void ShowIdentification(StartupResult& result) {
    const ident::MotherboardSummary& board = result.motherboard;
    result.view.motherboard.vendor = board.vendor;
    result.view.motherboard.model = board.model;
    result.view.motherboard.chipset = board.chipset;
    result.view.motherboard.biosVersion = board.biosVersion;
    result.view.motherboard.biosDate = board.biosDate;
    result.view.buttons.spdVisible = board.spdButtonVisible;

    const ident::MemorySummary& memory = result.memory;
    result.view.memory.manufacturer = memory.manufacturer;
    result.view.memory.partNumber = memory.partNumber;
    result.view.memory.partNumberEnabled = memory.partNumberEnabled;
    result.view.memory.speed = memory.speed;
    result.view.memory.size = memory.size;
}

// What every controller kind does once its processor is identified: clock multipliers, the
// timing registers into the model and the drop-downs, and the stored timings when the settings
// file asks for them at start.
void ReadClockMultipliers(StartupContext& context, StartupResult& result,
                          std::optional<timings::K10Mode> k10Mode = std::nullopt) {
    // The report has no measuring thread: a set of clock members of its own, never started.
    os::SteadyClock hostClock;
    os::Clock& clock = context.backend.clock ? *context.backend.clock : hostClock;
    std::optional<cpu::CpuClocks> own;
    cpu::CpuClocks* clocks = context.clocks;
    if (!clocks) clocks = &own.emplace(context.hw, clock, nullptr, nullptr);

    FrequencyView& f = result.view.frequency;
    cpu::FrequencySetup setup;
    if (result.facts.amdPlatform == 1 && k10Mode) {
        setup = clocks->SetUpK10(*k10Mode, result.cpu.coreCount);
    } else if (result.facts.intelPlatform == 1 && result.facts.controller) {
        setup = clocks->SetUpIntel(
            {*result.facts.controller, result.facts.busOffset, 0, result.cpu.maxNonTurboRatio},
            result.cpu.coreCount, result.cpu.minRatio);
        const cpu::PowerFeatureBoxes boxes = setup.boxes.value_or(cpu::PowerFeatureBoxes{});
        f.eist.checked = boxes.eist;
        f.c1e.checked = boxes.c1e;
        f.turbo.checked = boxes.turbo;
        f.multiplierItems = setup.multiplierItems;
        f.multiplierListVisible = true;
    } else {
        return;
    }
    f.uncoreMultiplier = setup.texts.uncore;
    f.linkMultiplier = setup.texts.link;
    f.ramMultiplier = setup.texts.ram;
}

// The stored timing set, when the settings file asks for it at start ("AN" = "1"). "AN" is read
// here, before the controller is; the set itself once the session has decoded the registers, so
// that a timing the file does not hold keeps the controller's value. The set is written only
// into the machine it was taken from, and only once the settings file records that an apply is
// under way; a start that finds that record left by the last one writes nothing and switches
// the apply at start off. A report never writes one.
timings::StoredTimingsSource StoredTimings(StartupContext& context, StartupResult& result) {
    if (context.mode == StartupMode::ReadOnlyReport) return {};
    settings::Settings file(context.settingsPath);
    if (!file.ApplyStoredAtStart()) return {};
    if (file.BootApplyUnderWay()) {
        settings::SwitchOffBootApply(file);
        result.messages.push_back(
            {kCaptionWarning, std::string(settings::kBootApplyInterruptedText)});
        return {};
    }
    timings::MachineIdentity machine = ReadProcessorAndModules(context.hw, *context.backend.cpuid);
    return
        [file, machine, &result](
            const timings::TimingModel& decoded,
            const timings::ChannelFlags& present) mutable -> std::optional<timings::TimingModel> {
            AddControllerIdentity(machine, decoded, present);
            const timings::StoredSetCheck check =
                timings::CheckStoredSet(file, decoded, present, machine);
            if (check != timings::StoredSetCheck::Applies) {
                const std::string_view why = timings::StoredSetRefusal(check);
                if (!why.empty()) result.messages.push_back({kCaptionWarning, std::string(why)});
                return std::nullopt;
            }
            if (!settings::RecordBootApply(file)) {
                result.messages.push_back(
                    {kCaptionWarning, std::string(settings::kBootApplyNotRecordedText)});
                return std::nullopt;
            }
            result.bootApplyRecorded = true;
            return timings::ReadStoredTimings(file, decoded);
        };
}

// Shows the session's drop-downs, or refuses the memory population it found.
void ShowTimings(StartupResult& result, timings::TimingSession session) {
    if (session.error) {
        result.Terminate({std::string(timings::kErrorCaption), *session.error});
        return;
    }
    FillTimingsView(session, result.view);
    // The stored set written at start, read back: what the controller did not take is named.
    const std::string readBack = session.ReadBackText();
    if (!readBack.empty()) result.messages.push_back({kCaptionWarning, readBack});
    result.timings = std::move(session);
}

}  // namespace

void ClearView(StartupResult& result) {
    result.view = MainView{};
}

void StartClockMeasurement(StartupContext& context, StartupResult& /*result*/) {
    // BaseMultiplier is 1.0 until the platform branch reads it, so the first passes are sound.
    // The texts of the "System Frequency" group follow from the thread's passes.
    if (context.clocks && context.startMeasuringThread) context.clocks->StartMeasuring();
}

void SetStartValues(StartupResult& result) {
    result.view.timings.channelSelected = 0;
}

void CheckLibraryFilesStage(StartupContext& context, StartupResult& result) {
    const Messages missing = CheckLibraryFiles(*context.backend.files);
    for (const Message& message : missing) result.messages.push_back(message);
    // Only a missing item the program cannot do without stops it (a warning lets it go on).
    if (missing.empty() || !LibraryCheckRefuses(*context.backend.files)) {
        result.state = StartupState::LibraryFilesFound;
        return;
    }
    result.terminationRequested = true;
}

void ReportBackendNotes(StartupContext& context, StartupResult& result) {
    if (!context.backend.notes) return;
    const std::vector<std::string> notes = context.backend.notes->Diagnostics();
    if (notes.empty()) return;
    std::string text = "Some of this machine could not be reached:";
    for (const std::string& note : notes) text += "\r\n" + note;
    result.messages.push_back({kCaptionWarning, text});
}

void InitializeLibrary(StartupContext& context, StartupResult& result) {
    // The library's answer is not looked at: a library that failed to start shows up as
    // all-ones PCI answers, which the gate refuses.
    context.hw.Initialize();
    result.facts.libraryInitialised = true;
    result.state = StartupState::LibraryInitialised;
}

void ApplyPlatformGateStage(StartupResult& result) {
    GateDecision decision = ApplyPlatformGate(result.facts);
    if (decision.outcome == GateOutcome::Pass) {
        result.state = StartupState::GatePassed;
        return;
    }
    result.Terminate(std::move(*decision.message));
}

void IdentifyChipsetAndMemory(StartupContext& context, StartupResult& result) {
    ident::IdentifyChipsetAndFirstModule(context.hw, result.facts.hostBridgeId, kFirstSpdAddress,
                                         result.motherboard, result.memory);
    ShowIdentification(result);
}

void IdentifyCpuSignature(StartupContext& context, StartupResult& result) {
    result.cpu = ident::IdentifyCommon(*context.backend.cpuid);
    ShowCpuIdentity(result);
}

void ReadSmbiosSummary(StartupContext& context, StartupResult& result) {
    settings::Settings settings(context.settingsPath);
    ident::IdentifyBoardAndMemorySize(context.hw, settings, *context.backend.system,
                                      result.facts.uncoreDeviceId, result.motherboard,
                                      result.memory);
    ShowIdentification(result);
}

void RunK10Branch(StartupContext& context, StartupResult& result) {
    // The memory the controller was set up for fixes the register layout; a north bridge whose
    // configuration matches no known layout is refused here, before anything is written.
    const timings::k10::ModeDecision decision =
        timings::k10::DecideK10Mode(context.hw, result.cpu.combinedFamily);
    if (!decision.mode) {
        const timings::k10::Refusal refusal =
            decision.refusal.value_or(timings::k10::kNotForThisSystem);
        result.Terminate({std::string(refusal.caption), std::string(refusal.text)});
        return;
    }
    ident::IdentifyK10(result.cpu, *context.backend.cpuid, context.hw,
                       timings::K10ModeText(*decision.mode));
    ShowCpuIdentity(result);

    result.facts.controller = timings::ControllerKind::K10;
    result.facts.amdPlatform = 1;
    OpenExtendedConfig(context.hw, result.facts);

    // Power features are Intel's; the multipliers are changed in the CPU settings window.
    FrequencyView& f = result.view.frequency;
    f.eist.enabled = f.c1e.enabled = f.turbo.enabled = false;
    f.multiplierListVisible = false;

    ReadClockMultipliers(context, result, decision.mode);
    ShowTimings(result, timings::StartK10Timings(context.hw, *decision.mode,
                                                 StoredTimings(context, result)));
}

void RunUncoreBranch(StartupContext& context, StartupResult& result) {
    ident::IdentifyIntelUncore(result.cpu, *context.backend.cpuid, context.hw,
                               result.facts.package);
    ShowCpuIdentity(result);
    result.facts.controller = timings::ControllerKind::Uncore;
    result.facts.intelPlatform = 1;

    result.view.frequency.linkCaption = kLinkCaptionQpi;
    result.view.buttons.advancedEnabled = false;

    ReadClockMultipliers(context, result);
    ShowTimings(result, timings::StartUncoreTimings(context.hw, result.facts.busOffset,
                                                    result.facts.probedUncoreDeviceId,
                                                    StoredTimings(context, result)));
}

void RunHostBridgeBranch(StartupContext& context, StartupResult& result) {
    ident::IdentifyIntelHostBridge(result.cpu, *context.backend.cpuid, context.hw);
    ShowCpuIdentity(result);
    result.facts.controller = timings::ControllerKind::HostBridge;
    result.facts.intelPlatform = 1;

    result.view.frequency.linkCaption = kLinkCaptionQpi;
    result.view.buttons.advancedEnabled = false;

    ReadClockMultipliers(context, result);
    ShowTimings(result,
                timings::StartHostBridgeTimings(context.hw, StoredTimings(context, result)));
}

void RunPlatformBranch(StartupContext& context, StartupResult& result) {
    const PlatformFacts& facts = result.facts;
    if (facts.northBridgeDramId == pci_id::kK10DramController)
        RunK10Branch(context, result);
    else if (facts.uncoreDeviceId == pci_id::kBloomfieldUncore)
        RunUncoreBranch(context, result);
    else if (facts.dualChannelUncore)
        RunHostBridgeBranch(context, result);
    if (!result.terminationRequested) result.state = StartupState::BranchDone;
}

StartupResult RunStartup(StartupContext& context) {
    if (context.mode == StartupMode::ReadOnlyReport) {
        context.hw.SetAccessMode(hw::AccessMode::ReadOnly);
    }
    StartupResult result;
    ClearView(result);
    SetStartValues(result);

    CheckLibraryFilesStage(context, result);
    if (result.terminationRequested) return result;
    InitializeLibrary(context, result);

    ProbeUncore(context.hw, result.facts);
    ReadBridgeIds(context.hw, result.facts);
    ApplyPlatformGateStage(result);
    if (result.terminationRequested) {
        // A refusal can come from registers the backend could not read: say which.
        ReportBackendNotes(context, result);
        return result;
    }
    // The measuring thread reads time-stamp counters and MSRs through the library: it starts
    // once the library is initialised and the machine is one the program drives, never on a
    // machine that is being refused or whose library files are missing.
    StartClockMeasurement(context, result);

    IdentifyChipsetAndMemory(context, result);
    IdentifyCpuSignature(context, result);
    ReadSmbiosSummary(context, result);
    RunPlatformBranch(context, result);
    ReportBackendNotes(context, result);
    return result;
}

}  // namespace zm::app
