// SPDX-License-Identifier: GPL-3.0-or-later
// DDR5 modules: 1,024 bytes behind the SPD hub. Every time is a 16-bit count of picoseconds
// (the refresh times of nanoseconds), many with a fewest number of clocks beside them; bytes
// 0..509 are covered by the CRC in 510/511; the maker, part number and serial are at 512..554;
// the end-user area from 640 holds the Extreme Memory Profile 3.0 block (a header with the
// names of profiles 1..3, then five profiles of 64 bytes) and, where the module also has one,
// the EXPO block, which takes the place of XMP profiles 3 and 4 at 832.
#include <array>
#include <cmath>

#include "spd/spd_checksum.h"
#include "spd/spd_ddr45.h"
#include "spd/spd_format.h"
#include "spd/spd_profile.h"

namespace zm::spd {
namespace {

using ddr45::Bytes;
using ddr45::ProfileColumn;

namespace ddr5 {
constexpr unsigned kModuleType = 3;  // bits 3..0
constexpr unsigned kDensity = 4;     // bits 4..0 die density, bits 7..5 dies per package
constexpr unsigned kIoWidth = 6;     // bits 7..5
constexpr unsigned kBankGroups = 7;  // bits 7..5 bank groups, bits 2..0 banks per group
constexpr unsigned kVdd = 16;        // bits 7..4 nominal: 0 = 1.1 V
constexpr unsigned kTckMin = 20;     // ps
constexpr unsigned kTckMax = 22;
constexpr unsigned kCasFirst = 24;  // five bytes: bit 0 = CL 20, then every even CL to 98
constexpr unsigned kTaa = 30;
constexpr unsigned kTrcd = 32;
constexpr unsigned kTrp = 34;
constexpr unsigned kTras = 36;
constexpr unsigned kTrc = 38;
constexpr unsigned kTwr = 40;
constexpr unsigned kTrfc1 = 42;   // ns
constexpr unsigned kTrfc2 = 44;   // ns
constexpr unsigned kTrfcSb = 46;  // ns
constexpr unsigned kTrrdL = 70;   // ps, then the fewest clocks
constexpr unsigned kTccdL = 73;
constexpr unsigned kTfaw = 82;
constexpr unsigned kTwtrL = 85;  // write to read, same bank group
constexpr unsigned kTwtrS = 88;  // write to read, other bank group
constexpr unsigned kTrtp = 91;
constexpr unsigned kRanks = 234;     // bits 5..3: ranks per sub-channel - 1
constexpr unsigned kBusWidth = 235;  // bits 2..0 width, 4..3 ECC bits, 6..5 sub-channels - 1
constexpr unsigned kCrc = 510;       // over 0..509
constexpr unsigned kMaker = 512;     // the maker's block (ddr45::ManufacturingBlock)
constexpr unsigned kPartNumberLength = 30;
}  // namespace ddr5

namespace xmp3 {
constexpr unsigned kId = 640;        // 0x0C 0x4A
constexpr unsigned kRevision = 642;  // 0x30
constexpr unsigned kEnabled = 643;   // bits 0..2: profiles 1..3
constexpr std::array<unsigned, 3> kNames{654, 670, 686};
constexpr unsigned kHeaderCrc = 702;  // over 640..701
constexpr unsigned kNameLength = 16;
constexpr std::array<unsigned, 5> kProfiles{704, 768, 832, 896, 960};
// Within a profile: voltages (bits 6..5 volts, bits 4..0 twentieths), then the JEDEC fields in
// the same units.
constexpr unsigned kVpp = 0;
constexpr unsigned kVdd = 1;
constexpr unsigned kVddq = 2;
constexpr unsigned kTck = 5;
constexpr unsigned kCasFirst = 7;
constexpr unsigned kTaa = 13;
constexpr unsigned kTrcd = 15;
constexpr unsigned kTrp = 17;
constexpr unsigned kTras = 19;
constexpr unsigned kTrc = 21;
constexpr unsigned kTwr = 23;
constexpr unsigned kTrfc1 = 25;
constexpr unsigned kTrfc2 = 27;
constexpr unsigned kTrfcSb = 29;
constexpr unsigned kTrrdL = 31;  // then the fewest clocks
constexpr unsigned kTwtrL = 40;
constexpr unsigned kTwtrS = 43;
constexpr unsigned kTccdL = 46;
constexpr unsigned kTrtp = 49;
constexpr unsigned kTfaw = 52;
constexpr unsigned kProfileCrc = 62;  // over the 62 bytes before it
}  // namespace xmp3

namespace expo {
constexpr unsigned kId = 832;       // "EXPO"
constexpr unsigned kEnabled = 837;  // bit 0: profile 1, bit 4: profile 2
constexpr std::array<unsigned, 2> kProfiles{842, 882};
constexpr unsigned kCrc = 958;  // over 832..957
constexpr unsigned kVdd = 0;
constexpr unsigned kVddq = 1;
constexpr unsigned kVpp = 2;
constexpr unsigned kTck = 4;
constexpr unsigned kTaa = 6;
constexpr unsigned kTrcd = 8;
constexpr unsigned kTrp = 10;
constexpr unsigned kTras = 12;
constexpr unsigned kTrc = 14;
constexpr unsigned kTwr = 16;
constexpr unsigned kTrfc1 = 18;
constexpr unsigned kTrfc2 = 20;
constexpr unsigned kTrfcSb = 22;
constexpr unsigned kTrrdL = 24;
constexpr unsigned kTccdL = 26;
constexpr unsigned kTfaw = 32;
constexpr unsigned kTwtrL = 34;
constexpr unsigned kTwtrS = 36;
constexpr unsigned kTrtp = 38;
}  // namespace expo

const ddr45::Grid kGrid{{"MHz",    "MT/s",  "CL",     "tRCD",    "tRP",    "tRAS", "tRC",
                         "tRFC1",  "tRFC2", "tRFCsb", "tRRD_L",  "tCCD_L", "tWR",  "tWTR_S",
                         "tWTR_L", "tRTP",  "tFAW",   "Voltage", "VDDQ",   "VPP"}};

constexpr std::array<const char*, 16> kModuleTypes{
    "reserved 0",  "RDIMM",       "UDIMM",       "SO-DIMM",    "LRDIMM", "CUDIMM",
    "CSODIMM",     "MRDIMM",      "CAMM2",       "reserved 9", "DDIMM",  "solder-down",
    "reserved 12", "reserved 13", "reserved 14", "reserved 15"};

// Die density codes 1..8 in Gbit; 0 and the rest are no density.
constexpr std::array<unsigned, 9> kDieGbit{0, 4, 8, 12, 16, 24, 32, 48, 64};
// Dies per package, codes 0..5 (1 is reserved).
constexpr std::array<unsigned, 6> kDies{1, 0, 2, 4, 8, 16};

std::optional<double> Ps(unsigned value) {
    if (value == 0) return std::nullopt;
    return value;
}
std::optional<double> NsAsPs(unsigned value) {
    if (value == 0) return std::nullopt;
    return value * 1000.0;
}

std::vector<std::uint32_t> CasList(const Bytes& b, unsigned first) {
    std::vector<std::uint32_t> list;
    for (unsigned bit = 0; bit < 40; ++bit)
        if (b[first + bit / 8] & (1u << (bit % 8))) list.push_back(20 + 2 * bit);
    return list;
}

std::string Volts(unsigned code, char separator) {
    if (code == 0) return "";
    return FormatFixed(((code >> 5) & 3) + (code & 0x1F) * 0.05L, 3, separator);
}

ProfileColumn NewColumn(std::string header, double tckPs) {
    ProfileColumn column;
    column.header = std::move(header);
    column.tckPs = tckPs;
    column.timesPs.resize(kGrid.rows.size());
    column.lowerLimits.resize(kGrid.rows.size());
    column.texts.resize(kGrid.rows.size());
    return column;
}

void Set(ProfileColumn& c, const char* row, std::optional<double> ps, unsigned lowerLimit = 0) {
    c.timesPs[kGrid.Row(row)] = ps;
    c.lowerLimits[kGrid.Row(row)] = lowerLimit;
}

// The fields the JEDEC block and an XMP profile share, at `p` with the given offsets; a field
// with a fewest-clocks byte has it right after its two time bytes.
struct Offsets {
    unsigned taa, trcd, trp, tras, trc, twr, trfc1, trfc2, trfcSb, trrdL, tccdL, tfaw, twtrL, twtrS,
        trtp;
    bool withLimits;
};
constexpr Offsets kJedecOffsets{ddr5::kTaa,    ddr5::kTrcd,  ddr5::kTrp,   ddr5::kTras,
                                ddr5::kTrc,    ddr5::kTwr,   ddr5::kTrfc1, ddr5::kTrfc2,
                                ddr5::kTrfcSb, ddr5::kTrrdL, ddr5::kTccdL, ddr5::kTfaw,
                                ddr5::kTwtrL,  ddr5::kTwtrS, ddr5::kTrtp,  true};
constexpr Offsets kXmpOffsets{xmp3::kTaa,    xmp3::kTrcd,  xmp3::kTrp,   xmp3::kTras,
                              xmp3::kTrc,    xmp3::kTwr,   xmp3::kTrfc1, xmp3::kTrfc2,
                              xmp3::kTrfcSb, xmp3::kTrrdL, xmp3::kTccdL, xmp3::kTfaw,
                              xmp3::kTwtrL,  xmp3::kTwtrS, xmp3::kTrtp,  true};
constexpr Offsets kExpoOffsets{expo::kTaa,    expo::kTrcd,  expo::kTrp,   expo::kTras,
                               expo::kTrc,    expo::kTwr,   expo::kTrfc1, expo::kTrfc2,
                               expo::kTrfcSb, expo::kTrrdL, expo::kTccdL, expo::kTfaw,
                               expo::kTwtrL,  expo::kTwtrS, expo::kTrtp,  false};

void SetTimes(ProfileColumn& c, const Bytes& b, unsigned p, const Offsets& o) {
    const auto limit = [&](unsigned offset) { return o.withLimits ? b[p + offset + 2] : 0u; };
    Set(c, "CL", Ps(b.Le16(p + o.taa)));
    Set(c, "tRCD", Ps(b.Le16(p + o.trcd)));
    Set(c, "tRP", Ps(b.Le16(p + o.trp)));
    Set(c, "tRAS", Ps(b.Le16(p + o.tras)));
    Set(c, "tRC", Ps(b.Le16(p + o.trc)));
    Set(c, "tWR", Ps(b.Le16(p + o.twr)));
    Set(c, "tRFC1", NsAsPs(b.Le16(p + o.trfc1)));
    Set(c, "tRFC2", NsAsPs(b.Le16(p + o.trfc2)));
    Set(c, "tRFCsb", NsAsPs(b.Le16(p + o.trfcSb)));
    Set(c, "tRRD_L", Ps(b.Le16(p + o.trrdL)), limit(o.trrdL));
    Set(c, "tCCD_L", Ps(b.Le16(p + o.tccdL)), limit(o.tccdL));
    Set(c, "tFAW", Ps(b.Le16(p + o.tfaw)), limit(o.tfaw));
    Set(c, "tWTR_L", Ps(b.Le16(p + o.twtrL)), limit(o.twtrL));
    Set(c, "tWTR_S", Ps(b.Le16(p + o.twtrS)), limit(o.twtrS));
    Set(c, "tRTP", Ps(b.Le16(p + o.trtp)), limit(o.trtp));
}

void SetVoltages(ProfileColumn& c, unsigned vdd, unsigned vddq, unsigned vpp, char separator) {
    c.texts[kGrid.Row("Voltage")] = Volts(vdd, separator);
    c.texts[kGrid.Row("VDDQ")] = Volts(vddq, separator);
    c.texts[kGrid.Row("VPP")] = Volts(vpp, separator);
}

void AddFacts(SpdSlotReport& r, const Bytes& b, char separator) {
    using namespace ddr5;
    auto& f = r.fields;
    f.emplace_back("Type", "DDR5");
    if (b.Has(kModuleType)) f.emplace_back("Module", kModuleTypes[b[kModuleType] & 0x0F]);
    const unsigned densityCode = b[kDensity] & 0x1F, diesCode = b[kDensity] >> 5;
    const unsigned widthBits = 4u << ((b[kIoWidth] >> 5) & 0x03);
    const unsigned ranks = ((b[kRanks] >> 3) & 0x07) + 1;
    const unsigned channelBits = 8u << (b[kBusWidth] & 0x07);
    const unsigned channels = ((b[kBusWidth] >> 5) & 0x03) + 1;
    const unsigned groups = 1u << ((b[kBankGroups] >> 5) & 0x07);
    const unsigned banks = groups * (1u << (b[kBankGroups] & 0x07));
    if (densityCode < kDieGbit.size() && kDieGbit[densityCode] && diesCode < kDies.size() &&
        kDies[diesCode] && channelBits <= 64 && b.Has(kBusWidth)) {
        const unsigned long long mbytes = 1ull * kDieGbit[densityCode] * 1024 / 8 *
                                          kDies[diesCode] * (channelBits / widthBits) * ranks *
                                          channels;
        f.emplace_back("Size", std::to_string(mbytes) + " MBytes");
        f.emplace_back("Organisation",
                       std::to_string(kDieGbit[densityCode]) + " Gbit x" +
                           std::to_string(widthBits) + " dies, " + std::to_string(banks) +
                           " banks in " + std::to_string(groups) + " groups, " +
                           std::to_string(ranks) + " rank(s), " + std::to_string(channels) + " x " +
                           std::to_string(channelBits) + "-bit sub-channel(s)");
    }
    if (!b.Has(kCasFirst + 4)) return;  // facts only from bytes the image holds
    if (b.Has(kBusWidth)) f.emplace_back("Correction", (b[kBusWidth] & 0x18) ? "ECC" : "None");
    f.emplace_back("Voltage", (b[kVdd] >> 4) == 0 ? FormatFixed(1.1L, 2, separator) + " V"
                                                  : std::string("code 0x").append(Hex(b[kVdd], 2)));
    std::string cas;
    for (const std::uint32_t cl : CasList(b, kCasFirst))
        cas.append(cas.empty() ? "" : " ").append(std::to_string(cl));
    f.emplace_back("CAS Latencies", cas);
    // The manufacturing block is past the first 512 bytes, or it holds the maker's block.
    ddr45::AddManufacturingFacts(r, b, {kMaker, kPartNumberLength});
}

void AddMinimumTimes(SpdSlotReport& r, const Bytes& b, char separator) {
    using namespace ddr5;
    const std::pair<const char*, std::optional<double>> times[] = {
        {"tCKmin", Ps(b.Le16(kTckMin))},        {"tCKmax", Ps(b.Le16(kTckMax))},
        {"tAAmin", Ps(b.Le16(kTaa))},           {"tRCDmin", Ps(b.Le16(kTrcd))},
        {"tRPmin", Ps(b.Le16(kTrp))},           {"tRASmin", Ps(b.Le16(kTras))},
        {"tRCmin", Ps(b.Le16(kTrc))},           {"tWRmin", Ps(b.Le16(kTwr))},
        {"tRFC1min", NsAsPs(b.Le16(kTrfc1))},   {"tRFC2min", NsAsPs(b.Le16(kTrfc2))},
        {"tRFCsbmin", NsAsPs(b.Le16(kTrfcSb))}, {"tRRD_Lmin", Ps(b.Le16(kTrrdL))},
        {"tCCD_Lmin", Ps(b.Le16(kTccdL))},      {"tFAWmin", Ps(b.Le16(kTfaw))},
        {"tWTR_Smin", Ps(b.Le16(kTwtrS))},      {"tWTR_Lmin", Ps(b.Le16(kTwtrL))},
        {"tRTPmin", Ps(b.Le16(kTrtp))},
    };
    for (const auto& [name, ps] : times)
        if (ps) r.minimumTimes.emplace_back(name, ddr45::Ns(*ps, separator));
}

// The standard data rates (3200 .. 8800 in steps of 400) below the module's fastest that its
// slowest cycle time still allows, fastest first, with the cycle time in whole ps.
std::vector<double> SlowerStandardCycleTimes(double tck, double tckMax) {
    std::vector<double> slower;
    for (int rate = 8800; rate >= 3200 && slower.size() < 2; rate -= 400) {
        const double standard = std::floor(2e6 / rate);
        if (standard > tck && (tckMax <= 0 || standard <= tckMax)) slower.push_back(standard);
    }
    return slower;
}

bool HasXmp(const Bytes& b) {
    return b.Has(xmp3::kProfiles[4] + 63) && b[xmp3::kId] == 0x0C && b[xmp3::kId + 1] == 0x4A &&
           (b[xmp3::kRevision] >> 4) == 3;
}

bool HasExpo(const Bytes& b) {
    return b.Has(expo::kCrc + 1) && b[expo::kId] == 'E' && b[expo::kId + 1] == 'X' &&
           b[expo::kId + 2] == 'P' && b[expo::kId + 3] == 'O';
}

// A block of the end-user area with its own CRC: the XMP header, each XMP profile (its last two
// bytes), the EXPO block (its last two of 128).
struct CrcBlock {
    std::string what;
    unsigned first, last, stored;
};

void AddXmpColumns(std::vector<ProfileColumn>& columns, std::vector<CrcBlock>& blocks,
                   const Bytes& b, bool expoThere, char separator) {
    blocks.push_back({"XMP 3.0 header", xmp3::kId, xmp3::kHeaderCrc - 1, xmp3::kHeaderCrc});
    for (unsigned i = 0; i < xmp3::kProfiles.size(); ++i) {
        const unsigned p = xmp3::kProfiles[i];
        // Profiles 1..3 are the maker's, marked in the enable byte; 4 and 5 are the user's,
        // there when their own CRC (the last two of their 64 bytes) matches. EXPO, when
        // present, sits where 3 and 4 would be.
        if (expoThere && (i == 2 || i == 3)) continue;
        if (i < 3 && !(b[xmp3::kEnabled] & (1u << i))) continue;
        if (i >= 3 &&
            SpdCrc16(b.Span().data() + p, xmp3::kProfileCrc) != b.Le16(p + xmp3::kProfileCrc))
            continue;
        if (b.Le16(p + xmp3::kTck) == 0) continue;
        std::string header = std::string("XMP#").append(std::to_string(i + 1));
        if (i < 3) {
            const std::string name = ddr45::AsciiField(b, xmp3::kNames[i], xmp3::kNameLength);
            if (!name.empty()) header.append(" ").append(name);
        }
        ProfileColumn c = NewColumn(std::move(header), b.Le16(p + xmp3::kTck));
        c.casList = CasList(b, p + xmp3::kCasFirst);
        SetTimes(c, b, p, kXmpOffsets);
        SetVoltages(c, b[p + xmp3::kVdd], b[p + xmp3::kVddq], b[p + xmp3::kVpp], separator);
        columns.push_back(std::move(c));
        if (i < 3)
            blocks.push_back({std::string("XMP 3.0 profile ").append(std::to_string(i + 1)), p,
                              p + xmp3::kProfileCrc - 1, p + xmp3::kProfileCrc});
    }
}

void AddExpoColumns(std::vector<ProfileColumn>& columns, std::vector<CrcBlock>& blocks,
                    const Bytes& b, char separator) {
    blocks.push_back({"EXPO block", expo::kId, expo::kCrc - 1, expo::kCrc});
    for (unsigned i = 0; i < expo::kProfiles.size(); ++i) {
        const unsigned p = expo::kProfiles[i];
        if (!(b[expo::kEnabled] & (1u << (4 * i))) || b.Le16(p + expo::kTck) == 0) continue;
        ProfileColumn c =
            NewColumn(std::string("EXPO#").append(std::to_string(i + 1)), b.Le16(p + expo::kTck));
        SetTimes(c, b, p, kExpoOffsets);
        SetVoltages(c, b[p + expo::kVdd], b[p + expo::kVddq], b[p + expo::kVpp], separator);
        columns.push_back(std::move(c));
    }
}

// A profile block whose CRC does not match is a warning beside its column, which stays: the JEDEC
// CRC does not cover these blocks, and a user may have edited one without mending its CRC.
void AppendProfileCrcs(SpdSlotReport& r, const Bytes& b, const std::vector<CrcBlock>& blocks) {
    if (blocks.empty()) return;
    std::string bad;
    for (const CrcBlock& block : blocks) {
        bool mismatch = false;
        const std::string text =
            ddr45::CheckCrc(b, block.first, block.last, block.stored, mismatch);
        if (!mismatch) continue;
        bad.append("; ").append(block.what).append(" ").append(text);
        r.checksumMismatch = true;
    }
    r.checksum.append(bad.empty() ? "; XMP/EXPO CRCs good" : bad);
}

}  // namespace

SpdSlotReport DecodeDdr5(std::span<const std::uint8_t> bytes, char separator) {
    const Bytes b(bytes);
    SpdSlotReport r;
    r.decoded = true;
    AddFacts(r, b, separator);
    bool mismatch = false;
    r.checksum = ddr45::CheckCrc(b, 0, 509, ddr5::kCrc, mismatch);
    r.checksumMismatch = mismatch;
    if (!b.Has(ddr5::kTrtp + 2)) {
        ddr45::WriteGrid(r, kGrid, {}, ddr45::Rounding::Ddr5);
        return r;
    }
    AddMinimumTimes(r, b, separator);
    std::vector<ProfileColumn> columns;
    const std::vector<std::uint32_t> cas = CasList(b, ddr5::kCasFirst);
    const double tck = b.Le16(ddr5::kTckMin);
    const auto jedec = [&](std::string header, double cycle) {
        ProfileColumn c = NewColumn(std::move(header), cycle);
        c.casList = cas;
        SetTimes(c, b, 0, kJedecOffsets);
        // The module's nominal supplies: VDD and VDDQ 1.1 V, VPP 1.8 V.
        c.texts[kGrid.Row("Voltage")] = FormatFixed(1.1L, 3, separator);
        c.texts[kGrid.Row("VDDQ")] = FormatFixed(1.1L, 3, separator);
        c.texts[kGrid.Row("VPP")] = FormatFixed(1.8L, 3, separator);
        columns.push_back(std::move(c));
    };
    jedec(kJedecHeaders[0], tck);
    if (const long long mts = ddr45::DataRate(tck); mts > 0)
        r.fields.emplace_back("Speed", SpeedText("PC5", mts / 2));
    int next = 1;
    for (const double slower : SlowerStandardCycleTimes(tck, b.Le16(ddr5::kTckMax)))
        jedec(kJedecHeaders[next++], slower);
    const bool expoThere = HasExpo(b);
    std::vector<CrcBlock> blocks;
    if (HasXmp(b)) AddXmpColumns(columns, blocks, b, expoThere, separator);
    if (expoThere) AddExpoColumns(columns, blocks, b, separator);
    AppendProfileCrcs(r, b, blocks);
    ddr45::WriteGrid(r, kGrid, columns, ddr45::Rounding::Ddr5);
    return r;
}

}  // namespace zm::spd
