// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's construction on the shipped machines: every platform-gate outcome reaches
// the user as one message box (caught here by a recording sink), a refused machine leaves no
// usable window, and Exit on AMD K10 puts F3x8C bit 14 back.
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "gui/main_window_host.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "startup/extended_config.h"
#include "ui/common/message_sink.h"
#include "ui/main/application.h"
#include "ui/main/main_window.h"

using namespace zm;

namespace {

const std::string kChipsetWarning =
    "Zentrimo is only for CPU\r\nwith Integrated Memory Controller!\r\n"
    "For your system, go on:   https://zentrimo.example.org\r\nand download Hollin latest version.";

struct Started {
    std::shared_ptr<sim::SimulatedMachine> machine;
    std::unique_ptr<app::Session> session;
    ui::RecordingMessageSink sink;
    std::unique_ptr<ui::MainWindow> window;

    explicit Started(const char* profile)
        : machine(sim::SimulatedMachine::Load(profile)),
          session(testing::WindowSession(app::SimulatedMachineBackend(machine))) {
        window = std::make_unique<ui::MainWindow>(*session, sink);
    }
};

}  // namespace

class StartupGateTest : public QObject {
    Q_OBJECT

private slots:
    void outcomes_data() {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        const QString warning = QString::fromStdString(kChipsetWarning);
        QTest::newRow("pass") << "x58-bloomfield"
                              << ""
                              << "";
        QTest::newRow("965 chipset") << "p965-core2"
                                     << "WARNING!" << warning;
        QTest::newRow("P45 chipset") << "p45-core2"
                                     << "WARNING!" << warning;
        QTest::newRow("unknown") << "sis661-pentium4"
                                 << "ERROR!"
                                 << "NOT FOR THIS SYSTEM!";
        QTest::newRow("two sockets") << "dual-xeon-5520"
                                     << "ERROR!"
                                     << "NOT FOR THIS SYSTEM!";
        QTest::newRow("missing file") << "x58-missing-winring0-sys"
                                      << "ERROR!"
                                      << "WinRing0.sys is not find!";
    }

    void outcomes() {
        QFETCH(QString, profile);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        Started s(profile.toUtf8().constData());
        if (caption.isEmpty()) {
            QVERIFY(s.sink.messages.empty());
            QVERIFY(!s.window->TerminationRequested());
            QVERIFY(s.window->isEnabled());
            return;
        }
        QCOMPARE(s.sink.messages.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(s.sink.messages[0].caption), caption);
        QCOMPARE(QString::fromStdString(s.sink.messages[0].text), text);
        QVERIFY(s.window->TerminationRequested());
        QVERIFY(!s.window->isEnabled());
        QCOMPARE(s.window->Panel(6)->text(), QString());
    }

    void missingFileTouchesNoHardware() {
        Started s("x58-missing-winring0-sys");
        QCOMPARE(s.machine->Counts().Total(), std::uint64_t{0});
        s.window->ExitClick();
        QCOMPARE(s.machine->Counts().Total(), std::uint64_t{0});
    }

    void cpuGroup_data() {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QStringList>("panels");  // Panel6, Panel2, Panel12, Panel14, Panel17
        QTest::newRow("Bloomfield")
            << "x58-bloomfield" << QStringList{"6A5", "D0", "LGA 1366", "45 nm", "4 / 8"};
        QTest::newRow("Gulftown") << "x58-gulftown"
                                  << QStringList{"6C2", "B1", "LGA 1366", "32 nm", "6 / 12"};
        QTest::newRow("Lynnfield")
            << "p55-lynnfield" << QStringList{"6E5", "B1", "LGA 1156", "45 nm", "4 / 8"};
        QTest::newRow("Phenom II DDR2")
            << "k10-am2plus-ddr2" << QStringList{"F42", "C2", "AM2+ (940)", "45 nm", "4 / 4"};
        QTest::newRow("Phenom II DDR3")
            << "k10-am3-ddr3" << QStringList{"F43", "C3", "AM3 (941)", "45 nm", "4 / 4"};
        QTest::newRow("Opteron") << "socketf-opteron"
                                 << QStringList{"F23", "B3", "F (1207)", "65 nm", "4 / 4"};
    }

