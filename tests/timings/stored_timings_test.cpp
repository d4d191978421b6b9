// SPDX-License-Identifier: GPL-3.0-or-later
// The stored timing sets of the settings file: the boot switch, which keys the StartUp window
// writes and in what order, what each key holds, and reading a set back on top of the timings
// decoded from the controller.
#include "timings/stored/stored_timings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "intel_test_machines.h"
#include "support/scratch_folder.h"
#include "timings/model/timing_change.h"

namespace zm::timings {
namespace {
namespace fs = std::filesystem;
using I = TimingId;

class StoredTimingsTest : public ::testing::Test {
protected:
    settings::IniFile File() const { return settings::IniFile(dir_ / "ZM.ini"); }
    settings::Settings Store() const { return settings::Settings(dir_ / "ZM.ini"); }
    void Put(const std::string& text) const {
        std::ofstream(dir_ / "ZM.ini", std::ios::binary) << text;
    }
    void Reset() const { fs::remove(dir_ / "ZM.ini"); }

    // The keys of a section in the order the file holds them.
    std::vector<std::string> KeysOf(std::string_view section) const {
        std::ifstream in(dir_ / "ZM.ini", std::ios::binary);
        std::vector<std::string> keys;
        bool inside = false;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line.front() == '[') {
                inside = line == "[" + std::string(section) + "]";
            } else if (inside && line.find('=') != std::string::npos) {
                keys.push_back(line.substr(0, line.find('=')));
            }
        }
        return keys;
    }

private:
    zm::testing::ScratchFolder dir_{"zm-stored"};
};

