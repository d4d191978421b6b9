// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The small conversions the SPD decoders share: maker names, texts from SPD bytes, and the
// arithmetic that turns nanoseconds into clocks.

#include <cstdint>
#include <optional>
#include <string>

namespace zm::spd {

// The JEDEC manufacturer code byte (parity bit included, bank ignored) as the SPD window names
// it. DDR2 modules use the same list as the main window; the DDR3 list names 0x0B and 0x46 in
// full and does not know 0xE9. A code in neither list shows as "0x" and two hex digits.
enum class MakerList { Ddr2, Ddr3 };
std::string MakerName(std::uint8_t code, MakerList list);

// "0x7F", "1A", "0012A4F0": upper-case hexadecimal with the given number of digits.
std::string Hex(std::uint32_t value, int digits);

// value rounded half away from zero to `decimals` places, '.' replaced by the user's separator.
std::string FormatFixed(long double value, int decimals, char decimalSeparator);

// The clock of a cycle time, rounded toward zero (2.5 ns: 400 MHz, 1.5 ns: 666 MHz).
// Nullopt for a cycle time that is not a positive finite number: no clock to show.
std::optional<long long> ClockMhz(long double cycleTimeNs);

// The module rating of a clock: 400 -> 6400, 333 -> 5300, 666 -> 10600.
long long SpeedGrade(long long clockMhz);

// Whole clocks covering a time: time / tCK rounded up. The quotient of two times that are whole
// multiples on paper can land a hair above the integer in binary (13.5 / (13.5 / 8)), which
// must not cost a clock, so a difference far below one part in a million is ignored.
// Nullopt when tCK is not positive or the result is not finite.
std::optional<long long> Clocks(long double timeNs, long double cycleTimeNs);

}  // namespace zm::spd
