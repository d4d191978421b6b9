// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CpuSettingsWindow, "CPU settings": on AMD K10 the multiplier and divisor of each core (or of all
// at once), the core voltage, the north-bridge ("UnCore") multiplier and voltage, and the
// HyperTransport link. The measuring thread keeps the speed fields and every list the user has
// not opened current; Apply writes what the user opened or changed. On Intel it stays empty
// (the main window's "CPU" button is disabled there).
//
// Each core's row has a label ("Core #1".."Core #3"; the first is the "All Cores" check box), a
// speed panel, a multiplier list and a divisor list; below them the core voltage, the "UnCore"
// group (speed, multiplier, voltage) and the "HT" group (link speed and multiplier).

#include <QComboBox>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "cpu/clock_pass.h"
#include "cpu/cpu_clocks.h"
#include "cpu/k10_settings_apply.h"
#include "cpu/k10_settings_lists.h"
#include "os/desktop_services.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace zm::cpu::gui {

// A drop-down list that tells when it is opened.
class DropDownCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onDropDown;
    void showPopup() override {
        if (onDropDown) onDropDown();
        QComboBox::showPopup();
    }
};

struct CpuSettingsSetup {
    // Null on a machine the program does not drive: the window stays empty.
    hw::HardwareAccess* hw = nullptr;
    CpuClocks* clocks = nullptr;  // the main window's clock state, hold flags and K10 limits
    // Null: the restart is not offered (the new north-bridge multiplier waits for the next one).
    os::DesktopServices* desktop = nullptr;
    // A modal question with OK and Cancel; true for OK.
    std::function<bool(const std::string& text, const std::string& caption)> confirm;
    // A modal message with OK.
    std::function<void(const std::string& text, const std::string& caption)> warn;
};

class CpuSettingsWindow : public QWidget {
    Q_OBJECT

public:
    explicit CpuSettingsWindow(CpuSettingsSetup setup, QWidget* parent = nullptr);

    // The measuring thread's live values, on the window thread. Lists whose hold flag is set
    // are left as the user has them.
    void ShowFields(const CpuSettingsFields& fields);

    QCheckBox* allCoresBox = nullptr;
    std::array<QLabel*, 3> coreLabels{};
    std::array<QLabel*, 4> speedPanels{};
    std::array<DropDownCombo*, 4> multiplierLists{};
    std::array<DropDownCombo*, 4> divisorLists{};
    DropDownCombo* coreVoltageList = nullptr;       // core voltage
    QLabel* uncoreSpeedPanel = nullptr;             // UnCore speed
    DropDownCombo* uncoreMultiplierList = nullptr;  // UnCore multiplier
    DropDownCombo* uncoreVoltageList = nullptr;     // UnCore voltage
    QLabel* linkSpeedPanel = nullptr;               // HT speed
    DropDownCombo* linkMultiplierList = nullptr;    // HT multiplier
    DropDownCombo* linkSpareList = nullptr;         // HT, not used
    QLabel* notUsedLabel = nullptr;                 // "N/A..................."
    QPushButton* applyButton = nullptr;
    QPushButton* Quit = nullptr;

public slots:
    void AllCoresClicked(bool checked);
    void ApplyClick();
    void QuitClick();

private:
    void BuildControls();
    void FillK10Lists();
    bool AllCores() const;
    void CoreListDropDown(int column);
    void CoreListChange(int column, bool multiplier, int index);
    void UncoreMultiplierChanged(int index);
    CpuSettingsChoice Choice() const;

    CpuSettingsSetup setup_;
    CpuSettingsLists lists_;
    bool k10_ = false;
};

}  // namespace zm::cpu::gui
