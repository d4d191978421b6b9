// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fixed-point texts for the clock fields ("0", "0.0", "0.00" patterns) with the user's decimal
// separator, which the window side passes in.

#include <string>

namespace zm::cpu {

// value rounded to `decimals` places, '.' replaced by decimalSeparator.
std::string FormatFixed(double value, int decimals, char decimalSeparator = '.');

// "2666.7 MHz"
std::string FormatMhz(double mhz, char decimalSeparator = '.');

}  // namespace zm::cpu
