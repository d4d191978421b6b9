// SPDX-License-Identifier: GPL-3.0-or-later
// --capture on the simulated machines: a captured machine runs exactly like the one it was
// captured from, the capture changes nothing, and serial numbers stay private unless asked.
#include "capture/capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "capture/capture_privacy.h"
#include "hw/pci_address.h"
#include "os/clock.h"
#include "report/run_report.h"
#include "sim/hex_dump.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"

namespace zm::app {
namespace {

using nlohmann::json;

std::shared_ptr<os::Clock> InstantClock() {
    return std::make_shared<os::VirtualClock>(false);
}

struct ReportRun {
    int exitCode = -1;
    json report;
    std::string err;
};

ReportRun Report(std::shared_ptr<sim::SimulatedMachine> machine) {
    Backend backend = SimulatedMachineBackend(std::move(machine));
    CommandLine line;
    line.mode = RunMode::Report;
    line.json = true;
    std::ostringstream out, err;
    ReportRun run;
    Session session(backend, SetupFor(line, ""));
    run.exitCode = RunReport(session, out, err);
    run.report = json::parse(out.str());
    run.report.erase("machine");  // the simulated machine's name
    run.err = err.str();
    return run;
}

CaptureResult Capture(const std::shared_ptr<sim::SimulatedMachine>& machine,
                      bool keepSerials = false) {
    CommandLine line;
    line.mode = RunMode::Capture;
    return CaptureMachine(SimulatedMachineBackend(machine), SetupFor(line, ""),
                          CaptureOptions{keepSerials, "2026-12-07"});
}

std::shared_ptr<sim::SimulatedMachine> Load(const std::string& profile) {
    return sim::SimulatedMachine::Load(profile, InstantClock());
}

std::shared_ptr<sim::SimulatedMachine> LoadCaptured(const CaptureResult& captured) {
    return sim::SimulatedMachine::FromProfileText(captured.profile, "captured.json",
                                                  InstantClock());
}

// The main check: every shipped machine, captured and loaded back, gives the report its
// original gives (the same refusal for one the start-up refuses).
TEST(Capture, EveryShippedMachineRunsTheSameFromItsCapture) {
    const auto profiles = sim::SimulatedMachine::ShippedProfiles();
    ASSERT_GE(profiles.size(), 20u);
    for (const auto& profile : profiles) {
        SCOPED_TRACE(profile.name);
        const CaptureResult captured = Capture(Load(profile.name), /*keepSerials=*/true);
        const ReportRun original = Report(Load(profile.name));
        const ReportRun copy = Report(LoadCaptured(captured));
        EXPECT_EQ(copy.exitCode, original.exitCode);
        EXPECT_EQ(copy.report, original.report);
        EXPECT_EQ(copy.err, original.err);
        EXPECT_EQ(captured.refused, original.exitCode != 0);
        // A machine the start-up takes is captured whole.
        if (original.exitCode == 0) {
            EXPECT_EQ(captured.missed, std::vector<std::string>{});
        }
    }
}

// Writes a capture may make: the few that reach the SMBus and the controllers' registers.
bool IsReachWrite(const sim::WriteRecord& w) {
    using sim::WriteRecord;
    if (w.kind == WriteRecord::Kind::Port) return true;  // SMBus host transactions
    if (w.kind == WriteRecord::Kind::Pci) {
        const auto at = static_cast<std::uint32_t>(w.address) & ~3u;
        return at == hw::PciConfigAddress(0, 31, 0, 0xF0) ||  // chipset block decode
               at == hw::PciConfigAddress(0, 31, 3, 0x20) ||  // SMBus I/O base enable
               at == hw::PciConfigAddress(0, 31, 3, 0x40) ||  // SMBus host enable
               at == hw::PciConfigAddress(0, 24, 3, 0x8C) ||  // K10 extended registers
               at == hw::PciConfigAddress(0, 0, 0, 0x48);     // controller window enable
    }
    if (w.kind == WriteRecord::Kind::Memory) return (w.address & 0x3FFF) == 0x3418;
    return false;  // no MSR
}

TEST(Capture, WritesNoTimingRegisterAndLeavesTheMachineAsFound) {
    for (const char* profile : {"x58-bloomfield", "p55-smbus-hidden", "k10-am3-ddr3"}) {
        SCOPED_TRACE(profile);
        const auto machine = Load(profile);
        const CaptureResult first = Capture(machine);
        for (const sim::WriteRecord& w : machine->Writes())
            EXPECT_TRUE(IsReachWrite(w)) << sim::Describe(w);
        // Captured again, the machine shows exactly what it showed the first time.
        EXPECT_EQ(Capture(machine).profile, first.profile);
    }
    const auto hidden = Load("p55-smbus-hidden");
    Capture(hidden);
    EXPECT_EQ(hidden->RootComplexRegister(0x3418) & 0x8, 0x8u);  // hidden again
}

std::vector<std::uint8_t> Hex(const json& text) {
    return sim::ParseHexBytes(text.get<std::string>()).value();
}

bool Contains(const std::vector<std::uint8_t>& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

TEST(Capture, SerialNumbersAreMaskedUnlessKept) {
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep);
        const json profile = json::parse(Capture(Load("x58-bloomfield"), keep).profile);
        const auto spd = Hex(profile["smbus"]["slots"]["0"]["hex"]);
        const std::vector<std::uint8_t> serial(spd.begin() + 122, spd.begin() + 126);
        const std::vector<std::uint8_t> kept{0x86, 0x3C, 0x51, 0x9C}, zeros(4, 0);
        EXPECT_EQ(serial, keep ? kept : zeros);
        EXPECT_TRUE(Ddr3CrcValid(spd));
        std::vector<std::uint8_t> table;
        for (const json& block : profile["memory"]) {
            if (block["comment"] == "SMBIOS structure table") table = Hex(block["hex"]);
        }
        ASSERT_FALSE(table.empty());
        EXPECT_EQ(Contains(table, "H4SYG1S"), keep);         // system and chassis serial
        EXPECT_EQ(Contains(table, "CN7170359S1758"), keep);  // baseboard serial
        EXPECT_EQ(Contains(table, "0104C523"), keep);        // a memory device's serial
        EXPECT_TRUE(Contains(table, "PowerEdge 1800"));      // everything else stays
        const std::string comment = profile["comment"];
        EXPECT_EQ(comment.find("replaced with zeros") != std::string::npos, !keep);
    }
}

// A DDR3 image with serial 5A5A5A5A; byte 0 bit 7 set: the CRC covers bytes 0..116 only.
std::vector<std::uint8_t> Ddr3Image(bool shortCoverage, bool rightCrc) {
    std::vector<std::uint8_t> image(256, 0x11);
    image[0] = shortCoverage ? 0x92 : 0x12;
    image[2] = 0x0B;
    for (int i = 122; i < 126; ++i) image[i] = 0x5A;
    const std::uint16_t crc = Ddr3Crc(image) ^ (rightCrc ? 0 : 1);
    image[126] = static_cast<std::uint8_t>(crc);
    image[127] = static_cast<std::uint8_t>(crc >> 8);
    return image;
}

TEST(CapturePrivacy, SpdSerialZeroedAndTheCrcKeptHonest) {
    struct Case {
        bool shortCoverage, rightCrc;
        bool recomputed, leftWrong, validAfter;
    };
    const Case cases[] = {
        {false, true, true, false, true},    // covers the serial, was right: recomputed
        {false, false, false, true, false},  // covers the serial, was wrong: left as read
        {true, true, false, false, true},    // does not cover the serial: untouched
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shortCoverage * 10 + c.rightCrc);
        std::vector<std::uint8_t> image = Ddr3Image(c.shortCoverage, c.rightCrc);
        const std::vector<std::uint8_t> before = image;
        const SpdMasking m = MaskSpdSerial(image);
        EXPECT_TRUE(m.masked);
        EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 122, image.begin() + 126),
                  std::vector<std::uint8_t>(4, 0));
        EXPECT_EQ(m.crcRecomputed, c.recomputed);
        EXPECT_EQ(m.crcLeftWrong, c.leftWrong);
        EXPECT_EQ(Ddr3CrcValid(image), c.validAfter);
        if (!c.recomputed) {
            EXPECT_EQ(image[126], before[126]);
            EXPECT_EQ(image[127], before[127]);
        }
    }

    std::vector<std::uint8_t> ddr2(256, 0x22);
    ddr2[2] = 0x08;
    EXPECT_TRUE(MaskSpdSerial(ddr2).masked);
    EXPECT_EQ(std::vector<std::uint8_t>(ddr2.begin() + 95, ddr2.begin() + 99),
              std::vector<std::uint8_t>(4, 0));
    EXPECT_EQ(ddr2[63], 0x22);  // the checksum covers bytes 0..62 only
}

TEST(Capture, CommandLine) {
    const CommandLine file = ParseCommandLine({"zentrimo", "--capture", "m.json"});
    EXPECT_EQ(file.mode, RunMode::Capture);
    EXPECT_EQ(file.captureFile, "m.json");
    EXPECT_FALSE(file.captureKeepSerials);
    const CommandLine out =
        ParseCommandLine({"zentrimo", "--capture", "-", "--capture-keep-serials"});
    EXPECT_EQ(out.captureFile, "-");
    EXPECT_TRUE(out.captureKeepSerials);
    EXPECT_FALSE(ParseCommandLine({"zentrimo", "--capture"}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"zentrimo", "--capture-keep-serials"}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"zentrimo", "--capture", "-", "--report"}).error.empty());
}

}  // namespace
}  // namespace zm::app
