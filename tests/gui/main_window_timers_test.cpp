// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's start-up timer on a real window: it waits for activation and the monitor's
// first pass, then hides the window when the settings file asks for it; the gauge follows usage.
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "gui/main_window_host.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/main/main_window.h"

using namespace zm;

class MainWindowTimersTest : public QObject {
    Q_OBJECT

    std::string Settings(const std::string& text) {
        const auto path = std::filesystem::temp_directory_path() / "zm_timers_test.ini";
        std::filesystem::remove(path);
        if (!text.empty()) std::ofstream(path) << text;
        return path.string();
    }

private slots:
    void hidesAtBootOnceActivatedAndMonitorReady() {
        app::Backend backend =
            app::SimulatedMachineBackend(sim::SimulatedMachine::Load("x58-bloomfield"));
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(backend, Settings("[HL]\nST=1\n"));
        ui::MainWindow window(*session, sink);
        window.show();
        QVERIFY(window.startUpTimer->isActive());
        QCOMPARE(window.startUpTimer->interval(), 100);
        QCOMPARE(window.gaugeTimer->interval(), 1000);

        window.StartUpTimerTick();  // not activated, monitor not ready: nothing
        QVERIFY(window.isVisible());
        window.FormActivate();
        window.StartUpTimerTick();  // still waiting for the monitor's first pass
        QVERIFY(window.isVisible());
        QVERIFY(window.startUpTimer->isActive());

        session->Live().monitorReady = 1;
        window.StartUpTimerTick();
        // Behind the notification-area icons, or minimised where there is none to come back from.
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QVERIFY(!window.isVisible());
        else
            QVERIFY(window.isMinimized());
        QVERIFY(!window.startUpTimer->isActive());
    }

    void gaugeFollowsUsageAndExitStopsIt() {
        app::Backend backend =
            app::SimulatedMachineBackend(sim::SimulatedMachine::Load("x58-bloomfield"));
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(backend, Settings(""));
        ui::MainWindow window(*session, sink);
        int usage = 100, shown = 0;
        window.SetTimerHooks({nullptr, [&] { return usage; }, [&](int n) { shown = n; }, {}});
        window.GaugeTimerTick();
        QCOMPARE(shown, 0);  // not before the first activation
        window.FormActivate();
        window.GaugeTimerTick();
        QCOMPARE(shown, 24);
        usage = 0;
        window.GaugeTimerTick();
        QCOMPARE(shown, 1);
        window.ExitClick();
        QVERIFY(!window.gaugeTimer->isActive());
    }
};

QTEST_MAIN(MainWindowTimersTest)
#include "main_window_timers_test.moc"
