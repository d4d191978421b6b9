// SPDX-License-Identifier: GPL-3.0-or-later
#include "ident/spd_summary.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "spd/spd_ddr2.h"
#include "spd/spd_ddr3.h"
#include "spd/spd_format.h"
#include "spd/spd_reader.h"
#include "util/display_text.h"

namespace zm::ident {
namespace {

// SPD byte offsets of the fields the summary shows.
namespace ddr2 {
constexpr std::uint8_t kVoltage = 8;
constexpr std::uint8_t kCycleTime = 9;
constexpr std::uint8_t kCasLatencies = 18;
constexpr std::uint8_t kTrp = 27;
constexpr std::uint8_t kTrcd = 29;
constexpr std::uint8_t kTras = 30;
constexpr std::uint8_t kManufacturerFirst = 64;  // 8 bytes, 0x7F = continuation code
constexpr std::uint8_t kManufacturerLast = 71;
constexpr std::uint8_t kPartNumber = 73;  // 18 bytes
}  // namespace ddr2

namespace ddr3 {
constexpr std::uint8_t kMtbDividend = 10;
constexpr std::uint8_t kMtbDivisor = 11;
constexpr std::uint8_t kTckMin = 12;
constexpr std::uint8_t kTaaMin = 16;
constexpr std::uint8_t kTrcdMin = 18;
constexpr std::uint8_t kTrpMin = 20;
constexpr std::uint8_t kTrasTrcUpper = 21;  // bits 3..0: tRAS bits 11..8
constexpr std::uint8_t kTrasMinLsb = 22;
constexpr std::uint8_t kManufacturer = 118;
constexpr std::uint8_t kPartNumber = 128;  // 18 bytes
}  // namespace ddr3

constexpr unsigned kPartNumberLength = 18;
constexpr std::uint8_t kContinuationCode = 0x7F;

const char* Ddr2Voltage(std::uint8_t byte8) {
    switch (byte8) {
        case 2:
            return "1,5V";
        case 3:
            return "3,3V";
        case 4:
            return "2,5V";
        case 5:
            return "1,8V";
        default:
            return "";
    }
}

std::uint8_t Low(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

std::string PartNumber(const SpdByteReader& read, std::uint8_t first) {
    std::string bytes;
    for (unsigned i = 0; i < kPartNumberLength; ++i) {
        const std::uint8_t c = Low(read(static_cast<std::uint8_t>(first + i)));
        if (c == 0) break;
        bytes.push_back(static_cast<char>(c));
    }
    return util::DisplayText(bytes);
}

std::string SpeedText(const char* generation, unsigned clock, unsigned cl, unsigned trcd,
                      unsigned trp, unsigned tras, const char* voltage) {
    char text[96];
    std::snprintf(text, sizeof text, "%s-%lld (%uMhz)@%u.%u.%u.%u-%s", generation,
                  spd::SpeedGrade(clock), clock, cl, trcd, trp, tras, voltage);
    return text;
}

// The clock and the timings come from the SPD decoder's own arithmetic, so that the summary and
// the SPD window never disagree about the same module.
std::optional<unsigned> Mhz(long double cycleTimeNs) {
    const auto mhz = spd::ClockMhz(cycleTimeNs);
    if (!mhz) return std::nullopt;
    return static_cast<unsigned>(*mhz);
}

unsigned Cycles(long double timeNs, long double cycleTimeNs) {
    const auto clocks = spd::Clocks(timeNs, cycleTimeNs);
    return clocks && *clocks > 0 ? static_cast<unsigned>(*clocks) : 0;
}

void SummariseDdr2(const SpdByteReader& read, SpdMemorySummary& s) {
    std::uint8_t code = kContinuationCode;
    for (unsigned i = ddr2::kManufacturerFirst; i <= ddr2::kManufacturerLast; ++i) {
        code = Low(read(static_cast<std::uint8_t>(i)));
        if (code != kContinuationCode) break;
    }
    s.manufacturer = spd::MakerName(code, spd::MakerList::Ddr2);
    s.partNumber = PartNumber(read, ddr2::kPartNumber);

    // A cycle time of 0 (a blank byte 9) names no clock.
    const auto tck = spd::Ddr2CycleTimeNs(Low(read(ddr2::kCycleTime)));
    if (!tck || !(*tck > 0)) return;
    const auto clock = Mhz(*tck);
    if (!clock) return;
    s.clockMhz = *clock;
    const std::uint8_t latencies = Low(read(ddr2::kCasLatencies));
    unsigned cl = 0;
    for (unsigned k = 2; k <= 7; ++k) {
        if (latencies & (1u << k)) cl = k;
    }
    const unsigned trcd = Cycles(spd::Ddr2QuarterNs(Low(read(ddr2::kTrcd))), *tck);
    const unsigned trp = Cycles(spd::Ddr2QuarterNs(Low(read(ddr2::kTrp))), *tck);
    const unsigned tras = Cycles(Low(read(ddr2::kTras)), *tck);
    const char* voltage = Ddr2Voltage(Low(read(ddr2::kVoltage)));
    s.speed = SpeedText("PC2", s.clockMhz, cl, trcd, trp, tras, voltage);
}

void SummariseDdr3(const SpdByteReader& read, SpdMemorySummary& s) {
    // The main window names a DDR3 maker from its own list too, the one the SPD window keeps for
    // DDR2 modules.
    s.manufacturer = spd::MakerName(Low(read(ddr3::kManufacturer)), spd::MakerList::Ddr2);
    s.partNumber = PartNumber(read, ddr3::kPartNumber);

    // The time base and cycle time are taken as numbers, failures (negative) included; a
    // time base or cycle time that is not positive gives no speed rather than a division by 0.
    const int dividend = read(ddr3::kMtbDividend);
    const int divisor = read(ddr3::kMtbDivisor);
    const int tckUnits = read(ddr3::kTckMin);
    if (dividend <= 0 || divisor <= 0 || tckUnits <= 0) return;
    const long double mtb = static_cast<long double>(dividend) / divisor;
    // The fine-time-base corrections, as the SPD window applies them (DDR3-1866 and faster).
    const spd::Ddr3FineCorrections fine = spd::ReadDdr3FineCorrections(read);
    const long double tck = tckUnits * mtb + fine.tck;
    const auto clock = Mhz(tck);
    if (!clock) return;
    s.clockMhz = *clock;
    const unsigned cl = Cycles(Low(read(ddr3::kTaaMin)) * mtb + fine.taa, tck);
    const unsigned trcd = Cycles(Low(read(ddr3::kTrcdMin)) * mtb + fine.trcd, tck);
    const unsigned trp = Cycles(Low(read(ddr3::kTrpMin)) * mtb + fine.trp, tck);
    const unsigned trasUnits =
        ((Low(read(ddr3::kTrasTrcUpper)) & 0x0Fu) << 8) | Low(read(ddr3::kTrasMinLsb));
    const unsigned tras = Cycles(trasUnits * mtb, tck);
    s.speed = SpeedText("PC3", s.clockMhz, cl, trcd, trp, tras, "1,5V");
}

}  // namespace

SpdMemorySummary SummariseSpd(const SpdByteReader& read) {
    SpdMemorySummary s;
    const std::uint8_t type = Low(read(spd::kSpdMemoryType));
    if (type == spd::kSpdNoModule) return s;
    s.moduleFound = true;
    if (type == spd::kSpdTypeDdr2) {
        s.type = SpdMemoryType::Ddr2;
        SummariseDdr2(read, s);
    } else if (type == spd::kSpdTypeDdr3) {
        s.type = SpdMemoryType::Ddr3;
        SummariseDdr3(read, s);
    } else {
        return s;
    }
    s.partNumberEnabled = !s.partNumber.empty();
    return s;
}

SpdMemorySummary ReadModuleSummary(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress) {
    SpdMemorySummary summary;
    spd::DecodeModuleBytes(hw, spdSlaveAddress,
                           [&](const spd::SpdByteReader& read) { summary = SummariseSpd(read); });
    return summary;
}

}  // namespace zm::ident
