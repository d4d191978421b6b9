#pragma once
// Every populated slot's decoded SPD without the window, for the report: the eight facts as
// caption/text pairs, the five column headers and the grid rows.

#include <string>
#include <utility>
#include <vector>

#include "hw/hardware_access.h"
#include "spd/spd_view.h"

namespace zm::spd {

struct SpdSlotReport {
    int slot = 0;                                             // 0-based; SMBus address 0x50 + slot
    std::vector<std::pair<std::string, std::string>> fields;  // the eight facts
    std::vector<std::string> headers;                         // five
    std::vector<std::pair<std::string, std::vector<std::string>>> rows;  // name, five cells
};

// The facts as the window's captions name them; a disabled field reads as empty.
SpdSlotReport ReportOf(int slot, const SpdView& view);

// Runs the SMBus discovery again, as the SPD window does, then decodes every slot 0..5 in turn
// as if it had been chosen in the window (the headers carry over from slot to slot there too,
// so each slot starts from fresh headers here instead). Only DDR2 and DDR3 modules are
// reported; nothing when no SMBus controller answers.
std::vector<SpdSlotReport> ReadAllSlots(hw::HardwareAccess& hw, char decimalSeparator = '.');

}  // namespace zm::spd
