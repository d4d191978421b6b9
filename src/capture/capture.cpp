// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/capture.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <ostream>

#include "capture/capture_reading.h"
#include "capture/profile_writer.h"
#include "capture/recording_library.h"
#include "cpu/clock_measuring_thread.h"
#include "cpu/cpu_clocks.h"
#include "cpu/tsc_rate.h"
#include "os/clock.h"
#include "startup/platform_probe.h"
#include "startup/startup.h"
#include "startup/version.h"

namespace zm::app {
namespace {

constexpr unsigned kMaxProcessors = 64;  // what a profile can describe

// The names a profile's missing_library_files can hold (the Windows access library's files).
bool ProfileKnowsFile(const std::string& name) {
    return name == "WinRing0.dll" || name == "WinRing0.sys" || name == "WinRing0x64.sys";
}

std::string Today() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
    return text;
}

std::string Trimmed(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "<brand>; <board>, <chipset>; <memory>; captured <date>" from what the start-up showed.
std::string Description(const sim::MachineCapture& c, const StartupResult& result,
                        const std::string& date) {
    std::string text = c.brandString ? Trimmed(*c.brandString) : "unknown processor";
    const MotherboardView& board = result.view.motherboard;
    const std::string boardText = Trimmed(Trimmed(board.vendor) + " " + Trimmed(board.model));
    if (!boardText.empty()) text += "; " + boardText;
    if (!board.chipset.empty()) text += (boardText.empty() ? "; " : ", ") + Trimmed(board.chipset);
    const MemoryView& memory = result.view.memory;
    const std::string memoryText =
        Trimmed(Trimmed(memory.type) + " " + Trimmed(memory.size) + " " + Trimmed(memory.speed));
    if (!memoryText.empty()) text += "; memory " + memoryText;
    if (result.terminationRequested && !result.messages.empty()) {
        std::string why = result.messages.front().text;
        if (const auto end = why.find('\r'); end != std::string::npos) why.resize(end);
        text += "; the start-up refuses it (" + why + ")";
    }
    return text + "; captured " + date;
}

std::string Comment(const CaptureOptions& options, const std::string& date,
                    const capture::Masking& masking, const capture::Missed& missed) {
    std::string text =
        std::string("Captured by ") + kProgramTitle + " (zentrimo --capture) on " + date + ".";
    if (options.keepSerials) {
        text += " Serial numbers kept as read (--capture-keep-serials).";
    } else if (masking.spdSerials + masking.smbiosFields == 0) {
        text += " No serial numbers were read.";
    } else {
        text +=
            " Serial numbers replaced with zeros (--capture-keep-serials keeps them): the SPD "
            "serials of " +
            std::to_string(masking.spdSerials) + " module(s)";
        if (masking.spdCrcRecomputed)
            text += " (DDR3 CRC recomputed where it covers the serial and was right)";
        if (masking.spdCrcLeftWrong) text += " (a DDR3 CRC that was already wrong is left as read)";
        text += " and " + std::to_string(masking.smbiosFields) +
                " SMBIOS field(s) (system, baseboard, chassis and memory-device serials, system "
                "UUID).";
    }
    if (!missed.empty()) {
        text += " Not captured:";
        for (const std::string& m : missed) text += " " + m + ";";
        text.back() = '.';
    }
    return text;
}

}  // namespace

CaptureResult CaptureMachine(Backend chosen, SessionSetup setup, const CaptureOptions& options) {
    CaptureResult out;
    capture::Missed missed;
    capture::Masking masking;
    sim::MachineCapture c;
    const std::string date = options.date.empty() ? Today() : options.date;

    // Every access is recorded; only the writes that reach the SMBus and the controllers'
    // registers pass, and they are undone at the end.
    auto recording = std::make_unique<hw::RecordingOperations>(
        *chosen.operations, hw::RecordingOperations::Writes::ReachOnly);
    hw::RecordingOperations& recorder = *recording;
    Session session(std::move(chosen), std::move(setup), std::move(recording));
    Backend& backend = session.Backend();
    hw::HardwareAccess& hw = session.Hardware();
    os::Clock& clock = session.Clock();
    session.Start();
    const StartupResult& result = session.Startup();
    out.refused = result.terminationRequested;

    const bool accepted = !result.terminationRequested;
    if (!accepted && !result.messages.empty()) {
        std::string why = result.messages.front().text;
        if (const auto end = why.find('\r'); end != std::string::npos) why.resize(end);
        missed.push_back("the start-up stopped (\"" + why +
                         "\"), so what it reads after that point (SMBIOS, SPD, clocks, timings) "
                         "was not read");
    }
    if (accepted && (result.facts.intelPlatform || result.facts.amdPlatform)) {
        session.Clocks().MeasureOnce(clock);  // the registers a measuring pass reads
    }
    for (const hw::LibraryFile& file : backend.files->Files()) {
        if (file.present) continue;
        if (ProfileKnowsFile(file.name)) c.missingLibraryFiles.push_back(file.name);
        missed.push_back(file.name + " is missing");
    }
    if (!result.facts.libraryInitialised) {
        // The start-up stopped before touching the hardware. Whatever the backend can still
        // reach is worth having: the identities the start-up would have probed first.
        hw.Initialize();
        session.LibraryOpened();
        PlatformFacts probe;
        ProbeUncore(hw, probe);
        ReadBridgeIds(hw, probe);
    }

    capture::ReadCpuid(*backend.cpuid, c);
    const unsigned processors = std::min(backend.system->ProcessorCount(), kMaxProcessors);
    c.processors = std::max(processors, 1u);
    if (const auto readings = cpu::TakeTscReadings(hw, clock, [] { return false; })) {
        if (const double mhz = cpu::NextTscMhz(0.0, *readings); mhz > 0.0) c.tscMhz = mhz;
    }
    if (!c.tscMhz) missed.push_back("time-stamp rate: no two measurements agreed");

    std::set<std::uint32_t> msrs = recorder.Msrs();
    if (accepted) msrs.merge(capture::WindowMsrs(*backend.cpuid));
    const std::vector<hw::OriginalValue> originals = recorder.Originals();
    capture::ReadMsrs(hw, msrs, *c.processors, originals, c, missed);
    capture::ReadPciFunctions(hw, recorder.PciFunctions(), originals, c);
    capture::ReadMemory(hw, recorder.MemoryReads(), originals, options.keepSerials, c, missed,
                        masking);
    // Discovery runs once the gate passed; the SPD of a machine refused after that was read.
    capture::ReadSpd(hw, options.keepSerials, c, missed, masking);
    if (result.state >= StartupState::GatePassed && !c.smbusBase)
        missed.push_back("SPD: no SMBus host controller found");

    const os::MemoryStatus memory = backend.system->GlobalMemoryStatus();
    if (memory.availPhys <= memory.totalPhys && memory.availPageFile <= memory.totalPageFile &&
        memory.availVirtual <= memory.totalVirtual && memory.memoryLoad <= 100) {
        c.memoryStatus = memory;
    } else {
        missed.push_back("memory status: the operating system's figures do not add up");
    }

    // Put back what the start-up changed, then let go of the hardware as the report does.
    recorder.RestoreOriginals();
    session.RegistersPutBack();
    session.End();

    c.description = Description(c, result, date);
    c.comment = Comment(options, date, masking, missed);
    out.profile = sim::WriteProfile(c);
    out.missed = std::move(missed);
    return out;
}

int RunCapture(Backend backend, SessionSetup setup, std::ostream& out, std::ostream& err) {
    const CommandLine line = setup.line;
    CaptureOptions options;
    options.keepSerials = line.captureKeepSerials;
    const CaptureResult result = CaptureMachine(std::move(backend), std::move(setup), options);
    for (const std::string& m : result.missed) err << "zentrimo: not captured: " << m << "\n";
    if (line.captureFile == "-") {
        out << result.profile;
    } else {
        std::ofstream file(line.captureFile, std::ios::binary | std::ios::trunc);
        file << result.profile;
        file.close();
        if (!file) {
            err << "zentrimo: cannot write " << line.captureFile << "\n";
            return 2;
        }
        err << "zentrimo: profile written to " << line.captureFile
            << " (run it with: zentrimo --machine " << line.captureFile << ")\n";
    }
    return result.ExitCode();
}

}  // namespace zm::app
