// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/capture_privacy.h"

#include <optional>

#include "spd/spd_ddr2.h"
#include "spd/spd_ddr3.h"
#include "spd/spd_reader.h"

namespace zm::app {
namespace {

constexpr unsigned kSerialBytes = 4;
// DDR3: byte 0 bit 7 set: the CRC covers bytes 0..116 only; the CRC itself at 126 (low), 127.
constexpr std::uint8_t kCrcShortCoverage = 0x80;
constexpr std::size_t kCrcShortEnd = 116;
constexpr std::size_t kCrcLongEnd = 125;
constexpr std::size_t kCrcLow = 126;
constexpr std::size_t kCrcHigh = 127;

std::uint16_t Crc16(const std::vector<std::uint8_t>& bytes, std::size_t last) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i <= last; ++i) {
        crc ^= static_cast<std::uint16_t>(bytes[i] << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

std::size_t CrcEnd(const std::vector<std::uint8_t>& image) {
    return (image[0] & kCrcShortCoverage) ? kCrcShortEnd : kCrcLongEnd;
}

std::uint16_t StoredCrc(const std::vector<std::uint8_t>& image) {
    return static_cast<std::uint16_t>(image[kCrcLow] | (image[kCrcHigh] << 8));
}

// SMBIOS structure types and the offsets of the fields that identify one machine.
constexpr std::uint8_t kSystemType = 1;
constexpr std::uint8_t kBaseboardType = 2;
constexpr std::uint8_t kChassisType = 3;
constexpr std::uint8_t kMemoryDeviceType = 17;
constexpr std::uint8_t kEndOfTable = 127;
constexpr std::size_t kSerialStringField = 0x07;  // types 1, 2 and 3
constexpr std::size_t kSystemUuid = 0x08;         // 16 bytes
constexpr std::size_t kUuidBytes = 16;
constexpr std::size_t kMemorySerialField = 0x18;  // type 17

// Overwrites string `index` (1-based) of the strings starting at `strings`, up to `end`.
bool MaskString(std::vector<std::uint8_t>& t, std::size_t strings, std::size_t end,
                unsigned index) {
    if (index == 0) return false;
    std::size_t at = strings;
    for (unsigned n = 1; at < end && t[at] != 0; ++n) {
        std::size_t stop = at;
        while (stop < end && t[stop] != 0) ++stop;
        if (n == index) {
            for (std::size_t i = at; i < stop; ++i) t[i] = '0';
            return true;
        }
        at = stop + 1;
    }
    return false;
}

}  // namespace

std::uint16_t Ddr3Crc(const std::vector<std::uint8_t>& image) {
    return image.size() > kCrcHigh ? Crc16(image, CrcEnd(image)) : 0;
}

bool Ddr3CrcValid(const std::vector<std::uint8_t>& image) {
    return image.size() > kCrcHigh && Ddr3Crc(image) == StoredCrc(image);
}

SpdMasking MaskSpdSerial(std::vector<std::uint8_t>& image) {
    SpdMasking result;
    if (image.size() <= spd::kSpdMemoryType) return result;
    const std::uint8_t type = image[spd::kSpdMemoryType];
    std::optional<std::size_t> serial;
    if (type == spd::kSpdTypeDdr3) serial = spd::ddr3::kSerial;
    if (type == spd::kSpdTypeDdr2) serial = spd::ddr2::kSerial;
    if (!serial || image.size() < *serial + kSerialBytes) return result;

    const bool ddr3 = type == spd::kSpdTypeDdr3 && image.size() > kCrcHigh;
    const bool covered = ddr3 && CrcEnd(image) >= *serial;
    const bool validBefore = covered && Ddr3CrcValid(image);
    for (std::size_t i = 0; i < kSerialBytes; ++i) image[*serial + i] = 0;
    result.masked = true;
    if (validBefore) {
        const std::uint16_t crc = Ddr3Crc(image);
        image[kCrcLow] = static_cast<std::uint8_t>(crc);
        image[kCrcHigh] = static_cast<std::uint8_t>(crc >> 8);
        result.crcRecomputed = true;
    } else if (covered) {
        result.crcLeftWrong = true;
    }
    return result;
}

unsigned MaskSmbiosSerials(std::vector<std::uint8_t>& t) {
    unsigned masked = 0;
    std::size_t at = 0;
    while (at + 4 <= t.size()) {
        const std::uint8_t type = t[at];
        const std::size_t length = t[at + 1];
        if (length < 4 || at + length > t.size()) break;
        // The string area ends with two zero bytes (just two for a structure without strings).
        std::size_t end = at + length;
        while (end + 1 < t.size() && !(t[end] == 0 && t[end + 1] == 0)) ++end;
        if (end + 1 >= t.size()) end = t.size();
        const std::size_t strings = at + length;
        auto field = [&](std::size_t offset) -> unsigned {
            return offset < length ? t[at + offset] : 0;
        };
        if (type == kSystemType || type == kBaseboardType || type == kChassisType) {
            masked += MaskString(t, strings, end, field(kSerialStringField));
        }
        if (type == kSystemType && length >= kSystemUuid + kUuidBytes) {
            for (std::size_t i = 0; i < kUuidBytes; ++i) t[at + kSystemUuid + i] = 0;
            ++masked;
        }
        if (type == kMemoryDeviceType)
            masked += MaskString(t, strings, end, field(kMemorySerialField));
        if (type == kEndOfTable) break;
        at = end + 2;
    }
    return masked;
}

}  // namespace zm::app
