// SPDX-License-Identifier: GPL-3.0-or-later
// The CPU settings window on the simulated Phenom II X4 (k10-am3-ddr3): its lists as start-up
// leaves them, the hold flags the user's lists set, what Apply writes through them, the
// north-bridge floor and the restart prompt, and the live values the measuring thread sends.

#include "ui/cpu/cpu_settings_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "cpu/cpu_registers.h"
#include "os/desktop_services.h"
#include "sim/simulated_machine.h"

using namespace zm;

namespace {

std::vector<sim::WriteRecord> MsrWrites(const sim::SimulatedMachine& m) {
    std::vector<sim::WriteRecord> out;
    for (const auto& w : m.Writes())
        if (w.kind == sim::WriteRecord::Kind::Msr) out.push_back(w);
    return out;
}

// The user picks an item: the list changes and says so, as a click on the item does.
void Pick(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

void Open(QComboBox* list) {
    list->showPopup();
    list->hidePopup();
}

}  // namespace

class CpuSettingsWindowTest : public QObject {
    Q_OBJECT

    std::shared_ptr<sim::SimulatedMachine> machine_;
    std::unique_ptr<hw::HardwareAccess> hw_;
    os::VirtualClock clock_{false};
    std::unique_ptr<cpu::CpuClocks> clocks_;
    os::SimulatedDesktopServices desktop_;
    std::vector<std::string> questions_;
    std::vector<std::string> warnings_;
    bool answerOk_ = true;
    std::unique_ptr<cpu::gui::CpuSettingsWindow> form_;

    void Make(int coreCount) {
        machine_ = sim::SimulatedMachine::Load("k10-am3-ddr3");
        hw_ = std::make_unique<hw::HardwareAccess>(*machine_);
        clocks_ = std::make_unique<cpu::CpuClocks>(
            *hw_, clock_, [](cpu::ClockMeasuringThread::Task) {}, [](const cpu::PassOutput&) {});
        clocks_->SetUpK10(timings::K10Mode::Ddr3, coreCount);
        cpu::gui::CpuSettingsSetup setup;
        setup.hw = hw_.get();
        setup.clocks = clocks_.get();
        setup.desktop = &desktop_;
        setup.confirm = [this](const std::string& text, const std::string& caption) {
            questions_.push_back(caption + " " + text);
            return answerOk_;
        };
        setup.warn = [this](const std::string& text, const std::string&) {
            warnings_.push_back(text);
        };
        form_ = std::make_unique<cpu::gui::CpuSettingsWindow>(std::move(setup));
        machine_->ClearWrites();
    }
    cpu::ClockState& State() { return clocks_->State(); }

private slots:
    void init() {
        questions_.clear();
        warnings_.clear();
        answerOk_ = true;
        Make(3);
    }
    void cleanup() {
        form_.reset();
        clocks_.reset();
    }

    void creationFillsTheListsFromTheStartupLimits() {
        QCOMPARE(State().cpuSettingsCreated.load(), 1);
        QVERIFY(form_->allCoresBox->isChecked());
        // No core limit in the profile: x8 .. x39.5, the last multiplier CpuFid holds.
        QCOMPARE(form_->multiplierLists[0]->count(), 64);
        QCOMPARE(form_->multiplierLists[0]->itemText(63),
                 QStringLiteral(" x 39") + QLocale().decimalPoint() + QStringLiteral("5"));
        QCOMPARE(form_->divisorLists[3]->count(), 5);
        QCOMPARE(form_->coreVoltageList->count(), 124);
        QCOMPARE(form_->uncoreMultiplierList->count(), 27);        // x4 .. x30
        QCOMPARE(form_->uncoreMultiplierList->currentIndex(), 5);  // NbFid 5
        QCOMPARE(form_->linkMultiplierList->currentIndex(), 10);   // HT code 0x0B
        QVERIFY(!form_->linkMultiplierList->isEnabled());
        QVERIFY(!form_->linkSpareList->isEnabled());
        QVERIFY(form_->multiplierLists[0]->isEnabled());
        for (int column = 1; column < 4; ++column)
            QVERIFY(!form_->multiplierLists[column]->isEnabled());
    }

    void dualCoreLeavesColumnsTwoAndThreeEmptyAndDisabled() {
        Make(1);
        for (int column : {2, 3}) {
            QCOMPARE(form_->multiplierLists[column]->count(), 0);
            QCOMPARE(form_->divisorLists[column]->count(), 0);
            QVERIFY(!form_->coreLabels[column - 1]->isEnabled());
        }
        QTest::mouseClick(form_->allCoresBox, Qt::LeftButton);
        QCOMPARE(form_->allCoresBox->text(), QStringLiteral("Core #0"));
        QVERIFY(form_->multiplierLists[1]->isEnabled());
        QVERIFY(!form_->multiplierLists[2]->isEnabled());
        QTest::mouseClick(form_->allCoresBox, Qt::LeftButton);
        QCOMPARE(form_->allCoresBox->text(), QStringLiteral("All Cores"));
        QVERIFY(!form_->multiplierLists[1]->isEnabled());
    }

