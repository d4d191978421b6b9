// SPD decoding of real module images and of the corner cases the decoder must handle; expected
// values were worked out by hand from the image bytes.
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

struct RealModule {
    const char* file;
    const char* facts;  // type|size|maker|correction|part|revision|serial|speed
    std::array<const char*, kSpdColumns> columns;
    const char* headers;
};

std::string Facts(const SpdView& v) {
    const auto shown = [](const std::string& text, bool enabled) {
        return enabled ? text : "(off)";
    };
    return v.type + "|" + v.size + "|" + v.manufacturer + "|" + v.correction + "|" +
           shown(v.partNumber, v.partNumberEnabled) + "|" + shown(v.revision, v.revisionEnabled) +
           "|" + shown(v.serial, v.serialEnabled) + "|" + v.speed;
}

// Rows: MHz CL tRCD tRP tRAS CR tRC tRFC tRRD tWR tWTR tRTP tREF Voltage.
const RealModule kRealModules[] = {
    {"ddr2-udimm-corsair-CM2X2048-6400C5",
     "DDR2|2048 MBytes|Corsair|None|CM2X2048-6400C5   |20|(off)|PC2-6400 (400Mhz)",
     {"400 5 5 5 18 - 22 42 3 6 3 3 7,8_us 1,8", "270 4 4 4 13 - 15 29 3 5 3 3 7,8_us 1,8",
      "- - - - - - - - - - - - - -", "- - - - - - - - - - - - - -", "- - - - - - - - - - - - - -"},
     "  N/A|  N/A"},
    {"ddr2-udimm-transcend-JM667QLJ-1G",
     "DDR2|1024 MBytes|Transcend|None|JM667QLJ-1G       |(off)|0007ACDA|PC2-5300 (333Mhz)",
     {"333 5 5 5 15 - 20 35 3 5 3 3 7,8_us 1,8", "266 4 4 4 12 - 16 28 2 4 2 2 7,8_us 1,8",
      "200 3 3 3 9 - 12 21 2 3 2 2 7,8_us 1,8", "- - - - - - - - - - - - - -",
      "- - - - - - - - - - - - - -"},
     "  N/A|  N/A"},
    {"ddr3-udimm-kingston-9905403-440-xmp12",
     "DDR3|4096 MBytes|Kingston|None|9905403-440.A00LF |(off)|863C519C|PC3-10600 (666Mhz)",
     {"666 9 9 9 24 - 33 107 4 10 5 5 - 1,50", "533 7 7 7 20 - 27 86 4 8 4 4 - 1,50",
      "457 6 6 6 17 - 23 74 3 7 4 4 - 1,50", "800 9 9 9 27 Def. 36 128 5 12 6 6 7.9_us 1.650",
      "- - - - - - - - - - - - - -"},
     "XMP#1|XMP#2"},
    {"ddr3-memdown-elpida-EBJ20UG6EBU0-GN-F",
     "DDR3|2048 MBytes|Elpida |None|EBJ20UG6EBU0-GN-F |30|00000007|PC3-12800 (800Mhz)",
     {"800 11 11 11 28 - 39 208 6 12 6 6 - 1,50", "685 9 9 9 24 - 33 179 6 11 6 6 - 1,50",
      "609 8 8 8 22 - 30 159 5 10 5 5 - 1,50", "838 11 11 11 30 - 41 218 7 13 7 7 - 1,50",
      "- - - - - - - - - - - - - -"},
     "Jedec#3|  N/A"},
    // A user-written XMP block with a time base of 1/14 ns and a two-clock command rate.
    {"ddr3-sodimm-gskill-F3-1866C11-8GRSL-userxmp13",
     "DDR3|8192 MBytes|G.Skill|None|F3-1866C11-8GRSL|(off)|(off)|PC3-14200 (888Mhz)",
     {"888 11 11 11 31 - 41 232 5 14 7 7 - 1,50", "757 9 9 9 26 - 35 198 4 12 6 6 - 1,50",
      "673 8 8 8 23 - 31 176 4 11 6 6 - 1,50", "1076 11 12 14 35 2T 48 280 6 17 9 9 7.9_us 1.500",
      "- - - - - - - - - - - - - -"},
     "XMP#1|XMP#2"},
    // Bytes past 116 were never read: they fail like an absent device and show as 0xFF; as
    // numbers (-1) they are no XMP header, so column 4 shows the slower JEDEC latency.
    {"truncated117-ddr3-sodimm-corsair-CMSO4GX3M1C1333C9",
     "DDR3|4096 MBytes|0xFF|None|\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF"
     "\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF|FF|FFFFFFFF|"
     "PC3-10600 (666Mhz)",
     {"666 9 9 9 24 - 33 200 4 10 5 5 - 1,50", "457 6 6 6 17 - 23 138 3 7 4 4 - 1,50",
      "380 5 5 5 14 - 19 115 3 6 3 3 - 1,50", "685 9 9 9 25 - 34 206 5 11 6 6 - 1,50",
      "- - - - - - - - - - - - - -"},
     "Jedec#3|  N/A"},
};

std::string Underscored(std::string text) {
    for (char& c : text)
        if (c == ' ') c = '_';
    return text;
}

TEST(SpdDecoder, RealModules) {
    for (const RealModule& module : kRealModules) {
        SCOPED_TRACE(module.file);
        const SpdView view = Decode(LoadImage(module.file));
        EXPECT_EQ(Facts(view), module.facts);
        for (int c = 0; c < kSpdColumns; ++c) {
            // Cells hold single words except the refresh texts, compared with '_' for ' '.
            std::string column;
            for (int r = 0; r < kSpdRows; ++r) {
                if (!column.empty()) column += ' ';
                column += view.cells[r][c].empty() ? "-" : Underscored(view.cells[r][c]);
            }
            EXPECT_EQ(column, module.columns[c]) << "column " << c + 1;
        }
        EXPECT_EQ(view.extraHeaders[0] + "|" + view.extraHeaders[1], module.headers);
    }
}

TEST(SpdDecoder, ImagesThatAreNoDdr2OrDdr3ModuleReadOnlyTheTypeByte) {
    const struct {
        const char* file;
        SpdModuleType type;
    } cases[] = {{"outofscope-ddr1-ocz-OCZ4001024ELPE", SpdModuleType::Other},
                 {"notspd-edid-auo-panel", SpdModuleType::Empty}};  // EDID byte 2 is 0xFF
    for (const auto& c : cases) {
        const Image image = LoadImage(c.file);
        SpdView view;
        ClearForNextModule(view);
        ImageReader reader{image, {}};
        EXPECT_EQ(DecodeModule([&](std::uint8_t o) { return reader(o); }, view), c.type);
        EXPECT_EQ(reader.offsets, std::vector<std::uint8_t>{2}) << c.file;
        EXPECT_EQ(view.type, "Empty");
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
