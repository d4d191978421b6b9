// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a captured machine must not give away when its profile is shared: the serial numbers
// that identify one module or one computer. Each is overwritten in place with zeros of the same
// length, so every structure keeps its layout and every other field its place.

#include <cstdint>
#include <string>
#include <vector>

namespace zm::app {

struct SpdMasking {
    bool masked = false;         // the image had a serial field and it now reads zeros
    bool crcRecomputed = false;  // DDR3 whose CRC covers the serial and was right before
    bool crcLeftWrong = false;   // DDR3 whose CRC covers the serial but was wrong already
};

// DDR2 (bytes 95..98; the checksum at 63 covers only 0..62) and DDR3 (bytes 122..125). A DDR3
// CRC that covers the serial (byte 0 bit 7 clear: bytes 0..125) is recomputed when it was right
// before, so the image stays as self-consistent as the module was; a CRC that was already wrong
// stays as read, since "fixing" it would hide what the module holds.
SpdMasking MaskSpdSerial(std::vector<std::uint8_t>& image);

// The DDR3 SPD CRC (CRC-16, polynomial 0x1021, start 0) over bytes 0..116 or 0..125, as byte 0
// bit 7 says, for an image of at least 128 bytes; and whether bytes 126 (low) and 127 hold it.
std::uint16_t Ddr3Crc(const std::vector<std::uint8_t>& image);
bool Ddr3CrcValid(const std::vector<std::uint8_t>& image);

// Strings and fields of an SMBIOS structure table: the system's serial number and UUID
// (type 1), the baseboard's and the chassis' serial numbers (types 2 and 3) and the memory
// devices' serial numbers (type 17, the modules' SPD serials again). Returns how many fields
// were overwritten; a damaged table is walked as far as its structures are whole.
unsigned MaskSmbiosSerials(std::vector<std::uint8_t>& table);

}  // namespace zm::app