// "1A".."27A"-style names for the given numbers and channel.
std::vector<std::string> Names(std::initializer_list<std::pair<int, int>> ranges, char channel) {
    std::vector<std::string> names;
    for (const auto& [first, last] : ranges) {
        for (int n = first; n <= last; ++n) names.push_back(std::to_string(n) + channel);
    }
    return names;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The identity keys every stored set ends with.
std::vector<std::string> IdentityKeys() {
    std::vector<std::string> keys = {"Controller", "Channels", "Processor"};
    for (int slot = 0; slot < kIdentitySlotCount; ++slot)
        keys.push_back("Module" + std::to_string(slot + 1));
    return keys;
}

TimingModel EmptyModel(ControllerKind kind, std::optional<K10Mode> mode = std::nullopt) {
    TimingModel m;
    m.kind = kind;
    m.k10Mode = mode;
    return m;
}

TEST_F(StoredTimingsTest, OnlyTheTextOneAsksForTheStoredSet) {
    struct Case {
        const char* file;
        bool requested;
    };
    const Case cases[] = {
        {"[HL]\nAN=1\n", true},     {"[HL]\nAN= 1 \n", true},
        {"[HL]\nAN=true\n", false}, {"[HL]\nAN=yes\n", false},
        {"[HL]\nAN=0\n", false},    {"[HL]\nAN=01\n", false},
        {"[HL]\nST=1\n", false},    {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Put(std::string(c.file) + "[HLNHM]\n2A=6\n");
        EXPECT_EQ(Store().ApplyStoredAtStart(), c.requested);
        const StoredTimingsSource source = StoredTimingsAtStart(Store());
        ASSERT_EQ(static_cast<bool>(source), c.requested);
        if (source) {
            const std::optional<TimingModel> set =
                source(EmptyModel(ControllerKind::Uncore), {true, false, false});
            ASSERT_TRUE(set);
            EXPECT_EQ((*set)[kChannelA][I::tRCD], 6);
        }
    }
}

TEST_F(StoredTimingsTest, K10WritesChannelBOnlyForAnUngangedPairWithBothControllersPopulated) {
    struct Case {
        const char* what;
        bool ganged;
        ChannelFlags present;
        bool bKeys;
    };
    const Case cases[] = {
        {"ganged", true, {true, false, false}, false},
        {"ganged, both read as populated", true, {true, true, false}, false},
        {"unganged, both populated", false, {true, true, false}, true},
        {"unganged, DCT0 only", false, {true, false, false}, false},
    };
    const auto aKeys = Names({{1, 27}}, 'A');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        TimingModel m = EmptyModel(ControllerKind::K10, K10Mode::Ddr3);
        m.ganged = c.ganged;
        settings::Settings file = Store();
        EXPECT_TRUE(WriteStoredTimings(file, m, c.present, {}));
        EXPECT_EQ(File().ReadString("HL", "AN"), "1");
        EXPECT_EQ(KeysOf("HLK10"),
                  Concat(c.bKeys ? Concat(aKeys, Names({{1, 27}}, 'B')) : aKeys, IdentityKeys()));
        EXPECT_TRUE(KeysOf("HLNHM").empty());
    }
}

TEST_F(StoredTimingsTest, IntelWritesEveryPopulatedChannelAndTheSwitchOnlyWithChannelA) {
    const auto uncore = [](char ch) { return Names({{2, 27}}, ch); };
    const auto hostBridge = [](char ch) { return Names({{2, 4}, {6, 28}}, ch); };
    struct Case {
        const char* what;
        ControllerKind kind;
        ChannelFlags present;
        std::vector<std::string> keys;
        const char* an;  // what "AN" holds afterwards; the file starts with "AN=0"
    };
    const Case cases[] = {
        {"uncore A", ControllerKind::Uncore, {true, false, false}, uncore('A'), "1"},
        {"uncore A B C",
         ControllerKind::Uncore,
         {true, true, true},
         Concat(Concat(uncore('A'), uncore('B')), uncore('C')),
         "1"},
        {"uncore B C without A",
         ControllerKind::Uncore,
         {false, true, true},
         Concat(uncore('B'), uncore('C')),
         "0"},
        {"host bridge A B",
         ControllerKind::HostBridge,
         {true, true, false},
         Concat(hostBridge('A'), hostBridge('B')),
         "1"},
        {"host bridge B without A",
         ControllerKind::HostBridge,
         {false, true, true},
         hostBridge('B'),
         "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put("[HL]\nAN=0\n");
        settings::Settings file = Store();
        EXPECT_TRUE(WriteStoredTimings(file, EmptyModel(c.kind), c.present, {}));
        EXPECT_EQ(File().ReadString("HL", "AN"), c.an);
        EXPECT_EQ(KeysOf("HLNHM"), Concat(c.keys, IdentityKeys()));
        EXPECT_TRUE(KeysOf("HLK10").empty());
    }
}

// The keys whose number is not the drop-down's own, as the file format defines them.
TEST_F(StoredTimingsTest, KeysHoldTheirTimings) {
    // Every timing holds 100 + its drop-down's number on channel A, 200 + on B.
    const auto numbered = [](ControllerKind kind) {
        TimingModel m =
            EmptyModel(kind, kind == ControllerKind::K10 ? std::optional<K10Mode>(K10Mode::Ddr2_800)
                                                         : std::nullopt);
        for (int ch = 0; ch < 2; ++ch) {
            for (const TimingDescriptor& d : Descriptors(kind)) {
                m[ch][d.id] = 100 * (ch + 1) + d.slot;
            }
            m[ch].trpHighBit = ch;
            m.uncoreSpare[static_cast<std::size_t>(ch)] = 50 + ch;
        }
        return m;
    };
    struct Case {
        ControllerKind kind;
        const char* key;
        std::int32_t value;
    };
    const Case cases[] = {
        {ControllerKind::K10, "1A", 101},         {ControllerKind::K10, "19A", 119},
        {ControllerKind::K10, "20A", 126},        {ControllerKind::K10, "25A", 131},
        {ControllerKind::K10, "26A", 120},        {ControllerKind::K10, "27B", 221},
        {ControllerKind::Uncore, "2A", 102},      {ControllerKind::Uncore, "19B", 219},
        {ControllerKind::Uncore, "20A", 50},      {ControllerKind::Uncore, "20B", 51},
        {ControllerKind::Uncore, "21A", 127},     {ControllerKind::Uncore, "25A", 131},
        {ControllerKind::Uncore, "26A", 120},     {ControllerKind::Uncore, "27A", 121},
        {ControllerKind::HostBridge, "3A", 103},  {ControllerKind::HostBridge, "6A", 129},
        {ControllerKind::HostBridge, "7A", 131},  {ControllerKind::HostBridge, "8A", 126},
        {ControllerKind::HostBridge, "9A", 120},  {ControllerKind::HostBridge, "10A", 107},
        {ControllerKind::HostBridge, "11A", 0},   {ControllerKind::HostBridge, "11B", 1},
        {ControllerKind::HostBridge, "12A", 109}, {ControllerKind::HostBridge, "13A", 108},
        {ControllerKind::HostBridge, "14A", 130}, {ControllerKind::HostBridge, "15A", 114},
        {ControllerKind::HostBridge, "18A", 111}, {ControllerKind::HostBridge, "19A", 115},
        {ControllerKind::HostBridge, "20A", 127}, {ControllerKind::HostBridge, "21A", 128},
        {ControllerKind::HostBridge, "22B", 206}, {ControllerKind::HostBridge, "23A", 110},
        {ControllerKind::HostBridge, "26A", 118}, {ControllerKind::HostBridge, "28A", 121},
    };
    for (ControllerKind kind :
         {ControllerKind::K10, ControllerKind::Uncore, ControllerKind::HostBridge}) {
        Reset();
        settings::Settings file = Store();
        WriteStoredTimings(file, numbered(kind), {true, true, true}, {});
        for (const Case& c : cases) {
            if (c.kind != kind) continue;
            EXPECT_EQ(
                File().ReadInteger(kind == ControllerKind::K10 ? "HLK10" : "HLNHM", c.key, -1),
                c.value)
                << c.key;
        }
    }
}

// Writing a set and reading it back on top of other decoded timings gives the set again, with
// what each kind keeps beside its indices.
TEST_F(StoredTimingsTest, WrittenSetReadsBackWhole) {
    struct Case {
        const char* what;
        ControllerKind kind;
        std::optional<K10Mode> mode;
    };
    const Case cases[] = {
        {"K10 DDR3", ControllerKind::K10, K10Mode::Ddr3},
        {"K10 DDR2-800", ControllerKind::K10, K10Mode::Ddr2_800},
        {"uncore", ControllerKind::Uncore, std::nullopt},
        {"host bridge", ControllerKind::HostBridge, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        TimingModel decoded = EmptyModel(c.kind, c.mode);
        decoded.refreshPeriodRaw = 0x1234;
        const int channels = StoredChannelCount(c.kind);
        TimingModel set = decoded;
        for (int ch = 0; ch < channels; ++ch) {
            for (const StoredKey& key : StoredKeys(c.kind)) {
                if (key.slot == StoredSlot::Item) {
                    StoreItem(set, ch, key.id, (key.number * 7 + ch * 3) % 13 + 1);
                }
            }
        }
        // What each kind keeps beside the index.
        if (c.kind == ControllerKind::K10) {
            StoreItem(set, kChannelA, I::tWRRD, 9);  // DDR3: low 1, high 2
            StoreItem(set, kChannelB, I::tRDRD, 10);
            StoreItem(set, kChannelA, I::IdleCycleLimit, 0);  // enable bit 0
            StoreItem(set, kChannelB, I::IdleCycleLimit, 3);
        }
        if (c.kind == ControllerKind::HostBridge) {
            set[kChannelA][I::tRP] = 1;  // tRP 9 as read: low bits 1, high bit 1
            set[kChannelA].trpHighBit = 1;
            StoreItem(set, kChannelB, I::tRP, 6);  // tRP "8" chosen: the value 8, high 1
            set[kChannelA][I::tREFI] = 16;         // the unlisted refresh period
        }
        set.uncoreSpare = {7, -3, 12};
        if (c.kind != ControllerKind::Uncore) set.uncoreSpare = {};
        ASSERT_EQ(c.kind == ControllerKind::K10 && c.mode == K10Mode::Ddr3,
                  set[kChannelA].turnaroundHigh[0] == 2);

        settings::Settings file = Store();
        ASSERT_TRUE(WriteStoredTimings(file, set, {true, true, true}, {}));
        const TimingModel read = ReadStoredTimings(Store(), decoded);
        for (int ch = 0; ch < channels; ++ch) EXPECT_EQ(read[ch], set[ch]) << "channel " << ch;
        EXPECT_EQ(read.uncoreSpare, set.uncoreSpare);
        EXPECT_EQ(read.refreshPeriodRaw, 0x1234u);
    }
}

// A key that is missing or unreadable leaves the timing as the controller holds it.
TEST_F(StoredTimingsTest, KeysTheFileDoesNotHoldKeepTheDecodedValues) {
    TimingModel decoded = EmptyModel(ControllerKind::HostBridge);
    for (int ch = 0; ch < 2; ++ch) {
        for (const TimingDescriptor& d : Descriptors(ControllerKind::HostBridge))
            decoded[ch][d.id] = 3 + ch;
        decoded[ch].trpHighBit = 1;
    }
    Put("[HL]\nAN=1\n[HLNHM]\n2A=7\n4A=abc\n6A= 5 \n7A=\n10A=99\n11A=2\n11B=0\n3B=$A\n"
        "3A=16\n");
    const TimingModel read = ReadStoredTimings(Store(), decoded);

    struct Case {
        int channel;
        I control;
        std::int32_t value;
    };
    const Case cases[] = {
        {kChannelA, I::tRCD, 7},       {kChannelA, I::tRAS, 3},  // "abc": decoded
        {kChannelA, I::tWTP, 5},       {kChannelA, I::tRTP, 3},  // empty: decoded
        {kChannelA, I::tPALL_ACT, 99},  // no range check: the codec refuses it
        {kChannelB, I::tRP, 10},       {kChannelB, I::tRCD, 4},  // missing: decoded
        {kChannelA, I::tCL, 3},                                  // no key at all
    };
    for (const Case& c : cases) {
        EXPECT_EQ(read[c.channel][c.control], c.value)
            << TimingShortName(ControllerKind::HostBridge, c.control) << c.channel;
    }
    EXPECT_EQ(read[kChannelA].trpHighBit, 1) << "2 is no bit value";
    EXPECT_EQ(read[kChannelB].trpHighBit, 0);
}

TEST_F(StoredTimingsTest, K10KeysCarryTheExtrasOfTheirDropDowns) {
    TimingModel decoded = EmptyModel(ControllerKind::K10, K10Mode::Ddr3);
    StoreItem(decoded, kChannelA, I::IdleCycleLimit, 2);
    StoreItem(decoded, kChannelB, I::IdleCycleLimit, 0);
    StoreItem(decoded, kChannelB, I::tWRWR, 6);
    Put("[HLK10]\n18A=0\n18B=4\n10A=9\n");
    const TimingModel read = ReadStoredTimings(Store(), decoded);
    EXPECT_EQ(read[kChannelA].idleCycleLimitEnable, 0);
    EXPECT_EQ(read[kChannelB].idleCycleLimitEnable, 1);
    EXPECT_EQ(read[kChannelA][I::tWRRD], 1);
    EXPECT_EQ(read[kChannelA].turnaroundHigh[0], 2);
    // Missing: the decoded turnaround, high part included.
    EXPECT_EQ(DisplayIndex(read, kChannelB, I::tWRWR), 6);
}

// The host bridge's extras through the file and a start: tRP's high bit, and a refresh period
// none of the listed ones, stored as index 16 and written as the unlisted period read then.
TEST_F(StoredTimingsTest, HostBridgeExtrasComeBackOnTheNextStart) {
    const auto machine = [](std::uint32_t period) {
        auto m = testing::HostBridgeMachine();
        auto v = testing::Ddr3_1333HostBridgeChannel();
        v.r268 = hw::Field{21, 8}.Set(v.r268, period);
        for (int ch : {0, 1}) testing::SetHostBridgeChannel(*m, ch, v);
        return m;
    };
    {
        auto first = machine(0x1234);
        hw::HardwareAccess hw(*first);
        TimingSession s = StartHostBridgeTimings(hw);
        ASSERT_EQ(s.Selection(), ChannelSet::AB);
        ASSERT_EQ(DisplayIndex(s.model, kChannelA, I::tREFI), 16);
        s.Change(I::tRP, 8);  // tRP "10": 0b1010
        settings::Settings file = Store();
        ASSERT_TRUE(WriteStoredTimings(file, s.model, s.present, {}));
    }
    EXPECT_EQ(File().ReadInteger("HLNHM", "22B", -1), 16);
    EXPECT_EQ(File().ReadInteger("HLNHM", "11A", -1), 1);

    // The next start finds another unlisted period: index 16 names that one now.
    auto next = machine(0x1300);
    hw::HardwareAccess hw(*next);
    next->ClearWrites();
    const TimingSession s = StartHostBridgeTimings(hw, StoredTimingsAtStart(Store()));
    std::vector<std::uint32_t> written(0x800, 0);
    for (const auto& w : next->Writes()) {
        if (w.kind == sim::WriteRecord::Kind::Memory) {
            written[w.address - testing::kWindowBase] = static_cast<std::uint32_t>(w.value);
        }
    }
    for (std::uint32_t at : {0x000u, 0x400u}) {
        EXPECT_EQ(hw::Field(31, 29).Get(written[at + 0x250]), 2u);
        EXPECT_EQ(hw::Field(0, 0).Get(written[at + 0x254]), 1u);
        EXPECT_EQ(hw::Field(21, 8).Get(written[at + 0x268]), 0x1300u);
    }
    for (int ch : {0, 1}) {
        EXPECT_EQ(ItemText(s.lists, I::tRP, DisplayIndex(s.model, ch, I::tRP)), "10");
        EXPECT_EQ(ItemText(s.lists, I::tREFI, DisplayIndex(s.model, ch, I::tREFI)), "4864");
    }
}

}  // namespace
}  // namespace zm::timings
