// SPDX-License-Identifier: GPL-3.0-or-later
// The value lists and descriptor tables per controller kind.

#include "timings/model/value_lists.h"

#include <gtest/gtest.h>

#include <set>

#include "timings/host_bridge/host_bridge_registers.h"
#include "timings/k10/k10_field_map.h"
#include "timings/uncore/uncore_registers.h"

namespace zm::timings {
namespace {

using I = TimingId;
using K = ControllerKind;

struct ListCase {
    K kind;
    std::optional<K10Mode> mode;
    I control;
    std::size_t size;
    std::string first, last;
};

TEST(ValueLists, SizesAndEnds) {
    const std::vector<ListCase> cases = {
        {K::Uncore, {}, I::tCL, 11, "4", "14"},   // CL 12..14 set MR0 A2
        {K::Uncore, {}, I::tRTP, 14, "0", "13"},  // "14", "15" do not fit the field
        {K::Uncore, {}, I::tRDWR_SR, 16, "Res.", "17"},
        {K::Uncore, {}, I::B2BCasDelay, 30, "Disab.", "32"},
        {K::Uncore, {}, I::tWR, 8, "16", "14"},          // MR0 tWR 000 is 16
        {K::Uncore, {}, I::tRFC, 512, "0", "511"},       // the whole 9-bit tRFC field
        {K::Uncore, {}, I::tRRD, 8, "0", "7"},           // "8", "9" do not fit the field
        {K::Uncore, {}, I::tREFI, 824, "1600", "8184"},  // eight clocks a step
        {K::HostBridge, {}, I::tCL, 16, "3", "18"},      // the whole CL - 3 field
        {K::HostBridge, {}, I::tREFI, 16, "2080T", "16383T"},
        {K::HostBridge, {}, I::tRTP, 13, "1", "13"},  // "14", "15" do not fit the field
        {K::HostBridge, {}, I::tWTP, 24, "5", "28"},
        {K::K10, K10Mode::Ddr2_800, I::tRAS, 16, "Res.(3)", "18"},
        {K::K10, K10Mode::Ddr2_1066, I::tRWTO, 8, "Reser.", "9"},
        {K::K10, K10Mode::Ddr3, I::tRFC_DIMM0, 7, "Reser.", "Reser."},
        {K::K10, K10Mode::Ddr2_1066, I::tFAW, 12, "NoClock", "Reser."},
        {K::K10, K10Mode::Ddr2_800, I::tFAW, 14, "NoClock", "20"},
        {K::K10, K10Mode::Ddr3, I::tWR, 6, "5", "12"},
        {K::K10, K10Mode::Ddr3, I::tWRRD, 11, "Reser.", "10"},
        {K::K10, K10Mode::Ddr3, I::tRTP, 4, "4", "7"},
        {K::K10, K10Mode::Ddr2_800, I::MaxReadLatency, 181, "20", "200"},
    };
    for (const ListCase& c : cases) {
        const ValueList list = BuildValueList(c.kind, c.mode, c.control);
        SCOPED_TRACE(std::string(TimingShortName(c.kind, c.control)));
        ASSERT_EQ(list.size(), c.size);
        EXPECT_EQ(list.front(), c.first);
        EXPECT_EQ(list.back(), c.last);
    }
}

TEST(ValueLists, K10TfawStepsByTwo) {
    const ValueList list = BuildValueList(K::K10, K10Mode::Ddr3, I::tFAW);
    EXPECT_EQ(list[1], "16");
    EXPECT_EQ(list[2], "18");
    EXPECT_EQ(list[9], "32");
}

TEST(ValueLists, K10Ddr2_800TrtpFollowsTheBurstLength) {
    ListOptions options;
    options.k10Dct0ConfigLowBits11To10 = 1;
    EXPECT_EQ(BuildValueList(K::K10, K10Mode::Ddr2_800, I::tRTP, options), (ValueList{"2", "3"}));
    for (std::uint32_t bits : {0u, 2u, 3u}) {
        options.k10Dct0ConfigLowBits11To10 = bits;
        EXPECT_EQ(BuildValueList(K::K10, K10Mode::Ddr2_800, I::tRTP, options),
                  (ValueList{"4", "5"}));
    }
}

TEST(ValueLists, RefreshModeTextsCarryTheMicroSign) {
    EXPECT_EQ(BuildValueList(K::K10, K10Mode::Ddr3, I::tREFI),
              (ValueList{"*15,6\xC2\xB5s", "7,8\xC2\xB5s", "3,9\xC2\xB5s"}));
}

TEST(ValueLists, UnlistedRefreshPeriodBecomesTheSeventeenthItem) {
    ListOptions options;
    options.unlistedRefreshPeriod = 0x1234;
    const ValueList list = BuildValueList(K::HostBridge, std::nullopt, I::tREFI, options);
    ASSERT_EQ(list.size(), 17u);
    EXPECT_EQ(list[16], "4660");
}

TEST(ValueLists, IndexOutsideTheListShowsNothing) {
    const TimingLists lists = BuildTimingLists(K::Uncore, std::nullopt);
    EXPECT_EQ(ItemText(lists, I::tRCD, 0), "2");
    EXPECT_EQ(ItemText(lists, I::tRCD, -1), "");
    EXPECT_EQ(ItemText(lists, I::tRCD, 14), "");
    EXPECT_FALSE(IsListed(lists, I::tRTP, 14));
}

TEST(Descriptors, CaptionsAndDropDownsPerKind) {
    struct Case {
        I id;
        int slot;
        K kind;
        std::string caption;
    };
    const std::vector<Case> cases = {
        {I::tCL, 1, K::HostBridge, "CAS# Latency (CL) ......................"},
        {I::PartialWriteTrip, 17, K::HostBridge, "Partial Write Trip Threshold .......... "},
        {I::tWRWR_DR, 18, K::Uncore, "Write to Write (different ranks) ..."},
        {I::B2BCasDelay, 20, K::Uncore, "B2B CAS# Delay ........................."},
        {I::DriverWeakMode, 20, K::K10, "Driver Weak Mode ......................"},
        {I::PowerDownMode, 21, K::K10, "Power Down Mode ......................."},
        {I::DramOdtRead, 21, K::HostBridge, "DRAM ODT for Read command ........ "},
        {I::tRC, 26, K::K10, "Row Cycle time (tRC) ..................."},
        {I::tRFC, 27, K::Uncore, "Refresh Cycle Time (tRFC) .............."},
        {I::tRFC_DIMM0, 6, K::K10, "Refresh Cycle Time  DIMM 0 ........."},
        {I::RoundTripLatency, 31, K::Uncore, "Round Trip Latency (RTL) ................"},
    };
    for (const Case& c : cases) {
        const TimingDescriptor* d = FindDescriptor(c.kind, c.id);
        ASSERT_NE(d, nullptr) << c.caption;
        EXPECT_EQ(d->slot, c.slot) << c.caption;
        EXPECT_EQ(d->caption, c.caption);
    }
    EXPECT_EQ(FindDescriptor(K::Uncore, I::tRFC_DIMM0), nullptr);
}

// Every timing of a kind has its register field, and the register tables hold no other timing.
TEST(Descriptors, AreTheTimingsOfTheRegisterTables) {
    const auto ids = [](K kind) {
        std::set<I> set;
        for (const TimingDescriptor& d : Descriptors(kind)) set.insert(d.id);
        EXPECT_EQ(set.size(), static_cast<std::size_t>(kKindTimingCount));
        return set;
    };
    std::set<I> uncoreFields;
    for (const auto& f : uncore::kTimingFields) uncoreFields.insert(f.id);
    EXPECT_EQ(uncoreFields, ids(K::Uncore));
    // tRP and the refresh period are split over registers and coded apart.
    std::set<I> hostBridgeFields{I::tRP, I::tREFI};
    for (const auto& f : host_bridge::kTimingFields) hostBridgeFields.insert(f.id);
    EXPECT_EQ(hostBridgeFields, ids(K::HostBridge));
    for (K10Mode mode : {K10Mode::Ddr2_800, K10Mode::Ddr2_1066, K10Mode::Ddr3}) {
        std::set<I> k10Fields;
        for (const auto& f : k10::FieldMap(mode)) k10Fields.insert(f.id);
        EXPECT_EQ(k10Fields, ids(K::K10)) << K10ModeText(mode);
    }
}

}  // namespace
}  // namespace zm::timings
