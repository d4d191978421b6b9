#include "spd/spd_report.h"

#include "spd/smbus_discovery.h"
#include "spd/spd_decoder.h"
#include "spd/spd_reader.h"

namespace zm::spd {

SpdSlotReport ReportOf(int slot, const SpdView& view) {
    SpdSlotReport report;
    report.slot = slot;
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

std::vector<SpdSlotReport> ReadAllSlots(hw::HardwareAccess& hw, char decimalSeparator) {
    std::vector<SpdSlotReport> slots;
    if (!DiscoverSmbusController(hw)) return slots;
    for (unsigned slot = 0; slot < kSpdSlotCount; ++slot) {
        SpdView view;
        ClearForNextModule(view);
        const SpdModuleType type =
            DecodeModule(hw, *SpdSlaveForSlot(slot), view, {decimalSeparator});
        if (type == SpdModuleType::Ddr2 || type == SpdModuleType::Ddr3)
            slots.push_back(ReportOf(static_cast<int>(slot), view));
    }
    return slots;
}

}  // namespace zm::spd
