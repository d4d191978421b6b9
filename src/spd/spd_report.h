// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every populated slot's decoded SPD without the window, for the report: the eight facts as
// caption/text pairs, the five column headers and the grid rows.

#include <string>
#include <utility>
#include <vector>

#include "hw/hardware_access.h"
#include "spd/spd_decoder.h"
#include "spd/spd_view.h"

namespace zm::spd {

struct SpdSlotReport {
    int slot = 0;          // 0-based; SMBus address 0x50 + slot
    bool decoded = false;  // a DDR2 or DDR3 module; otherwise only "Type" says what is there
    // The eight facts of a decoded module; only "Type" for any other slot ("Empty",
    // "DDR4 SDRAM (not decoded)", "no response (read failed)" ...).
    std::vector<std::pair<std::string, std::string>> fields;
    std::string checksum;  // empty when not checked
    bool checksumMismatch = false;
    std::vector<std::string> headers;  // five; none for a module that is not decoded
    std::vector<std::pair<std::string, std::vector<std::string>>> rows;  // name, five cells
    // DDR4/DDR5 only: the module's JEDEC minimum times ("tAAmin", "13.500 ns"); the grid has one
    // column per profile there, and its headers and rows are the generation's.
    std::vector<std::pair<std::string, std::string>> minimumTimes;
};

// The facts as the window's captions name them; a disabled field reads as empty.
SpdSlotReport ReportOf(int slot, const SpdView& view, SpdModuleType type);

struct SpdSlotsReport {
    bool controllerFound = false;
    std::vector<SpdSlotReport> modules;  // every slot 0..5, decoded or not
};

// Uses the SMBus host hw already found (runs the discovery where none was found yet), then
// decodes every slot 0..5 in turn as if it had been chosen in the window (the headers carry over from slot to slot there too,
// so each slot starts from fresh headers here instead). No slots when no SMBus controller
// answers.
SpdSlotsReport ReadAllSlots(hw::HardwareAccess& hw, char decimalSeparator = '.');

}  // namespace zm::spd
