// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the DDR4/DDR5 image decoder: any image up to 1,024 bytes, made a DDR4
// (first byte even) or DDR5 (odd) module by its type byte, must decode without crashing, without
// an out-of-range conversion (a zero cycle time, an overflowing time), into a grid with a cell for
// every column of every row and printable texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "spd/spd_ddr45.h"

namespace {

void CheckPrintable(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    if (size > 1024) size = 1024;
    std::vector<std::uint8_t> bytes(data, data + size);
    const bool ddr4 = (bytes[0] & 1) == 0;
    bytes[2] = ddr4 ? zm::spd::kSpdTypeDdr4 : zm::spd::kSpdTypeDdr5;
    for (const char separator : {'.', ','}) {
        const zm::spd::SpdSlotReport report =
            ddr4 ? zm::spd::DecodeDdr4(bytes, separator) : zm::spd::DecodeDdr5(bytes, separator);
        for (const auto& [caption, value] : report.fields) CheckPrintable(value);
        for (const std::string& header : report.headers) CheckPrintable(header);
        for (const auto& [row, cells] : report.rows) {
            if (cells.size() != report.headers.size()) std::abort();
            for (const std::string& cell : cells) CheckPrintable(cell);
        }
        for (const auto& [name, value] : report.minimumTimes) CheckPrintable(value);
        CheckPrintable(report.checksum);
    }
    return 0;
}
