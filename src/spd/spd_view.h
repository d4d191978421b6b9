// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the SPD window shows for one module: eight module facts and a grid of 14 timing rows by
// 5 profile columns. The decoder writes into it only what a module defines; everything else
// keeps what was there before, which is how the window behaves: it clears its fields before a
// module is chosen, and the decoder leaves a cell it has nothing for alone. Column headers 4 and
// 5 likewise keep the last names a decode gave them.

#include <array>
#include <cstdint>
#include <string>

namespace zm::spd {

// Grid rows, top to bottom.
enum class SpdRow {
    Mhz,
    Cl,
    Trcd,
    Trp,
    Tras,
    Cr,
    Trc,
    Trfc,
    Trrd,
    Twr,
    Twtr,
    Trtp,
    Tref,
    Voltage,
};
constexpr int kSpdRows = 14;
constexpr int kSpdColumns = 5;

// Row captions as the window shows them.
extern const std::array<const char*, kSpdRows> kSpdRowCaptions;
// Short row names (report keys).
extern const std::array<const char*, kSpdRows> kSpdRowNames;

// Headers of columns 1..3 never change; 4 and 5 start as "  N/A".
extern const std::array<const char*, 3> kJedecHeaders;
constexpr const char* kUnnamedHeader = "  N/A";
// The left position the "Jedec#3" header is moved to.
constexpr int kJedec3HeaderLeft = 208;

struct SpdView {
    std::string type, size, manufacturer, correction, partNumber, revision, serial, speed;
    std::uint8_t makerCode = 0;  // the JEDEC maker code `manufacturer` names
    // Captions and fields of "Part Number", "Revision" and "Serial"; the decoder disables them
    // for a module that carries none.
    bool partNumberEnabled = true;
    bool revisionEnabled = true;
    bool serialEnabled = true;

    std::array<std::array<std::string, kSpdColumns>, kSpdRows> cells{};       // [row][column]
    std::array<std::string, 2> extraHeaders{kUnnamedHeader, kUnnamedHeader};  // columns 4, 5
    bool jedec3HeaderMoved = false;

    // The module's checksum: what was found ("CRC-16 of bytes 0..116 0x1A2B good"), and whether
    // it did not match, which the window shows as a warning beside the module.
    std::string checksum;
    bool checksumMismatch = false;

    std::string& Cell(SpdRow row, int column) { return cells[static_cast<int>(row)][column]; }
    const std::string& Cell(SpdRow row, int column) const {
        return cells[static_cast<int>(row)][column];
    }
};

// The window's clearing before a module is decoded: captions enabled, "Empty" in Type, every
// other fact and every cell blank. Headers are kept.
void ClearForNextModule(SpdView& view);

}  // namespace zm::spd
