#include "cpu/gui/tform5.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>

#include "cpu/power_features.h"
#include "ui/qt_text.h"
#include "ui/widgets.h"

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

TForm5::TForm5(CpuSettingsSetup setup, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("TForm5"));
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

void TForm5::BuildControls() {
    using ui::MakeLabel;
    using ui::MakePanel;
    QGroupBox* cores = ui::MakeGroup(this, "GroupBoxCores", "Cores", {8, 6, 324, 148});
    CheckBox1 = ui::MakeCheck(cores, "CheckBox1", "All Cores", {8, 18, 76, 18});
    CheckBox1->setChecked(true);
    for (int column = 0; column < 4; ++column) {
        const int left = 8 + column * 78;
        const QString n = QString::number(column + 1);
        if (column > 0) {
            const std::string caption = "Core #" + std::to_string(column);
            CoreLabels[column - 1] = MakeLabel(cores, "Label" + std::to_string(column + 1), caption,
                                               {left + 4, 19, 70, 16});
        }
        SpeedPanels[column] =
            MakePanel(cores, ("Panel" + n).toUtf8().constData(), {left, 40, 74, 18});
        Multipliers[column] = MakeList(cores, "ComboBox" + n, {left, 62, 74, 22});
        Divisors[column] =
            MakeList(cores, "ComboBox" + QString::number(column + 5), {left, 88, 74, 22});
    }
    MakeLabel(cores, "LabelCoreVoltage", "Voltage ........................", {8, 119, 150, 16});
    ComboBox9 = MakeList(cores, QStringLiteral("ComboBox9"), {164, 116, 96, 22});

    QGroupBox* uncore = ui::MakeGroup(this, "GroupBoxUncore", "UnCore", {8, 160, 160, 112});
    MakeLabel(uncore, "LabelUncoreSpeed", "Speed..................", {8, 22, 62, 16});
    Panel5 = MakePanel(uncore, "Panel5", {72, 20, 80, 18});
    MakeLabel(uncore, "LabelUncoreMultiplier", "Multiplier...............", {8, 50, 62, 16});
    ComboBox13 = MakeList(uncore, QStringLiteral("ComboBox13"), {72, 47, 80, 22});
    MakeLabel(uncore, "LabelUncoreVoltage", "Voltage.................", {8, 80, 62, 16});
    ComboBox14 = MakeList(uncore, QStringLiteral("ComboBox14"), {72, 77, 80, 22});

    QGroupBox* ht = ui::MakeGroup(this, "GroupBoxHt", "HT", {172, 160, 160, 112});
    MakeLabel(ht, "LabelHtSpeed", "Speed ...............", {8, 22, 62, 16});
    Panel6 = MakePanel(ht, "Panel6", {72, 20, 80, 18});
    MakeLabel(ht, "LabelHtMultiplier", "Multiplier.............", {8, 50, 62, 16});
    ComboBox15 = MakeList(ht, QStringLiteral("ComboBox15"), {72, 47, 80, 22});
    LabelNotUsed = MakeLabel(ht, "LabelNotUsed", "N/A...................", {8, 80, 62, 16});
    ComboBox16 = MakeList(ht, QStringLiteral("ComboBox16"), {72, 77, 80, 22});

    CPUApply = new QPushButton(QStringLiteral("Apply"), this);
    CPUApply->setObjectName(QStringLiteral("CPUApply"));
    CPUApply->setGeometry(8, 288, 80, 28);
    Quit = new QPushButton(QStringLiteral("Quit"), this);
    Quit->setObjectName(QStringLiteral("Quit"));
    Quit->setGeometry(252, 288, 80, 28);

    connect(CheckBox1, &QCheckBox::clicked, this, &TForm5::CheckBox1Click);
    connect(CPUApply, &QPushButton::clicked, this, &TForm5::CPUApplyClick);
    connect(Quit, &QPushButton::clicked, this, &TForm5::QuitClick);
}

