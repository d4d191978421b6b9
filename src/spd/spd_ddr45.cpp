// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_ddr45.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "spd/spd_checksum.h"
#include "spd/spd_format.h"
#include "util/display_text.h"

namespace zm::spd::ddr45 {

int Grid::Row(const std::string& name) const {
    const auto it = std::find(rows.begin(), rows.end(), name);
    return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
}

std::optional<long long> ClocksOf(double timePs, double tckPs, Rounding rounding) {
    if (!(tckPs > 0) || !(timePs > 0) || !std::isfinite(timePs / tckPs)) return std::nullopt;
    const double quotient = timePs / tckPs;
    if (quotient > 1e9) return std::nullopt;
    if (rounding == Rounding::Ddr4) return static_cast<long long>(std::ceil(quotient - 0.025));
    return static_cast<long long>(std::floor(quotient * 0.997)) + 1;
}

std::optional<long long> CasLatency(double taaPs, double tckPs,
                                    const std::vector<std::uint32_t>& cas, Rounding rounding) {
    const auto needed = ClocksOf(taaPs, tckPs, rounding);
    if (!needed || cas.empty()) return needed;
    for (const std::uint32_t cl : cas)  // ascending
        if (cl >= *needed) return cl;
    return std::nullopt;
}

long long DataRate(double tckPs) {
    if (!(tckPs >= 1)) return 0;
    const double fastest = 2e6 / tckPs + 1e-6, slowest = 2e6 / (tckPs + 1);
    const double hundred = std::floor(fastest / 100) * 100;
    if (hundred >= slowest) return static_cast<long long>(hundred);
    return static_cast<long long>(fastest);
}

void WriteGrid(SpdSlotReport& report, const Grid& grid, const std::vector<ProfileColumn>& columns,
               Rounding rounding) {
    report.headers.clear();
    report.rows.clear();
    for (const std::string& row : grid.rows)
        report.rows.emplace_back(row, std::vector<std::string>(columns.size()));
    const int mhz = grid.Row("MHz"), rate = grid.Row("MT/s"), cl = grid.Row("CL");
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const ProfileColumn& column = columns[c];
        report.headers.push_back(column.header);
        if (const long long mts = DataRate(column.tckPs); mts > 0) {
            report.rows[mhz].second[c] = std::to_string(mts / 2);
            report.rows[rate].second[c] = std::to_string(mts);
        }
        for (std::size_t r = 0; r < grid.rows.size(); ++r) {
            std::string& cell = report.rows[r].second[c];
            if (r < column.texts.size() && !column.texts[r].empty()) cell = column.texts[r];
            if (static_cast<int>(r) == cl || r >= column.timesPs.size() || !column.timesPs[r])
                continue;
            auto clocks = ClocksOf(*column.timesPs[r], column.tckPs, rounding);
            if (!clocks) continue;
            if (r < column.lowerLimits.size())
                clocks = std::max<long long>(*clocks, column.lowerLimits[r]);
            cell = std::to_string(*clocks);
        }
        if (cl >= 0 && static_cast<std::size_t>(cl) < column.timesPs.size() && column.timesPs[cl]) {
            if (const auto cas =
                    CasLatency(*column.timesPs[cl], column.tckPs, column.casList, rounding))
                report.rows[cl].second[c] = std::to_string(*cas);
        }
    }
}

std::string MakerOf(unsigned continuation, unsigned code) {
    const unsigned bank = (continuation & 0x7F) + 1;
    if (bank == 1) {
        const std::string name = MakerName(static_cast<std::uint8_t>(code), MakerList::Ddr3);
        if (name.rfind("0x", 0) != 0) return name;
    }
    return std::string("0x").append(Hex(code, 2)).append(" (bank ").append(std::to_string(bank)) +
           ")";
}

std::string ManufacturingDate(unsigned yearBcd, unsigned weekBcd) {
    const auto bcd = [](unsigned b) -> int {
        if ((b >> 4) > 9 || (b & 0x0F) > 9) return -1;
        return static_cast<int>((b >> 4) * 10 + (b & 0x0F));
    };
    const int year = bcd(yearBcd), week = bcd(weekBcd);
    if (year < 0 || week < 1 || week > 53) return "";
    char text[16];
    std::snprintf(text, sizeof text, "%04d-W%02d", 2000 + year, week);
    return text;
}

std::string AsciiField(const Bytes& bytes, unsigned first, unsigned length) {
    std::string text;
    for (unsigned i = 0; i < length && bytes.Has(first + i); ++i) {
        const unsigned c = bytes[first + i];
        if (c == 0) break;
        text.push_back(static_cast<char>(c));
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return util::DisplayText(text);
}

std::string CheckCrc(const Bytes& bytes, unsigned first, unsigned last, unsigned stored,
                     bool& mismatch) {
    const std::string range = "bytes " + std::to_string(first) + ".." + std::to_string(last);
    if (!bytes.Has(stored + 1))
        return range + " not checked: the image ends before byte " + std::to_string(stored + 1);
    const std::uint16_t crc = SpdCrc16(bytes.Span().data() + first, last - first + 1);
    const unsigned held = bytes.Le16(stored);
    if (crc == held) return "CRC-16 of " + range + " 0x" + Hex(crc, 4) + " good";
    mismatch = true;
    return "MISMATCH: bytes " + std::to_string(stored) + ".." + std::to_string(stored + 1) +
           " hold CRC 0x" + Hex(held, 4) + ", " + range + " give 0x" + Hex(crc, 4);
}

std::string Ns(double ps, char decimalSeparator) {
    return FormatFixed(ps / 1000.0L, 3, decimalSeparator) + " ns";
}

void AddManufacturingFacts(SpdSlotReport& report, const Bytes& b, ManufacturingBlock block) {
    const unsigned maker = block.first, date = maker + 3, serial = maker + 5, part = maker + 9;
    const unsigned revision = part + block.partNumberLength, dramMaker = revision + 1;
    if (!b.Has(dramMaker + 1)) return;
    auto& f = report.fields;
    f.emplace_back("ManuFacturer", MakerOf(b[maker], b[maker + 1]));
    f.emplace_back("DRAM Maker", MakerOf(b[dramMaker], b[dramMaker + 1]));
    f.emplace_back("Part Number", AsciiField(b, part, block.partNumberLength));
    f.emplace_back("Revision", b[revision] ? Hex(b[revision], 2) : "");
    const std::uint32_t number =
        b[serial] << 24 | b[serial + 1] << 16 | b[serial + 2] << 8 | b[serial + 3];
    f.emplace_back("Serial", number ? Hex(number, 8) : "");
    f.emplace_back("Manufactured", ManufacturingDate(b[date], b[date + 1]));
}

}  // namespace zm::spd::ddr45
