// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the SPD decoder: any 256-byte image, DDR2 or DDR3 with or without EPP or
// XMP, must decode without crashing, without a float-to-integer conversion out of range (a zero
// or negative cycle time or time base), in a bounded number of reads, into printable texts.
//
// Input: the module's bytes from offset 0. Offsets past the input fail as a transaction would,
// with -1, -2 or -3 by offset, so the failure paths of byte and numeric fields are reached too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "spd/spd_decoder.h"

namespace {

constexpr std::size_t kImageSize = 256;
// A full DDR3 decode with both XMP profiles reads about 90 bytes, its checksum 128 more.
constexpr unsigned kMostReads = 256;

void CheckPrintable(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
}

void CheckView(const zm::spd::SpdView& view) {
    for (const std::string* text :
         {&view.type, &view.size, &view.manufacturer, &view.correction, &view.partNumber,
          &view.revision, &view.serial, &view.speed, &view.checksum})
        CheckPrintable(*text);
    for (const auto& row : view.cells)
        for (const std::string& cell : row) CheckPrintable(cell);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kImageSize) size = kImageSize;
    unsigned reads = 0;
    const zm::spd::SpdByteSource read = [&](std::uint8_t offset) {
        if (++reads > kMostReads) std::abort();
        if (offset < size) return static_cast<int>(data[offset]);
        return -1 - static_cast<int>(offset % 3);
    };
    for (const char separator : {'.', ','}) {
        zm::spd::SpdView view;
        zm::spd::ClearForNextModule(view);
        reads = 0;
        zm::spd::DecodeModule(read, view, {separator});
        CheckView(view);
    }
    return 0;
}
