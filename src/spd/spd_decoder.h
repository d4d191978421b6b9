// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns the SPD of one DDR2 or DDR3 module into the SPD window's texts. Bytes are fetched one at
// a time, each when its field is decoded; a failed read is decoded like stored data: its low
// byte (0xFF, 0xFE, 0xFD) where the field is a byte, the negative code where the field is taken
// as a number (DDR3 time base and cycle time, the XMP fields). Where a failed or nonsensical
// byte would make a clock out of a zero or negative cycle time, that profile's cells are left
// alone instead.

#include <cstdint>
#include <functional>

#include "hw/hardware_access.h"
#include "spd/spd_view.h"

namespace zm::spd {

struct SpdFirstRun;

// One SPD byte of the module being decoded: 0..255, or a failed transaction's -1, -2, -3.
using SpdByteSource = std::function<int(std::uint8_t offset)>;

// Empty: the type byte was not acknowledged (no module); ReadFailed: the host stayed busy or
// timed out on it; Other: a module of a kind that is not decoded (or no SPD at all).
enum class SpdModuleType { Empty, Ddr2, Ddr3, Other, ReadFailed };

// Over SMBus every byte of the first 256 is reachable; an image read from a file may hold fewer.
constexpr unsigned kSpdReachableBytes = 256;

struct SpdDecodeOptions {
    char decimalSeparator = '.';  // the user's, for "0.000" and "0.0" numbers
    // Bytes 0..bytesHeld-1 exist. A field with a byte past them is not decoded (its text stays
    // as it was), rather than shown from bytes that are not there.
    unsigned bytesHeld = kSpdReachableBytes;
};

// Reads byte 2 and, for DDR2 (8) or DDR3 (11), writes the module's texts into view, then checks
// its checksum (a mismatch is shown as a warning, the decode stands). For anything else only
// the Type field is written, with the reason the module is not decoded, and nothing more is
// read.
SpdModuleType DecodeModule(const SpdByteSource& read, SpdView& view,
                           const SpdDecodeOptions& options = {});

// The same for the module at spdSlaveAddress over the SMBus host that discovery set up; with
// `firstRun`, the module's bytes from byte 0 are the ones read there already (ReadFirstRuns).
SpdModuleType DecodeModule(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress, SpdView& view,
                           const SpdDecodeOptions& options = {},
                           const SpdFirstRun* firstRun = nullptr);

}  // namespace zm::spd
