// SPDX-License-Identifier: GPL-3.0-or-later
// SPD decoding of the corner cases the decoder must handle; expected values were worked out by
// hand from the image bytes. What every shipped image decodes to is kept in tests/spd/expected.
#include "spd/spd_decoder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "hw/hardware_access.h"
#include "sim/simulated_machine.h"
#include "spd/spd_ddr3.h"

namespace zm::spd {
namespace {

using Image = std::vector<std::uint8_t>;

Image LoadImage(const std::string& name) {
    std::ifstream file(std::string(ZM_TESTDATA_DIR) + "/spd/" + name + ".bin", std::ios::binary);
    EXPECT_TRUE(file) << name;
    return Image(std::istreambuf_iterator<char>(file), {});
}

// Serves an image as the SMBus would: a byte past its end fails like an absent device (-1).
struct ImageReader {
    const Image& image;
    std::vector<std::uint8_t> offsets;  // every byte read, in order
    int operator()(std::uint8_t offset) {
        offsets.push_back(offset);
        return offset < image.size() ? image[offset] : -1;
    }
};

SpdView Decode(const Image& image, SpdModuleType* type = nullptr, char separator = '.') {
    SpdView view;
    ClearForNextModule(view);
    ImageReader reader{image, {}};
    const SpdModuleType t =
        DecodeModule([&](std::uint8_t o) { return reader(o); }, view, {separator});
    if (type) *type = t;
    return view;
}

// Column c (0-based) of the grid, top to bottom, joined by spaces ("-" for a blank cell).
std::string Column(const SpdView& view, int c) {
    std::string text;
    for (int r = 0; r < kSpdRows; ++r) {
        if (!text.empty()) text += ' ';
        text += view.cells[r][c].empty() ? "-" : view.cells[r][c];
    }
    return text;
}

TEST(SpdDecoder, ImagesThatAreNoDdr2OrDdr3ModuleReadOnlyTheTypeByteAndSaySo) {
    const struct {
        const char* file;
        const char* type;
    } cases[] = {{"outofscope-ddr1-ocz-OCZ4001024ELPE", "DDR SDRAM (not decoded)"},
                 {"constructed-notspd-edid-256", "unknown memory type 0xFF"}};  // EDID byte 2
    for (const auto& c : cases) {
        const Image image = LoadImage(c.file);
        SpdView view;
        ClearForNextModule(view);
        ImageReader reader{image, {}};
        EXPECT_EQ(DecodeModule([&](std::uint8_t o) { return reader(o); }, view),
                  SpdModuleType::Other);
        EXPECT_EQ(reader.offsets, std::vector<std::uint8_t>{2}) << c.file;
        EXPECT_EQ(view.type, c.type);
        EXPECT_EQ(Column(view, 0), "- - - - - - - - - - - - - -");
    }
}

// A DDR2 image with the bytes the corner cases need.
Image Ddr2Image() {
    Image image(256, 0);
    image[2] = 8;
    image[5] = 0x60;   // one rank
    image[31] = 0x80;  // 512 MB
    image[8] = 5;
    image[12] = 0x82;
    image[9] = 0x25;   // 2.5 ns
    image[18] = 0x38;  // CL 3, 4, 5
    image[29] = 0x32;
    image[27] = 0x32;
    image[30] = 0x2D;
    for (unsigned i = 64; i < 72; ++i) image[i] = 0x7F;
    return image;
}

TEST(SpdDecoder, Ddr2FirstColumnSpeedAndMakerRules) {
    Image image = Ddr2Image();
    SpdView view = Decode(image);
    EXPECT_EQ(Column(view, 0).substr(0, 14), "400 5 5 5 18 -");
    EXPECT_EQ(view.speed, "PC2-6400 (400Mhz)");
    EXPECT_EQ(view.size, "512 MBytes");
    EXPECT_EQ(view.manufacturer, "0x7F");  // eight continuation codes
    EXPECT_FALSE(view.partNumberEnabled);  // part number starts with a 0 byte

    image[66] = 0x9E;  // after two continuation codes
    EXPECT_EQ(Decode(image).manufacturer, "Corsair");
}

TEST(SpdDecoder, Ddr2SlowerColumnsNeedALongerCycleTime) {
    Image image = Ddr2Image();
    image[23] = 0x25;  // not longer than byte 9: no column 2
    image[25] = 0x50;  // 5 ns: column 3 at CL 5 - 2
    SpdView view = Decode(image);
    EXPECT_EQ(Column(view, 1), "- - - - - - - - - - - - - -");
    EXPECT_EQ(Column(view, 2), "200 3 3 3 9 - 0 0 0 0 0 0 7,8 us 1,8");

    image[23] = 0;  // no column 2 either
    EXPECT_EQ(Decode(image).cells[0][2], "200");

    image[18] = 0x04;  // CL 2 only: CL - 2 is no latency, so column 3 shows none
    EXPECT_EQ(Decode(image).Cell(SpdRow::Cl, 2), "");
    EXPECT_EQ(Decode(image).Cell(SpdRow::Cl, 0), "2");
}

TEST(SpdDecoder, Ddr2CycleTimeWithoutAClockLeavesTheProfileAlone) {
    for (const std::uint8_t cycle : {0x00, 0x2F}) {
        Image image = Ddr2Image();
        image[9] = cycle;
        const SpdView view = Decode(image);
        EXPECT_EQ(view.speed, "") << int(cycle);
        EXPECT_EQ(Column(view, 0), "- 5 - - - - - - - - - - 7,8 us 1,8") << int(cycle);
    }
}

TEST(SpdDecoder, Ddr2EnthusiastProfiles) {
    Image image = Ddr2Image();
    image[42] = 105;   // JEDEC tRFC 105 ns, borrowed by full profiles
    image[28] = 0x1E;  // tRRD 7.5 ns
    image[99] = 0x6D;
    image[102] = 0xB1;
    image[103] = 0x30;  // both full profiles
    // Profile 0 at 104: 1.9 V (4 steps), 2T, 1.875 ns, CL 4, tRCD/tRP 9.375 ns, tRAS 30, tWR 15,
    // tRC 50.
    const Image full0{0x84, 0, 0, 0, 0, 0x1E, 0x10, 0x25, 0x25, 30, 0x3C, 50};
    std::copy(full0.begin(), full0.end(), image.begin() + 104);
    image[116 + 5] = 0x25;  // profile 1: 1.8 V, 1T, 2.5 ns, CAS map 0x30 names two: no CL
    image[116 + 6] = 0x30;
    SpdView view = Decode(image, nullptr, ',');
    EXPECT_EQ(view.extraHeaders[0] + "|" + view.extraHeaders[1], "EPP#1|EPP#2");
    // 1.875 ns reads as 0x1E: 1 ns + 0.875.
    EXPECT_EQ(Column(view, 3), "533 4 5 5 16 2T 27 56 4 8 0 0 7,8 us 1,900");
    EXPECT_EQ(Column(view, 4), "400 - 0 0 0 1T 0 42 3 0 0 0 7,8 us 1,800");

    // Abbreviated profiles: k = flags & 3 picks the one at 104 + 6k; only column 4.
    image[102] = 0xA1;
    image[103] = 0x12;
    const Image abbreviated2{0x04, 0x30, 0x20, 0x3C, 0x3C, 40};
    std::copy(abbreviated2.begin(), abbreviated2.end(), image.begin() + 104 + 12);
    view = Decode(image);
    EXPECT_EQ(Column(view, 3), "333 5 5 5 14 1T - - - - - - 7,8 us 1.900");
    EXPECT_EQ(Column(view, 4), "- - - - - - - - - - - - - -");

    image[103] = 0x02;  // not enabled: headers only
    view = Decode(image);
    EXPECT_EQ(view.extraHeaders[0], "EPP#1");
    EXPECT_EQ(Column(view, 3), "- - - - - - - - - - - - - -");
}

// DDR3 with a time base of 1/8 ns, tCKmin 1.5 ns, tAA 13.5 ns, CL 5..10.
Image Ddr3Image() {
    Image image(256, 0);
    image[2] = 11;
    image[4] = 0x03;
    image[7] = 0x09;
    image[10] = 1;
    image[11] = 8;
    image[12] = 12;
    image[14] = 0x7E;
    image[16] = 108;
    image[18] = 108;
    return image;
}

TEST(SpdDecoder, Ddr3CasLatencyNeighboursGiveTheOtherColumns) {
    const SpdView view = Decode(Ddr3Image());
    EXPECT_EQ(view.speed, "PC3-10600 (666Mhz)");
    EXPECT_EQ(view.size, "4096 MBytes");
    EXPECT_EQ(Column(view, 0).substr(0, 8), "666 9 9 ");
    EXPECT_EQ(Column(view, 1).substr(0, 8), "592 8 8 ");     // 13.5 / 8 = 1.6875 ns
    EXPECT_EQ(Column(view, 2).substr(0, 8), "518 7 7 ");     // 13.5 / 7
    EXPECT_EQ(Column(view, 3).substr(0, 10), "740 10 10 ");  // 13.5 / 10 = 1.35 ns
    EXPECT_EQ(view.Cell(SpdRow::Voltage, 3), "1,50");
    EXPECT_EQ(view.extraHeaders[0], "Jedec#3");
    EXPECT_TRUE(view.jedec3HeaderMoved);

    const CasNeighbours none = FindCasNeighbours(0x01, 4);  // only CL 4
    EXPECT_EQ(none.below + none.belowThat + none.above, 0);
}

// A DDR3-1866 module: tCKmin 9 x 1/8 ns - 54 ps = 1.071 ns, tAA 95 x 1/8 ns - 105 ps = 11.77 ns.
TEST(SpdDecoder, Ddr3FineTimeBaseCorrectsTheMediumOne) {
    Image image = Ddr3Image();
    image[9] = 0x11;  // 1 ps
    image[12] = 9;
    image[34] = 0xCA;  // -54
    image[16] = 95;
    image[35] = 0x97;  // -105
    SpdView view = Decode(image);
    EXPECT_EQ(view.speed, "PC3-14900 (933Mhz)");
    EXPECT_EQ(view.Cell(SpdRow::Cl, 0), "11");

    image[9] = 0x10;  // no divisor: no fine time base, the medium one alone (1.125 ns)
    view = Decode(image);
    EXPECT_EQ(view.speed, "PC3-14200 (888Mhz)");
    EXPECT_EQ(view.Cell(SpdRow::Cl, 0), "11");  // 11.875 / 1.125 = 10.6
}

TEST(SpdDecoder, Ddr3XmpProfilesFollowTheEnableBits) {
    Image image = Ddr3Image();
    image[176] = 0x0C;
    image[177] = 0x4A;
    image[180] = 1;
    image[181] = 8;
    image[185] = 0x2D;
    image[186] = 10;
    image[187] = 88;
    image[185 + 35] = 0x30;
    image[186 + 35] = 12;
    image[187 + 35] = 72;
    image[208 + 35] = 16;  // 2 ns of command rate: 2T
    const struct {
        std::uint8_t enabled;
        const char* column4;
        const char* column5;
    } cases[] = {
        {0, "-", "-"}, {1, "800", "-"}, {2, "-", "-"}, {3, "800", "666"}, {0x7, "800", "666"}};
    for (const auto& c : cases) {
        image[178] = c.enabled;
        const SpdView view = Decode(image);
        EXPECT_EQ(view.extraHeaders[0] + "|" + view.extraHeaders[1], "XMP#1|XMP#2");
        EXPECT_EQ(Column(view, 3).substr(0, Column(view, 3).find(' ')), c.column4)
            << int(c.enabled);
        EXPECT_EQ(Column(view, 4).substr(0, Column(view, 4).find(' ')), c.column5)
            << int(c.enabled);
        if (c.enabled == 3) {
            EXPECT_EQ(view.Cell(SpdRow::Cr, 4), "2T");
            EXPECT_EQ(view.Cell(SpdRow::Tref, 4), "0.0");       // no unit in profile 2
            EXPECT_EQ(view.Cell(SpdRow::Voltage, 4), "1.800");  // 1 V + 16 x 0.05
            EXPECT_EQ(view.Cell(SpdRow::Cl, 4), "6");
        }
    }
}

TEST(SpdDecoder, Ddr3WithoutATimeBaseOrCycleTimeShowsNoClocks) {
    const struct {
        unsigned offset;
        int value;
    } cases[] = {{11, 0}, {10, 0}, {12, 0}, {12, -1}, {11, -3}};
    for (const auto& c : cases) {
        Image image = Ddr3Image();
        const SpdByteSource read = [&](std::uint8_t o) {
            return o == c.offset ? c.value : static_cast<int>(image[o]);
        };
        SpdView view;
        ClearForNextModule(view);
        EXPECT_EQ(DecodeModule(read, view), SpdModuleType::Ddr3);
        EXPECT_EQ(view.speed, "") << c.offset << " = " << c.value;
        EXPECT_EQ(view.Cell(SpdRow::Mhz, 0), "") << c.offset << " = " << c.value;
        EXPECT_EQ(view.Cell(SpdRow::Voltage, 0), "1,50");
    }
}

TEST(SpdDecoder, ClearingKeepsTheHeadersAndAnEmptySlotWritesNothing) {
    sim::SimulatedMachine machine;
    machine.SetSmbusBase(0x0400);
    machine.SetSpd(0, LoadImage("ddr3-udimm-kingston-9905403-440-xmp12"));
    hw::HardwareAccess hw(machine);
    hw.SetSmbusBase(0x0400);

    SpdView view;
    ClearForNextModule(view);
    EXPECT_EQ(DecodeModule(hw, 0x50, view), SpdModuleType::Ddr3);
    EXPECT_EQ(view.Cell(SpdRow::Mhz, 3), "800");

    ClearForNextModule(view);
    EXPECT_EQ(DecodeModule(hw, 0x51, view), SpdModuleType::Empty);
    EXPECT_EQ(view.type, "Empty");
    EXPECT_EQ(view.Cell(SpdRow::Mhz, 3), "");
    EXPECT_EQ(view.extraHeaders[0] + "|" + view.extraHeaders[1], "XMP#1|XMP#2");
}

}  // namespace
}  // namespace zm::spd
