// The report's view of the timings: per channel holding memory, every drop-down's label, the
// text it shows and its index; an index without an item shows as an empty text.

#include "timings/timing_report.h"

#include <gtest/gtest.h>

#include "hw/hardware_access.h"
#include "timings/intel_test_machines.h"
#include "timings/timing_session.h"

namespace zm::timings {
namespace {

TEST(TimingReport, LinesPerChannelWithLabelTextAndIndex) {
    auto m = testing::UncoreMachine(5);
    hw::HardwareAccess hw(*m);
    TimingSession s = StartUncoreTimings(hw, 0, 0x2C1C8086);
    s.model[kChannelC][TimingId::tRCD] = 40;  // no such item

    const auto reports = ReportChannels(s.model, s.lists, s.present);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].letter, 'A');
    EXPECT_EQ(reports[1].letter, 'C');
    ASSERT_EQ(reports[0].lines.size(), static_cast<std::size_t>(kKindTimingCount));

    const TimingReportLine& trcdA = reports[0].lines[1];
    EXPECT_EQ(trcdA.name, "tRCD");
    EXPECT_EQ(trcdA.id, TimingId::tRCD);
    EXPECT_EQ(trcdA.label, "RAS# to CAS# Delay (tRCD) .........");
    EXPECT_EQ(trcdA.text, "9");
    EXPECT_EQ(trcdA.index, 7);

    const TimingReportLine& trcdC = reports[1].lines[1];
    EXPECT_EQ(trcdC.text, "");
    EXPECT_EQ(trcdC.index, 40);

    const TimingReportLine& b2b = reports[0].lines[19];
    EXPECT_EQ(b2b.id, TimingId::B2BCasDelay);
    EXPECT_EQ(b2b.text, "Disab.");
}

TEST(TimingReport, HostBridgeTrpShowsTheCombinedValue) {
    auto m = testing::HostBridgeMachine(false);
    hw::HardwareAccess hw(*m);
    const TimingSession s = StartHostBridgeTimings(hw);
    const auto reports = ReportChannels(s.model, s.lists, s.present);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].lines[2].id, TimingId::tRP);
    EXPECT_EQ(reports[0].lines[2].text, "9");
    EXPECT_EQ(reports[0].lines[2].index, 7);
}

}  // namespace
}  // namespace zm::timings
