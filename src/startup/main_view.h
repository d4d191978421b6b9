// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the main window shows, as plain texts and states. The start-up fills it; the
// window and the --report output both render it, so they cannot disagree.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "spd/spd_report.h"
#include "timings/model/timing_model.h"

namespace zm::app {

// "CPU" group.
struct CpuView {
    std::string model;
    std::string cpuid;
    std::string revision;
    std::string socket;
    std::string technology;
    std::string coresThreads;
};

// "MotherBoard" group.
struct MotherboardView {
    std::string vendor;
    std::string model;
    std::string chipset;
    std::string biosVersion;
    std::string biosDate;
};

// "Memory" group.
struct MemoryView {
    std::string type;
    std::string manufacturer;
    std::string partNumber;
    bool partNumberEnabled = true;
    std::string size;
    std::string speed;
    std::string channelMode;  // "Single", "Dual", "Triple", "Ganged", "Unganged"
};

struct CheckState {
    bool checked = false;
    bool enabled = true;
};

inline constexpr const char* kLinkCaptionHyperTransport = "HT...............";
inline constexpr const char* kLinkCaptionQpi = "QPI...............";

// "System Frequency" group: texts the clock-measurement thread keeps current.
struct FrequencyView {
    std::string bclk;            // "133.3 MHz"
    std::string coreMultiplier;  // "x 20.0" (text field of the Cores row)
    std::string cores;
    std::string uncore;
    std::string link;  // QPI or HyperTransport
    std::string ram;
    std::string linkCaption = kLinkCaptionHyperTransport;
    // The static multiplier fields start-up writes: "x 16", "x 18", "x 4" (AMD K10 RAM: "1:2").
    std::string uncoreMultiplier;
    std::string linkMultiplier;
    std::string ramMultiplier;

    CheckState eist, c1e, turbo;
    // Intel: the core-multiplier list (coreMultiplierList) replaces the multiplier text field.
    std::vector<std::string> multiplierItems;
    int multiplierIndex = -1;
    bool multiplierListVisible = false;
};

// One timing drop-down with its label.
struct TimingControlView {
    timings::TimingId id = timings::TimingId::tCL;
    std::string control;             // the object name of the drop-down that shows it
    std::string name;                // short name, unique within the kind ("tCL", "tRFC_DIMM1")
    std::string label;               // caption of the label beside it
    std::vector<std::string> items;  // the value list
    bool enabled = true;
    int shownIndex = -1;  // what the drop-down shows now (-1: nothing)
    // The TimingIndex of each channel (A, B, C); -1 where the channel does not exist.
    std::array<std::int32_t, timings::kMaxChannels> channelIndex{-1, -1, -1};

    // The item at index, or "" when the index names no item (the drop-down shows nothing).
    std::string ItemText(std::int32_t index) const {
        return index >= 0 && static_cast<std::size_t>(index) < items.size() ? items[index] : "";
    }
};

struct TimingsView {
    bool filled = false;  // a platform branch read the controller
    std::string kind;     // "Uncore", "HostBridge", "K10-DDR2-800", "K10-DDR2-1066", "K10-DDR3"
    // Replaces both timing groups' captions when set ("MC_CFG_space Locked.").
    std::string groupCaption;
    std::vector<int> channels;  // the channels that exist: 0 = A, 1 = B, 2 = C
    // The channel choices, as the selector lists them.
    std::vector<std::string> channelItems;
    int channelSelected = 0;
    bool channelEnabled = true;
    // The kind's timings in its order (timing_descriptors.h), which is the drop-downs' order.
    std::array<TimingControlView, timings::kKindTimingCount> controls{};
};

// One module's decoded SPD: facts as caption/value pairs in display order, and the timing grid.
using SpdSlotView = spd::SpdSlotReport;

struct ButtonsView {
    bool applyEnabled = true;
    bool advancedEnabled = true;  // "CPU"
    bool spdVisible = false;      // shown once the chipset is one whose SMBus is known
};

struct MainView {
    CpuView cpu;
    MotherboardView motherboard;
    MemoryView memory;
    FrequencyView frequency;
    TimingsView timings;
    std::optional<spd::SpdSlotsReport> spd;  // every slot once read; none for a refused machine
    ButtonsView buttons;
};

// A group of caption/value rows as both renderings lay it out.
struct FactRow {
    std::string caption;  // label text
    const char* key;      // stable key in the JSON report
    std::string text;
    bool enabled = true;
};

struct FactGroup {
    const char* title;  // group box caption
    const char* key;    // JSON key
    std::vector<FactRow> rows;
};

// The "CPU", "MotherBoard" and "Memory" groups, in window order.
std::vector<FactGroup> SummaryGroups(const MainView& view);

// The "System Frequency" group's clock rows: BCLK, Cores (with the multiplier), UnCore, the link
// (HT or QPI) and RAM.
FactGroup FrequencyGroup(const FrequencyView& frequency);

}  // namespace zm::app
