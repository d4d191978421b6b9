// SPDX-License-Identifier: GPL-3.0-or-later
// The window's backend on the far side of the privileged helper's protocol: a report through
// the helper equals the report on the same simulated machine reached directly, and the
// machine sees the same writes (SPD reads apart: through the helper a module's bytes are read in
// runs).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "hw/backends/port_io/port_operations.h"
#include "hw/hardware_access.h"
#include "hw/helper_pair.h"
#include "ident/spd_summary.h"
#include "report/run_report.h"
#include "sim/simulated_machine.h"
#include "spd/smbus_discovery.h"
#include "spd/spd_report.h"
#include "startup/backend_selection.h"
#include "startup/startup.h"

namespace zm::app {
namespace {

struct ReportRun {
    std::string out, err;
    int code = 0;
    std::vector<sim::WriteRecord> writes;
};

std::string FreshSettings(const std::string& name) {
    const std::string path = ::testing::TempDir() + "helper_backend_" + name + ".ini";
    std::remove(path.c_str());
    return path;
}

ReportRun Report(Backend& backend, sim::SimulatedMachine& machine, const std::string& settings) {
    CommandLine line;
    line.mode = RunMode::Report;
    line.json = true;
    std::ostringstream out, err;
    ReportRun run;
    Session session(backend, SetupFor(line, settings));
    run.code = RunReport(session, out, err);
    run.out = out.str();
    run.err = err.str();
    run.writes = machine.Writes();
    return run;
}

// The SMBus host's register writes (the mechanics of SPD reads) apart from every other write.
struct SplitWrites {
    std::uint16_t base = 0;
    std::vector<sim::WriteRecord> smbus, other;
};

SplitWrites SplitSmbusHost(const std::vector<sim::WriteRecord>& writes,
                           sim::SimulatedMachine& machine) {
    hw::HardwareAccess hw(machine);
    const std::uint16_t base = spd::DiscoverSmbusController(hw) ? hw.SmbusBase() : 0;
    SplitWrites split;
    split.base = base;
    for (const sim::WriteRecord& w : writes) {
        const bool host = base != 0 && w.kind == sim::WriteRecord::Kind::Port &&
                          w.address >= base &&
                          w.address <= base + std::uint64_t{hw::smbus::kHostData0};
        (host ? split.smbus : split.other).push_back(w);
    }
    return split;
}

class ReportThroughHelper : public ::testing::TestWithParam<const char*> {};

TEST_P(ReportThroughHelper, EqualsTheDirectReport) {
    const std::string profile = GetParam();
    BackendChoice direct = SelectBackend(profile, Pace::Instant);
    ASSERT_TRUE(direct.error.empty()) << direct.error;
    auto* directMachine = direct.backend.machine;
    const ReportRun expected =
        Report(direct.backend, *directMachine, FreshSettings(profile + "_direct"));

    BackendChoice served = SelectBackend(profile, Pace::Instant);
    ASSERT_TRUE(served.error.empty()) << served.error;
    auto* machine = served.backend.machine;
    testing::HelperPair pair(*machine, machine);
    Backend window = served.backend;  // cpuid, system facts and clock stay the window's own
    window.operations = &pair.Client();
    window.files = &pair.Client();
    window.notes = &pair.Client();
    const ReportRun actual = Report(window, *machine, FreshSettings(profile + "_helper"));

    EXPECT_EQ(actual.out, expected.out);
    EXPECT_EQ(actual.err, expected.err);
    EXPECT_EQ(actual.code, expected.code);
    // Through the helper an SPD decode reads runs of bytes in one request, each byte once,
    // where the direct decode fetches each field by its own transactions: the SMBus host runs
    // other reads, and only reads (every slave address it is given has the read bit set).
    // Every other write is the same, in the same order.
    const SplitWrites viaHelper = SplitSmbusHost(actual.writes, *machine);
    const SplitWrites reached = SplitSmbusHost(expected.writes, *directMachine);
    EXPECT_EQ(viaHelper.other, reached.other);
    EXPECT_EQ(viaHelper.smbus.empty(), reached.smbus.empty());
    for (const sim::WriteRecord& w : viaHelper.smbus) {
        if (w.address == viaHelper.base + std::uint64_t{hw::smbus::kTransmitSlaveAddress}) {
            EXPECT_EQ(w.value & 1, 1u);
        }
    }
    EXPECT_EQ(pair.Close(), 0u) << pair.Log();
    EXPECT_NE(expected.out.find("\"terminated\": false"), std::string::npos) << expected.out;
}

// Apply rewrites every timing register of the controller: each one must be on the helper's
// list of writable registers, with the same writes reaching the machine as directly.
std::vector<sim::WriteRecord> ApplyWrites(Backend& backend, sim::SimulatedMachine& machine,
                                          const std::string& settings) {
    hw::HardwareAccess hw(*backend.operations);
    StartupContext context{backend, hw, settings, nullptr};
    context.startMeasuringThread = false;
    StartupResult result = RunStartup(context);
    if (!result.timings) return {};
    machine.ClearWrites();
    result.timings->Apply(false);
    return machine.Writes();
}

TEST_P(ReportThroughHelper, ApplyWritesTheSameRegisters) {
    const std::string profile = GetParam();
    BackendChoice direct = SelectBackend(profile, Pace::Instant);
    auto* directMachine = direct.backend.machine;
    const auto expected =
        ApplyWrites(direct.backend, *directMachine, FreshSettings(profile + "_apply_direct"));
    ASSERT_FALSE(expected.empty());

    BackendChoice served = SelectBackend(profile, Pace::Instant);
    auto* machine = served.backend.machine;
    testing::HelperPair pair(*machine, machine);
    Backend window = served.backend;
    window.operations = &pair.Client();
    EXPECT_EQ(ApplyWrites(window, *machine, FreshSettings(profile + "_apply_helper")), expected);
    EXPECT_EQ(pair.Close(), 0u) << pair.Log();
}

// One machine of each controller kind: the Intel uncore, the AMD K10 north bridge (whose second
// controller needs the extended configuration form) and the Intel host bridge's memory window.
INSTANTIATE_TEST_SUITE_P(Profiles, ReportThroughHelper,
                         ::testing::Values("x58-bloomfield", "k10-am3-ddr3", "h55-clarkdale"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

// The start-up's module summary asks for its bytes in three requests through the helper (the
// type; every field that type has; the bytes those fields lead to, such as an XMP profile's), and
// reads the same module as the direct summary.
TEST(ModuleSummaryThroughHelper, ThreeRequestsTheSameSummary) {
    const auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
    hw::HardwareAccess direct(*machine);
    ASSERT_TRUE(spd::DiscoverSmbusController(direct));
    const ident::SpdMemorySummary expected = ident::ReadModuleSummary(direct, 0x50);
    ASSERT_FALSE(expected.partNumber.empty());

    testing::HelperPair pair(*machine, machine.get());
    hw::HardwareAccess served(pair.Client());
    served.Initialize();
    served.SetSmbusBase(direct.SmbusBase());
    const std::uint64_t before = pair.Client().RoundTrips();
    const ident::SpdMemorySummary actual = ident::ReadModuleSummary(served, 0x50);
    EXPECT_EQ(pair.Client().RoundTrips() - before, 3u);
    EXPECT_EQ(actual.manufacturer, expected.manufacturer);
    EXPECT_EQ(actual.partNumber, expected.partNumber);
    EXPECT_EQ(actual.speed, expected.speed);
    EXPECT_EQ(actual.clockMhz, expected.clockMhz);
    EXPECT_EQ(pair.Close(), 0u) << pair.Log();
}

TEST(HelperPath, TheInstalledHelperBeforeTheBuildTreesOne) {
    const auto installedOnly = [](const std::filesystem::path& p) {
        return p == "/opt/zm/libexec/zentrimo/zentrimo-helper";
    };
    EXPECT_EQ(HelperPathFor("/opt/zm/bin", installedOnly),
              "/opt/zm/libexec/zentrimo/zentrimo-helper")
        << "exactly the path the installed polkit action names";
    EXPECT_EQ(HelperPathFor("/home/u/zentrimo/build/src", installedOnly),
              "/home/u/zentrimo/build/src/zentrimo-helper");
}

// The report's SPD section asks for every slot's module in one request through the helper (each
// run from byte 0, an empty socket's ending at its first failed byte) and decodes the same
// slots as the direct report.
TEST(SpdSlotsThroughHelper, OneRequestTheSameSlots) {
    const auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
    hw::HardwareAccess direct(*machine);
    const spd::SpdSlotsReport expected = spd::ReadAllSlots(direct);
    ASSERT_TRUE(expected.controllerFound);

    testing::HelperPair pair(*machine, machine.get());
    hw::HardwareAccess served(pair.Client());
    served.Initialize();
    served.SetSmbusBase(direct.SmbusBase());
    const std::uint64_t before = pair.Client().RoundTrips();
    const spd::SpdSlotsReport actual = spd::ReadAllSlots(served);
    EXPECT_EQ(pair.Client().RoundTrips() - before, 1u);
    ASSERT_EQ(actual.modules.size(), expected.modules.size());
    for (std::size_t i = 0; i < expected.modules.size(); ++i) {
        EXPECT_EQ(actual.modules[i].fields, expected.modules[i].fields) << "slot " << i;
        EXPECT_EQ(actual.modules[i].rows, expected.modules[i].rows) << "slot " << i;
        EXPECT_EQ(actual.modules[i].checksum, expected.modules[i].checksum) << "slot " << i;
    }
    EXPECT_TRUE(expected.modules[0].decoded);
    EXPECT_EQ(pair.Close(), 0u) << pair.Log();
}

}  // namespace
}  // namespace zm::app
