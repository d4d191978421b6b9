// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// DDR2 modules (SPD byte 2 = 8): module facts, the JEDEC cycle times at the three supported CAS
// latencies (bytes 9, 23, 25), and the enthusiast profiles (EPP) that some makers store in the
// vendor area from byte 99.

#include <cstdint>
#include <optional>

#include "spd/spd_decoder.h"
#include "spd/spd_view.h"

namespace zm::spd {

namespace ddr2 {
constexpr unsigned kRanks = 5;  // bits 2..0: ranks - 1
constexpr unsigned kVoltage = 8;
constexpr unsigned kCycleTime = 9;  // at the highest CAS latency
constexpr unsigned kCorrection = 11;
constexpr unsigned kRefresh = 12;  // bits 6..0: refresh period code
constexpr unsigned kCasLatencies = 18;
constexpr unsigned kCycleTimeMinus1 = 23;  // at CAS latency - 1
constexpr unsigned kCycleTimeMinus2 = 25;  // at CAS latency - 2
constexpr unsigned kTrp = 27;              // quarter ns
constexpr unsigned kTrrd = 28;             // quarter ns
constexpr unsigned kTrcd = 29;             // quarter ns
constexpr unsigned kTras = 30;             // ns
constexpr unsigned kRankDensity = 31;
constexpr unsigned kTwr = 36;                // quarter ns
constexpr unsigned kTwtr = 37;               // quarter ns
constexpr unsigned kTrtp = 38;               // quarter ns
constexpr unsigned kTrc = 41;                // ns
constexpr unsigned kTrfc = 42;               // ns
constexpr unsigned kManufacturerFirst = 64;  // 0x7F continuation codes, then the maker
constexpr unsigned kManufacturerLast = 71;
constexpr unsigned kPartNumber = 73;
constexpr unsigned kPartNumberLength = 18;
constexpr unsigned kRevision = 91;
constexpr unsigned kSerial = 95;    // 4 bytes, most significant first
constexpr unsigned kEppLast = 127;  // enthusiast profiles: bytes 99..127
}  // namespace ddr2

// Cycle time of a DDR2 cycle-time byte: whole ns in the upper nibble, the fraction coded in the
// lower one (0..9 tenths, then .25, .33, .66, .75, .875). Nullopt for the undefined fraction 15.
std::optional<long double> Ddr2CycleTimeNs(std::uint8_t byte);

// A time byte in quarter nanoseconds: ns in bits 7..2, quarters in bits 1..0.
long double Ddr2QuarterNs(std::uint8_t byte);

void DecodeDdr2(const SpdByteSource& read, SpdView& view, const SpdDecodeOptions& options);

// The JEDEC bytes an EPP profile borrows, already read for column 1.
struct Ddr2JedecTimes {
    std::uint8_t trfc, trrd, twtr, trtp;
};
void DecodeEpp(const SpdByteSource& read, SpdView& view, const Ddr2JedecTimes& jedec,
               const SpdDecodeOptions& options);

}  // namespace zm::spd
