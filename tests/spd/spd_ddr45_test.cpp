// SPDX-License-Identifier: GPL-3.0-or-later
// DDR4/DDR5 decoding beyond what the expectation files show: the generations' rounding of
// times into clocks and of cycle times into data rates, images cut short, and the profile
// blocks' enable bits. Whole decodes are in tests/spd/expected.
#include "spd/spd_ddr45.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "spd/spd_image.h"

namespace zm::spd {
namespace {

using ddr45::Rounding;

SpdImage Shipped(const char* name) {
    std::ifstream file(std::string(ZM_TESTDATA_DIR "/spd/") + name, std::ios::binary);
    const std::string content(std::istreambuf_iterator<char>(file), {});
    return *ParseSpdImage(content).image;
}

std::string Field(const SpdSlotReport& report, const std::string& caption) {
    for (const auto& [name, value] : report.fields)
        if (name == caption) return value;
    return "(absent)";
}

TEST(SpdDdr45, TimesBecomeClocksWithEachGenerationsGuardBand) {
    const struct {
        double timePs, tckPs;
        Rounding rounding;
        long long clocks;
    } cases[] = {
        {13500, 937.5, Rounding::Ddr4, 15},  // 14.4
        {6262.5, 625, Rounding::Ddr4, 10},   // 10.02: within DDR4's 2.5 %
        {6425, 625, Rounding::Ddr4, 11},     // 10.28
        {6262.5, 625, Rounding::Ddr5, 10},   // 10.02: within DDR5's 0.3 %
        {6275, 625, Rounding::Ddr5, 11},     // 10.04
        {16000, 416, Rounding::Ddr5, 39},    // DDR5-4800's tRCD
    };
    for (const auto& c : cases)
        EXPECT_EQ(ddr45::ClocksOf(c.timePs, c.tckPs, c.rounding), c.clocks) << c.timePs;
    EXPECT_FALSE(ddr45::ClocksOf(16000, 0, Rounding::Ddr5));
    // CL: the lowest supported latency that covers tAA; none when the list stops below it.
    EXPECT_EQ(ddr45::CasLatency(16000, 416, {22, 36, 40, 42}, Rounding::Ddr5), 40);
    EXPECT_FALSE(ddr45::CasLatency(16000, 416, {22, 36}, Rounding::Ddr5));
}

TEST(SpdDdr45, DataRateIsTheStandardRateWithinTheStoredRounding) {
    const std::pair<double, long long> cases[] = {
        {416, 4800}, {333, 6000}, {312, 6400}, {250, 8000}, {937.5, 2133}, {345, 5797}, {0, 0},
    };
    for (const auto& [tck, rate] : cases) EXPECT_EQ(ddr45::DataRate(tck), rate) << tck;
}

TEST(SpdDdr45, Ddr4OverclockingGradesAreNamedFromTheirRoundedCycleTime) {
    // DDR4-4800's 416.7 ps is stored rounded up: 3 x 125 ps + 42 ps = 417 ps.
    SpdImage image = Shipped("ddr4-sodimm-micron-16ATF1G64HZ-2G1A2.bin");
    image.bytes[18] = 3;
    image.bytes[125] = 42;
    EXPECT_EQ(Field(DecodeImageReport(image), "Speed").rfind("PC4-38400 (2400Mhz)", 0), 0u)
        << Field(DecodeImageReport(image), "Speed");
}

TEST(SpdDdr45, ImagesCutShortKeepWhatTheirBytesHold) {
    // A DDR4 module read without its second page, a DDR5 one without its manufacturing and
    // profile blocks: the JEDEC columns stay, maker and profiles are left out.
    for (const auto& [name, keep, columns] :
         {std::tuple{"constructed-ddr4-sodimm-micron-16ATF1G64HZ-xmp20.bin", 256, 3},
          std::tuple{"constructed-ddr5-udimm-4800-xmp30-expo.bin", 512, 3}}) {
        SCOPED_TRACE(name);
        SpdImage image = Shipped(name);
        image.bytes.resize(keep);
        const SpdSlotReport report = DecodeImageReport(image);
        EXPECT_TRUE(report.decoded);
        EXPECT_FALSE(report.checksumMismatch) << report.checksum;
        EXPECT_EQ(report.headers.size(), static_cast<std::size_t>(columns));
        EXPECT_EQ(Field(report, "ManuFacturer"), "(absent)");
        EXPECT_NE(ImageExtentText(image).find("fields past it are not decoded"), std::string::npos);
    }
}

TEST(SpdDdr45, OnlyEnabledProfilesGetAColumn) {
    SpdImage image = Shipped("constructed-ddr5-udimm-4800-xmp30-expo.bin");
    image.bytes[643] = 0x02;  // XMP profile 1 off
    image.bytes[837] = 0x10;  // EXPO profile 1 off
    std::vector<std::string> headers = DecodeImageReport(image).headers;
    EXPECT_EQ(headers, (std::vector<std::string>{"Jedec#0", "Jedec#1", "Jedec#2",
                                                 "XMP#2 ZM Tight 5600", "EXPO#2"}));
    image.bytes[832] = 0;  // no EXPO block: its place holds no XMP profile 3 (not enabled) or 4
    headers = DecodeImageReport(image).headers;
    EXPECT_EQ(headers.back(), "XMP#2 ZM Tight 5600");

    image = Shipped("constructed-ddr4-sodimm-micron-16ATF1G64HZ-xmp20.bin");
    image.bytes[386] = 0x02;  // XMP 2.0 profile 1 off
    headers = DecodeImageReport(image).headers;
    EXPECT_EQ(headers.size(), 4u);
    EXPECT_EQ(headers.back(), "XMP#2");
}

TEST(SpdDdr45, AProfileWhoseCrcFailsIsShownWithAWarning) {
    SpdImage image = Shipped("constructed-ddr5-udimm-4800-xmp30-expo.bin");
    const SpdSlotReport good = DecodeImageReport(image);
    EXPECT_FALSE(good.checksumMismatch) << good.checksum;
    image.bytes[704 + 13] ^= 0x01;  // XMP profile 1's tAA, outside the JEDEC CRC
    image.bytes[842 + 6] ^= 0x01;   // EXPO profile 1's tAA
    const SpdSlotReport bad = DecodeImageReport(image);
    EXPECT_TRUE(bad.checksumMismatch);
    EXPECT_NE(bad.checksum.find("0..509 0x2334 good; XMP 3.0 profile 1 MISMATCH"),
              std::string::npos)
        << bad.checksum;
    EXPECT_NE(bad.checksum.find("; EXPO block MISMATCH"), std::string::npos) << bad.checksum;
    EXPECT_EQ(bad.headers, good.headers);
}

}  // namespace
}  // namespace zm::spd
