// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SPD images kept in files, decoded without any hardware: the raw EEPROM bytes (what
// /sys/bus/i2c/devices/*/eeprom gives, 128 to 1,024 bytes) or a hex dump in the layout
// i2cdump prints (a header row, then "00: 92 10 0b ..." rows of 16 bytes, "XX" where a read
// failed, and the bytes as characters after them).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "spd/spd_decoder.h"
#include "spd/spd_report.h"
#include "spd/spd_view.h"

namespace zm::spd {

// The largest SPD EEPROM up to DDR4 (512 bytes); only a DDR5 image, from the module's SPD hub,
// is longer (1,024 bytes). A longer file is no SPD image.
constexpr std::size_t kLargestSpdImage = 512;
constexpr std::size_t kLargestDdr5Image = 1024;

struct SpdImage {
    std::vector<std::uint8_t> bytes;  // from offset 0, no gaps
    std::string format;               // "binary" or "i2cdump"
};

struct SpdImageLoad {
    std::optional<SpdImage> image;
    std::string error;  // why there is no image
};

// A file's content: an i2cdump text when it is text with dump rows, raw bytes otherwise. A dump
// ends at its first missing or unreadable ("XX") byte.
SpdImageLoad ParseSpdImage(std::string_view content);

SpdImageLoad ReadSpdImageFile(const std::string& path);

// "256 bytes", or for an image that stops short of the bytes a decode can reach (256; a DDR4
// module's 512, a DDR5 module's 1,024), "117 bytes: ends after byte 116, fields past it are not
// decoded".
std::string ImageExtentText(const SpdImage& image);

// Decodes an image as the SPD window decodes a module: the same decoder, reading the image's
// bytes; the fields past its end are left out. The view is cleared first.
SpdModuleType DecodeImage(const SpdImage& image, SpdView& view, char decimalSeparator = '.');

// The image's report: DDR4 and DDR5 from all of their bytes, every other kind through the view as
// DecodeImage decodes it.
SpdSlotReport DecodeImageReport(const SpdImage& image, char decimalSeparator = '.');

}  // namespace zm::spd
