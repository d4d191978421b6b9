// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for SPD image files (--spd): any content, raw bytes or i2cdump text, must
// either give an image of 3 to 512 bytes (1,024 for a DDR5 module) or say why not, and an image
// must decode into printable texts without crashing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "spd/spd_ddr45.h"
#include "spd/spd_image.h"

namespace {

void CheckPrintable(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const zm::spd::SpdImageLoad load = zm::spd::ParseSpdImage(content);
    if (!load.image) {
        if (load.error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    const zm::spd::SpdImage& image = *load.image;
    const bool ddr5 = image.bytes.size() >= 3 && image.bytes[2] == zm::spd::kSpdTypeDdr5;
    if (image.bytes.size() < 3 ||
        image.bytes.size() > (ddr5 ? zm::spd::kLargestDdr5Image : zm::spd::kLargestSpdImage))
        std::abort();
    if (image.format != "binary" && image.format != "i2cdump") std::abort();
    if (image.format == "binary" && image.bytes.size() != size) std::abort();
    CheckPrintable(zm::spd::ImageExtentText(image));
    const zm::spd::SpdSlotReport report = zm::spd::DecodeImageReport(image);
    for (const auto& [caption, value] : report.fields) CheckPrintable(value);
    for (const auto& [row, cells] : report.rows)
        for (const std::string& cell : cells) CheckPrintable(cell);
    CheckPrintable(report.checksum);
    return 0;
}
