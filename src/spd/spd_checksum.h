// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The integrity checks JEDEC gives each generation's SPD: DDR2 keeps in byte 63 the low byte of
// the sum of bytes 0..62; DDR3 keeps a CRC-16 in bytes 126 (low byte) and 127 (high byte), over
// bytes 0..125, or over 0..116 when byte 0 bit 7 says the serial number area is left out. A
// mismatch is only a warning: a module with a bad checksum still works in most boards, and its
// data is still the best description there is.

#include <cstddef>
#include <cstdint>
#include <string>

#include "spd/spd_decoder.h"

namespace zm::spd {

// CRC-16 with the polynomial x^16 + x^12 + x^5 + 1 (0x1021), initial value 0, no reflection,
// no final XOR: the one the DDR3 SPD uses.
std::uint16_t SpdCrc16(const std::uint8_t* bytes, std::size_t count);

enum class ChecksumState { NotChecked, Good, Mismatch };

struct ChecksumResult {
    ChecksumState state = ChecksumState::NotChecked;
    std::string text;  // "CRC-16 0x1A2B over bytes 0..116 good", or what does not match
};

// Reads the bytes the check covers and the stored check value for a DDR2 or DDR3 module.
// NotChecked (with the reason) when the image ends before the stored value or a byte fails to
// read; other module types are not checked.
ChecksumResult CheckModuleChecksum(const SpdByteSource& read, SpdModuleType type,
                                   unsigned bytesHeld);

}  // namespace zm::spd
