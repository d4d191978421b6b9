// SPDX-License-Identifier: GPL-3.0-or-later
// Enhanced Performance Profiles of DDR2 modules. The block starts at byte 99 with its id, then
// the profile type (byte 102: 0xB1 two full profiles, 0xA1 four abbreviated ones) and the
// flags (byte 103: bit 4 and bit 5 enable the first and second full profile; bits 1..0 pick
// the abbreviated profile, which bit 4 enables).
#include <optional>

#include "spd/spd_ddr2.h"
#include "spd/spd_format.h"
#include "spd/spd_profile.h"

namespace zm::spd {
namespace {

namespace epp {
constexpr unsigned kId = 99;
constexpr std::uint8_t kIdValue = 0x6D;
constexpr unsigned kProfileType = 102;
constexpr unsigned kFlags = 103;
constexpr std::uint8_t kFullProfiles = 0xB1;
constexpr std::uint8_t kAbbreviatedProfiles = 0xA1;
constexpr unsigned kFirstProfile = 104;
constexpr unsigned kFullProfileSize = 12;
constexpr unsigned kAbbreviatedProfileSize = 6;
constexpr std::uint8_t kFirstFullEnabled = 1u << 4;
constexpr std::uint8_t kSecondFullEnabled = 1u << 5;
constexpr std::uint8_t kAbbreviatedEnabled = 1u << 4;
constexpr std::uint8_t kAbbreviatedSelect = 0x03;

// Byte offsets inside one profile.
struct Layout {
    unsigned voltageAndCommandRate, cycleTime, casLatency, trcd, trp, tras;
    std::optional<unsigned> twr, trc;  // full profiles only
};
constexpr Layout kFull{0, 5, 6, 7, 8, 9, 10, 11};
constexpr Layout kAbbreviated{0, 1, 2, 3, 4, 5, std::nullopt, std::nullopt};

constexpr std::uint8_t kTwoClockCommandRate = 0x80;
constexpr std::uint8_t kVoltageSteps = 0x7F;  // 25 mV steps above 1.8 V
}  // namespace epp

// The CAS bit map of a profile names exactly one latency.
std::optional<int> EppCasLatency(std::uint8_t map) {
    for (int cl = 2; cl <= 7; ++cl)
        if (map == (1u << cl)) return cl;
    return std::nullopt;
}

void DecodeProfile(const SpdByteSource& read, SpdView& view, int column, unsigned base,
                   const epp::Layout& layout, const Ddr2JedecTimes* jedec,
                   const SpdDecodeOptions& options) {
    const std::uint8_t vcr = ReadByte(read, base + layout.voltageAndCommandRate);
    const std::uint8_t cycle = ReadByte(read, base + layout.cycleTime);
    const std::uint8_t cas = ReadByte(read, base + layout.casLatency);
    ProfileTimes times;
    times.trcd = Ddr2QuarterNs(ReadByte(read, base + layout.trcd));
    times.trp = Ddr2QuarterNs(ReadByte(read, base + layout.trp));
    times.tras = ReadByte(read, base + layout.tras);
    if (layout.twr) times.twr = Ddr2QuarterNs(ReadByte(read, base + *layout.twr));
    if (layout.trc) times.trc = ReadByte(read, base + *layout.trc);
    if (jedec) {
        times.trfc = jedec->trfc;
        times.trrd = Ddr2QuarterNs(jedec->trrd);
        times.twtr = Ddr2QuarterNs(jedec->twtr);
        times.trtp = Ddr2QuarterNs(jedec->trtp);
    }

    if (const auto cl = EppCasLatency(cas)) view.Cell(SpdRow::Cl, column) = std::to_string(*cl);
    view.Cell(SpdRow::Cr, column) = (vcr & epp::kTwoClockCommandRate) ? "2T" : "1T";
    view.Cell(SpdRow::Voltage, column) =
        FormatFixed((vcr & epp::kVoltageSteps) * 0.025L + 1.8L, 3, options.decimalSeparator);
    view.Cell(SpdRow::Tref, column) = view.Cell(SpdRow::Tref, 0);
    if (const auto tck = Ddr2CycleTimeNs(cycle)) WriteProfileClocks(view, column, *tck, times);
}

}  // namespace

void DecodeEpp(const SpdByteSource& read, SpdView& view, const Ddr2JedecTimes& jedec,
               const SpdDecodeOptions& options) {
    if (ReadByte(read, epp::kId) != epp::kIdValue) return;
    view.extraHeaders = {"EPP#1", "EPP#2"};
    const std::uint8_t type = ReadByte(read, epp::kProfileType);
    const std::uint8_t flags = ReadByte(read, epp::kFlags);
    if (type == epp::kFullProfiles) {
        if (flags & epp::kFirstFullEnabled)
            DecodeProfile(read, view, 3, epp::kFirstProfile, epp::kFull, &jedec, options);
        if (flags & epp::kSecondFullEnabled)
            DecodeProfile(read, view, 4, epp::kFirstProfile + epp::kFullProfileSize, epp::kFull,
                          &jedec, options);
    } else if (type == epp::kAbbreviatedProfiles && (flags & epp::kAbbreviatedEnabled)) {
        const unsigned k = flags & epp::kAbbreviatedSelect;
        DecodeProfile(read, view, 3, epp::kFirstProfile + epp::kAbbreviatedProfileSize * k,
                      epp::kAbbreviated, nullptr, options);
    }
}

}  // namespace zm::spd
