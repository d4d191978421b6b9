// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the main window's buttons sit with the "Others Timings" group shown ("SubTim.") or
// hidden ("Hide"). The window applies this; the numbers are the window's own geometry.

#include <array>
#include <string_view>

namespace zm::timings::gui {

struct SubTimingsLayout {
    int windowHeight;
    int buttonTop;
    bool othersTimingsVisible;  // GroupBox3
    bool hideButtonVisible;     // "Hide"
    bool subTimButtonVisible;   // "SubTim." (OthersTimings)
};

inline constexpr SubTimingsLayout kOthersTimingsShown{653, 595, true, true, false};
inline constexpr SubTimingsLayout kOthersTimingsHidden{389, 331, false, false, true};

// The buttons moved to buttonTop (object names: Save is "StartUp", OthersTimings "SubTim.",
// Advanced "CPU"). Of "Hide" and "SubTim." only the one left visible is moved.
inline constexpr std::array<std::string_view, 9> kBottomButtons = {
    "Apply", "Save", "OthersTimings", "Advanced", "Hide", "Monitor", "About", "Exit", "spd"};

}  // namespace zm::timings::gui
