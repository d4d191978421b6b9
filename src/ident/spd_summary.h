// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's memory summary of the first module: maker, part number and a one-line speed
// text such as "PC2-6400 (400Mhz)@5.5.5.18-1,8V", taken from the SPD window's own decode
// (spd::DecodeModule), so that the two never disagree about a module's clock and timings.

#include <cstdint>
#include <string>

#include "hw/hardware_access.h"
#include "spd/spd_decoder.h"

namespace zm::ident {

struct SpdMemorySummary {
    std::string manufacturer;
    std::string partNumber;
    // The "Part Nb." label and panel. Only a decoded DDR2 or DDR3 module sets it (from whether
    // its part number is empty); without one they stay as the window was built: enabled.
    bool partNumberEnabled = true;
    std::string speed;
    unsigned clockMhz = 0;  // memory clock from the module's fastest cycle time
};

// Only a DDR2 or DDR3 module gives a summary; any other answer leaves it empty.
SpdMemorySummary SummariseSpd(const spd::SpdByteSource& read);

// The module at spdSlaveAddress over the SMBus host that discovery set up.
SpdMemorySummary ReadModuleSummary(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress);

}  // namespace zm::ident
