// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_view.h"

namespace zm::spd {

const std::array<const char*, kSpdRows> kSpdRowCaptions{
    "MHz .....", "CL ........", "tRCD ....", "tRP .......", "tRAS ....", "CR .......", "tRC ......",
    "tRFC ....", "tRRD ...",    "tWR .....", "tWTR ...",    "tRTP ....", "tREF ....",  "Voltage .",
};

const std::array<const char*, kSpdRows> kSpdRowNames{
    "MHz",  "CL",   "tRCD", "tRP",  "tRAS", "CR",   "tRC",
    "tRFC", "tRRD", "tWR",  "tWTR", "tRTP", "tREF", "Voltage",
};

const std::array<const char*, 3> kJedecHeaders{"Jedec#0", "Jedec#1", "Jedec#2"};

void ClearForNextModule(SpdView& view) {
    view.partNumberEnabled = view.revisionEnabled = view.serialEnabled = true;
    view.type = "Empty";
    view.size.clear();
    view.manufacturer.clear();
    view.makerCode = 0;
    view.correction.clear();
    view.partNumber.clear();
    view.revision.clear();
    view.serial.clear();
    view.speed.clear();
    view.checksum.clear();
    view.checksumMismatch = false;
    for (auto& row : view.cells)
        for (std::string& cell : row) cell.clear();
}

}  // namespace zm::spd
