// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_ddr2.h"

#include <array>

#include "spd/spd_format.h"
#include "spd/spd_profile.h"

namespace zm::spd {
namespace {

constexpr std::uint8_t kContinuationCode = 0x7F;

// Byte 31: one bit per rank density. The six values older DDR2 modules use, plus the 8 and 16
// GByte ranks the same byte names for the largest modules.
struct Density {
    std::uint8_t code;
    unsigned mbytes;
};
constexpr std::array<Density, 8> kRankDensities{{
    {0x01, 1024},
    {0x02, 2048},
    {0x04, 4096},
    {0x08, 8192},
    {0x10, 16384},
    {0x20, 128},
    {0x40, 256},
    {0x80, 512},
}};

const char* CorrectionText(std::uint8_t code) {
    switch (code) {
        case 0:
            return "None";
        case 1:
            return "Parity";
        case 2:
            return "ECC";
        default:
            return nullptr;
    }
}

const char* VoltageText(std::uint8_t code) {
    switch (code) {
        case 2:
            return "1,5";
        case 3:
            return "3,3";
        case 4:
            return "2,5";
        case 5:
            return "1,8";
        default:
            return nullptr;
    }
}

const char* RefreshText(std::uint8_t code) {
    constexpr std::array<const char*, 6> kPeriods{"15,6 us", "3,9 us",  "7,8 us",
                                                  "31,3 us", "62,5 us", "125 us"};
    return code < kPeriods.size() ? kPeriods[code] : nullptr;
}

// The highest CAS latency 2..7 whose bit is set, 0 when none is.
int HighestCasLatency(std::uint8_t latencies) {
    int cl = 0;
    for (int k = 2; k <= 7; ++k)
        if (latencies & (1u << k)) cl = k;
    return cl;
}

void ShowSize(const SpdByteSource& read, SpdView& view) {
    const unsigned ranks = (ReadByte(read, ddr2::kRanks) & 7u) + 1;
    const std::uint8_t code = ReadByte(read, ddr2::kRankDensity);
    for (const Density& density : kRankDensities) {
        if (density.code == code) {
            view.size = std::to_string(ranks * density.mbytes) + " MBytes";
            return;
        }
    }
}

std::uint8_t ManufacturerCode(const SpdByteSource& read) {
    std::uint8_t code = kContinuationCode;
    for (unsigned i = ddr2::kManufacturerFirst; i <= ddr2::kManufacturerLast; ++i) {
        code = ReadByte(read, i);
        if (code != kContinuationCode) break;
    }
    return code;
}

// The JEDEC bytes of the three CAS-latency columns, read in the order the decode needs them.
struct JedecBytes {
    std::uint8_t cycle, cycleMinus1, cycleMinus2, latencies, trcd, trp, tras, trc, trfc, trrd, twr,
        twtr, trtp, refresh, voltage;
};

JedecBytes ReadJedecBytes(const SpdByteSource& read) {
    JedecBytes b{};
    b.cycle = ReadByte(read, ddr2::kCycleTime);
    b.cycleMinus1 = ReadByte(read, ddr2::kCycleTimeMinus1);
    b.cycleMinus2 = ReadByte(read, ddr2::kCycleTimeMinus2);
    b.latencies = ReadByte(read, ddr2::kCasLatencies);
    b.trcd = ReadByte(read, ddr2::kTrcd);
    b.trp = ReadByte(read, ddr2::kTrp);
    b.tras = ReadByte(read, ddr2::kTras);
    b.trc = ReadByte(read, ddr2::kTrc);
    b.trfc = ReadByte(read, ddr2::kTrfc);
    b.trrd = ReadByte(read, ddr2::kTrrd);
    b.twr = ReadByte(read, ddr2::kTwr);
    b.twtr = ReadByte(read, ddr2::kTwtr);
    b.trtp = ReadByte(read, ddr2::kTrtp);
    b.refresh = ReadByte(read, ddr2::kRefresh);
    b.voltage = ReadByte(read, ddr2::kVoltage);
    return b;
}

// One JEDEC column at the cycle time of `cycleByte` with CAS latency `cl`.
std::optional<long long> JedecColumn(SpdView& view, int column, std::uint8_t cycleByte, int cl,
                                     const JedecBytes& b) {
    // A latency below one (no latency bit set in byte 18) is no setting a controller can take.
    if (cl >= 1) view.Cell(SpdRow::Cl, column) = std::to_string(cl);
    const auto tck = Ddr2CycleTimeNs(cycleByte);
    if (!tck) return std::nullopt;
    ProfileTimes times;
    times.trcd = Ddr2QuarterNs(b.trcd);
    times.trp = Ddr2QuarterNs(b.trp);
    times.tras = b.tras;
    times.trc = b.trc;
    times.trfc = b.trfc;
    times.trrd = Ddr2QuarterNs(b.trrd);
    times.twr = Ddr2QuarterNs(b.twr);
    times.twtr = Ddr2QuarterNs(b.twtr);
    times.trtp = Ddr2QuarterNs(b.trtp);
    return WriteProfileClocks(view, column, *tck, times);
}

// Columns 2 and 3 repeat column 1's refresh period and voltage.
void CopyColumn1Texts(SpdView& view, int column) {
    view.Cell(SpdRow::Tref, column) = view.Cell(SpdRow::Tref, 0);
    view.Cell(SpdRow::Voltage, column) = view.Cell(SpdRow::Voltage, 0);
}

}  // namespace

std::optional<long double> Ddr2CycleTimeNs(std::uint8_t byte) {
    constexpr std::array<long double, 5> kSpecialFractions{0.25L, 0.33L, 0.66L, 0.75L, 0.875L};
    const unsigned fraction = byte & 0x0F;
    long double ns = byte >> 4;
    if (fraction <= 9) {
        ns += fraction / 10.0L;
    } else if (fraction <= 14) {
        ns += kSpecialFractions[fraction - 10];
    } else {
        return std::nullopt;
    }
    return ns;
}

long double Ddr2QuarterNs(std::uint8_t byte) {
    return (byte >> 2) + (byte & 3) * 0.25L;
}

void DecodeDdr2(const SpdByteSource& read, SpdView& view, const SpdDecodeOptions& options) {
    view.type = "DDR2";
    if (Holds(options, ddr2::kRankDensity)) ShowSize(read, view);
    if (Holds(options, ddr2::kManufacturerLast)) {
        view.makerCode = ManufacturerCode(read);
        view.manufacturer = MakerName(view.makerCode, MakerList::Ddr2);
    }
    if (Holds(options, ddr2::kCorrection))
        if (const char* text = CorrectionText(ReadByte(read, ddr2::kCorrection)))
            view.correction = text;
    if (Holds(options, ddr2::kPartNumber + ddr2::kPartNumberLength - 1))
        ShowPartNumber(view, ReadPartNumber(read, ddr2::kPartNumber, ddr2::kPartNumberLength));
    if (Holds(options, ddr2::kRevision)) ShowRevision(view, ReadByte(read, ddr2::kRevision));
    if (Holds(options, ddr2::kSerial + 3)) ShowSerial(view, read, ddr2::kSerial);
    if (!Holds(options, ddr2::kTrfc)) return;

    const JedecBytes b = ReadJedecBytes(read);
    const int cl = HighestCasLatency(b.latencies);
    if (const char* text = VoltageText(b.voltage)) view.Cell(SpdRow::Voltage, 0) = text;
    if (const char* text = RefreshText(b.refresh & 0x7F)) view.Cell(SpdRow::Tref, 0) = text;

    if (const auto mhz = JedecColumn(view, 0, b.cycle, cl, b)) view.speed = SpeedText("PC2", *mhz);
    // The slower cycle times at CAS latency - 1 and - 2 are given only when they exist, and a
    // slower clock has the longer (larger) cycle-time byte.
    if (b.cycleMinus1 != 0 && b.cycleMinus1 > b.cycle) {
        JedecColumn(view, 1, b.cycleMinus1, cl - 1, b);
        CopyColumn1Texts(view, 1);
    }
    if (b.cycleMinus2 != 0 && b.cycleMinus2 > b.cycleMinus1) {
        JedecColumn(view, 2, b.cycleMinus2, cl - 2, b);
        CopyColumn1Texts(view, 2);
    }

    if (Holds(options, ddr2::kEppLast))
        DecodeEpp(read, view, {b.trfc, b.trrd, b.twtr, b.trtp}, options);
}

}  // namespace zm::spd
