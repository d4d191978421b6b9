// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/cpu/cpu_settings_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>

#include "cpu/power_features.h"
#include "ui/common/qt_text.h"
#include "ui/common/widgets.h"

namespace zm::cpu::gui {
namespace {

using ui::DecimalSeparator;
using ui::Text;

DropDownCombo* MakeList(QWidget* parent, const QString& name, QRect place) {
    auto* combo = new DropDownCombo(parent);
    combo->setObjectName(name);
    combo->setGeometry(place);
    combo->setEditable(false);
    return combo;
}

void Fill(QComboBox* combo, const std::vector<std::string>& items) {
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (const std::string& item : items) combo->addItem(Text(item));
}

// Selects a register code's item; a code the list has no item for shows an empty list rather
// than a neighbouring value.
void Select(QComboBox* combo, unsigned code) {
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(code < static_cast<unsigned>(combo->count()) ? static_cast<int>(code)
                                                                        : -1);
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& p : parts) text += (text.empty() ? "" : ", ") + p;
    return text;
}

}  // namespace

CpuSettingsWindow::CpuSettingsWindow(CpuSettingsSetup setup, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("CpuSettingsWindow"));
    setWindowTitle(QStringLiteral("CPU settings"));
    setFixedSize(340, 328);
    if (!setup_.confirm) {
        setup_.confirm = [this](const std::string& text, const std::string& caption) {
            return QMessageBox::warning(this, Text(caption), Text(text),
                                        QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
        };
    }
    if (!setup_.warn) {
        setup_.warn = [this](const std::string& text, const std::string& caption) {
            QMessageBox::warning(this, Text(caption), Text(text));
        };
    }
    BuildControls();

    k10_ = setup_.hw && setup_.clocks &&
           setup_.clocks->State().platform.load() == CpuPlatform::AmdK10 &&
           setup_.clocks->Limits().has_value();
    if (setup_.clocks) {
        ClockState& state = setup_.clocks->State();
        for (auto& hold : state.HoldCore) hold = 0;
        // From now on the AMD measuring pass keeps this window's fields current.
        state.cpuSettingsCreated = 1;
    }
    if (k10_) FillK10Lists();
}

void CpuSettingsWindow::BuildControls() {
    using ui::MakeLabel;
    using ui::MakePanel;
    QGroupBox* cores = ui::MakeGroup(this, "GroupBoxCores", "Cores", {8, 6, 324, 148});
    allCoresBox = ui::MakeCheck(cores, "allCoresBox", "All Cores", {8, 18, 76, 18});
    allCoresBox->setChecked(true);
    for (int column = 0; column < 4; ++column) {
        const int left = 8 + column * 78;
        const QString n = QString::number(column + 1);
        if (column > 0) {
            const std::string caption = "Core #" + std::to_string(column);
            coreLabels[column - 1] = MakeLabel(cores, "Label" + std::to_string(column + 1), caption,
                                               {left + 4, 19, 70, 16});
        }
        speedPanels[column] =
            MakePanel(cores, ("Panel" + n).toUtf8().constData(), {left, 40, 74, 18});
        multiplierLists[column] = MakeList(cores, "ComboBox" + n, {left, 62, 74, 22});
        divisorLists[column] =
            MakeList(cores, "ComboBox" + QString::number(column + 5), {left, 88, 74, 22});
    }
    MakeLabel(cores, "LabelCoreVoltage", "Voltage ........................", {8, 119, 150, 16});
    coreVoltageList = MakeList(cores, QStringLiteral("coreVoltageList"), {164, 116, 96, 22});

    QGroupBox* uncore = ui::MakeGroup(this, "GroupBoxUncore", "UnCore", {8, 160, 160, 112});
    MakeLabel(uncore, "LabelUncoreSpeed", "Speed..................", {8, 22, 62, 16});
    uncoreSpeedPanel = MakePanel(uncore, "uncoreSpeedPanel", {72, 20, 80, 18});
    MakeLabel(uncore, "LabelUncoreMultiplier", "Multiplier...............", {8, 50, 62, 16});
    uncoreMultiplierList =
        MakeList(uncore, QStringLiteral("uncoreMultiplierList"), {72, 47, 80, 22});
    MakeLabel(uncore, "LabelUncoreVoltage", "Voltage.................", {8, 80, 62, 16});
    uncoreVoltageList = MakeList(uncore, QStringLiteral("uncoreVoltageList"), {72, 77, 80, 22});

    QGroupBox* ht = ui::MakeGroup(this, "GroupBoxHt", "HT", {172, 160, 160, 112});
    MakeLabel(ht, "LabelHtSpeed", "Speed ...............", {8, 22, 62, 16});
    linkSpeedPanel = MakePanel(ht, "linkSpeedPanel", {72, 20, 80, 18});
    MakeLabel(ht, "LabelHtMultiplier", "Multiplier.............", {8, 50, 62, 16});
    linkMultiplierList = MakeList(ht, QStringLiteral("linkMultiplierList"), {72, 47, 80, 22});
    notUsedLabel = MakeLabel(ht, "notUsedLabel", "N/A...................", {8, 80, 62, 16});
    linkSpareList = MakeList(ht, QStringLiteral("linkSpareList"), {72, 77, 80, 22});

    applyButton = new QPushButton(QStringLiteral("Apply"), this);
    applyButton->setObjectName(QStringLiteral("applyButton"));
    applyButton->setGeometry(8, 288, 80, 28);
    Quit = new QPushButton(QStringLiteral("Quit"), this);
    Quit->setObjectName(QStringLiteral("Quit"));
    Quit->setGeometry(252, 288, 80, 28);

    connect(allCoresBox, &QCheckBox::clicked, this, &CpuSettingsWindow::AllCoresClicked);
    connect(applyButton, &QPushButton::clicked, this, &CpuSettingsWindow::ApplyClick);
    connect(Quit, &QPushButton::clicked, this, &CpuSettingsWindow::QuitClick);
}