    void cpuGroup() {
        QFETCH(QString, profile);
        QFETCH(QStringList, panels);
        Started s(profile.toUtf8().constData());
        QVERIFY(s.sink.messages.empty());
        const int numbers[] = {6, 2, 12, 14, 17};
        for (int i = 0; i < 5; ++i) QCOMPARE(s.window->Panel(numbers[i])->text(), panels[i]);
        QVERIFY(!s.window->Panel(1)->text().isEmpty());
    }

    void exitOnK10RestoresExtendedConfig_data() {
        QTest::addColumn<bool>("bitAtStart");
        QTest::newRow("clear at start") << false;
        QTest::newRow("set at start") << true;
    }

    void exitOnK10RestoresExtendedConfig() {
        QFETCH(bool, bitAtStart);
        auto machine = sim::SimulatedMachine::Load("k10-am3-ddr3");
        machine->SetPci(0, 24, 3, 0x8C, bitAtStart ? 0x00004000 : 0);
        const std::uint32_t before = machine->Pci(0, 24, 3, 0x8C);
        app::Backend backend = app::SimulatedMachineBackend(machine);
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(backend, "");
        ui::MainWindow window(*session, sink);
        QVERIFY(sink.messages.empty());
        QCOMPARE(machine->Pci(0, 24, 3, 0x8C) & 0x4000u, 0x4000u);  // opened for DCT1

        machine->ClearWrites();
        QTest::mouseClick(window.Exit, Qt::LeftButton);
        QVERIFY(window.ShutDownDone());
        QCOMPARE(machine->Pci(0, 24, 3, 0x8C), before);
        std::size_t f3x8cWrites = 0;
        for (const sim::WriteRecord& w : machine->Writes())
            if (w.kind == sim::WriteRecord::Kind::Pci && w.address == app::kF3x8CAddress)
                ++f3x8cWrites;
        QCOMPARE(f3x8cWrites, bitAtStart ? std::size_t{0} : std::size_t{1});
    }

    void windowsAreCreatedInOrderAndOnlyTheMainOneIsShownByTheButtons() {
        auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
        app::Backend backend = app::SimulatedMachineBackend(machine);
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(backend, "");
        ui::ApplicationWindows windows = ui::CreateWindows(*session, sink);
        QCOMPARE(windows.mainWindow->objectName(), QStringLiteral("MainWindow"));
        const QList<QPair<QWidget*, QString>> others = {
            {windows.aboutWindow.get(), "AboutWindow"},
            {windows.spdWindow.get(), "SpdWindow"},
            {windows.cpuSettingsWindow.get(), "CpuSettingsWindow"},
            {windows.monitorWindow.get(), "MonitorWindow"},
            {windows.startUpWindow.get(), "StartUpWindow"}};
        for (const auto& [window, name] : others) {
            QCOMPARE(window->objectName(), name);
            QVERIFY(window->isHidden());
        }
        QTest::mouseClick(windows.mainWindow->About, Qt::LeftButton);
        QVERIFY(windows.aboutWindow->isVisible());
        QTest::mouseClick(windows.mainWindow->Save, Qt::LeftButton);
        QVERIFY(windows.startUpWindow->isVisible());
        QTest::mouseClick(windows.mainWindow->Monitor, Qt::LeftButton);
        QVERIFY(windows.monitorWindow->isVisible());
        QVERIFY(windows.spdWindow->isHidden());
        QVERIFY(windows.cpuSettingsWindow->isHidden());
    }
};

QTEST_MAIN(StartupGateTest)
#include "startup_gate_test.moc"
