// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up with the boot switch "AN" set, on the shipped simulated machines: the stored timing
// set reaches the controller's registers as its keys say, what the file does not hold keeps the
// controller's value, a set the StartUp window writes comes back on the next start, only on the
// machine it was taken from, and an apply that did not survive is not made again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hw/bit_field.h"
#include "settings/boot_apply_record.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "sim/machines_dir.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "startup/machine_identity.h"
#include "startup/startup.h"
#include "support/scratch_folder.h"
#include "timings/k10/k10_registers.h"
#include "timings/model/timing_change.h"
#include "timings/stored/stored_timings.h"
#include "timings/uncore/uncore_registers.h"

namespace zm::app {
namespace {
namespace fs = std::filesystem;
using sim::WriteRecord;
using timings::TimingId;
using I = timings::TimingId;

struct StartedRun {
    std::shared_ptr<sim::SimulatedMachine> machine;
    Backend backend;
    hw::HardwareAccess hw;
    StartupResult result;

    // `change` alters the machine before the program starts on it.
    StartedRun(const std::string& profile, const fs::path& settings,
               const std::function<void(sim::SimulatedMachine&)>& change = {})
        : machine(sim::SimulatedMachine::Load(profile)),
          backend(SimulatedMachineBackend(machine)),
          hw(*machine) {
        if (change) change(*machine);
        StartupContext context{backend, hw, settings.string()};
        result = RunStartup(context);
    }

    // The writes into registers: configuration space and memory (the SMBus's SPD reads are
    // port writes).
    std::vector<WriteRecord> Writes() const {
        std::vector<WriteRecord> writes;
        for (const WriteRecord& w : machine->Writes())
            if (w.kind == WriteRecord::Kind::Pci || w.kind == WriteRecord::Kind::Memory)
                writes.push_back(w);
        return writes;
    }

    // What the StartUp window stores: "AN" = "1", the set the window shows and this machine's
    // identity.
    void StoreSet(const fs::path& settings) {
        settings::Settings file(settings);
        const timings::TimingSession& session = *result.timings;
        ASSERT_TRUE(timings::WriteStoredTimings(file, session.model, session.present,
                                                ReadMachineIdentity(hw, *backend.cpuid, session)));
    }
    // The identity alone, beside keys a test writes itself.
    void StoreIdentity(const fs::path& settings) {
        settings::Settings file(settings);
        const timings::TimingSession& session = *result.timings;
        ASSERT_TRUE(file.SetStoredIdentity(timings::StoredFamily(session.model.kind),
                                           ReadMachineIdentity(hw, *backend.cpuid, session)));
    }

