// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_format.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace zm::spd {
namespace {

struct Maker {
    std::uint8_t code;
    const char* name;
};

// JEDEC JEP106 codes with their parity bit, as the main window's memory summary names them.
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

// Where the DDR3 list differs from the one above.
constexpr std::array<Maker, 2> kDdr3Renamed{
    {{0x0B, "Nanya Technology"}, {0x46, "Legacy Electronics"}}};
constexpr std::uint8_t kDdr3Unknown = 0xE9;

// Beyond these the long double quotient is no longer exact enough to round.
constexpr long double kLargestShown = 1e15L;
constexpr long double kSlack = 1e-6L;

}  // namespace

std::string MakerName(std::uint8_t code, MakerList list) {
    if (list == MakerList::Ddr3) {
        for (const Maker& maker : kDdr3Renamed)
            if (maker.code == code) return maker.name;
    }
    if (!(list == MakerList::Ddr3 && code == kDdr3Unknown)) {
        for (const Maker& maker : kMakers)
            if (maker.code == code) return maker.name;
    }
    return "0x" + Hex(code, 2);
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::string FormatFixed(long double value, int decimals, char decimalSeparator) {
    char text[64];
    const long double scale = std::pow(10.0L, decimals);
    const long double rounded = std::round(value * scale) / scale;
    std::snprintf(text, sizeof text, "%.*Lf", decimals, rounded == 0 ? 0.0L : rounded);
    std::string result = text;
    for (char& c : result)
        if (c == '.') c = decimalSeparator;
    return result;
}

std::optional<long long> ClockMhz(long double cycleTimeNs) {
    if (!(cycleTimeNs > 0) || !std::isfinite(cycleTimeNs)) return std::nullopt;
    const long double mhz = 10000000.0L / cycleTimeNs * 0.0001L;
    if (!(mhz < kLargestShown)) return std::nullopt;
    return static_cast<long long>(std::trunc(mhz + kSlack));
}

long long SpeedGrade(long long clockMhz) {
    return clockMhz * 16 / 100 * 100;
}

std::optional<long long> Clocks(long double timeNs, long double cycleTimeNs) {
    if (!(cycleTimeNs > 0) || !std::isfinite(cycleTimeNs) || !std::isfinite(timeNs))
        return std::nullopt;
    const long double quotient = timeNs / cycleTimeNs;
    if (!(std::fabs(quotient) < kLargestShown)) return std::nullopt;
    return static_cast<long long>(std::ceil(quotient - kSlack));
}

}  // namespace zm::spd
