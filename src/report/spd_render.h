// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One module's decoded SPD as text and as JSON, the same for the report's SPD section and for
// --spd: its facts as a caption/value table (the checksum last, marked "warning" when it does not
// match), then the timing grid with the five column headers.

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "spd/spd_report.h"

namespace zm::app {

using CaptionValue = std::pair<std::string, std::string>;

// The facts table, each line starting with indent, with `leading` rows before the module's facts
// (--spd puts the file there); then, for a decoded module, a blank line and the grid.
std::string RenderSpdSlotText(const spd::SpdSlotReport& slot, std::string_view indent,
                              const std::vector<CaptionValue>& leading = {});

// {"decoded", "fields", "checksum", "checksum_mismatch", "columns", "timings"}.
nlohmann::json SpdSlotJson(const spd::SpdSlotReport& slot);

}  // namespace zm::app