    // Channel's item text of a drop-down as the main window shows it.
    std::string Shown(TimingId id, int channel) const {
        for (const TimingControlView& c : result.view.timings.controls) {
            if (c.id == id) return c.ItemText(c.channelIndex[channel]);
        }
        return "(no such timing)";
    }
};

class StoredStartup : public ::testing::Test {
protected:
    fs::path Settings() const { return dir_ / "ZM.ini"; }
    fs::path NoSettings() const { return dir_ / "none.ini"; }
    void Put(const std::string& text) const {
        fs::remove(Settings());
        if (!text.empty()) std::ofstream(Settings(), std::ios::binary) << text;
    }

private:
    zm::testing::ScratchFolder dir_{"zm-stored-start"};
};

// A configuration address as the 0xCF8 latch holds it, with the AMD extended-register bits.
unsigned LatchRegister(std::uint64_t latch) {
    return static_cast<unsigned>((latch & 0xFC) | ((latch >> 16) & 0xF00));
}

// What the register a write went to held before the program started.
std::uint32_t Before(const sim::SimulatedMachine& fresh, const WriteRecord& w) {
    if (w.kind == WriteRecord::Kind::Memory) return fresh.PhysicalDword(w.address);
    return fresh.Pci((w.address >> 16) & 0xFF, (w.address >> 11) & 0x1F, (w.address >> 8) & 7,
                     LatchRegister(w.address));
}

// The writes of `with` that `without` does not have (which must be all of `without`'s, in
// order, with the extra ones in between).
std::vector<WriteRecord> ExtraWrites(const std::vector<WriteRecord>& with,
                                     const std::vector<WriteRecord>& without) {
    std::vector<WriteRecord> extra;
    std::size_t j = 0;
    for (const WriteRecord& w : with) {
        if (j < without.size() && w == without[j]) {
            ++j;
        } else {
            extra.push_back(w);
        }
    }
    EXPECT_EQ(j, without.size()) << "a write of the plain start is missing";
    return extra;
}

// The last value written to an address, if any.
std::optional<std::uint32_t> LastWritten(const std::vector<WriteRecord>& writes,
                                         std::uint64_t address) {
    std::optional<std::uint32_t> value;
    for (const WriteRecord& w : writes) {
        if (w.address == address) value = static_cast<std::uint32_t>(w.value);
    }
    return value;
}

struct Profile {
    const char* name;
    std::size_t storedWrites;  // registers the stored set rewrites
};
const Profile kProfiles[] = {
    {"x58-bloomfield", 21},          // uncore: seven registers of A, B and C
    {"h55-clarkdale", 14},           // host bridge: seven registers of A and B
    {"k10-am3-ddr3", 10},            // both controllers
    {"k10-am3-ddr3-dct0-only", 10},  // unganged: DCT1 too while the stored set is applied
    {"k10-am3-ddr3-ganged", 5},      // one controller driven through DCT0
    {"k10-am2plus-ddr2", 10},       {"k10-am2plus-ddr2-1066", 10},
};

// The stored run rewrote the profile's registers, each with the value it held before the
// program started, on top of every write the plain run made.
void ExpectStoredSetWritesBackAsRead(const Profile& p, const StartedRun& stored,
                                     const StartedRun& plain) {
    const auto fresh = sim::SimulatedMachine::Load(p.name);
    const auto extra = ExtraWrites(stored.Writes(), plain.Writes());
    EXPECT_EQ(extra.size(), p.storedWrites);
    for (const WriteRecord& w : extra) {
        EXPECT_EQ(w.value, Before(*fresh, w)) << sim::Describe(w);
    }
}

TEST_F(StoredStartup, SetStoredUnchangedWritesBackExactlyWhatWasRead) {
    for (const Profile& p : kProfiles) {
        SCOPED_TRACE(p.name);
        Put("");
        StartedRun plain(p.name, Settings());
        ASSERT_FALSE(plain.result.terminationRequested);
        plain.StoreSet(Settings());
        const StartedRun stored(p.name, Settings());
        ASSERT_FALSE(stored.result.terminationRequested);
        EXPECT_TRUE(stored.result.messages.empty());
        EXPECT_TRUE(stored.result.bootApplyRecorded);

        ExpectStoredSetWritesBackAsRead(p, stored, plain);
        for (std::size_t i = 0; i < plain.result.view.timings.controls.size(); ++i) {
            const auto& a = plain.result.view.timings.controls[i];
            const auto& b = stored.result.view.timings.controls[i];
            EXPECT_EQ(a.channelIndex, b.channelIndex) << a.name;
            EXPECT_EQ(a.items, b.items);
        }
        EXPECT_EQ(plain.result.view.buttons.applyEnabled, stored.result.view.buttons.applyEnabled);
    }
}

// "AN" = "1" without any stored key: there is no set, and nothing is written.
TEST_F(StoredStartup, SwitchWithoutKeysWritesNothing) {
    Put("");
    const StartedRun plain("x58-bloomfield", Settings());
    Put("[HL]\nAN=1\n");
    const StartedRun stored("x58-bloomfield", Settings());
    EXPECT_EQ(stored.Writes(), plain.Writes());
    EXPECT_TRUE(stored.result.messages.empty());
    EXPECT_FALSE(stored.result.bootApplyRecorded);
}

// Numbers that name no item of any list (a hand-edited file) are never encoded: every register
// is written back as it was read.
TEST_F(StoredStartup, KeysNamingNoItemLeaveTheRegistersAsRead) {
    for (const Profile& p : kProfiles) {
        SCOPED_TRACE(p.name);
        Put("");
        StartedRun plain(p.name, Settings());
        ASSERT_TRUE(plain.result.timings);
        const timings::ControllerKind kind = plain.result.timings->model.kind;
        plain.StoreSet(Settings());
        settings::Settings file(Settings());
        for (int ch = 0; ch < timings::StoredChannelCount(kind); ++ch) {
            for (const timings::StoredKey& key : timings::StoredKeys(kind)) {
                file.SetStoredKey(timings::StoredFamily(kind), key.number, ch, ch == 1 ? -5 : 9999);
            }
        }
        const StartedRun stored(p.name, Settings());
        ASSERT_FALSE(stored.result.terminationRequested);

        ExpectStoredSetWritesBackAsRead(p, stored, plain);
    }
}

TEST_F(StoredStartup, SwitchOtherThanOneWritesNoTimings) {
    for (const char* an : {"true", "yes", "0", " 1x"}) {
        SCOPED_TRACE(an);
        Put("");
        const StartedRun plain("k10-am3-ddr3", Settings());
        Put(std::string("[HL]\nAN=") + an + "\n[HLK10]\n2A=7\n2B=7\n");
        const StartedRun stored("k10-am3-ddr3", Settings());
        EXPECT_EQ(stored.Writes(), plain.Writes());
        EXPECT_EQ(stored.Shown(I::tRCD, 0), plain.Shown(I::tRCD, 0));
    }
}

// Where a controller's registers lie: the uncore's bus offset, the host bridge's register window.
std::uint64_t ControllerBase(const StartedRun& run) {
    switch (run.result.facts.controller.value_or(timings::ControllerKind::K10)) {
        case timings::ControllerKind::Uncore:
            return run.result.facts.busOffset;
        case timings::ControllerKind::HostBridge:
            return run.machine->Pci(0, 0, 0, 0x48) & 0xFFFFC000;
        case timings::ControllerKind::K10:
            break;
    }
    return 0;
}

// Each case: the file, register fields the start must have written (address relative to
// ControllerBase), and what the window shows.
struct FieldCheck {
    std::uint64_t address;
    hw::Field field;
    std::uint32_t value;
};
struct ShownCheck {
    TimingId control;
    int channel;
    const char* text;
};
struct StoredCase {
    const char* profile;
    const char* file;
    std::vector<FieldCheck> fields;
    std::vector<ShownCheck> shown;
};

TEST_F(StoredStartup, StoredKeysReachTheRegistersAndTheDropDowns) {
    using timings::uncore::ChannelRegisterAddress;
    using timings::uncore::Reg;
    using K = timings::k10::Register;
    const auto k10 = [](K reg, int dct) { return timings::k10::RegisterAddress(reg, dct); };
    const StoredCase cases[] = {
        {"x58-bloomfield",
         "[HL]\nAN=1\n[HLNHM]\n2A=6\n3B=7\n21C=40\n20A=5\n",
         {{ChannelRegisterAddress(0, Reg::BankTiming), {12, 9}, 8},
          {ChannelRegisterAddress(1, Reg::BankTiming), {3, 0}, 9},
          {ChannelRegisterAddress(2, Reg::RefreshTiming), {8, 0}, 40}},
         {{I::tRCD, 0, "8"}, {I::tRP, 1, "9"}, {I::tRFC, 2, "40"}}},
        {"h55-clarkdale",
         "[HL]\nAN=1\n[HLNHM]\n3A=1\n11A=1\n22B=3\n6A=10\n",
         {{0x250, {31, 29}, 1}, {0x254, {0, 0}, 1}, {0x668, {21, 8}, 0xE3C}, {0x250, {10, 6}, 15}},
         {{I::tRP, 0, "9"}, {I::tREFI, 1, "3644T"}, {I::tWTP, 0, "15"}}},
        {"k10-am3-ddr3",
         "[HL]\nAN=1\n[HLK10]\n10A=9\n17B=100\n18A=0\n",
         {{k10(K::TimingHigh, 0), {11, 10}, 1},
          {k10(K::DramControl, 0), {9, 8}, 2},
          {k10(K::DramControl, 1), {31, 22}, 120},
          {k10(K::ConfigLow, 0), {22, 20}, 0}},
         {{I::tWRRD, 0, "9"}, {I::MaxReadLatency, 1, "120"}, {I::IdleCycleLimit, 0, "Disab."}}},
        {"k10-am2plus-ddr2",
         "[HL]\nAN=1\n[HLK10]\n30A=1\n24B=1\n",  // key 30 does not exist; 24 is tWTR
         {{k10(K::TimingHigh, 1), {9, 8}, 2}},
         {{I::tWTR, 1, "2"}}},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(c.profile);
        Put("");
        StartedRun plain(c.profile, Settings());
        Put(c.file);
        plain.StoreIdentity(Settings());
        const StartedRun run(c.profile, Settings());
        ASSERT_FALSE(run.result.terminationRequested);
        const auto writes = run.Writes();
        for (const FieldCheck& f : c.fields) {
            const auto value = LastWritten(writes, ControllerBase(run) + f.address);
            ASSERT_TRUE(value) << std::hex << f.address;
            EXPECT_EQ(f.field.Get(*value), f.value) << std::hex << f.address;
        }
        for (const ShownCheck& s : c.shown) {
            EXPECT_EQ(run.Shown(s.control, s.channel), s.text)
                << static_cast<int>(s.control) << " channel " << s.channel;
        }
    }
}

TEST_F(StoredStartup, GangedPairNeverWritesDct1WhateverTheBKeysSay) {
    Put("");
    StartedRun plain("k10-am3-ddr3-ganged", Settings());
    Put("[HL]\nAN=1\n[HLK10]\n2A=2\n2B=5\n");
    plain.StoreIdentity(Settings());
    const StartedRun run("k10-am3-ddr3-ganged", Settings());
    ASSERT_FALSE(run.result.terminationRequested);
    for (const WriteRecord& w : run.Writes()) {
        if (w.kind != WriteRecord::Kind::Pci) continue;
        EXPECT_EQ(LatchRegister(w.address) & 0xF00, 0u) << sim::Describe(w);
    }
    EXPECT_EQ(run.Shown(I::tRCD, 0), "7");
}

// What the StartUp window writes for the current timings comes back on the next start, on
// every controller kind.
TEST_F(StoredStartup, SetWrittenByTheStartUpWindowIsWhatTheNextStartShows) {
    struct Change {
        TimingId control;
        const char* text;
    };
    struct Case {
        const char* profile;
        std::vector<Change> changes;  // made with the selector as start-up leaves it
    };
    const Case cases[] = {
        {"x58-bloomfield", {{I::tRCD, "8"}, {I::tREFI, "4000"}, {I::B2BCasDelay, "6"}}},
        {"h55-clarkdale", {{I::tRP, "10"}, {I::tREFI, "3644T"}, {I::tRTP, "6"}}},
        {"k10-am3-ddr3", {{I::tWRRD, "9"}, {I::tRDRD, "7"}, {I::IdleCycleLimit, "Disab."}}},
        {"k10-am3-ddr3-ganged", {{I::tWRWR, "8"}, {I::tRCD, "6"}}},
        {"k10-am2plus-ddr2", {{I::tRWTO, "5"}, {I::IdleCycleLimit, "64"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        Put("");
        StartedRun first(c.profile, Settings());
        ASSERT_TRUE(first.result.timings);
        timings::TimingSession& session = *first.result.timings;
        for (const Change& change : c.changes) {
            const auto& items = session.lists[static_cast<int>(change.control)];
            const auto at = std::find(items.begin(), items.end(), change.text);
            ASSERT_NE(at, items.end()) << change.text;
            session.Change(change.control, static_cast<std::int32_t>(at - items.begin()));
        }
        first.StoreSet(Settings());

        const StartedRun next(c.profile, Settings());
        ASSERT_FALSE(next.result.terminationRequested);
        for (int ch : next.result.view.timings.channels) {
            for (const timings::TimingDescriptor& d : timings::Descriptors(session.model.kind)) {
                const TimingId control = d.id;
                const auto& items = session.lists[static_cast<std::size_t>(control)];
                const std::int32_t index = timings::DisplayIndex(session.model, ch, control);
                const std::string expected =
                    index >= 0 && static_cast<std::size_t>(index) < items.size() ? items[index]
                                                                                 : "";
                EXPECT_EQ(next.Shown(control, ch), expected) << d.shortName << " channel " << ch;
            }
        }
        for (const Change& change : c.changes) {
            EXPECT_EQ(next.Shown(change.control, 0), change.text);
        }
    }
}

// A set is written only into the machine it was taken from: not into another controller kind
// that shares its section, not with another module in a slot, and on its own machine it is.
TEST_F(StoredStartup, SetIsWrittenOnlyIntoTheMachineItWasTakenFrom) {
    Put("");
    StartedRun source("x58-bloomfield", Settings());
    ASSERT_TRUE(source.result.timings);
    timings::TimingSession& session = *source.result.timings;
    const std::int32_t tighter = session.model[0][I::tRCD] - 1;  // one clock less tRCD
    session.Change(I::tRCD, tighter);
    source.StoreSet(Settings());
    const std::string changed = session.lists[static_cast<int>(I::tRCD)][tighter];
    const std::string refusedText =
        "The stored timings were taken with other memory modules and were not applied. Store "
        "the current ones with StartUp.";

    const auto otherModule = [](sim::SimulatedMachine& m) {
        std::ifstream in(
            sim::MachinesDirectory() + "/data/spd/ddr3-udimm-samsung-M378B5173DB0-CK0.bin",
            std::ios::binary);
        m.SetSpd(2, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    };
    struct Case {
        const char* what;
        const char* profile;
        std::function<void(sim::SimulatedMachine&)> change;
        bool written;
        const char* message;
    };
    const Case cases[] = {
        {"another controller kind",
         "h55-clarkdale",
         {},
         false,
         "The stored timings were taken on another memory controller and were not applied. "
         "Store the current ones with StartUp."},
        {"another module in slot 2", "x58-bloomfield", otherModule, false, refusedText.c_str()},
        {"the machine it came from", "x58-bloomfield", {}, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = settings::IniFile(Settings()).ReadString("HLNHM", "2A");
        const StartedRun plain(c.profile, NoSettings(), c.change);
        const StartedRun run(c.profile, Settings(), c.change);
        ASSERT_FALSE(run.result.terminationRequested);
        if (c.written) {
            EXPECT_NE(run.Writes(), plain.Writes());
            EXPECT_EQ(run.Shown(I::tRCD, 0), changed);
            EXPECT_TRUE(run.result.messages.empty());
        } else {
            EXPECT_EQ(run.Writes(), plain.Writes()) << "nothing but the plain start's writes";
            ASSERT_EQ(run.result.messages.size(), 1u);
            EXPECT_EQ(run.result.messages[0].text, c.message);
        }
        // The set stays in the file whatever happened.
        EXPECT_EQ(settings::IniFile(Settings()).ReadString("HLNHM", "2A"), file);
        EXPECT_EQ(settings::IniFile(Settings()).ReadString("HL", "AN"), "1");
    }
}

// The record that an apply at start is under way: a start that finds it (the last one did not
// survive its apply) writes nothing, says so and switches the apply at start off; a start that
// runs a minute after its apply clears it.
TEST_F(StoredStartup, ApplyThatDidNotSurviveIsNotMadeAgain) {
    Put("");
    StartedRun plain("k10-am3-ddr3", Settings());
    plain.StoreSet(Settings());

    const StartedRun applied("k10-am3-ddr3", Settings());
    ASSERT_TRUE(applied.result.bootApplyRecorded);
    EXPECT_NE(applied.Writes(), plain.Writes());
    settings::IniFile file(Settings());
    EXPECT_TRUE(settings::Settings(Settings()).BootApplyUnderWay());

    // The machine hung: the next start finds the record.
    const StartedRun next("k10-am3-ddr3", Settings());
    EXPECT_EQ(next.Writes(), plain.Writes());
    EXPECT_FALSE(next.result.bootApplyRecorded);
    ASSERT_EQ(next.result.messages.size(), 1u);
    EXPECT_EQ(next.result.messages[0].text, settings::kBootApplyInterruptedText);
    EXPECT_EQ(file.ReadString("HL", "AN"), "0");
    EXPECT_FALSE(settings::Settings(Settings()).BootApplyUnderWay());
    EXPECT_FALSE(file.ReadString("HLK10", "1A").empty()) << "the set stays";

    // Switched on again; this start runs on for a minute after its apply (across the tick
    // count's wrap).
    file.WriteFlag("HL", "AN", true);
    const StartedRun again("k10-am3-ddr3", Settings());
    ASSERT_TRUE(again.result.bootApplyRecorded);
    settings::BootApplyWatch watch(Settings().string(), 0xFFFFF000u);
    EXPECT_FALSE(watch.Tick(0xFFFFF000u + settings::kBootApplySurvivalMs - 1));
    EXPECT_TRUE(settings::Settings(Settings()).BootApplyUnderWay());
    EXPECT_TRUE(watch.Tick(0xFFFFF000u + settings::kBootApplySurvivalMs));
    EXPECT_FALSE(settings::Settings(Settings()).BootApplyUnderWay());
    EXPECT_EQ(file.ReadString("HL", "AN"), "1");
    const StartedRun later("k10-am3-ddr3", Settings());
    EXPECT_TRUE(later.result.bootApplyRecorded) << "applied again, with no message";
    EXPECT_TRUE(later.result.messages.empty());
}

}  // namespace
}  // namespace zm::app
