// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_profile.h"

#include "spd/spd_format.h"
#include "util/display_text.h"

namespace zm::spd {

void WriteClocks(SpdView& view, SpdRow row, int column, long double timeNs, long double tckNs) {
    if (const auto clocks = Clocks(timeNs, tckNs)) view.Cell(row, column) = std::to_string(*clocks);
}

std::optional<long long> WriteProfileClocks(SpdView& view, int column, long double tckNs,
                                            const ProfileTimes& times) {
    const auto mhz = ClockMhz(tckNs);
    if (!mhz) return std::nullopt;
    view.Cell(SpdRow::Mhz, column) = std::to_string(*mhz);
    const std::pair<SpdRow, const std::optional<long double>*> rows[] = {
        {SpdRow::Trcd, &times.trcd}, {SpdRow::Trp, &times.trp},   {SpdRow::Tras, &times.tras},
        {SpdRow::Trc, &times.trc},   {SpdRow::Trfc, &times.trfc}, {SpdRow::Trrd, &times.trrd},
        {SpdRow::Twr, &times.twr},   {SpdRow::Twtr, &times.twtr}, {SpdRow::Trtp, &times.trtp},
    };
    for (const auto& [row, time] : rows)
        if (*time) WriteClocks(view, row, column, **time, tckNs);
    return mhz;
}

std::string ReadPartNumber(const SpdByteSource& read, unsigned first, unsigned length) {
    std::string bytes;
    for (unsigned i = 0; i < length; ++i) {
        const std::uint8_t c = ReadByte(read, first + i);
        if (c == 0) break;
        bytes.push_back(static_cast<char>(c));
    }
    return util::DisplayText(bytes);
}

void ShowPartNumber(SpdView& view, std::string partNumber) {
    view.partNumberEnabled = !partNumber.empty();
    view.partNumber = std::move(partNumber);
}

void ShowRevision(SpdView& view, std::uint8_t revision) {
    view.revisionEnabled = revision != 0;
    if (revision != 0) view.revision = Hex(revision, 2);
}

void ShowSerial(SpdView& view, const SpdByteSource& read, unsigned first) {
    std::uint32_t serial = 0;
    for (unsigned i = 0; i < 4; ++i) serial = (serial << 8) | ReadByte(read, first + i);
    view.serialEnabled = serial != 0;
    if (serial != 0) view.serial = Hex(serial, 8);
}

std::string SpeedText(std::string_view generation, long long clockMhz) {
    return std::string(generation) + "-" + std::to_string(SpeedGrade(clockMhz)) + " (" +
           std::to_string(clockMhz) + "Mhz)";
}

}  // namespace zm::spd
