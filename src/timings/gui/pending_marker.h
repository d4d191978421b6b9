#pragma once
// How a timing drop-down looks before and after the user changed it. Nothing resets the
// marker: once changed, a drop-down keeps the "pending" look for the rest of the run.
//
// Colours are the window system's: a value with the top byte 0x80 names a system colour (its
// low byte the system colour number), any other value is 0x00BBGGRR.

#include <cstdint>

namespace zm::timings::gui {

struct MarkerColours {
    std::uint32_t background;
    std::uint32_t text;
};

constexpr std::uint32_t kSystemColourFlag = 0x80000000;
constexpr std::uint32_t kSystemButtonFace = 0x8000000F;
constexpr std::uint32_t kSystemWindow = 0x80000005;
constexpr std::uint32_t kNavy = 0x00800000;  // 0x00BBGGRR: blue 0x80
constexpr std::uint32_t kBlack = 0x00000000;

// As created: button face, navy text.
inline constexpr MarkerColours kUnchangedColours{kSystemButtonFace, kNavy};
// After a change: the window background, black text.
inline constexpr MarkerColours kPendingColours{kSystemWindow, kBlack};

}  // namespace zm::timings::gui
