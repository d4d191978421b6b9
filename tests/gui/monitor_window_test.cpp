// SPDX-License-Identifier: GPL-3.0-or-later
// The Monitor window on simulated machines: its start geometry and settings, the layouts that
// follow the core count, a tick's read-outs, Reset, Minimize and the monitoring thread's
// publication.
#include "ui/monitor/monitor_window.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "gui/main_window_host.h"
#include "monitor/thread_sampling.h"
#include "settings/ini_file.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "ui/common/history_graph.h"
#include "ui/common/message_sink.h"
#include "ui/main/application.h"
#include "ui/main/main_window.h"

using namespace zm;
using monitor::gui::MonitorContext;
using monitor::gui::MonitorWindow;

namespace {

struct Rig {
    std::shared_ptr<os::VirtualClock> clock = std::make_shared<os::VirtualClock>(true);
    std::shared_ptr<sim::SimulatedMachine> machine = std::make_shared<sim::SimulatedMachine>(clock);
    hw::HardwareAccess hw{*machine};
    QTemporaryDir dir;
    std::string ini = dir.filePath(QStringLiteral("ZM.ini")).toStdString();
    int tray = -1;
    int ready = -1;

    Rig(int processors = 8) {
        machine->SetProcessorCount(processors);
        machine->SetProcessorTimes(std::vector<os::ProcessorTimes>(processors));
        machine->SetProcessorLoad(std::vector<double>(processors, 0.0));
        machine->SetMsrAll(monitor::kMsrThermStatus, 0x88280000);  // 40 below TjMax
        os::MemoryStatus status;
        status.memoryLoad = 26;
        status.totalPageFile = 2'000'000'000;
        status.availPageFile = 1'500'000'000;
        machine->SetMemoryStatus(status);
    }
    MonitorContext Context(int cores, int threads, bool intel = true) {
        MonitorContext c(hw, *machine, *clock, ini);
        c.coreCount = cores;
        c.threadCount = threads;
        c.intelPlatform = intel;
        c.amdPlatform = !intel;
        c.installedMb = 4096;
        c.clocks = [] { return std::pair<std::uint16_t, std::uint16_t>{3200, 800}; };
        c.setTrayTemperature = [this](int t) { tray = t; };
        c.setMonitorReady = [this](bool r) { ready = r ? 1 : 0; };
        return c;
    }
};

QString Text(QWidget* w, const char* name) {
    return w->findChild<QLabel*>(QString::fromUtf8(name))->text();
}

}  // namespace

class MonitorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartWithoutSettings() {
        Rig rig;
        MonitorWindow form(rig.Context(4, 4));
        QCOMPARE(form.pos(), QPoint(392, 62));
        QCOMPARE(form.width(), 520);
        QCOMPARE(form.height(), 472);
        QCOMPARE(form.historyGraphs[2]->Gradient(), 4000);
        QCOMPARE(form.tjMaxList->currentText(), QStringLiteral("100"));
        QCOMPARE(form.tjMaxList->count(), 21);
        QVERIFY(!form.groupBoxes[8]->isVisibleTo(&form));
        QCOMPARE(form.groupBoxes[1]->y(), 294);
        QCOMPARE(rig.ready, 0);
        // Showing the stored TjMax is no choice of the user's: nothing written, colours kept
        // until an item is picked.
        settings::IniFile ini(rig.ini);
        QCOMPARE(ini.ReadInteger("TJMax", "CII", -1), -1);
        QCOMPARE(form.tjMaxList->palette().color(QPalette::Text), QColor(0x00, 0x00, 0x80));
        form.tjMaxList->setCurrentIndex(3);
        QCOMPARE(ini.ReadInteger("TJMax", "CII", -1), 3);
        QCOMPARE(form.tjMaxList->palette().color(QPalette::Text), QColor(Qt::black));
    }

    void storedGeometryTjMaxAndScale() {
        Rig rig;
        settings::IniFile ini(rig.ini);
        ini.WriteInteger("FormState", "FormLeft", 100);
        ini.WriteInteger("FormState", "FormTop", 50);
        ini.WriteInteger("FormState", "WidthSize", 2000);  // beyond the window's limit
        ini.WriteInteger("FormState", "GFSize", 3000);
        ini.WriteInteger("TJMax", "CII", 5);
        MonitorWindow form(rig.Context(8, 8));
        QCOMPARE(form.pos(), QPoint(100, 50));
        QCOMPARE(form.width(), 1214);
        QCOMPARE(form.height(), 553);
        QCOMPARE(form.historyGraphs[2]->Gradient(), 3000);
        QCOMPARE(form.frequencyScaleLabel->text(), QStringLiteral("3000"));
        QCOMPARE(form.Settings().TjMaxIndex.load(), 5);

        form.TjMaxChanged(2);
        QCOMPARE(ini.ReadInteger("TJMax", "CII", -1), 2);
        QCOMPARE(form.Settings().TjMaxIndex.load(), 2);
        form.move(120, 70);
        form.resize(800, form.height());
        form.frequencyScale->setValue(5000);
        QCOMPARE(form.historyGraphs[2]->Gradient(), 5000);
        form.MinimizeClick();
        QCOMPARE(ini.ReadInteger("FormState", "WidthSize", 0), 800);
        QCOMPARE(ini.ReadInteger("FormState", "GFSize", 0), 5000);
        QCOMPARE(ini.ReadInteger("FormState", "FormLeft", 0), 120);
        QCOMPARE(ini.ReadInteger("FormState", "FormTop", 0), 70);
    }

    void coreCountLayouts() {
        Rig rig;
        {
            MonitorWindow six(rig.Context(6, 12));
            QVERIFY(!six.groupBoxes[7]->isVisibleTo(&six));
            QVERIFY(!six.groupBoxes[11]->isVisibleTo(&six));
            QCOMPARE(six.groupBoxes[8]->title(), QStringLiteral("Core #3  (2 Threads)"));
            QCOMPARE(six.groupBoxes[10]->title(), QStringLiteral("Core #5  (2 Threads)"));
            QCOMPARE(six.groupBoxes[4]->width(), six.groupBoxes[8]->width());
        }
        {
            MonitorWindow two(rig.Context(2, 2));
            QCOMPARE(two.groupBoxes[5]->title(), QStringLiteral("Core #1   (1 Thread)"));
            QVERIFY(!two.groupBoxes[6]->isVisibleTo(&two));
            // (520 - 68) / 2 = 226; the second is 36 wider, 6 to the right.
            QCOMPARE(two.groupBoxes[4]->width(), 226);
            QCOMPARE(two.groupBoxes[5]->width(), 262);
            QCOMPARE(two.groupBoxes[5]->x(), two.groupBoxes[4]->x() + 232);
            QCOMPARE(two.historyGraphs[5]->width(), 200);
            QCOMPARE(two.Quit->x(), 360);
        }
        {
            // AMD K10 stores the highest core index: 3 means four cores, one thread each.
            MonitorWindow k10(rig.Context(3, 0, false));
            QCOMPARE(k10.Settings().CoreCount.load(), 4);
            QCOMPARE(k10.Settings().ThreadCount.load(), 4);
            QVERIFY(!k10.tjMaxList->isEnabled());
            QVERIFY(k10.groupBoxes[7]->isVisibleTo(&k10));
            QCOMPARE(k10.groupBoxes[7]->width(), (520 - 77) / 4 + 40);
        }
    }

    void aTickShowsEveryReadoutAndTheSuffixes() {
        for (int cores : {2, 8}) {
            Rig rig;
            MonitorWindow form(rig.Context(cores, cores));
            form.StopMonitoring();
            monitor::ThreadResults r;
            r.ThreadTemp.fill(55);
            r.ThreadTemp[1] = 61;
            r.ThreadUsage.fill(1);
            form.Publish(r);
            QCOMPARE(rig.tray, 61);
            QCOMPARE(rig.ready, 1);
            form.StartMonitoring();
            form.SamplingTimerTick();
            QCOMPARE(form.TickCounter(), 1);
            QCOMPARE(form.Fields().AverageUsage, 2);  // 1 % is shown as 2
            QCOMPARE(form.findChild<QLabel*>("Panel01")->text(), QStringLiteral("1040"));
            QCOMPARE(form.findChild<QLabel*>("Panel02")->text(), QStringLiteral("3200"));
            QCOMPARE(form.findChild<QLabel*>("Panel03")->text(), QStringLiteral("61°C"));
            QCOMPARE(Text(&form, "Label12"), QStringLiteral("4096Mb"));
            QCOMPARE(Text(&form, "Label3"), QStringLiteral("01"));
            QCOMPARE(Text(&form, "Label30"), QStringLiteral("61 (TMin)"));
            QCOMPARE(Text(&form, "Label40"), QStringLiteral("55"));
            if (cores == 2) QCOMPARE(Text(&form, "Label52"), QStringLiteral("61 (TMax)"));
            if (cores == 8) {
                QCOMPARE(Text(&form, "Label72"), QStringLiteral("55 (TMax)"));
                QCOMPARE(Text(&form, "Label112"), QStringLiteral("55 (TMax)"));
                QCOMPARE(Text(&form, "Label52"), QStringLiteral("61"));
            }
            QCOMPARE(form.Histories().Samples(), std::size_t{1});
        }
    }

    void mouseReadoutsResetAndExit() {
        Rig rig;
        MonitorWindow form(rig.Context(4, 4));
        form.StopMonitoring();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QLabel* panel1 = form.readoutPanels[1];
        const QPoint inside(form.historyGraphs[1]->width() / 2, 20);
        QTest::mouseMove(form.historyGraphs[1], inside);
        QVERIFY(!panel1->isVisible());  // nothing sampled yet

        for (int i = 0; i < 30; ++i) {
            form.SamplingTimerTick();
            if (form.TickCounter() == i) form.SamplingTimerTick();  // a skipped (repainted) tick
        }
        QCOMPARE(form.TickCounter(), 30);
        const int secondsBefore = form.Sampler().Elapsed().seconds;
        // Over the newest samples: the read-out shows a stored value.
        QTest::mouseMove(form.historyGraphs[1], QPoint(form.historyGraphs[1]->width() - 6, 20));
        QVERIFY(panel1->isVisible());
        QCOMPARE(panel1->text(), QStringLiteral("1040"));
        // At the left edge the cursor points before the first sample: nothing is shown.
        QTest::mouseMove(form.historyGraphs[1], QPoint(0, 20));
        QVERIFY(!panel1->isVisible());

        form.clearHistoryButton->click();
        QCOMPARE(form.TickCounter(), 0);
        QCOMPARE(form.Histories().Samples(), std::size_t{0});
        QCOMPARE(form.Sampler().HighestTracker().minimum, 100);
        form.SamplingTimerTick();
        form.SamplingTimerTick();
        QVERIFY(form.Sampler().Elapsed().seconds > secondsBefore);  // the clock keeps running

        form.Quit->click();
        QCOMPARE(form.Fields().MonitoringOn, 0);
        QVERIFY(!form.isVisible());
        QVERIFY(!form.samplingTimer->isActive());
        const int ticks = form.TickCounter();
        form.SamplingTimerTick();
        QCOMPARE(form.TickCounter(), ticks);
    }

    void theThreadPublishesOnTheWindowThread() {
        Rig rig(4);
        rig.machine->SetProcessorLoad({100, 0, 60, 60});
        MonitorWindow form(rig.Context(2, 4));
        QTRY_VERIFY_WITH_TIMEOUT(form.PublishedCycles() >= 1, 5000);
        QCOMPARE(rig.ready, 1);
        QCOMPARE(form.Fields().CoreUsage[0], 50);
        QCOMPARE(form.Fields().CoreUsage[1], 60);
        QCOMPARE(form.Fields().HighestTemp, 60);
        QCOMPARE(rig.tray, 60);
        form.StopMonitoring();
    }
    // Eight cores after a minute of varying load, grabbed as a picture; set ZM_MONITOR_SCREENSHOT
    // to a file name to keep it.
    void aMinuteOfSamplesOnEightCores() {
        Rig rig;
        MonitorWindow form(rig.Context(8, 8));
        form.StopMonitoring();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        monitor::ThreadResults r;
        for (int i = 0; i < 60; ++i) {
            for (int c = 0; c < 8; ++c) {
                r.ThreadUsage[c] = static_cast<std::uint8_t>((i * 7 + c * 13) % 100);
                r.ThreadTemp[c] = 40 + (i + c * 3) % 25;
            }
            form.Publish(r);
            form.Publish(r);  // the alternate cycle
            form.SamplingTimerTick();
            if (form.TickCounter() == i) form.SamplingTimerTick();
        }
        QCOMPARE(form.TickCounter(), 60);
        QCOMPARE(form.historyGraphs[3]->Scale(), 100);
        QCOMPARE(form.historyGraphs[2]->Scale(), 4000);
        const QPixmap picture = form.grab();
        const QString target = qEnvironmentVariable("ZM_MONITOR_SCREENSHOT");
        if (!target.isEmpty()) QVERIFY(picture.save(target, "PNG"));
    }
    // The whole program on the simulated X58: the Monitor button starts sampling, the thread's
    // publication sets the main window's ready flag, and a tick shows the measured core clock.
    void wiredIntoTheApplicationOnX58() {
        auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
        app::Backend backend = app::SimulatedMachineBackend(machine);
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(backend, "");
        ui::ApplicationWindows windows = ui::CreateWindows(*session, sink);
        auto* monitorWindow = qobject_cast<MonitorWindow*>(windows.monitorWindow.get());
        QVERIFY(monitorWindow);
        QCOMPARE(monitorWindow->Settings().CoreCount.load(), 4);
        QCOMPARE(monitorWindow->Settings().ThreadCount.load(), 8);
        QCOMPARE(monitorWindow->Fields().MonitoringOn, 0);
        QTRY_COMPARE_WITH_TIMEOUT(session->Live().monitorReady, 1, 5000);
        QVERIFY(monitorWindow->Fields().HighestTemp >= 40 &&
                monitorWindow->Fields().HighestTemp <= 60);
        QTest::mouseClick(windows.mainWindow->Monitor, Qt::LeftButton);
        QCOMPARE(monitorWindow->Fields().MonitoringOn, 1);
        QVERIFY(monitorWindow->samplingTimer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!windows.mainWindow->PanelBclk->text().isEmpty(), 8000);
        monitorWindow->SamplingTimerTick();
        monitorWindow->SamplingTimerTick();  // one of the two may be passed over for a repaint
        const int mhz = monitorWindow->findChild<QLabel*>("Panel02")->text().toInt();
        QVERIFY2(mhz > 2000 && mhz < 4000, qPrintable(QString::number(mhz)));
        QTest::mouseClick(windows.mainWindow->Exit, Qt::LeftButton);
        QVERIFY(windows.mainWindow->ShutDownDone());
        const unsigned cycles = monitorWindow->PublishedCycles();
        QTest::qWait(700);
        QCOMPARE(monitorWindow->PublishedCycles(), cycles);  // the thread stopped with the program
    }
    // A full repaint makes the next tick pass without sampling (the clock lags by a second);
    // Minimize hides the window and sampling goes on.
    void repaintSkipsATickAndMinimizeKeepsSampling() {
        Rig rig;
        MonitorWindow form(rig.Context(4, 4));
        form.StopMonitoring();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.SamplingTimerTick();
        form.SamplingTimerTick();
        const int ticks = form.TickCounter();
        QVERIFY(ticks >= 1);
        form.repaint();
        form.SamplingTimerTick();
        QCOMPARE(form.TickCounter(), ticks);
        form.SamplingTimerTick();
        QCOMPARE(form.TickCounter(), ticks + 1);
        QCOMPARE(form.Sampler().Elapsed().seconds, ticks + 1);

        form.MinimizeClick();
        QVERIFY(!form.isVisible());
        QVERIFY(form.samplingTimer->isActive());
        for (int i = 0; i < 5; ++i) form.SamplingTimerTick();
        QCOMPARE(form.TickCounter(), ticks + 6);
        form.show();
        QCOMPARE(form.Histories().Samples(), static_cast<std::size_t>(ticks + 6));
    }
    // A wider window refills the graphs from the stored history at the next tick.
    void resizingRefillsTheGraphsFromTheHistory() {
        Rig rig;
        MonitorWindow form(rig.Context(2, 2));
        form.StopMonitoring();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int i = 0; i < 40; ++i) form.SamplingTimerTick();
        const int samples = static_cast<int>(form.Histories().Samples());
        QVERIFY(samples >= 30);
        form.resize(900, form.height());
        QCoreApplication::processEvents();
        QCOMPARE(form.historyGraphs[1]->width(), 900 - 86);
        QCOMPARE(form.historyGraphs[1]->Canvas().Width(), 900 - 86);
        form.SamplingTimerTick();
        form.SamplingTimerTick();
        int filled = 0;
        for (const auto& band : form.historyGraphs[1]->Canvas().BandsByAge()) {
            if (band.count == 2) {
                ++filled;
                QCOMPARE(band.values[0], 26);  // memory load
                QCOMPARE(band.values[1], 25);  // page file: 1500 of 2000 MB free
            }
        }
        QVERIFY(filled >= samples);
        QCOMPARE(form.historyGraphs[1]->Scale(), 100);
    }

    // "Log to file…" starts the sampling and the log: a row per tick with what the window
    // showed; the same action stops it.
    void logToFileAndStopWithOneClick() {
        Rig rig;
        MonitorWindow form(rig.Context(4, 4));
        form.StopMonitoring();
        const QString file = rig.dir.filePath(QStringLiteral("monitor.csv"));
        form.chooseLogFile = [&file] { return file; };
        monitor::ThreadResults r;
        r.ThreadTemp.fill(50);
        r.ThreadUsage = {30, 40, 50, 60};
        form.Publish(r);
        form.logAction->trigger();
        QVERIFY(form.Logging());
        QCOMPARE(form.Fields().MonitoringOn, 1);
        QCOMPARE(form.logAction->text(), QStringLiteral("Stop logging"));
        for (int i = 0; i < 3; ++i) form.SamplingTimerTick();
        form.logAction->trigger();
        QVERIFY(!form.Logging());
        QCOMPARE(form.logAction->text(), QStringLiteral("Log to file…"));
        // The Monitor was never opened: its sampling ends with the log.
        QCOMPARE(form.Fields().MonitoringOn, 0);
        form.SamplingTimerTick();
        QCOMPARE(form.TickCounter(), 3);

        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 4);
        QVERIFY(rows[0].startsWith(QStringLiteral("time (ISO 8601 UTC),usage (%),")));
        // Panel01 showed 1040 MB, Panel02 3200 MHz; 26 % memory load, a quarter of the page file.
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(rows[i].section(',', 1),
                     QStringLiteral("45,50,30,50,40,50,50,50,60,50,3200,800,1040,26,25"));
    }

    void aFailingLogIsSaidOnceAndSamplingGoesOn() {
        Rig rig;
        std::vector<std::string> said;
        MonitorContext context = rig.Context(4, 4);
        context.message = [&said](const std::string&, const std::string& text) {
            said.push_back(text);
        };
        MonitorWindow form(std::move(context));
        form.StopMonitoring();
        form.StartMonitoring();  // the user's Monitor, which goes on whatever the log does
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("logs")));
        QVERIFY(form.StartLog(rig.dir.filePath(QStringLiteral("logs/monitor.csv"))));
        form.SamplingTimerTick();
        QVERIFY(QDir(rig.dir.filePath(QStringLiteral("logs"))).removeRecursively());
        for (int i = 0; i < 3; ++i) form.SamplingTimerTick();
        QTRY_VERIFY(!form.Logging());
        for (int i = 0; i < 3; ++i) form.SamplingTimerTick();
        QCoreApplication::processEvents();
        QCOMPARE(said.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(said[0]).contains(QStringLiteral("monitor.csv")));
        QCOMPARE(form.TickCounter(), 7);
        QCOMPARE(form.Fields().MonitoringOn, 1);
        QCOMPARE(form.logAction->text(), QStringLiteral("Log to file…"));
    }
};

QTEST_MAIN(MonitorWindowTest)
#include "monitor_window_test.moc"
