#include "ident/spd_summary.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

#include "ident/display_text.h"
#include "spd/spd_reader.h"

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

struct Maker {
    std::uint8_t code;
    const char* name;
};

// JEDEC JEP106 codes (with parity bit) of the makers the summary names.
constexpr std::array<Maker, 34> kMakers{{
    {0x9E, "Corsair"},
    {0x98, "Kingston"},
    {0x25, "KingMax"},
    {0x2C, "Micron"},
    {0x9B, "Crucial"},
    {0xCD, "G.Skill"},
    {0xB0, "OCZ Tech."},
    {0xD5, "MSC"},
    {0x94, "Mushkin"},
    {0x13, "GEIL"},
    {0x83, "Melco"},
    {0xCB, "A-Data"},
    {0x02, "PDP Systems"},
    {0xEF, "Team Group Inc."},
    {0xCE, "Samsung"},
    {0x4F, "Transcend"},
    {0xAD, "Hyundai Elec."},
    {0xC1, "Infineon"},
    {0x51, "Qimonda"},
    {0x57, "AENEON"},
    {0x0B, "Nanya Tech."},
    {0xBA, "PNY Electronics"},
    {0xB5, "SpecTek"},
    {0x61, "Wintec"},
    {0xD6, "Jade Star"},
    {0x7A, "Apacer"},
    {0x46, "Legacy Elect."},
    {0x34, "STT"},
    {0xDC, "Hexon Technology"},
    {0x64, "MCI Computer"},
    {0xDA, "Swissbit"},
    {0xFE, "Elpida "},
    {0xE3, "Kreton Corp."},
    {0xE9, "SanMax Tech."},
}};

// DDR2 byte 9 fractions for lower-nibble values 10..14.
constexpr std::array<long double, 5> kDdr2SpecialFractions{0.25L, 0.33L, 0.66L, 0.75L, 0.875L};

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
    return DisplayText(bytes);
}

std::string SpeedText(const char* generation, unsigned clock, unsigned cl, unsigned trcd,
                      unsigned trp, unsigned tras, const char* voltage) {
    char text[96];
    std::snprintf(text, sizeof text, "%s-%u (%uMhz)@%u.%u.%u.%u-%s", generation, PcRating(clock),
                  clock, cl, trcd, trp, tras, voltage);
    return text;
}

// DDR2 tRCD and tRP bytes: nanoseconds in bits 7..2, quarters in bits 1..0.
long double QuarterNs(std::uint8_t byte) {
    return (byte >> 2) + (byte & 3) * 0.25L;
}

void SummariseDdr2(const SpdByteReader& read, SpdMemorySummary& s) {
    std::uint8_t code = kContinuationCode;
    for (unsigned i = ddr2::kManufacturerFirst; i <= ddr2::kManufacturerLast; ++i) {
        code = Low(read(static_cast<std::uint8_t>(i)));
        if (code != kContinuationCode) break;
    }
    s.manufacturer = JedecManufacturerName(code);
    s.partNumber = PartNumber(read, ddr2::kPartNumber);

    const auto tck = Ddr2CycleTimeNs(Low(read(ddr2::kCycleTime)));
    if (!tck) return;
    s.clockMhz = ClockMhz(*tck);
    const std::uint8_t latencies = Low(read(ddr2::kCasLatencies));
    unsigned cl = 0;
    for (unsigned k = 2; k <= 7; ++k) {
        if (latencies & (1u << k)) cl = k;
    }
    const unsigned trcd = CyclesFor(QuarterNs(Low(read(ddr2::kTrcd))), *tck);
    const unsigned trp = CyclesFor(QuarterNs(Low(read(ddr2::kTrp))), *tck);
    const unsigned tras = CyclesFor(Low(read(ddr2::kTras)), *tck);
    const char* voltage = Ddr2Voltage(Low(read(ddr2::kVoltage)));
    s.speed = SpeedText("PC2", s.clockMhz, cl, trcd, trp, tras, voltage);
}

void SummariseDdr3(const SpdByteReader& read, SpdMemorySummary& s) {
    s.manufacturer = JedecManufacturerName(Low(read(ddr3::kManufacturer)));
    s.partNumber = PartNumber(read, ddr3::kPartNumber);

    // The time base and cycle time are taken as numbers, failures (negative) included; a
    // time base or cycle time that is not positive gives no speed rather than a division by 0.
    const int dividend = read(ddr3::kMtbDividend);
    const int divisor = read(ddr3::kMtbDivisor);
    const int tckUnits = read(ddr3::kTckMin);
    if (dividend <= 0 || divisor <= 0 || tckUnits <= 0) return;
    const long double mtb = static_cast<long double>(dividend) / divisor;
    const long double tck = tckUnits * mtb;
    s.clockMhz = ClockMhz(tck);
    const unsigned cl = CyclesFor(Low(read(ddr3::kTaaMin)) * mtb, tck);
    const unsigned trcd = CyclesFor(Low(read(ddr3::kTrcdMin)) * mtb, tck);
    const unsigned trp = CyclesFor(Low(read(ddr3::kTrpMin)) * mtb, tck);
    const unsigned trasUnits =
        ((Low(read(ddr3::kTrasTrcUpper)) & 0x0Fu) << 8) | Low(read(ddr3::kTrasMinLsb));
    const unsigned tras = CyclesFor(trasUnits * mtb, tck);
    s.speed = SpeedText("PC3", s.clockMhz, cl, trcd, trp, tras, "1,5V");
}

}  // namespace

std::string JedecManufacturerName(std::uint8_t code) {
    for (const Maker& maker : kMakers) {
        if (maker.code == code) return maker.name;
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code));
    return text;
}

std::optional<long double> Ddr2CycleTimeNs(std::uint8_t byte9) {
    const unsigned whole = byte9 >> 4;
    const unsigned fraction = byte9 & 0x0F;
    long double ns = whole;
    if (fraction <= 9) {
        ns += fraction / 10.0L;
    } else if (fraction <= 14) {
        ns += kDdr2SpecialFractions[fraction - 10];
    } else {
        return std::nullopt;
    }
    if (ns <= 0) return std::nullopt;
    return ns;
}

unsigned ClockMhz(long double cycleTimeNs) {
    return static_cast<unsigned>(std::trunc(10000000.0L / cycleTimeNs * 0.0001L));
}

unsigned PcRating(unsigned clockMhz) {
    return clockMhz * 16 / 100 * 100;
}

unsigned CyclesFor(long double timeNs, long double cycleTimeNs) {
    // The fractions of a DDR2 cycle time (tenths, .33, .66) are not exact in binary; a quotient
    // that is whole on paper must not come out one cycle too high.
    constexpr long double kSlack = 1e-9L;
    const long double cycles = std::ceil(timeNs / cycleTimeNs - kSlack);
    return cycles > 0 ? static_cast<unsigned>(cycles) : 0;
}

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
    return SummariseSpd(
        [&](std::uint8_t offset) { return spd::ReadSpdByte(hw, spdSlaveAddress, offset); });
}

}  // namespace zm::ident
