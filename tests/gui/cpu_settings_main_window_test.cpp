// The CPU settings window inside the program: the main window's "CPU" button opens it on AMD
// K10 (and is disabled on Intel), and the measuring thread's passes keep its fields current.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "app/backend_selection.h"
#include "cpu/gui/frequency_binder.h"
#include "cpu/gui/tform5.h"
#include "gui/quick_clock.h"
#include "sim/simulated_machine.h"
#include "ui/application.h"
#include "ui/message_sink.h"
#include "ui/tform1.h"

using namespace zm;

using testing::QuickClock;

class CpuSettingsMainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void cpuButtonOpensTheLiveWindowOnK10() {
        auto clock = std::make_shared<QuickClock>();
        auto machine = sim::SimulatedMachine::Load("k10-am3-ddr3", clock);
        app::Backend backend = app::SimulatedMachineBackend(machine);
        QVERIFY(backend.desktop != nullptr);
        ui::RecordingMessageSink sink;
        ui::ApplicationWindows windows = ui::CreateWindows(backend, "", sink);
        auto* form5 = dynamic_cast<cpu::gui::TForm5*>(windows.form5.get());
        QVERIFY(form5);

        QVERIFY(windows.form1->Advanced->isEnabled());
        QVERIFY(form5->isHidden());
        QTest::mouseClick(windows.form1->Advanced, Qt::LeftButton);
        QVERIFY(form5->isVisible());

        // The profile's cores run P-state 0: CpuFid 0x10 (x16), no divisor, VID 0x12.
        QTRY_VERIFY_WITH_TIMEOUT(form5->SpeedPanels[3]->text().endsWith(QStringLiteral(" MHz")),
                                 10000);
        QCOMPARE(form5->Multipliers[0]->currentIndex(), 16);
        QCOMPARE(form5->Divisors[0]->currentIndex(), 0);
        QCOMPARE(form5->Multipliers[3]->currentIndex(), 16);
        QCOMPARE(form5->ComboBox9->currentIndex(), 0x12);
        QVERIFY(form5->Panel5->text().endsWith(QStringLiteral(" MHz")));
        QVERIFY(form5->Panel6->text().endsWith(QStringLiteral(" MHz")));
        windows.form1->ExitClick();
    }

    void intelLeavesTheButtonDisabledAndTheWindowEmpty() {
        auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
        app::Backend backend = app::SimulatedMachineBackend(machine);
        ui::RecordingMessageSink sink;
        ui::ApplicationWindows windows = ui::CreateWindows(backend, "", sink);
        auto* form5 = dynamic_cast<cpu::gui::TForm5*>(windows.form5.get());
        QVERIFY(form5);
        QVERIFY(!windows.form1->Advanced->isEnabled());
        QCOMPARE(form5->Multipliers[0]->count(), 0);
        QCOMPARE(form5->ComboBox13->count(), 0);
        // Even with every hold flag set, Apply writes nothing on Intel.
        auto* frequency = windows.form1->findChild<cpu::gui::FrequencyBinder*>();
        QVERIFY(frequency);
        cpu::ClockState& state = frequency->Clocks().State();
        for (auto& hold : state.HoldCore) hold = 1;
        state.HoldCpuVid = state.HoldNbVid = state.HoldNbMultiplier = 1;
        machine->ClearWrites();
        QTest::mouseClick(form5->CPUApply, Qt::LeftButton);
        QVERIFY(machine->Writes().empty());
        windows.form1->ExitClick();
    }
};

QTEST_MAIN(CpuSettingsMainWindowTest)
#include "cpu_settings_main_window_test.moc"
