// The main window's start-up timer on a real window: it waits for activation and the monitor's
// first pass, then hides the window when the settings file asks for it; the gauge follows usage.
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "app/backend_selection.h"
#include "sim/simulated_machine.h"
#include "ui/message_sink.h"
#include "ui/tform1.h"

using namespace zm;

class TForm1TimersTest : public QObject {
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
        ui::TForm1 window(backend, Settings("[HL]\nST=1\n"), sink);
        window.show();
        QVERIFY(window.Timer1->isActive());
        QCOMPARE(window.Timer1->interval(), 100);
        QCOMPARE(window.Timer2->interval(), 1000);

        window.Timer1Timer();  // not activated, monitor not ready: nothing
        QVERIFY(window.isVisible());
        window.FormActivate();
        window.Timer1Timer();  // still waiting for the monitor's first pass
        QVERIFY(window.isVisible());
        QVERIFY(window.Timer1->isActive());

        window.Startup().facts.monitorReady = 1;
        window.Timer1Timer();
        // Behind the notification-area icons, or minimised where there is none to come back from.
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QVERIFY(!window.isVisible());
        else
            QVERIFY(window.isMinimized());
        QVERIFY(!window.Timer1->isActive());
    }

    void gaugeFollowsUsageAndExitStopsIt() {
        app::Backend backend =
            app::SimulatedMachineBackend(sim::SimulatedMachine::Load("x58-bloomfield"));
        ui::RecordingMessageSink sink;
        ui::TForm1 window(backend, Settings(""), sink);
        int usage = 100, shown = 0;
        window.SetTimerHooks({nullptr, [&] { return usage; }, [&](int n) { shown = n; }, {}});
        window.Timer2Timer();
        QCOMPARE(shown, 0);  // not before the first activation
        window.FormActivate();
        window.Timer2Timer();
        QCOMPARE(shown, 24);
        usage = 0;
        window.Timer2Timer();
        QCOMPARE(shown, 1);
        window.ExitClick();
        QVERIFY(!window.Timer2->isActive());
    }
};

QTEST_MAIN(TForm1TimersTest)
#include "tform1_timers_test.moc"
