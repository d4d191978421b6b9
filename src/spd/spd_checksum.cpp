// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_checksum.h"

#include <vector>

#include "spd/spd_format.h"

namespace zm::spd {
namespace {

constexpr std::uint16_t kCrcPolynomial = 0x1021;

namespace ddr2_sum {
constexpr unsigned kChecksum = 63;  // low byte of the sum of bytes 0..62
}
namespace ddr3_crc {
constexpr unsigned kCrcCoverage = 0;  // bit 7: 1 = CRC over bytes 0..116
constexpr std::uint8_t kCoverageShort = 0x80;
constexpr unsigned kShortCoverageLast = 116;
constexpr unsigned kLongCoverageLast = 125;
constexpr unsigned kCrcLow = 126;
constexpr unsigned kCrcHigh = 127;
}  // namespace ddr3_crc

// Bytes first..last, or nothing when one of them failed to read.
bool ReadRange(const SpdByteSource& read, unsigned first, unsigned last,
               std::vector<std::uint8_t>& bytes) {
    for (unsigned offset = first; offset <= last; ++offset) {
        const int value = read(static_cast<std::uint8_t>(offset));
        if (value < 0) return false;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

ChecksumResult NotChecked(std::string why) {
    return {ChecksumState::NotChecked, "not checked: " + std::move(why)};
}

std::string Range(unsigned last) {
    return "bytes 0.." + std::to_string(last);
}

ChecksumResult CheckDdr2(const SpdByteSource& read, unsigned bytesHeld) {
    if (bytesHeld <= ddr2_sum::kChecksum) return NotChecked("the image ends before byte 63");
    std::vector<std::uint8_t> bytes;
    if (!ReadRange(read, 0, ddr2_sum::kChecksum, bytes)) return NotChecked("a byte failed to read");
    std::uint8_t sum = 0;
    for (unsigned i = 0; i < ddr2_sum::kChecksum; ++i)
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    const std::uint8_t stored = bytes[ddr2_sum::kChecksum];
    if (sum == stored)
        return {ChecksumState::Good, "sum of " + Range(62) + " 0x" + Hex(sum, 2) + " good"};
    return {ChecksumState::Mismatch, "MISMATCH: byte 63 holds 0x" + Hex(stored, 2) + ", " +
                                         Range(62) + " sum to 0x" + Hex(sum, 2)};
}

ChecksumResult CheckDdr3(const SpdByteSource& read, unsigned bytesHeld) {
    if (bytesHeld <= ddr3_crc::kCrcHigh) return NotChecked("the image ends before byte 127");
    std::vector<std::uint8_t> bytes;
    if (!ReadRange(read, 0, ddr3_crc::kCrcHigh, bytes)) return NotChecked("a byte failed to read");
    const unsigned last = (bytes[ddr3_crc::kCrcCoverage] & ddr3_crc::kCoverageShort)
                              ? ddr3_crc::kShortCoverageLast
                              : ddr3_crc::kLongCoverageLast;
    const std::uint16_t crc = SpdCrc16(bytes.data(), last + 1);
    const auto stored =
        static_cast<std::uint16_t>(bytes[ddr3_crc::kCrcLow] | (bytes[ddr3_crc::kCrcHigh] << 8));
    if (crc == stored)
        return {ChecksumState::Good, "CRC-16 of " + Range(last) + " 0x" + Hex(crc, 4) + " good"};
    return {ChecksumState::Mismatch, "MISMATCH: bytes 126..127 hold CRC 0x" + Hex(stored, 4) +
                                         ", " + Range(last) + " give 0x" + Hex(crc, 4)};
}

}  // namespace

std::uint16_t SpdCrc16(const std::uint8_t* bytes, std::size_t count) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= static_cast<std::uint16_t>(bytes[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc =
                static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ kCrcPolynomial : crc << 1);
    }
    return crc;
}

ChecksumResult CheckModuleChecksum(const SpdByteSource& read, SpdModuleType type,
                                   unsigned bytesHeld) {
    switch (type) {
        case SpdModuleType::Ddr2:
            return CheckDdr2(read, bytesHeld);
        case SpdModuleType::Ddr3:
            return CheckDdr3(read, bytesHeld);
        default:
            return {};
    }
}

}  // namespace zm::spd
