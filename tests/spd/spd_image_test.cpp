// SPDX-License-Identifier: GPL-3.0-or-later
// SPD images from files: the hex-dump reader, what is refused, and the checksum check on every
// shipped image. What each image decodes to is in tests/spd/expected (see spd_expected).
#include "spd/spd_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace zm::spd {
namespace {

std::vector<std::filesystem::path> ShippedBinaryImages() {
    std::vector<std::filesystem::path> images;
    for (const char* dir : {ZM_TESTDATA_DIR "/spd", ZM_MACHINES_DIR "/data/spd"})
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == ".bin") images.push_back(entry.path());
    return images;
}

std::string Content(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The layout i2cdump prints: a header row, then 16 bytes a row and the bytes as characters.
std::string I2cdumpText(const std::string& bytes) {
    std::string text = "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    0123456789abcdef\n";
    char cell[24];
    for (std::size_t row = 0; row < bytes.size(); row += 16) {
        std::snprintf(cell, sizeof cell, "%02zx: ", row);
        text += cell;
        std::string characters;
        for (std::size_t i = row; i < row + 16 && i < bytes.size(); ++i) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            std::snprintf(cell, sizeof cell, "%02x ", byte);
            text += cell;
            characters += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
        }
        text += "   " + characters + "\n";
    }
    return text;
}

TEST(SpdImage, ShippedImagesPassTheirChecksumAndFailItWithOneByteFlipped) {
    const auto images = ShippedBinaryImages();
    ASSERT_GE(images.size(), 20u);
    int checked = 0;
    for (const auto& path : images) {
        SCOPED_TRACE(path.filename().string());
        const SpdImageLoad load = ParseSpdImage(Content(path));
        ASSERT_TRUE(load.image) << load.error;
        const SpdSlotReport report = DecodeImageReport(*load.image);
        EXPECT_FALSE(report.checksumMismatch) << report.checksum;
        if (report.checksum.find("good") == std::string::npos) continue;  // not checked
        ++checked;
        // A byte of the first block every generation covers, and of DDR4's second one: the
        // mismatch is a warning beside a module that still decodes.
        for (const std::size_t offset : {20, 200}) {
            if (offset == 200 && load.image->bytes[2] != 0x0C) continue;
            SpdImage flipped = *load.image;
            flipped.bytes[offset] ^= 0x01;
            const SpdSlotReport bad = DecodeImageReport(flipped);
            EXPECT_TRUE(bad.decoded);
            EXPECT_EQ(bad.headers, report.headers);
            EXPECT_TRUE(bad.checksumMismatch);
            EXPECT_NE(bad.checksum.find("MISMATCH"), std::string::npos) << bad.checksum;
        }
    }
    EXPECT_GE(checked, 21);
}

TEST(SpdImage, AnI2cdumpGivesTheBytesOfTheRawImage) {
    for (const auto& path : ShippedBinaryImages()) {
        SCOPED_TRACE(path.filename().string());
        const std::string raw = Content(path);
        const SpdImageLoad dump = ParseSpdImage(I2cdumpText(raw));
        ASSERT_TRUE(dump.image) << dump.error;
        EXPECT_EQ(dump.image->format, "i2cdump");
        EXPECT_EQ(std::string(dump.image->bytes.begin(), dump.image->bytes.end()), raw);
    }
}

TEST(SpdImage, FilesThatAreNoImageAreRefusedWithTheReason) {
    const struct {
        std::string content;
        const char* error;
    } cases[] = {
        {"", "the file is empty"},
        {std::string(513, '\x0B'), "513 bytes: longer than any SPD EEPROM (512 bytes)"},
        {std::string(1025, '\x12'), "1025 bytes: longer than any SPD EEPROM (1024 bytes)"},
        {I2cdumpText(std::string(528, '\x0C')),
         "528 bytes: longer than any SPD EEPROM but a DDR5 one (512 bytes)"},
        {"\x92\x10", "2 bytes: ends before the memory type (byte 2)"},
        {"00: 92 10 0b 02 03 19 00 09 03 52 01 08 0c 00 3e 00\n"
         "00: 92 10 0b 02 03 19 00 09 03 52 01 08 0c 00 3e 00\n",
         "hex dump row 0x0 repeats bytes already read"},
        {"00: XX XX XX XX XX XX XX XX XX XX XX XX XX XX XX XX\n",
         "hex dump holds no readable byte"},
    };
    for (const auto& c : cases) {
        const SpdImageLoad load = ParseSpdImage(c.content);
        EXPECT_FALSE(load.image);
        EXPECT_EQ(load.error, c.error);
    }
    EXPECT_EQ(ReadSpdImageFile("/nonexistent/spd.bin").error,
              "cannot be read: No such file or directory");
    // A FIFO nobody writes to would block a plain read for ever.
    const std::string fifo = ::testing::TempDir() + "spd-fifo-" + std::to_string(::getpid());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadSpdImageFile(fifo).error, "cannot be read: not a regular file (a FIFO)");
    ::unlink(fifo.c_str());
}

}  // namespace
}  // namespace zm::spd