void TForm5::FillK10Lists() {
    ClockState& state = setup_.clocks->State();
    lists_ = BuildCpuSettingsLists(*setup_.clocks->Limits(), state.LinkMultiplier.load(),
                                   DecimalSeparator());

    // The link is shown, never written.
    ComboBox15->setEnabled(false);
    ComboBox16->setEnabled(false);
    LabelNotUsed->setEnabled(false);

    const int usable = UsableCoreColumns(state.coreCount.load());
    for (int column = 0; column < 4; ++column) {
        const bool present = column < usable;
        if (present) {
            Fill(Multipliers[column], lists_.coreMultiplier);
            Fill(Divisors[column], lists_.divisor);
        }
        // "All Cores" starts checked: only column 0's lists are open to the user.
        Multipliers[column]->setEnabled(present && column == 0);
        Divisors[column]->setEnabled(present && column == 0);
        SpeedPanels[column]->setEnabled(present);
        if (column > 0) CoreLabels[column - 1]->setEnabled(present);

        DropDownCombo* lists[] = {Multipliers[column], Divisors[column]};
        for (DropDownCombo* list : lists) {
            list->onDropDown = [this, column] { CoreListDropDown(column); };
        }
        connect(Multipliers[column], qOverload<int>(&QComboBox::activated), this,
                [this, column](int index) { CoreListChange(column, true, index); });
        connect(Divisors[column], qOverload<int>(&QComboBox::activated), this,
                [this, column](int index) { CoreListChange(column, false, index); });
    }

    Fill(ComboBox9, lists_.voltage);
    Fill(ComboBox14, lists_.voltage);
    Fill(ComboBox13, lists_.uncoreMultiplier);
    Fill(ComboBox15, lists_.htMultiplier);
    Select(ComboBox13, static_cast<unsigned>(lists_.uncoreStartIndex));
    Select(ComboBox15, static_cast<unsigned>(lists_.htIndex));

    // A list changed by keyboard without being opened holds as well: Apply writes it.
    auto holdVoltage = [this](CpuSettingsList list) {
        HoldOpenedList(setup_.clocks->State(), list);
    };
    ComboBox9->onDropDown = [=] { holdVoltage(CpuSettingsList::CoreVoltage); };
    ComboBox14->onDropDown = [=] { holdVoltage(CpuSettingsList::UncoreVoltage); };
    connect(ComboBox9, qOverload<int>(&QComboBox::activated), this,
            [=] { holdVoltage(CpuSettingsList::CoreVoltage); });
    connect(ComboBox14, qOverload<int>(&QComboBox::activated), this,
            [=] { holdVoltage(CpuSettingsList::UncoreVoltage); });
    connect(ComboBox13, qOverload<int>(&QComboBox::activated), this, &TForm5::ComboBox13Change);
}

bool TForm5::AllCores() const {
    return CheckBox1->isChecked();
}

void TForm5::CheckBox1Click(bool checked) {
    if (!k10_) return;
    if (checked) {
        CheckBox1->setText(QStringLiteral("All Cores"));
        for (int column = 1; column < 4; ++column) {
            Multipliers[column]->setEnabled(false);
            Divisors[column]->setEnabled(false);
        }
    } else {
        CheckBox1->setText(QStringLiteral("Core #0"));
        for (int column = 1; column < 4; ++column) {
            const bool present = CoreLabels[column - 1]->isEnabled();
            Multipliers[column]->setEnabled(present);
            Divisors[column]->setEnabled(present);
        }
    }
}

void TForm5::CoreListDropDown(int column) {
    HoldOpenedList(setup_.clocks->State(), CpuSettingsList::CoreMultiplierOrDivisor, column,
                   AllCores());
}

void TForm5::CoreListChange(int column, bool multiplier, int index) {
    CoreListDropDown(column);
    if (column != 0 || !AllCores()) return;
    // Every core follows column 0.
    for (int other = 1; other < 4; ++other) {
        QComboBox* list = multiplier ? Multipliers[other] : Divisors[other];
        if (list->count() == 0) continue;
        const QSignalBlocker blocker(list);
        list->setCurrentIndex(index);
    }
}

void TForm5::ComboBox13Change(int index) {
    setup_.clocks->State().HoldNbMultiplier = 1;
    const int kept =
        AcceptedUncoreMultiplier(index, ComboBox15->currentIndex(), lists_.uncoreStartIndex);
    if (kept != index) Select(ComboBox13, static_cast<unsigned>(kept));
}

CpuSettingsChoice TForm5::Choice() const {
    CpuSettingsChoice choice;
    choice.allCores = AllCores();
    for (int column = 0; column < 4; ++column) {
        choice.cpuFid[column] = Multipliers[column]->currentIndex();
        choice.cpuDid[column] = Divisors[column]->currentIndex();
    }
    choice.cpuVid = ComboBox9->currentIndex();
    choice.nbVid = ComboBox14->currentIndex();
    choice.nbFid = ComboBox13->currentIndex();
    return choice;
}

void TForm5::CPUApplyClick() {
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

void TForm5::QuitClick() {
    close();
}

void TForm5::ShowFields(const CpuSettingsFields& fields) {
    if (!k10_) return;
    const ClockState& state = setup_.clocks->State();
    for (const CoreSettingsFields& core : fields.cores) {
        if (core.core < 0 || core.core > 3 || state.Held(core.core)) continue;
        SpeedPanels[core.core]->setText(Text(core.speed));
        if (Multipliers[core.core]->count() == 0) continue;  // no such core
        Select(Multipliers[core.core], core.cpuFid);
        Select(Divisors[core.core], core.cpuDid);
    }
    if (fields.uncoreSpeed) Panel5->setText(Text(*fields.uncoreSpeed));
    if (fields.htSpeed) Panel6->setText(Text(*fields.htSpeed));
    if (fields.cpuVid && state.HoldCpuVid.load() == 0) Select(ComboBox9, *fields.cpuVid);
    if (fields.nbVid && state.HoldNbVid.load() == 0) Select(ComboBox14, *fields.nbVid);
}

}  // namespace zm::cpu::gui
