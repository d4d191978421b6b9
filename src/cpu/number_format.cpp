// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/number_format.h"

#include <cmath>
#include <cstdio>

namespace zm::cpu {

std::string FormatFixed(double value, int decimals, char decimalSeparator) {
    if (!std::isfinite(value)) value = 0.0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text(buffer);
    if (text == "-0" || text.rfind("-0.", 0) == 0) {
        // A tiny negative rounds to zero: no sign in front of it.
        if (text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    }
    for (char& c : text) {
        if (c == '.') c = decimalSeparator;
    }
    return text;
}

std::string FormatMhz(double mhz, char decimalSeparator) {
    return FormatFixed(mhz, 1, decimalSeparator) + " MHz";
}

}  // namespace zm::cpu
