// SPDX-License-Identifier: GPL-3.0-or-later
// Extreme Memory Profiles of DDR3 modules: a header at byte 176 (0x0C 0x4A), the enabled
// profiles in bits 1..0 of byte 178, the time base in bytes 180/181, and two profiles of 35
// bytes from byte 185. Every count is taken as a number, so a failed read stays negative.
#include <cmath>

#include "spd/spd_ddr3.h"
#include "spd/spd_format.h"
#include "spd/spd_profile.h"

namespace zm::spd {
namespace {

namespace xmp {
constexpr unsigned kId0 = 176;
constexpr unsigned kId1 = 177;
constexpr int kId0Value = 0x0C;
constexpr int kId1Value = 0x4A;
constexpr unsigned kProfilesEnabled = 178;  // bits 1..0
constexpr unsigned kTimeBaseDividend = 180;
constexpr unsigned kTimeBaseDivisor = 181;
constexpr unsigned kSecondProfileOffset = 35;

// Byte offsets of profile 1; profile 2 is 35 bytes further.
constexpr unsigned kVoltage = 185;  // bits 6..5 whole volts, bits 4..0 twentieths
constexpr unsigned kTck = 186;
constexpr unsigned kTaa = 187;
constexpr unsigned kTrp = 191;
constexpr unsigned kTrcd = 192;
constexpr unsigned kTwr = 193;
constexpr unsigned kTrasTrcUpper = 194;  // bits 3..0: tRAS bits 11..8, bits 7..4: tRC
constexpr unsigned kTrasLsb = 195;
constexpr unsigned kTrcLsb = 196;
constexpr unsigned kTrefiLsb = 197;
constexpr unsigned kTrefiMsb = 198;
constexpr unsigned kTrfcLsb = 199;
constexpr unsigned kTrfcMsb = 200;
constexpr unsigned kTrtp = 201;
constexpr unsigned kTrrd = 202;
constexpr unsigned kTwtr = 205;
constexpr unsigned kCommandRate = 208;  // in time-base units; 0: the controller's default
}  // namespace xmp

constexpr const char* kJedecVoltage = "1,50";

void DecodeProfile(const SpdByteSource& read, SpdView& view, int column, unsigned d,
                   long double timeBase, bool withUnit, const SpdDecodeOptions& options) {
    const auto number = [&](unsigned offset) { return ReadNumber(read, offset + d); };
    const int voltage = number(xmp::kVoltage);
    const long double tck = number(xmp::kTck) * timeBase;
    const long double taa = number(xmp::kTaa) * timeBase;
    ProfileTimes times;
    times.trp = number(xmp::kTrp) * timeBase;
    times.trcd = number(xmp::kTrcd) * timeBase;
    times.twr = number(xmp::kTwr) * timeBase;
    const int upper = number(xmp::kTrasTrcUpper);
    times.tras = ((upper & 0x0F) * 256 + number(xmp::kTrasLsb)) * timeBase;
    times.trc = (((upper >> 4) & 0x0F) * 256 + number(xmp::kTrcLsb)) * timeBase;
    const int trefiLow = number(xmp::kTrefiLsb);
    const long double trefi = (trefiLow + 256 * number(xmp::kTrefiMsb)) * timeBase;
    const int trfcLow = number(xmp::kTrfcLsb);
    times.trfc = (trfcLow + 256 * number(xmp::kTrfcMsb)) * timeBase;
    times.trtp = number(xmp::kTrtp) * timeBase;
    times.trrd = number(xmp::kTrrd) * timeBase;
    times.twtr = number(xmp::kTwtr) * timeBase;
    const int commandRate = number(xmp::kCommandRate);

    view.Cell(SpdRow::Voltage, column) =
        FormatFixed(((voltage >> 5) & 3) + (voltage & 0x1F) * 0.05L, 3, options.decimalSeparator);
    if (!WriteProfileClocks(view, column, tck, times)) return;
    WriteClocks(view, SpdRow::Cl, column, taa, tck);
    if (commandRate == 0) {
        view.Cell(SpdRow::Cr, column) = "Def.";
    } else if (std::isfinite(commandRate * timeBase)) {
        view.Cell(SpdRow::Cr, column) =
            FormatFixed(commandRate * timeBase, 0, options.decimalSeparator) + "T";
    }
    if (std::isfinite(trefi))
        view.Cell(SpdRow::Tref, column) =
            FormatFixed(trefi, 1, options.decimalSeparator) + (withUnit ? " us" : "");
}

}  // namespace

void DecodeXmpOrJedec3(const SpdByteSource& read, SpdView& view, const Ddr3JedecTimes& jedec,
                       int above, const SpdDecodeOptions& options) {
    // Without the whole XMP area it is unknown whether the module has profiles there.
    if (!Holds(options, xmp::kCommandRate + xmp::kSecondProfileOffset)) return;
    const int id0 = ReadNumber(read, xmp::kId0);
    const int id1 = ReadNumber(read, xmp::kId1);
    const int enabled = ReadNumber(read, xmp::kProfilesEnabled);
    if (id0 == xmp::kId0Value && id1 == xmp::kId1Value) {
        view.extraHeaders = {"XMP#1", "XMP#2"};
        const int e = enabled & 3;
        if (e != 1 && e != 3) return;
        const int dividend = ReadNumber(read, xmp::kTimeBaseDividend);
        const int divisor = ReadNumber(read, xmp::kTimeBaseDivisor);
        const long double timeBase =
            divisor != 0 ? static_cast<long double>(dividend) / divisor : NAN;
        DecodeProfile(read, view, 3, 0, timeBase, true, options);
        if (e == 3)
            DecodeProfile(read, view, 4, xmp::kSecondProfileOffset, timeBase, false, options);
        return;
    }
    // A module without XMP shows its JEDEC profile at the slower CAS latency instead, when
    // byte 14 names one.
    if (id0 != xmp::kId0Value && id1 != xmp::kId1Value && above != 0) {
        view.extraHeaders[0] = "Jedec#3";
        view.jedec3HeaderMoved = true;
        WriteDdr3JedecColumn(view, 3, jedec.taa / above, jedec);
        view.Cell(SpdRow::Voltage, 3) = kJedecVoltage;
    }
}

}  // namespace zm::spd
