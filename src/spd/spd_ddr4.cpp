// SPDX-License-Identifier: GPL-3.0-or-later
// DDR4 modules: a 512-byte SPD in two 256-byte pages. The base block (bytes 0..127) holds the
// organisation and the JEDEC times in medium (125 ps) units with signed fine (1 ps) corrections
// kept at the end of the block; the module block (128..255) the module's build; the second page
// the maker, part number and serial (320..351) and the end-user area (384..511), where the
// Extreme Memory Profile 2.0 block sits. Each 128-byte block of the first page has its own CRC.
#include <array>
#include <cmath>

#include "spd/spd_ddr45.h"
#include "spd/spd_format.h"
#include "spd/spd_profile.h"

namespace zm::spd {
namespace {

using ddr45::Bytes;
using ddr45::ProfileColumn;

namespace ddr4 {
constexpr unsigned kModuleType = 3;  // bits 3..0
constexpr unsigned kDensityBanks = 4;
constexpr unsigned kPackage = 6;
constexpr unsigned kVoltage = 11;
constexpr unsigned kOrganisation = 12;
constexpr unsigned kBusWidth = 13;
constexpr unsigned kTimeBases = 17;
constexpr unsigned kTckMin = 18;
constexpr unsigned kTckMax = 19;
constexpr unsigned kCasFirst = 20;  // four bytes
constexpr unsigned kTaa = 24;
constexpr unsigned kTrcd = 25;
constexpr unsigned kTrp = 26;
constexpr unsigned kTrasTrcUpper = 27;
constexpr unsigned kTras = 28;
constexpr unsigned kTrc = 29;
constexpr unsigned kTrfc1 = 30;  // 16 bits, little-endian
constexpr unsigned kTrfc2 = 32;
constexpr unsigned kTrfc4 = 34;
constexpr unsigned kTfawUpper = 36;
constexpr unsigned kTfaw = 37;
constexpr unsigned kTrrdS = 38;
constexpr unsigned kTrrdL = 39;
constexpr unsigned kTccdL = 40;
constexpr unsigned kTwrUpper = 41;
constexpr unsigned kTwr = 42;
constexpr unsigned kTwtrUpper = 43;  // bits 3..0 tWTR_S, bits 7..4 tWTR_L
constexpr unsigned kTwtrS = 44;
constexpr unsigned kTwtrL = 45;
// Fine corrections, in the reverse order of the fields they correct.
constexpr unsigned kTccdLFine = 117;
constexpr unsigned kTrrdLFine = 118;
constexpr unsigned kTrrdSFine = 119;
constexpr unsigned kTrcFine = 120;
constexpr unsigned kTrpFine = 121;
constexpr unsigned kTrcdFine = 122;
constexpr unsigned kTaaFine = 123;
constexpr unsigned kTckMaxFine = 124;
constexpr unsigned kTckMinFine = 125;
constexpr unsigned kCrcBase = 126;
constexpr unsigned kCrcModule = 254;
constexpr unsigned kMaker = 320;  // the maker's block (ddr45::ManufacturingBlock)
constexpr unsigned kPartNumberLength = 20;
}  // namespace ddr4

// Extreme Memory Profile 2.0: the header at 384 and two profiles of 47 bytes. A profile keeps
// the base block's units and order: medium counts first, fine corrections after them.
namespace xmp2 {
constexpr unsigned kId = 384;       // 0x0C 0x4A
constexpr unsigned kEnabled = 386;  // bit 0: profile 1, bit 1: profile 2
constexpr unsigned kRevision = 387;
constexpr std::array<unsigned, 2> kProfiles{393, 440};
constexpr unsigned kVoltage = 0;  // bit 7: 1 V, bits 6..0: hundredths
constexpr unsigned kTck = 3;
constexpr unsigned kCasFirst = 4;  // three bytes
constexpr unsigned kTaa = 8;
constexpr unsigned kTrcd = 9;
constexpr unsigned kTrp = 10;
constexpr unsigned kTrasTrcUpper = 11;
constexpr unsigned kTras = 12;
constexpr unsigned kTrc = 13;
constexpr unsigned kTrfc1 = 14;
constexpr unsigned kTrfc2 = 16;
constexpr unsigned kTrfc4 = 18;
constexpr unsigned kTfawUpper = 20;
constexpr unsigned kTfaw = 21;
constexpr unsigned kTrrdS = 22;
constexpr unsigned kTrrdL = 23;
constexpr unsigned kTrrdLFine = 32;
constexpr unsigned kTrrdSFine = 33;
constexpr unsigned kTrcFine = 34;
constexpr unsigned kTrpFine = 35;
constexpr unsigned kTrcdFine = 36;
constexpr unsigned kTaaFine = 37;
constexpr unsigned kTckFine = 38;
constexpr unsigned kLast = 46;
}  // namespace xmp2

constexpr double kMtbPs = 125;
constexpr double kJedecVolts = 1.2;

const ddr45::Grid kGrid{{"MHz", "MT/s", "CL", "tRCD", "tRP", "tRAS", "tRC", "tRFC1", "tRFC2",
                         "tRFC4", "tRRD_S", "tRRD_L", "tCCD_L", "tWR", "tWTR_S", "tWTR_L", "tFAW",
                         "Voltage"}};

constexpr std::array<const char*, 16> kModuleTypes{
    "extended type", "RDIMM",       "UDIMM",        "SO-DIMM",       "LRDIMM",      "Mini-RDIMM",
    "Mini-UDIMM",    "reserved 7",  "72b-SO-RDIMM", "72b-SO-UDIMM",  "reserved 10", "reserved 11",
    "16b-SO-DIMM",   "32b-SO-DIMM", "reserved 14",  "no base memory"};

// Die density codes 0..9 in Mbit (8 and 9 are the 12 and 24 Gbit dies).
constexpr std::array<unsigned, 10> kDieMbit{256,  512,   1024,  2048,  4096,
                                            8192, 16384, 32768, 12288, 24576};

int Fine(unsigned byte) {
    return static_cast<std::int8_t>(byte);
}

// A medium count with its fine correction; nullopt for a count of 0 (the time is not given).
std::optional<double> Time(unsigned medium, unsigned fine = 0) {
    if (medium == 0) return std::nullopt;
    return medium * kMtbPs + Fine(fine);
}

// Vendors round the standard cycle times (15/16 ns = 937.5 ps) up to whole fine units; within
// one fine unit of 7.5/n ns (DDR4-1600 .. 4266) the cycle time is taken as that speed grade's,
// and so it is for the overclocking grades in steps of 100 MT/s (DDR4-4400: 454.5 ps, stored
// as 455).
double StandardCycleTime(double tckPs) {
    for (int n = 6; n <= 16; ++n)
        if (std::fabs(tckPs - 7500.0 / n) < 1) return 7500.0 / n;
    for (int rate = 4300; rate <= 6000; rate += 100)
        if (std::fabs(tckPs - 2e6 / rate) < 1) return 2e6 / rate;
    return tckPs;
}

// Byte 20 bit 0 is CL 7 (CL 23 when byte 23 bit 7 selects the high range), up to 30 latencies.
// An XMP 2.0 profile uses only the first three bytes (CL 7..30); its fourth is not a CAS byte.
std::vector<std::uint32_t> CasList(const Bytes& b, unsigned first, bool fourthByte = true) {
    const unsigned fourth = fourthByte ? b[first + 3] : 0;
    const std::uint32_t mask =
        b[first] | b[first + 1] << 8 | b[first + 2] << 16 | (fourth & 0x3F) << 24;
    const std::uint32_t base = (fourth & 0x80) ? 23 : 7;
    std::vector<std::uint32_t> list;
    for (std::uint32_t bit = 0; bit < 30; ++bit)
        if (mask & (1u << bit)) list.push_back(base + bit);
    return list;
}

ProfileColumn NewColumn(std::string header, double tckPs) {
    ProfileColumn column;
    column.header = std::move(header);
    column.tckPs = tckPs;
    column.timesPs.resize(kGrid.rows.size());
    column.texts.resize(kGrid.rows.size());
    return column;
}

void Set(ProfileColumn& column, const char* row, std::optional<double> ps) {
    column.timesPs[kGrid.Row(row)] = ps;
}

struct JedecTimes {
    double tck = 0, tckMax = 0;
    std::optional<double> taa, trcd, trp, tras, trc, trfc1, trfc2, trfc4, trrdS, trrdL, tccdL, twr,
        twtrS, twtrL, tfaw;
};

JedecTimes ReadJedecTimes(const Bytes& b) {
    using namespace ddr4;
    JedecTimes t;
    t.tck = b[kTckMin] * kMtbPs + Fine(b[kTckMinFine]);
    t.tckMax = b[kTckMax] * kMtbPs + Fine(b[kTckMaxFine]);
    t.taa = Time(b[kTaa], b[kTaaFine]);
    t.trcd = Time(b[kTrcd], b[kTrcdFine]);
    t.trp = Time(b[kTrp], b[kTrpFine]);
    t.tras = Time((b[kTrasTrcUpper] & 0x0F) << 8 | b[kTras]);
    t.trc = Time((b[kTrasTrcUpper] >> 4) << 8 | b[kTrc], b[kTrcFine]);
    t.trfc1 = Time(b.Le16(kTrfc1));
    t.trfc2 = Time(b.Le16(kTrfc2));
    t.trfc4 = Time(b.Le16(kTrfc4));
    t.tfaw = Time((b[kTfawUpper] & 0x0F) << 8 | b[kTfaw]);
    t.trrdS = Time(b[kTrrdS], b[kTrrdSFine]);
    t.trrdL = Time(b[kTrrdL], b[kTrrdLFine]);
    t.tccdL = Time(b[kTccdL], b[kTccdLFine]);
    // tWR and tWTR came with a later revision of the layout; older modules leave them 0.
    t.twr = Time((b[kTwrUpper] & 0x0F) << 8 | b[kTwr]);
    t.twtrS = Time((b[kTwtrUpper] & 0x0F) << 8 | b[kTwtrS]);
    t.twtrL = Time((b[kTwtrUpper] >> 4) << 8 | b[kTwtrL]);
    return t;
}

ProfileColumn JedecColumn(std::string header, double tckPs, const JedecTimes& t,
                          const std::vector<std::uint32_t>& cas, char separator) {
    ProfileColumn c = NewColumn(std::move(header), tckPs);
    c.casList = cas;
    const std::pair<const char*, const std::optional<double>*> rows[] = {
        {"CL", &t.taa},       {"tRCD", &t.trcd},    {"tRP", &t.trp},      {"tRAS", &t.tras},
        {"tRC", &t.trc},      {"tRFC1", &t.trfc1},  {"tRFC2", &t.trfc2},  {"tRFC4", &t.trfc4},
        {"tRRD_S", &t.trrdS}, {"tRRD_L", &t.trrdL}, {"tCCD_L", &t.tccdL}, {"tWR", &t.twr},
        {"tWTR_S", &t.twtrS}, {"tWTR_L", &t.twtrL}, {"tFAW", &t.tfaw},
    };
    for (const auto& [row, time] : rows) Set(c, row, *time);
    c.texts[kGrid.Row("Voltage")] = FormatFixed(kJedecVolts, 3, separator);
    return c;
}

// Two slower standard speeds the module also runs at (DDR4-1600 .. 3200: tCK = 15/n ns), each
// at the lowest CAS latency the module supports there.
std::vector<double> SlowerStandardCycleTimes(double tck, double tckMax) {
    std::vector<double> slower;
    for (int n = 24; n >= 12 && slower.size() < 2; n -= 2) {
        const double standard = 15000.0 / n;
        if (standard > tck + 0.5 && (tckMax <= 0 || standard <= tckMax + 0.5))
            slower.push_back(standard);
    }
    return slower;
}

std::optional<ProfileColumn> XmpColumn(const Bytes& b, unsigned p, int number, char separator) {
    using namespace xmp2;
    const double tck = StandardCycleTime(b[p + kTck] * kMtbPs + Fine(b[p + kTckFine]));
    if (!(tck > 0)) return std::nullopt;
    ProfileColumn c = NewColumn(std::string("XMP#").append(std::to_string(number)), tck);
    c.casList = CasList(b, p + kCasFirst, false);
    Set(c, "CL", Time(b[p + kTaa], b[p + kTaaFine]));
    Set(c, "tRCD", Time(b[p + kTrcd], b[p + kTrcdFine]));
    Set(c, "tRP", Time(b[p + kTrp], b[p + kTrpFine]));
    Set(c, "tRAS", Time((b[p + kTrasTrcUpper] & 0x0F) << 8 | b[p + kTras]));
    Set(c, "tRC", Time((b[p + kTrasTrcUpper] >> 4) << 8 | b[p + kTrc], b[p + kTrcFine]));
    Set(c, "tRFC1", Time(b.Le16(p + kTrfc1)));
    Set(c, "tRFC2", Time(b.Le16(p + kTrfc2)));
    Set(c, "tRFC4", Time(b.Le16(p + kTrfc4)));
    Set(c, "tFAW", Time((b[p + kTfawUpper] & 0x0F) << 8 | b[p + kTfaw]));
    Set(c, "tRRD_S", Time(b[p + kTrrdS], b[p + kTrrdSFine]));
    Set(c, "tRRD_L", Time(b[p + kTrrdL], b[p + kTrrdLFine]));
    const unsigned volts = b[p + kVoltage];
    c.texts[kGrid.Row("Voltage")] =
        FormatFixed((volts >> 7) + (volts & 0x7F) / 100.0L, 3, separator);
    return c;
}

void AddFacts(SpdSlotReport& r, const Bytes& b, char separator) {
    using namespace ddr4;
    auto& f = r.fields;
    f.emplace_back("Type", "DDR4");
    if (b.Has(kModuleType)) f.emplace_back("Module", kModuleTypes[b[kModuleType] & 0x0F]);
    const unsigned widthBits = 4u << (b[kOrganisation] & 0x07);
    const unsigned ranks = ((b[kOrganisation] >> 3) & 0x07) + 1;
    const unsigned busBits = 8u << (b[kBusWidth] & 0x07);
    const unsigned densityCode = b[kDensityBanks] & 0x0F;
    // Stacked (3DS) packages put several dies behind one load; each die is a logical rank.
    const bool stacked3ds = (b[kPackage] & 0x03) == 2;
    const unsigned dies = stacked3ds ? ((b[kPackage] >> 4) & 0x07) + 1 : 1;
    const unsigned groups = 1u << (b[kDensityBanks] >> 6);
    const unsigned banks = groups * (4u << ((b[kDensityBanks] >> 4) & 0x03));
    // Facts are only shown from bytes the image holds.
    if (b.Has(kBusWidth) && densityCode < kDieMbit.size() && widthBits <= 32 && busBits <= 64) {
        const unsigned long long mbytes =
            1ull * kDieMbit[densityCode] / 8 * (busBits / widthBits) * ranks * dies;
        f.emplace_back("Size", std::to_string(mbytes) + " MBytes");
        f.emplace_back("Organisation", std::to_string(kDieMbit[densityCode]) + " Mbit x" +
                                           std::to_string(widthBits) + " dies, " +
                                           std::to_string(banks) + " banks in " +
                                           std::to_string(groups) + " groups, " +
                                           std::to_string(ranks) + " rank(s), " +
                                           std::to_string(busBits) + "-bit bus");
    }
    if (!b.Has(kCasFirst + 3)) return;
    f.emplace_back("Correction", (b[kBusWidth] & 0x18) == 0x08 ? "ECC" : "None");
    f.emplace_back("Voltage", (b[kVoltage] & 0x01) ? FormatFixed(kJedecVolts, 2, separator) + " V"
                                                   : "not 1.2 V operable");
    std::string cas;
    for (const std::uint32_t cl : CasList(b, kCasFirst))
        cas.append(cas.empty() ? "" : " ").append(std::to_string(cl));
    f.emplace_back("CAS Latencies", cas);
    // The second page: a 256-byte read ends before it, or it holds the maker's block.
    ddr45::AddManufacturingFacts(r, b, {kMaker, kPartNumberLength});
}

void AddMinimumTimes(SpdSlotReport& r, const JedecTimes& t, char separator) {
    const std::pair<const char*, std::optional<double>> times[] = {
        {"tCKmin", t.tck},      {"tCKmax", t.tckMax},   {"tAAmin", t.taa},   {"tRCDmin", t.trcd},
        {"tRPmin", t.trp},      {"tRASmin", t.tras},    {"tRCmin", t.trc},   {"tRFC1min", t.trfc1},
        {"tRFC2min", t.trfc2},  {"tRFC4min", t.trfc4},  {"tFAWmin", t.tfaw}, {"tRRD_Smin", t.trrdS},
        {"tRRD_Lmin", t.trrdL}, {"tCCD_Lmin", t.tccdL}, {"tWRmin", t.twr},   {"tWTR_Smin", t.twtrS},
        {"tWTR_Lmin", t.twtrL},
    };
    for (const auto& [name, ps] : times)
        if (ps && *ps > 0) r.minimumTimes.emplace_back(name, ddr45::Ns(*ps, separator));
}

}  // namespace

SpdSlotReport DecodeDdr4(std::span<const std::uint8_t> bytes, char separator) {
    const Bytes b(bytes);
    SpdSlotReport r;
    r.decoded = true;
    AddFacts(r, b, separator);

    bool mismatch = false;
    r.checksum = ddr45::CheckCrc(b, 0, 125, ddr4::kCrcBase, mismatch) + "; " +
                 ddr45::CheckCrc(b, 128, 253, ddr4::kCrcModule, mismatch);
    r.checksumMismatch = mismatch;

    // Only the 125 ps medium and 1 ps fine time bases are defined.
    if (!b.Has(ddr4::kTckMinFine) || b[ddr4::kTimeBases] != 0) {
        ddr45::WriteGrid(r, kGrid, {}, ddr45::Rounding::Ddr4);
        return r;
    }
    const JedecTimes t = ReadJedecTimes(b);
    AddMinimumTimes(r, t, separator);
    const std::vector<std::uint32_t> cas = CasList(b, ddr4::kCasFirst);
    std::vector<ProfileColumn> columns;
    const double tck = StandardCycleTime(t.tck);
    columns.push_back(JedecColumn(kJedecHeaders[0], tck, t, cas, separator));
    if (const long long mts = ddr45::DataRate(tck); mts > 0)
        r.fields.emplace_back("Speed", SpeedText("PC4", mts / 2));
    int next = 1;
    for (const double slower : SlowerStandardCycleTimes(tck, StandardCycleTime(t.tckMax)))
        columns.push_back(JedecColumn(kJedecHeaders[next++], slower, t, cas, separator));

    if (b.Has(xmp2::kProfiles[1] + xmp2::kLast) && b[xmp2::kId] == 0x0C &&
        b[xmp2::kId + 1] == 0x4A && (b[xmp2::kRevision] >> 4) == 2) {
        for (int i = 0; i < 2; ++i)
            if (b[xmp2::kEnabled] & (1u << i))
                if (auto column = XmpColumn(b, xmp2::kProfiles[i], i + 1, separator))
                    columns.push_back(std::move(*column));
    }
    ddr45::WriteGrid(r, kGrid, columns, ddr45::Rounding::Ddr4);
    return r;
}

}  // namespace zm::spd