void CpuSettingsWindow::FillK10Lists() {
    ClockState& state = setup_.clocks->State();
    lists_ = BuildCpuSettingsLists(*setup_.clocks->Limits(), state.LinkMultiplier.load(),
                                   DecimalSeparator());

    // The link is shown, never written.
    linkMultiplierList->setEnabled(false);
    linkSpareList->setEnabled(false);
    notUsedLabel->setEnabled(false);

    const int usable = UsableCoreColumns(state.coreCount.load());
    for (int column = 0; column < 4; ++column) {
        const bool present = column < usable;
        if (present) {
            Fill(multiplierLists[column], lists_.coreMultiplier);
            Fill(divisorLists[column], lists_.divisor);
        }
        // "All Cores" starts checked: only column 0's lists are open to the user.
        multiplierLists[column]->setEnabled(present && column == 0);
        divisorLists[column]->setEnabled(present && column == 0);
        speedPanels[column]->setEnabled(present);
        if (column > 0) coreLabels[column - 1]->setEnabled(present);

        DropDownCombo* lists[] = {multiplierLists[column], divisorLists[column]};
        for (DropDownCombo* list : lists) {
            list->onDropDown = [this, column] { CoreListDropDown(column); };
        }
        connect(multiplierLists[column], qOverload<int>(&QComboBox::activated), this,
                [this, column](int index) { CoreListChange(column, true, index); });
        connect(divisorLists[column], qOverload<int>(&QComboBox::activated), this,
                [this, column](int index) { CoreListChange(column, false, index); });
    }

    Fill(coreVoltageList, lists_.voltage);
    Fill(uncoreVoltageList, lists_.voltage);
    Fill(uncoreMultiplierList, lists_.uncoreMultiplier);
    Fill(linkMultiplierList, lists_.htMultiplier);
    Select(uncoreMultiplierList, static_cast<unsigned>(lists_.uncoreStartIndex));
    Select(linkMultiplierList, static_cast<unsigned>(lists_.htIndex));

    // A list changed by keyboard without being opened holds as well: Apply writes it.
    auto holdVoltage = [this](CpuSettingsList list) {
        HoldOpenedList(setup_.clocks->State(), list);
    };
    coreVoltageList->onDropDown = [=] { holdVoltage(CpuSettingsList::CoreVoltage); };
    uncoreVoltageList->onDropDown = [=] { holdVoltage(CpuSettingsList::UncoreVoltage); };
    connect(coreVoltageList, qOverload<int>(&QComboBox::activated), this,
            [=] { holdVoltage(CpuSettingsList::CoreVoltage); });
    connect(uncoreVoltageList, qOverload<int>(&QComboBox::activated), this,
            [=] { holdVoltage(CpuSettingsList::UncoreVoltage); });
    connect(uncoreMultiplierList, qOverload<int>(&QComboBox::activated), this,
            &CpuSettingsWindow::UncoreMultiplierChanged);
}

