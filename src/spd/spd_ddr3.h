// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// DDR3 modules (SPD byte 2 = 11): module facts, the JEDEC profile at the module's fastest cycle
// time and at the slower CAS latencies it supports, and the Extreme Memory Profiles (XMP) some
// makers store from byte 176.

#include <cstdint>
#include <optional>

#include "spd/spd_decoder.h"
#include "spd/spd_view.h"

namespace zm::spd {

namespace ddr3 {
constexpr unsigned kDensity = 4;       // bits 2..0: SDRAM density code
constexpr unsigned kOrganisation = 7;  // bits 4..3: rank code, bits 1..0: device width code
constexpr unsigned kBusWidth = 8;      // 0x0B: 64 bits with 8 ECC bits
constexpr unsigned kFineTimeBase = 9;  // ps: dividend in bits 7..4, divisor in bits 3..0
constexpr unsigned kMtbDividend = 10;
constexpr unsigned kMtbDivisor = 11;
constexpr unsigned kTckMin = 12;
constexpr unsigned kCasLatencies = 14;  // bit 0 = CL 4 ... bit 7 = CL 11
constexpr unsigned kTaaMin = 16;
constexpr unsigned kTwrMin = 17;
constexpr unsigned kTrcdMin = 18;
constexpr unsigned kTrrdMin = 19;
constexpr unsigned kTrpMin = 20;
constexpr unsigned kTrasTrcUpper = 21;  // bits 3..0: tRAS bits 11..8, bits 7..4: tRC bits 11..8
constexpr unsigned kTrasMinLsb = 22;
constexpr unsigned kTrcMinLsb = 23;
constexpr unsigned kTrfcMinLsb = 24;
constexpr unsigned kTrfcMinMsb = 25;
constexpr unsigned kTwtrMin = 26;
constexpr unsigned kTrtpMin = 27;
// Signed corrections in fine-time-base units to tCKmin, tAAmin, tRCDmin, tRPmin and tRCmin.
constexpr unsigned kTckMinFine = 34;
constexpr unsigned kTaaMinFine = 35;
constexpr unsigned kTrcdMinFine = 36;
constexpr unsigned kTrpMinFine = 37;
constexpr unsigned kTrcMinFine = 38;
constexpr unsigned kManufacturer = 118;
constexpr unsigned kSerial = 122;  // 4 bytes, most significant first
constexpr unsigned kPartNumber = 128;
constexpr unsigned kPartNumberLength = 18;
constexpr unsigned kRevision = 146;
}  // namespace ddr3

// The CAS latencies around the one tAA needs at the fastest cycle time: among those byte 14
// marks, `below` is the highest one under `a`, `belowThat` the highest one under `below`, and
// `above` the highest one over `a`; 0 where there is none.
struct CasNeighbours {
    int below = 0, belowThat = 0, above = 0;
};
CasNeighbours FindCasNeighbours(std::uint8_t casMap, long long a);

// The JEDEC times of the module in ns, shared by every JEDEC column.
struct Ddr3JedecTimes {
    long double taa, trcd, trp, tras, trc, trfc, trrd, twr, twtr, trtp;
};

// One JEDEC column at cycle time tck: MHz, CL = tAA in clocks, every time in clocks.
std::optional<long long> WriteDdr3JedecColumn(SpdView& view, int column, long double tckNs,
                                              const Ddr3JedecTimes& jedec);

void DecodeDdr3(const SpdByteSource& read, SpdView& view, const SpdDecodeOptions& options);

// Bytes 176..178 and what follows: the XMP profiles into columns 4 and 5 when the XMP header is
// there; without it, a "Jedec#3" column 4 at the CAS latency `above` (when not 0).
void DecodeXmpOrJedec3(const SpdByteSource& read, SpdView& view, const Ddr3JedecTimes& jedec,
                       int above, const SpdDecodeOptions& options);

}  // namespace zm::spd
