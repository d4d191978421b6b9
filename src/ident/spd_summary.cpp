// SPDX-License-Identifier: GPL-3.0-or-later
#include "ident/spd_summary.h"

#include <string>

#include "spd/spd_format.h"
#include "spd/spd_reader.h"
#include "spd/spd_view.h"

namespace zm::ident {
namespace {

// A whole number of clocks in the first JEDEC column; 0 where the decode has none above 0.
unsigned Column0(const spd::SpdView& view, spd::SpdRow row) {
    const std::string& cell = view.Cell(row, 0);
    const long long clocks = cell.empty() ? 0 : std::stoll(cell);
    return clocks > 0 ? static_cast<unsigned>(clocks) : 0;
}

SpdMemorySummary Summarise(spd::SpdModuleType type, const spd::SpdView& view) {
    SpdMemorySummary s;
    const bool ddr2 = type == spd::SpdModuleType::Ddr2;
    if (!ddr2 && type != spd::SpdModuleType::Ddr3) return s;
    // The main window names a DDR3 maker from the list the SPD window keeps for DDR2 modules.
    s.manufacturer = spd::MakerName(view.makerCode, spd::MakerList::Ddr2);
    s.partNumber = view.partNumber;
    s.partNumberEnabled = view.partNumberEnabled;
    s.clockMhz = Column0(view, spd::SpdRow::Mhz);
    // No clock (a cycle time or time base that is zero, undefined or failed): no speed text.
    if (view.speed.empty()) return s;
    // DDR2 gives the voltage byte 8 names; DDR3 is the JEDEC 1.5 V.
    const std::string& volts = view.Cell(spd::SpdRow::Voltage, 0);
    const std::string voltage = !ddr2 ? "1,5V" : volts.empty() ? "" : volts + "V";
    using R = spd::SpdRow;
    s.speed = view.speed + "@" + std::to_string(Column0(view, R::Cl)) + "." +
              std::to_string(Column0(view, R::Trcd)) + "." + std::to_string(Column0(view, R::Trp)) +
              "." + std::to_string(Column0(view, R::Tras)) + "-" + voltage;
    return s;
}

}  // namespace

SpdMemorySummary SummariseSpd(const spd::SpdByteSource& read) {
    spd::SpdView view;
    const spd::SpdModuleType type = spd::DecodeModule(read, view);
    return Summarise(type, view);
}

SpdMemorySummary ReadModuleSummary(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress) {
    SpdMemorySummary summary;
    spd::DecodeModuleBytes(hw, spdSlaveAddress,
                           [&](const spd::SpdByteReader& read) { summary = SummariseSpd(read); });
    return summary;
}

}  // namespace zm::ident
