// SPDX-License-Identifier: GPL-3.0-or-later
// The CPU settings window inside the program: the main window's "CPU" button opens it on AMD
// K10 (and is disabled on Intel), and the measuring thread's passes keep its fields current.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "gui/main_window_host.h"
#include "gui/quick_clock.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/cpu/cpu_settings_window.h"
#include "ui/cpu/frequency_binder.h"
#include "ui/main/application.h"
#include "ui/main/main_window.h"

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
        auto session = testing::WindowSession(backend, "");
        ui::ApplicationWindows windows = ui::CreateWindows(*session, sink);
        auto* cpuSettingsWindow =
            dynamic_cast<cpu::gui::CpuSettingsWindow*>(windows.cpuSettingsWindow.get());
        QVERIFY(cpuSettingsWindow);

        QVERIFY(windows.mainWindow->Advanced->isEnabled());
        QVERIFY(cpuSettingsWindow->isHidden());
        QTest::mouseClick(windows.mainWindow->Advanced, Qt::LeftButton);
        QVERIFY(cpuSettingsWindow->isVisible());

        // The profile's cores run P-state 0: CpuFid 0x10 (x16), no divisor, VID 0x12.
        QTRY_VERIFY_WITH_TIMEOUT(
            cpuSettingsWindow->speedPanels[3]->text().endsWith(QStringLiteral(" MHz")), 10000);
        QCOMPARE(cpuSettingsWindow->multiplierLists[0]->currentIndex(), 16);
        QCOMPARE(cpuSettingsWindow->divisorLists[0]->currentIndex(), 0);
        QCOMPARE(cpuSettingsWindow->multiplierLists[3]->currentIndex(), 16);
        QCOMPARE(cpuSettingsWindow->coreVoltageList->currentIndex(), 0x12);
        QVERIFY(cpuSettingsWindow->uncoreSpeedPanel->text().endsWith(QStringLiteral(" MHz")));
        QVERIFY(cpuSettingsWindow->linkSpeedPanel->text().endsWith(QStringLiteral(" MHz")));
        windows.mainWindow->ExitClick();
    }

    void intelLeavesTheButtonDisabledAndTheWindowEmpty() {
        auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
        app::Backend backend = app::SimulatedMachineBackend(machine);
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(backend, "");
        ui::ApplicationWindows windows = ui::CreateWindows(*session, sink);
        auto* cpuSettingsWindow =
            dynamic_cast<cpu::gui::CpuSettingsWindow*>(windows.cpuSettingsWindow.get());
        QVERIFY(cpuSettingsWindow);
        QVERIFY(!windows.mainWindow->Advanced->isEnabled());
        QCOMPARE(cpuSettingsWindow->multiplierLists[0]->count(), 0);
        QCOMPARE(cpuSettingsWindow->uncoreMultiplierList->count(), 0);
        // Even with every hold flag set, Apply writes nothing on Intel.
        cpu::ClockState& state = session->Clocks().State();
        for (auto& hold : state.HoldCore) hold = 1;
        state.HoldCpuVid = state.HoldNbVid = state.HoldNbMultiplier = 1;
        machine->ClearWrites();
        QTest::mouseClick(cpuSettingsWindow->applyButton, Qt::LeftButton);
        QVERIFY(machine->Writes().empty());
        windows.mainWindow->ExitClick();
    }
};

QTEST_MAIN(CpuSettingsMainWindowTest)
#include "cpu_settings_main_window_test.moc"
