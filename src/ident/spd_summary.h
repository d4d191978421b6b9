// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's memory summary taken from the first module's SPD: maker, part number and a
// one-line speed text such as "PC2-6400 (400Mhz)@5.5.5.18-1,8V". Only a handful of SPD bytes
// are read, each by its own SMBus transaction; an empty socket costs exactly one.

#include <cstdint>
#include <functional>
#include <string>

#include "hw/hardware_access.h"

namespace zm::ident {

enum class SpdMemoryType { None, Ddr2, Ddr3 };

struct SpdMemorySummary {
    bool moduleFound = false;  // the type byte did not read 0xFF
    SpdMemoryType type = SpdMemoryType::None;
    std::string manufacturer;
    std::string partNumber;
    // The "Part Nb." label and panel. Only a decoded DDR2 or DDR3 module sets it (from whether
    // its part number is empty); without one they stay as the window was built: enabled.
    bool partNumberEnabled = true;
    std::string speed;
    unsigned clockMhz = 0;  // memory clock from the module's fastest cycle time
};

// One SPD byte: 0..255, or a failed transaction's negative code.
using SpdByteReader = std::function<int(std::uint8_t offset)>;

SpdMemorySummary SummariseSpd(const SpdByteReader& read);

// The module at spdSlaveAddress over the SMBus host that discovery set up.
SpdMemorySummary ReadModuleSummary(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress);

}  // namespace zm::ident