    void allCoresApplyWritesEveryCoreAndPState0() {
        Open(form_->multiplierLists[0]);
        for (int n = 0; n < 4; ++n) QCOMPARE(State().HoldCore[n].load(), 1);
        Pick(form_->multiplierLists[0], 14);  // x15
        Pick(form_->divisorLists[0], 0);
        for (int column = 1; column < 4; ++column)
            QCOMPARE(form_->multiplierLists[column]->currentIndex(), 14);

        QTest::mouseClick(form_->applyButton, Qt::LeftButton);
        const auto w = MsrWrites(*machine_);
        QCOMPARE(w.size(), std::size_t{16});
        for (unsigned core = 0; core < 4; ++core) {
            QCOMPARE(w[core * 4].processor, core);
            QCOMPARE(w[core * 4].address, std::uint64_t{cpu::reg::kMsrCofVidControl});
            QCOMPARE(w[core * 4].value & 0x1FF, std::uint64_t{0x00E});
            QCOMPARE(w[core * 4 + 1].address, std::uint64_t{cpu::reg::kMsrPState0});
            QCOMPARE(w[core * 4 + 1].value & 0x1FF, std::uint64_t{0x00E});
        }
        QCOMPARE(State().HoldCore[0].load(), 0);
        QVERIFY(questions_.empty());
        QVERIFY(warnings_.empty());
    }

    void oneOpenedCoreListWritesThatCoreOnly() {
        QTest::mouseClick(form_->allCoresBox, Qt::LeftButton);  // "Core #0"
        Open(form_->divisorLists[2]);
        QCOMPARE(State().HoldCore[2].load(), 1);
        QCOMPARE(State().HoldCore[0].load(), 0);
        Pick(form_->multiplierLists[2], 6);
        Pick(form_->divisorLists[2], 1);

        QTest::mouseClick(form_->applyButton, Qt::LeftButton);
        const auto w = MsrWrites(*machine_);
        QCOMPARE(w.size(), std::size_t{3});
        for (const auto& r : w) {
            QCOMPARE(r.processor, 2u);
            QCOMPARE(r.address, std::uint64_t{cpu::reg::kMsrCofVidControl});
        }
        QCOMPARE(w[0].value & 0x1FF, std::uint64_t{6 | (1 << 6)});
    }

    void northBridgeBelowTheLinkReturnsAndAChangeAsksForARestart() {
        Pick(form_->uncoreMultiplierList, 3);  // x7 under HT x10
        QCOMPARE(form_->uncoreMultiplierList->currentIndex(), 5);
        Pick(form_->uncoreMultiplierList, 8);  // x12
        QCOMPARE(form_->uncoreMultiplierList->currentIndex(), 8);
        QCOMPARE(State().HoldNbMultiplier.load(), 1);

        answerOk_ = false;
        QTest::mouseClick(form_->applyButton, Qt::LeftButton);
        QCOMPARE(machine_->Pci(0, 24, 3, 0xD4) & 0x1F, 8u);
        QCOMPARE(questions_.size(), std::size_t{1});
        QCOMPARE(questions_[0], std::string("WARNING! ") + cpu::kRestartPrompt);
        QCOMPARE(desktop_.Reboots(), 0);

        // The start value stays what the machine booted with: the next change asks again.
        answerOk_ = true;
        Pick(form_->uncoreMultiplierList, 9);
        QTest::mouseClick(form_->applyButton, Qt::LeftButton);
        QCOMPARE(questions_.size(), std::size_t{2});
        QCOMPARE(desktop_.Reboots(), 1);
    }

    void liveValuesLeaveHeldListsAlone() {
        Open(form_->coreVoltageList);  // core voltage held
        Pick(form_->coreVoltageList, 16);
        QTest::mouseClick(form_->allCoresBox, Qt::LeftButton);
        Open(form_->multiplierLists[1]);  // core 1 held

        cpu::CpuSettingsFields fields;
        fields.cores = {{0, "2800.0 MHz", 12, 0}, {1, "1400.0 MHz", 12, 1}, {2, "x", 70, 7}};
        fields.uncoreSpeed = "2000.0 MHz";
        fields.cpuVid = 20;
        fields.nbVid = 124;  // no such item: supply off
        form_->ShowFields(fields);

        QCOMPARE(form_->speedPanels[0]->text(), QStringLiteral("2800.0 MHz"));
        QCOMPARE(form_->multiplierLists[0]->currentIndex(), 12);
        QVERIFY(form_->speedPanels[1]->text() != QStringLiteral("1400.0 MHz"));
        QVERIFY(form_->divisorLists[1]->currentIndex() != 1);
        // Codes the lists have no item for show an empty list, not a neighbour.
        QCOMPARE(form_->multiplierLists[2]->currentIndex(), -1);
        QCOMPARE(form_->divisorLists[2]->currentIndex(), -1);
        QCOMPARE(form_->coreVoltageList->currentIndex(), 16);
        QCOMPARE(form_->uncoreVoltageList->currentIndex(), -1);
        QCOMPARE(form_->uncoreSpeedPanel->text(), QStringLiteral("2000.0 MHz"));
    }

    // Set ZM_SCREENSHOT_TFORM5 to a file name to keep the picture.
    void hasTheFixedClientAreaAndCanBeGrabbed() {
        form_->show();
        const QPixmap picture = form_->grab();
        QCOMPARE(picture.size(), QSize(340, 328));
        const QString target = qEnvironmentVariable("ZM_SCREENSHOT_TFORM5");
        if (!target.isEmpty()) QVERIFY(picture.save(target, "PNG"));
    }

    void anEmptyHeldListIsRefusedWithAWarning() {
        Open(form_->uncoreVoltageList);
        form_->uncoreVoltageList->setCurrentIndex(-1);
        QTest::mouseClick(form_->applyButton, Qt::LeftButton);
        QVERIFY(MsrWrites(*machine_).empty());
        QCOMPARE(warnings_.size(), std::size_t{1});
        QVERIFY(warnings_[0].find("uncore voltage") != std::string::npos);
    }
};

QTEST_MAIN(CpuSettingsWindowTest)
#include "cpu_settings_window_test.moc"
