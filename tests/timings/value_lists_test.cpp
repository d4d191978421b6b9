// The drop-down lists and labels per controller kind.

#include "timings/value_lists.h"

#include <gtest/gtest.h>

namespace zm::timings {
namespace {

using C = TimingControl;
using K = ControllerKind;

struct ListCase {
    K kind;
    std::optional<K10Mode> mode;
    C control;
    std::size_t size;
    std::string first, last;
};

TEST(ValueLists, SizesAndEnds) {
    const std::vector<ListCase> cases = {
        {K::Uncore, {}, C::Combo1A, 11, "4", "14"},  // CL 12..14 set MR0 A2
        {K::Uncore, {}, C::Combo7A, 14, "0", "13"},  // "14", "15" do not fit the field
        {K::Uncore, {}, C::Combo13A, 16, "Res.", "17"},
        {K::Uncore, {}, C::Combo20A, 30, "Disab.", "32"},
        {K::Uncore, {}, C::Combo26A, 8, "16", "14"},        // MR0 tWR 000 is 16
        {K::Uncore, {}, C::Combo27A, 512, "0", "511"},      // the whole 9-bit tRFC field
        {K::Uncore, {}, C::Combo28A, 8, "0", "7"},          // "8", "9" do not fit the field
        {K::Uncore, {}, C::Combo29A, 824, "1600", "8184"},  // eight clocks a step
        {K::HostBridge, {}, C::Combo1A, 16, "3", "18"},     // the whole CL - 3 field
        {K::HostBridge, {}, C::Combo6A, 16, "2080T", "16383T"},
        {K::HostBridge, {}, C::Combo31A, 13, "1", "13"},  // "14", "15" do not fit the field
        {K::HostBridge, {}, C::Combo29A, 24, "5", "28"},
        {K::K10, K10Mode::Ddr2_800, C::Combo4A, 16, "Res.(3)", "18"},
        {K::K10, K10Mode::Ddr2_1066, C::Combo13A, 8, "Reser.", "9"},
        {K::K10, K10Mode::Ddr3, C::Combo6A, 7, "Reser.", "Reser."},
        {K::K10, K10Mode::Ddr2_1066, C::Combo19A, 12, "NoClock", "Reser."},
        {K::K10, K10Mode::Ddr2_800, C::Combo19A, 14, "NoClock", "20"},
        {K::K10, K10Mode::Ddr3, C::Combo29A, 6, "5", "12"},
        {K::K10, K10Mode::Ddr3, C::Combo10A, 11, "Reser.", "10"},
        {K::K10, K10Mode::Ddr3, C::Combo31A, 4, "4", "7"},
        {K::K10, K10Mode::Ddr2_800, C::Combo17A, 181, "20", "200"},
    };
    for (const ListCase& c : cases) {
        const ValueList list = BuildValueList(c.kind, c.mode, c.control);
        SCOPED_TRACE(ControlName(c.control));
        ASSERT_EQ(list.size(), c.size);
        EXPECT_EQ(list.front(), c.first);
        EXPECT_EQ(list.back(), c.last);
    }
}

TEST(ValueLists, K10TfawStepsByTwo) {
    const ValueList list = BuildValueList(K::K10, K10Mode::Ddr3, C::Combo19A);
    EXPECT_EQ(list[1], "16");
    EXPECT_EQ(list[2], "18");
    EXPECT_EQ(list[9], "32");
}

TEST(ValueLists, K10Ddr2_800TrtpFollowsTheBurstLength) {
    ListOptions options;
    options.k10Dct0ConfigLowBits11To10 = 1;
    EXPECT_EQ(BuildValueList(K::K10, K10Mode::Ddr2_800, C::Combo31A, options),
              (ValueList{"2", "3"}));
    for (std::uint32_t bits : {0u, 2u, 3u}) {
        options.k10Dct0ConfigLowBits11To10 = bits;
        EXPECT_EQ(BuildValueList(K::K10, K10Mode::Ddr2_800, C::Combo31A, options),
                  (ValueList{"4", "5"}));
    }
}

TEST(ValueLists, RefreshModeTextsCarryTheMicroSign) {
    EXPECT_EQ(BuildValueList(K::K10, K10Mode::Ddr3, C::Combo27A),
              (ValueList{"*15,6\xC2\xB5s", "7,8\xC2\xB5s", "3,9\xC2\xB5s"}));
}

TEST(ValueLists, UnlistedRefreshPeriodBecomesTheSeventeenthItem) {
    ListOptions options;
    options.unlistedRefreshPeriod = 0x1234;
    const ValueList list = BuildValueList(K::HostBridge, std::nullopt, C::Combo6A, options);
    ASSERT_EQ(list.size(), 17u);
    EXPECT_EQ(list[16], "4660");
}

TEST(ValueLists, IndexOutsideTheListShowsNothing) {
    const TimingLists lists = BuildTimingLists(K::Uncore, std::nullopt);
    EXPECT_EQ(ItemText(lists, C::Combo2A, 0), "2");
    EXPECT_EQ(ItemText(lists, C::Combo2A, -1), "");
    EXPECT_EQ(ItemText(lists, C::Combo2A, 14), "");
    EXPECT_FALSE(IsListed(lists, C::Combo7A, 14));
}

TEST(Labels, NamesAndCaptionsPerKind) {
    struct Case {
        C control;
        std::string name;
        K kind;
        std::string caption;
    };
    const std::vector<Case> cases = {
        {C::Combo1A, "Label1", K::HostBridge, "CAS# Latency (CL) ......................"},
        {C::Combo17A, "Label17", K::HostBridge, "Partial Write Trip Threshold .......... "},
        {C::Combo18A, "Label18A", K::Uncore, "Write to Write (different ranks) ..."},
        {C::Combo20A, "Label27", K::Uncore, "B2B CAS# Delay ........................."},
        {C::Combo20A, "Label27", K::K10, "Driver Weak Mode ......................"},
        {C::Combo21A, "Label28", K::K10, "Power Down Mode ......................."},
        {C::Combo21A, "Label28", K::HostBridge, "DRAM ODT for Read command ........ "},
        {C::Combo26A, "Label26A", K::K10, "Row Cycle time (tRC) ..................."},
        {C::Combo27A, "Label27A", K::Uncore, "Refresh Cycle Time (tRFC) .............."},
        {C::Combo6A, "Label6", K::K10, "Refresh Cycle Time  DIMM 0 ........."},
        {C::Combo31A, "Label31A", K::Uncore, "Round Trip Latency (RTL) ................"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LabelName(c.control), c.name);
        EXPECT_EQ(TimingLabel(c.kind, c.control), c.caption) << c.name;
    }
}

}  // namespace
}  // namespace zm::timings
