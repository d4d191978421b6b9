// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_ddr3.h"

#include <cmath>

#include "spd/spd_format.h"
#include "spd/spd_profile.h"

namespace zm::spd {
namespace {

constexpr std::uint8_t kBusWidthWithEcc = 0x0B;
constexpr int kLowestCas = 4;    // bit 0 of byte 14
constexpr int kHighestCas = 11;  // bit 7 of byte 14
constexpr const char* kJedecVoltage = "1,50";

// Byte 7: rank code (bits 4..3) and device width code (bits 1..0); byte 4: density code.
constexpr unsigned kRanks[4] = {1, 2, 2, 4};
// Width code 3 (x32 devices) is not in the window's list; it is taken as JEDEC defines it
// rather than leaving a width of 0 to divide by.
constexpr unsigned kWidths[4] = {4, 8, 16, 32};
constexpr unsigned kTwoRankWidthQuirkCode = 2;

std::optional<unsigned> DensityMbit(unsigned code) {
    switch (code) {
        case 0:
            return 256;
        case 1:
            return 512;
        case 2:
            return 1024;
        case 3:
            return 2048;
        case 4:
            return 4096;
        case 5:
            return 8192;
        case 6:
            return 16384;
        default:
            return std::nullopt;
    }
}

void ShowSize(const SpdByteSource& read, SpdView& view) {
    const std::uint8_t organisation = ReadByte(read, ddr3::kOrganisation);
    const std::uint8_t density = ReadByte(read, ddr3::kDensity);
    const unsigned rankCode = (organisation >> 3) & 3;
    const unsigned widthCode = organisation & 3;
    unsigned width = kWidths[widthCode];
    if (widthCode == 0 && rankCode == kTwoRankWidthQuirkCode) width = 16;
    const auto mbit = DensityMbit(density & 7);
    if (!mbit) return;
    view.size = std::to_string((64 / width) * (*mbit / 8) * kRanks[rankCode]) + " MBytes";
}

long double Mtb(int units, long double mtb) {
    return units * mtb;
}

// The fine corrections of tCKmin, tAAmin, tRCDmin, tRPmin and tRCmin in ns (bytes 34..38 in
// units of the fine time base of byte 9); all 0 for a module that gives none or an image that
// ends before byte 38.
struct Ddr3FineCorrections {
    long double tck = 0, taa = 0, trcd = 0, trp = 0, trc = 0;
};

// Byte 9: the fine time base in ps as dividend (bits 7..4) / divisor (bits 3..0), 1 ps on every
// module seen. A divisor of 0 gives no fine time base, so no correction is applied.
Ddr3FineCorrections ReadDdr3FineCorrections(const SpdByteSource& read,
                                            const SpdDecodeOptions& options) {
    Ddr3FineCorrections fine;
    if (!Holds(options, ddr3::kTrcMinFine)) return fine;
    const std::uint8_t base = ReadByte(read, ddr3::kFineTimeBase);
    const unsigned divisor = base & 0x0F;
    if (divisor == 0) return fine;
    constexpr long double kNsPerPs = 0.001L;
    const long double ftbNs = static_cast<long double>(base >> 4) / divisor * kNsPerPs;
    // Each correction is a two's-complement count of fine-time-base units.
    const auto correction = [&](unsigned offset) {
        return static_cast<std::int8_t>(ReadByte(read, offset)) * ftbNs;
    };
    fine.tck = correction(ddr3::kTckMinFine);
    fine.taa = correction(ddr3::kTaaMinFine);
    fine.trcd = correction(ddr3::kTrcdMinFine);
    fine.trp = correction(ddr3::kTrpMinFine);
    fine.trc = correction(ddr3::kTrcMinFine);
    return fine;
}

}  // namespace

CasNeighbours FindCasNeighbours(std::uint8_t casMap, long long a) {
    CasNeighbours n;
    for (int cl = kLowestCas; cl <= kHighestCas; ++cl) {
        if (!(casMap & (1u << (cl - kLowestCas)))) continue;
        if (cl < a) n.below = cl;
        if (cl > a) n.above = cl;
    }
    for (int cl = kLowestCas; cl < n.below; ++cl)
        if (casMap & (1u << (cl - kLowestCas))) n.belowThat = cl;
    return n;
}

std::optional<long long> WriteDdr3JedecColumn(SpdView& view, int column, long double tckNs,
                                              const Ddr3JedecTimes& jedec) {
    ProfileTimes times;
    times.trcd = jedec.trcd;
    times.trp = jedec.trp;
    times.tras = jedec.tras;
    times.trc = jedec.trc;
    times.trfc = jedec.trfc;
    times.trrd = jedec.trrd;
    times.twr = jedec.twr;
    times.twtr = jedec.twtr;
    times.trtp = jedec.trtp;
    const auto mhz = WriteProfileClocks(view, column, tckNs, times);
    if (mhz) WriteClocks(view, SpdRow::Cl, column, jedec.taa, tckNs);
    return mhz;
}

void DecodeDdr3(const SpdByteSource& read, SpdView& view, const SpdDecodeOptions& options) {
    view.type = "DDR3";
    if (Holds(options, ddr3::kOrganisation)) ShowSize(read, view);
    if (Holds(options, ddr3::kManufacturer)) {
        view.makerCode = ReadByte(read, ddr3::kManufacturer);
        view.manufacturer = MakerName(view.makerCode, MakerList::Ddr3);
    }
    if (Holds(options, ddr3::kPartNumber + ddr3::kPartNumberLength - 1))
        ShowPartNumber(view, ReadPartNumber(read, ddr3::kPartNumber, ddr3::kPartNumberLength));
    if (Holds(options, ddr3::kBusWidth))
        view.correction = ReadByte(read, ddr3::kBusWidth) == kBusWidthWithEcc ? "ECC" : "None";
    if (Holds(options, ddr3::kRevision)) ShowRevision(view, ReadByte(read, ddr3::kRevision));
    if (Holds(options, ddr3::kSerial + 3)) ShowSerial(view, read, ddr3::kSerial);
    if (!Holds(options, ddr3::kTrtpMin)) return;

    // The time base and the cycle time are numbers: a failed read stays negative.
    const int dividend = ReadNumber(read, ddr3::kMtbDividend);
    const int divisor = ReadNumber(read, ddr3::kMtbDivisor);
    const int tckUnits = ReadNumber(read, ddr3::kTckMin);
    const std::uint8_t taaUnits = ReadByte(read, ddr3::kTaaMin);
    const std::uint8_t casMap = ReadByte(read, ddr3::kCasLatencies);
    // A time base of x / 0 is no time base: every time stays unknown (NaN), so no cell that
    // depends on one is written.
    const long double mtb = divisor != 0 ? static_cast<long double>(dividend) / divisor : NAN;
    // Modules faster than the medium time base can express (DDR3-1866 and up: 1.071 ns is no
    // multiple of 1/8 ns) give tCKmin, tAAmin, tRCDmin, tRPmin and tRCmin as a medium count
    // plus a signed fine correction. Modules without one keep 0 there.
    const Ddr3FineCorrections fine = ReadDdr3FineCorrections(read, options);
    const long double tckMin = Mtb(tckUnits, mtb) + fine.tck;

    Ddr3JedecTimes jedec{};
    jedec.taa = Mtb(taaUnits, mtb) + fine.taa;
    jedec.trcd = Mtb(ReadByte(read, ddr3::kTrcdMin), mtb) + fine.trcd;
    jedec.trp = Mtb(ReadByte(read, ddr3::kTrpMin), mtb) + fine.trp;
    const std::uint8_t upper = ReadByte(read, ddr3::kTrasTrcUpper);
    jedec.tras = Mtb((upper & 0x0F) * 256 + ReadByte(read, ddr3::kTrasMinLsb), mtb);
    jedec.trc = Mtb((upper >> 4) * 256 + ReadByte(read, ddr3::kTrcMinLsb), mtb) + fine.trc;
    const int trfcLow = ReadByte(read, ddr3::kTrfcMinLsb);
    jedec.trfc = Mtb(trfcLow + 256 * ReadByte(read, ddr3::kTrfcMinMsb), mtb);
    jedec.twr = Mtb(ReadByte(read, ddr3::kTwrMin), mtb);
    jedec.trrd = Mtb(ReadByte(read, ddr3::kTrrdMin), mtb);
    jedec.twtr = Mtb(ReadByte(read, ddr3::kTwtrMin), mtb);
    jedec.trtp = Mtb(ReadByte(read, ddr3::kTrtpMin), mtb);

    for (int column = 0; column < 3; ++column) view.Cell(SpdRow::Voltage, column) = kJedecVoltage;

    // A: the CAS latency tAA needs at the fastest clock, rounded down. A negative fine
    // correction larger than the medium count makes tAA negative: no latency at all.
    long long a = 0;
    if (const auto quotient = jedec.taa / tckMin;
        tckMin > 0 && std::isfinite(quotient) && quotient > 0)
        a = static_cast<long long>(std::trunc(std::fmin(quotient, 1e6L) + 1e-6L));
    const CasNeighbours cas = FindCasNeighbours(casMap, a);

    if (const auto mhz = WriteDdr3JedecColumn(view, 0, tckMin, jedec))
        view.speed = SpeedText("PC3", *mhz);
    if (cas.below != 0) WriteDdr3JedecColumn(view, 1, jedec.taa / cas.below, jedec);
    if (cas.belowThat != 0) WriteDdr3JedecColumn(view, 2, jedec.taa / cas.belowThat, jedec);

    DecodeXmpOrJedec3(read, view, jedec, cas.above, options);
}

}  // namespace zm::spd
