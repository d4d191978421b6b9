#pragma once
// The main window's memory summary taken from the first module's SPD: maker, part number and a
// one-line speed text such as "PC2-6400 (400Mhz)@5.5.5.18-1,8V". Only a handful of SPD bytes
// are read, each by its own SMBus transaction; an empty socket costs exactly one.

#include <cstdint>
#include <functional>
#include <optional>
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

// --- the pieces, for the SPD decoder and the tests ---

// JEDEC manufacturer code byte (parity bit included) to the name shown; "0x45" for a code
// outside the table.
std::string JedecManufacturerName(std::uint8_t code);

// DDR2 cycle time from SPD byte 9: whole nanoseconds in the upper nibble, the fraction coded
// in the lower one (0..9 tenths, then .25, .33, .66, .75, .875). Nullopt for the undefined
// fraction 15 and for a cycle time of 0.
std::optional<long double> Ddr2CycleTimeNs(std::uint8_t byte9);

// The clock in MHz of a cycle time, truncated (2.5 ns: 400, 1.875 ns: 533, 1.5 ns: 666).
unsigned ClockMhz(long double cycleTimeNs);

// The module rating of a clock: 400 -> 6400, 533 -> 8500, 666 -> 10600.
unsigned PcRating(unsigned clockMhz);

// Clocks needed to cover a time: the smallest whole number of cycles >= timeNs / cycleTimeNs.
unsigned CyclesFor(long double timeNs, long double cycleTimeNs);

}  // namespace zm::ident
