// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_report.h"

#include <array>

#include "spd/smbus_discovery.h"
#include "spd/spd_decoder.h"
#include "spd/spd_reader.h"

namespace zm::spd {

SpdSlotReport ReportOf(int slot, const SpdView& view, SpdModuleType type) {
    SpdSlotReport report;
    report.slot = slot;
    report.decoded = type == SpdModuleType::Ddr2 || type == SpdModuleType::Ddr3;
    if (!report.decoded) {
        report.fields = {{"Type", view.type}};
        return report;
    }
    report.checksum = view.checksum;
    report.checksumMismatch = view.checksumMismatch;
    report.fields = {
        {"Type", view.type},
        {"Size", view.size},
        {"ManuFacturer", view.manufacturer},
        {"Correction", view.correction},
        {"Part Number", view.partNumberEnabled ? view.partNumber : ""},
        {"Revision", view.revisionEnabled ? view.revision : ""},
        {"Serial", view.serialEnabled ? view.serial : ""},
        {"Speed", view.speed},
    };
    report.headers = {kJedecHeaders[0], kJedecHeaders[1], kJedecHeaders[2], view.extraHeaders[0],
                      view.extraHeaders[1]};
    for (int r = 0; r < kSpdRows; ++r)
        report.rows.emplace_back(
            kSpdRowNames[r], std::vector<std::string>(view.cells[r].begin(), view.cells[r].end()));
    return report;
}

SpdSlotsReport ReadAllSlots(hw::HardwareAccess& hw, char decimalSeparator) {
    SpdSlotsReport report;
    // The host the start-up found is still enabled and set up (the reach changes are put back
    // only at the end): discovering it again would read and write the same registers for the
    // same answer.
    report.controllerFound = hw.SmbusBase() != 0 || DiscoverSmbusController(hw);
    if (!report.controllerFound) return report;
    // Behind a pipe every module's bytes come in one request, before the slots are decoded.
    std::array<std::uint8_t, kSpdSlotCount> slaves{};
    for (unsigned slot = 0; slot < kSpdSlotCount; ++slot) slaves[slot] = *SpdSlaveForSlot(slot);
    const std::vector<SpdFirstRun> firstRuns = ReadFirstRuns(hw, slaves);
    for (unsigned slot = 0; slot < kSpdSlotCount; ++slot) {
        SpdView view;
        ClearForNextModule(view);
        SpdDecodeOptions options;
        options.decimalSeparator = decimalSeparator;
        const SpdModuleType type = DecodeModule(hw, slaves[slot], view, options, &firstRuns[slot]);
        report.modules.push_back(ReportOf(static_cast<int>(slot), view, type));
    }
    return report;
}

}  // namespace zm::spd
