// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every timing profile column shares, DDR2 or DDR3, JEDEC or enthusiast: its clock in the
// MHz row and its times turned into clocks of its cycle time.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "spd/spd_decoder.h"
#include "spd/spd_view.h"

namespace zm::spd {

// An SPD byte kept as a byte: a failed read is its low byte (0xFF, 0xFE, 0xFD).
inline std::uint8_t ReadByte(const SpdByteSource& read, unsigned offset) {
    return static_cast<std::uint8_t>(read(static_cast<std::uint8_t>(offset)) & 0xFF);
}

// An SPD byte taken as a number: a failed read stays -1, -2 or -3.
inline int ReadNumber(const SpdByteSource& read, unsigned offset) {
    return read(static_cast<std::uint8_t>(offset));
}

// Whether the module's bytes reach `last`: an image read from a file can end early, and a field
// with a byte past its end is left as it is.
inline bool Holds(const SpdDecodeOptions& options, unsigned last) {
    return last < options.bytesHeld;
}

// Times of one profile in nanoseconds; a time not given leaves its cell alone.
struct ProfileTimes {
    std::optional<long double> trcd, trp, tras, trc, trfc, trrd, twr, twtr, trtp;
};

// Writes the MHz cell and each given time in clocks into `column` (0-based) and returns the
// clock. A cycle time that is not a positive number writes nothing and returns nullopt.
std::optional<long long> WriteProfileClocks(SpdView& view, int column, long double tckNs,
                                            const ProfileTimes& times);

// Writes time / tCK in clocks into a cell, or leaves the cell when there is no sound number.
void WriteClocks(SpdView& view, SpdRow row, int column, long double timeNs, long double tckNs);

// Text of the part number bytes: read in order, ending early at the first 0 byte.
std::string ReadPartNumber(const SpdByteSource& read, unsigned first, unsigned length);

// The revision byte and the serial number (four bytes, the first one most significant): shown
// in hexadecimal with their captions enabled, or disabled when zero.
void ShowRevision(SpdView& view, std::uint8_t revision);
void ShowSerial(SpdView& view, const SpdByteSource& read, unsigned first);
void ShowPartNumber(SpdView& view, std::string partNumber);

// "PC2-6400 (400Mhz)".
std::string SpeedText(std::string_view generation, long long clockMhz);

}  // namespace zm::spd
