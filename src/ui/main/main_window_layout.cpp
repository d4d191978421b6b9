// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls at their absolute positions. Three columns above the button row:
// "Timings" and "System Frequency" left, "CPU" and "MotherBoard" in the middle, "Memory" right;
// the "Others Timings" group fills the band between them and the buttons in the expanded layout.
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "timings/model/value_lists.h"
#include "ui/common/widgets.h"
#include "ui/main/main_window.h"
#include "ui/timings/timing_slots.h"

namespace zm::ui {
namespace {

// A caption on the left, a sunken panel on its right.
struct PanelPlace {
    int number;
    const char* caption;
};

constexpr int kRowTop = 22;
constexpr int kSummaryRowStep = 23;

// Rows of the summary groups, top to bottom: the rows of app::SummaryGroups.
constexpr PanelPlace kCpuRows[] = {{1, "Model"},   {6, "CPUID"},       {2, "Rev."},
                                   {12, "Socket"}, {14, "Technology"}, {17, "Cores/Threads"}};
constexpr PanelPlace kMotherBoardRows[] = {
    {13, "Vendor"}, {15, "Model"}, {7, "Chipset"}, {16, "BIOS version"}, {11, "Date"}};
constexpr PanelPlace kMemoryRows[] = {{3, "Type"}, {8, "Manufacturer"}, {9, "Part Nb."},
                                      {4, "Size"}, {10, "Speed"},       {5, "Chan."}};

// The first five drop-downs (1..5) are in "Timings"; "Others Timings" holds the rest in three
// columns: 6..13, 14..21 and 26..31.
constexpr int kMainTimingRows = 5;
constexpr int kOthersRows = 8;
constexpr int kOthersRowsUsed[3] = {8, 8, 6};

}  // namespace

void MainWindow::BuildControls() {
    setObjectName(QStringLiteral("MainWindow"));

    // --- Timings (left column, top) ---
    GroupBox1 = MakeGroup(this, "GroupBox1", "Timings", {8, 4, 300, 182});
    for (int row = 0; row < kMainTimingRows; ++row) {
        const timings::gui::TimingSlot& slot = timings::gui::kTimingSlots[row];
        const int top = kRowTop + row * 26;
        timingLabels_[row] =
            MakeLabel(GroupBox1, slot.labelName, slot.layoutCaption, {10, top + 3, 200, 16});
        timingCombos_[row] =
            MakeTimingCombo(GroupBox1, timings::gui::ComboName(slot), {212, top, 78, 22});
    }
    channelSelectorLabel =
        MakeLabel(GroupBox1, "Label33", timings::gui::kChannelSelectorLabel, {10, 155, 120, 16});
    QFont bold = channelSelectorLabel->font();
    bold.setBold(true);
    channelSelectorLabel->setFont(bold);
    ComboCH = MakeCombo(GroupBox1, "ComboCH", {132, 152, 158, 22});
    ComboCH->setFont(bold);

    // --- System Frequency (left column, bottom): caption, multiplier, clock per row ---
    GroupBoxFrequency =
        MakeGroup(this, "GroupBoxFrequency", "System Frequency", {8, 190, 300, 134});
    struct FrequencyRow {
        const char* labelName;
        const char* caption;
        QLabel** multiplier;
        const char* multiplierName;
        QLabel** clock;
        const char* clockName;
    };
    const FrequencyRow rows[] = {
        {"LabelBclk", "BCLK...............", nullptr, nullptr, &PanelBclk, "PanelBclk"},
        {"LabelCores", "Cores..............", &PanelCoreMultiplier, "PanelCoreMultiplier",
         &PanelCores, "PanelCores"},
        {"LabelUncore", "UnCore............", &PanelUncoreMultiplier, "PanelUncoreMultiplier",
         &PanelUncore, "PanelUncore"},
        {"Label22A", app::kLinkCaptionHyperTransport, &PanelLinkMultiplier, "PanelLinkMultiplier",
         &PanelLink, "PanelLink"},
        {"LabelRam", "RAM................", &PanelRamMultiplier, "PanelRamMultiplier", &PanelRam,
         "PanelRam"},
    };
    constexpr int kFrequencyStep = 19;
    for (int row = 0; row < 5; ++row) {
        const FrequencyRow& r = rows[row];
        const int top = 18 + row * kFrequencyStep;
        QLabel* label = MakeLabel(GroupBoxFrequency, r.labelName, r.caption, {10, top + 1, 90, 16});
        if (row == 3) linkCaptionLabel = label;
        if (r.multiplier)
            *r.multiplier = MakePanel(GroupBoxFrequency, r.multiplierName, {102, top, 64, 18});
        *r.clock = MakePanel(GroupBoxFrequency, r.clockName, {170, top, 120, 18});
        clockPanels_.push_back(*r.clock);  // in the rows of app::FrequencyGroup
        if (r.multiplier) clockPanels_.push_back(*r.multiplier);
    }
    coreMultiplierList =
        MakeCombo(GroupBoxFrequency, "coreMultiplierList", {102, 17 + kFrequencyStep, 64, 20});
    coreMultiplierList->setMaxVisibleItems(16);
    coreMultiplierList->hide();
    const int checkTop = 18 + 5 * kFrequencyStep;
    CheckBoxEist = MakeCheck(GroupBoxFrequency, "CheckBoxEist", "EIST", {102, checkTop, 60, 18});
    CheckBoxC1E = MakeCheck(GroupBoxFrequency, "CheckBoxC1E", "C1E", {170, checkTop, 56, 18});
    CheckBoxTurbo = MakeCheck(GroupBoxFrequency, "CheckBoxTurbo", "turbo", {230, checkTop, 60, 18});

    // --- CPU and MotherBoard (middle column): caption left of its panel ---
    auto panelRows = [this](QGroupBox* group, const auto& rows, int step) {
        constexpr int kCaptionWidth = 88;
        const int panelWidth = group->width() - 22 - kCaptionWidth;
        int top = kRowTop;
        for (const PanelPlace& row : rows) {
            MakeLabel(group, "LabelPanel" + std::to_string(row.number), row.caption,
                      {10, top + 2, kCaptionWidth, 16});
            panels_[row.number] = MakePanel(group, ("Panel" + std::to_string(row.number)).c_str(),
                                            {12 + kCaptionWidth, top, panelWidth, 20});
            summaryPanels_.push_back(panels_[row.number]);
            top += step;
        }
    };
    GroupBoxCpu = MakeGroup(this, "GroupBoxCpu", "CPU", {316, 4, 420, 161});
    panelRows(GroupBoxCpu, kCpuRows, kSummaryRowStep);
    GroupBoxMotherBoard =
        MakeGroup(this, "GroupBoxMotherBoard", "MotherBoard", {316, 169, 420, 155});
    panelRows(GroupBoxMotherBoard, kMotherBoardRows, 26);

    // --- Memory (right column): caption above its panel, the texts are long ---
    GroupBoxMemory = MakeGroup(this, "GroupBoxMemory", "Memory", {744, 4, 264, 320});
    int top = 20;
    for (const PanelPlace& row : kMemoryRows) {
        MakeLabel(GroupBoxMemory, "LabelPanel" + std::to_string(row.number), row.caption,
                  {10, top, 240, 16});
        panels_[row.number] =
            MakePanel(GroupBoxMemory, ("Panel" + std::to_string(row.number)).c_str(),
                      {10, top + 17, 244, 20});
        summaryPanels_.push_back(panels_[row.number]);
        top += 49;
    }

    // --- Others Timings (expanded layout) ---
    GroupBox3 = MakeGroup(this, "GroupBox3", "Others Timings", {8, 330, layout::kWidth - 16, 254});
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < kOthersRowsUsed[column]; ++row) {
            const int i = kMainTimingRows + column * kOthersRows + row;
            const timings::gui::TimingSlot& slot = timings::gui::kTimingSlots[i];
            const int left = 16 + column * 336;
            const int top = kRowTop + row * 28;
            timingLabels_[i] =
                MakeLabel(GroupBox3, slot.labelName, slot.layoutCaption, {left, top + 3, 214, 16});
            timingCombos_[i] = MakeTimingCombo(GroupBox3, timings::gui::ComboName(slot),
                                               {left + 216, top, 78, 22});
        }
    }

    // --- Buttons ---
    struct ButtonPlace {
        QPushButton** button;
        const char* name;
        const char* caption;
        int slot;
    };
    const ButtonPlace buttons[] = {
        {&Apply, "Apply", "Apply", 0},
        {&Save, "Save", "StartUp", 1},
        {&OthersTimings, "OthersTimings", "SubTim.", 2},
        {&Hide, "Hide", "Hide", 2},
        {&Advanced, "Advanced", "CPU", 3},
        {&Monitor, "Monitor", "Monitor", 4},
        {&About, "About", "About", 5},
        {&Exit, "Exit", "Exit", 6},
        {&spd, "spd", "spd", 7},
    };
    for (const ButtonPlace& b : buttons) {
        *b.button = new QPushButton(QString::fromUtf8(b.caption), this);
        (*b.button)->setObjectName(QString::fromUtf8(b.name));
        (*b.button)->setGeometry(8 + b.slot * 126, layout::kExpandedButtonTop, 118, 25);
    }
    Hide->hide();  // hidden at design
    spd->hide();   // shown once the chipset's SMBus is known
    // "CPU" is a coloured button.
    QPalette cpuPalette = Advanced->palette();
    cpuPalette.setColor(QPalette::Button, QColor(0xC0, 0xDC, 0xC0));
    Advanced->setPalette(cpuPalette);
    Advanced->setAutoFillBackground(true);
}

}  // namespace zm::ui
