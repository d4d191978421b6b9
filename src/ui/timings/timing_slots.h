// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's timing drop-downs as laid out: Combo1A..Combo21A and Combo26A..Combo31A,
// each with its label and the caption the label carries until start-up names the timing it
// shows on this machine's controller kind (the slot column of timing_descriptors.h).

#include <array>
#include <string>
#include <string_view>

#include "timings/model/timing_descriptors.h"

namespace zm::timings::gui {

struct TimingSlot {
    int number;  // the drop-down is "Combo<number>A"
    std::string_view labelName;
    std::string_view layoutCaption;
};

constexpr int kTimingSlotCount = kKindTimingCount;

// By ascending number, the order of every kind's descriptor table.
// clang-format off
inline constexpr std::array<TimingSlot, kTimingSlotCount> kTimingSlots{{
    {1, "Label1", "CAS# Latency (CL) ......................"},
    {2, "Label2", "RAS# to CAS# Delay (tRCD) ........."},
    {3, "Label3", "RAS# Precharge (tRP) .................."},
    {4, "Label4", "Precharge Delay (tRAS) .............."},
    {5, "Label5", "Command Rate (CR) ....................."},
    {6, "Label6", "Refresh Cycle Time  DIMM 0 ........."},
    {7, "Label7", "Refresh Cycle Time  DIMM 1 ........."},
    {8, "Label8", "Refresh Cycle Time  DIMM 2 ........."},
    {9, "Label9", "Refresh Cycle Time  DIMM 3 ........."},
    {10, "Label10", "Write to Read Delay (tWRRD) ......."},
    {11, "Label11", "Write to Write Delay (tWRWR) ......."},
    {12, "Label12", "Read to Read Delay (tRDRD) ........."},
    {13, "Label13", "Read to Write Delay (tRW-TO) ......."},
    {14, "Label14", "Force Auto-Precharge ..................."},
    {15, "Label15", "Queue Bypass Max ......................."},
    {16, "Label16", "Read to Write Burst. (tRW-WB) ....."},
    {17, "Label17", "Maximum Read Latency ................."},
    {18, "Label18A", "Idle Cycle Limit ................................"},
    {19, "Label19A", "Four Activate Window (tFAW) ......."},
    {20, "Label27", "B2B CAS# Delay ........................."},
    {21, "Label28", "Idle Cycle limit (tRANKIDLE) ........."},
    {26, "Label26A", "Row Cycle time (tRC) ..................."},
    {27, "Label27A", "Refresh Mode Select ...................."},
    {28, "Label28A", "Ras# to Ras# Delay (tRRD) .........."},
    {29, "Label29A", "Write Recovery time (tWR) ..........."},
    {30, "Label30A", "Write to Read Delay (tWTR) .........."},
    {31, "Label31A", "Read to Precharge (tRTP) ............."},
}};
// clang-format on

// The channel selector's label (Label33) and the channel-mode panel's caption.
inline constexpr std::string_view kChannelSelectorLabel = "Channel(s)";

inline std::string ComboName(const TimingSlot& slot) {
    return "Combo" + std::to_string(slot.number) + "A";
}

// The position in kTimingSlots (and in every kind's descriptor table) of a drop-down number
// (1..21, 26..31); -1 for any other number.
constexpr int SlotPosition(int number) {
    for (int i = 0; i < kTimingSlotCount; ++i) {
        if (kTimingSlots[i].number == number) return i;
    }
    return -1;
}

}  // namespace zm::timings::gui