bool CpuSettingsWindow::AllCores() const {
    return allCoresBox->isChecked();
}

void CpuSettingsWindow::AllCoresClicked(bool checked) {
    if (!k10_) return;
    if (checked) {
        allCoresBox->setText(QStringLiteral("All Cores"));
        for (int column = 1; column < 4; ++column) {
            multiplierLists[column]->setEnabled(false);
            divisorLists[column]->setEnabled(false);
        }
    } else {
        allCoresBox->setText(QStringLiteral("Core #0"));
        for (int column = 1; column < 4; ++column) {
            const bool present = coreLabels[column - 1]->isEnabled();
            multiplierLists[column]->setEnabled(present);
            divisorLists[column]->setEnabled(present);
        }
    }
}

void CpuSettingsWindow::CoreListDropDown(int column) {
    HoldOpenedList(setup_.clocks->State(), CpuSettingsList::CoreMultiplierOrDivisor, column,
                   AllCores());
}

void CpuSettingsWindow::CoreListChange(int column, bool multiplier, int index) {
    CoreListDropDown(column);
    if (column != 0 || !AllCores()) return;
    // Every core follows column 0.
    for (int other = 1; other < 4; ++other) {
        QComboBox* list = multiplier ? multiplierLists[other] : divisorLists[other];
        if (list->count() == 0) continue;
        const QSignalBlocker blocker(list);
        list->setCurrentIndex(index);
    }
}

void CpuSettingsWindow::UncoreMultiplierChanged(int index) {
    setup_.clocks->State().HoldNbMultiplier = 1;
    const int kept = AcceptedUncoreMultiplier(index, linkMultiplierList->currentIndex(),
                                              lists_.uncoreStartIndex);
    if (kept != index) Select(uncoreMultiplierList, static_cast<unsigned>(kept));
}

CpuSettingsChoice CpuSettingsWindow::Choice() const {
    CpuSettingsChoice choice;
    choice.allCores = AllCores();
    for (int column = 0; column < 4; ++column) {
        choice.cpuFid[column] = multiplierLists[column]->currentIndex();
        choice.cpuDid[column] = divisorLists[column]->currentIndex();
    }
    choice.cpuVid = coreVoltageList->currentIndex();
    choice.nbVid = uncoreVoltageList->currentIndex();
    choice.nbFid = uncoreMultiplierList->currentIndex();
    choice.pviMode = setup_.clocks->Limits() && setup_.clocks->Limits()->pviMode;
    return choice;
}

void CpuSettingsWindow::ApplyClick() {
    if (!k10_) return;
    const CpuSettingsApplyResult result =
        ApplyCpuSettings(*setup_.hw, setup_.clocks->State(), Choice(), lists_.uncoreStartIndex);
    if (!result.refused.empty()) {
        setup_.warn("Not written, the processor has no such setting: " + Joined(result.refused),
                    kWarningCaption);
    }
    // The start index stays as it was: every later change asks again, since none of them is
    // active before the restart.
    if (result.restartNeeded && setup_.confirm(kRestartPrompt, kWarningCaption) && setup_.desktop &&
        !setup_.desktop->Reboot()) {
        setup_.warn("The computer could not be restarted.", "ERROR!");
    }
}

void CpuSettingsWindow::QuitClick() {
    close();
}

void CpuSettingsWindow::ShowFields(const CpuSettingsFields& fields) {
    if (!k10_) return;
    const ClockState& state = setup_.clocks->State();
    for (const CoreSettingsFields& core : fields.cores) {
        if (core.core < 0 || core.core > 3 || state.Held(core.core)) continue;
        speedPanels[core.core]->setText(Text(core.speed));
        if (multiplierLists[core.core]->count() == 0) continue;  // no such core
        Select(multiplierLists[core.core], core.cpuFid);
        Select(divisorLists[core.core], core.cpuDid);
    }
    if (fields.uncoreSpeed) uncoreSpeedPanel->setText(Text(*fields.uncoreSpeed));
    if (fields.htSpeed) linkSpeedPanel->setText(Text(*fields.htSpeed));
    if (fields.cpuVid && state.HoldCpuVid.load() == 0) Select(coreVoltageList, *fields.cpuVid);
    if (fields.nbVid && state.HoldNbVid.load() == 0) Select(uncoreVoltageList, *fields.nbVid);
}

}  // namespace zm::cpu::gui
