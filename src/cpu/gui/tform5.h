#pragma once
// TForm5, "CPU settings": on AMD K10 the multiplier and divisor of each core (or of all at
// once), the core voltage, the north-bridge ("UnCore") multiplier and voltage, and the
// HyperTransport link. The measuring thread keeps the speed fields and every list the user has
// not opened current; Apply writes what the user opened or changed. On Intel it stays empty
// (the main window's "CPU" button is disabled there).
//
// Control names as the rest of the program refers to them: CheckBox1 "All Cores", Label2..Label4
// "Core #1".."Core #3", Panel1..Panel4 core speeds, ComboBox1..ComboBox4 multipliers,
// ComboBox5..ComboBox8 divisors, ComboBox9 core voltage; Panel5, ComboBox13, ComboBox14 in
// "UnCore"; Panel6, ComboBox15, ComboBox16 in "HT"; buttons CPUApply "Apply" and Quit.

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

class TForm5 : public QWidget {
    Q_OBJECT

public:
    explicit TForm5(CpuSettingsSetup setup, QWidget* parent = nullptr);

    // The measuring thread's live values, on the window thread. Lists whose hold flag is set
    // are left as the user has them.
    void ShowFields(const CpuSettingsFields& fields);

    QCheckBox* CheckBox1 = nullptr;
    std::array<QLabel*, 3> CoreLabels{};          // Label2..Label4
    std::array<QLabel*, 4> SpeedPanels{};         // Panel1..Panel4
    std::array<DropDownCombo*, 4> Multipliers{};  // ComboBox1..ComboBox4
    std::array<DropDownCombo*, 4> Divisors{};     // ComboBox5..ComboBox8
    DropDownCombo* ComboBox9 = nullptr;           // core voltage
    QLabel* Panel5 = nullptr;                     // UnCore speed
    DropDownCombo* ComboBox13 = nullptr;          // UnCore multiplier
    DropDownCombo* ComboBox14 = nullptr;          // UnCore voltage
    QLabel* Panel6 = nullptr;                     // HT speed
    DropDownCombo* ComboBox15 = nullptr;          // HT multiplier
    DropDownCombo* ComboBox16 = nullptr;          // HT, not used
    QLabel* LabelNotUsed = nullptr;               // "N/A..................."
    QPushButton* CPUApply = nullptr;
    QPushButton* Quit = nullptr;

public slots:
    void CheckBox1Click(bool checked);
    void CPUApplyClick();
    void QuitClick();

private:
    void BuildControls();
    void FillK10Lists();
    bool AllCores() const;
    void CoreListDropDown(int column);
    void CoreListChange(int column, bool multiplier, int index);
    void ComboBox13Change(int index);
    CpuSettingsChoice Choice() const;

    CpuSettingsSetup setup_;
    CpuSettingsLists lists_;
    bool k10_ = false;
};

}  // namespace zm::cpu::gui
