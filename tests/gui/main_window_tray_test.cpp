// SPDX-License-Identifier: GPL-3.0-or-later
// The notification-area menu and the text icon.
#include <QAction>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QtTest>

#include "gui/main_window_host.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/main/main_window.h"
#include "ui/main/shell_windows.h"
#include "ui/main/tray_icons.h"

using namespace zm;

class TrayTest : public QObject {
    Q_OBJECT

public slots:
    void OpenUrl(const QUrl& url) { opened_ << url.toString(); }

private:
    QStringList opened_;

private slots:
    void menuEntriesInOrderReachTheWindows() {
        app::Backend backend =
            app::SimulatedMachineBackend(sim::SimulatedMachine::Load("x58-bloomfield"));
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(backend, "");
        ui::MainWindow window(*session, sink);
        ui::AboutWindow about;
        window.SetWindows({&about, nullptr, nullptr, nullptr, nullptr});
        ui::TrayIcons tray(window, QIcon());
        QStringList texts;
        for (QAction* action : tray.trayMenu->actions()) texts << action->text();
        QCOMPARE(texts,
                 (QStringList{"Zentrimo", "Monitoring", "SPD", "About", "Restore start-up timings",
                              "", "Copy report", "Save report…", "Save picture…", "", "Exit"}));
        tray.trayMenu->actions()[3]->trigger();
        QVERIFY(about.isVisible());
        // Nothing written yet: nothing to restore.
        QVERIFY(!tray.trayMenu->actions()[4]->isEnabled());
        // The menu's Exit leaves the gauge timer and icon alone; the button stops and frees them.
        int released = 0;
        window.SetTimerHooks({{}, {}, {}, [&released] { ++released; }});
        tray.trayMenu->actions().last()->trigger();
        QVERIFY(window.ShutDownDone());
        QVERIFY(window.gaugeTimer->isActive());
        QCOMPARE(released, 0);
        window.ExitClick();
        QVERIFY(!window.gaugeTimer->isActive());
        QCOMPARE(released, 1);
    }

    // Filled pixels of the gauge bar (any saturated colour; the frame is grey, the rest black).
    static int BarPixels(const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (QColor(image.pixel(x, y)).saturation() > 100) ++count;
        return count;
    }

    void gaugeIsDrawnAtBothSizesAndRisesWithTheLevel() {
        for (int size : {16, 22}) {
            int previous = 0;
            for (int n = 0; n <= 25; ++n) {
                const QIcon icon = ui::GaugeIcon(n);
                QVERIFY(icon.availableSizes().contains(QSize(size, size)));
                const QImage image = icon.pixmap(size, size).toImage();
                QCOMPARE(image.size(), QSize(size, size));
                const int bar = BarPixels(image);
                // Out-of-range numbers draw as the nearest end; the least load still shows.
                QVERIFY2(bar >= previous,
                         qPrintable(QStringLiteral("n=%1 size=%2").arg(n).arg(size)));
                QVERIFY(bar > 0);
                previous = bar;
            }
            const QImage empty = ui::GaugeIcon(1).pixmap(size, size).toImage();
            const QImage full = ui::GaugeIcon(24).pixmap(size, size).toImage();
            // Full load fills the whole inside of the frame; one step is well short of it.
            const int inside = (size - 2 * (size / 8) - 4) * (size - 4);
            QCOMPARE(BarPixels(full), inside);
            QVERIFY(BarPixels(empty) * 8 < inside);
            QVERIFY(QColor(full.pixel(size / 2, size / 2)).red() > 200);
            QVERIFY(QColor(empty.pixel(size / 2, size - 3)).green() > 200);
        }
    }

    void aboutShowsTitleAndOpensTheMakersPageThroughTheDesktop() {
        ui::AboutWindow about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto* title = about.findChild<QLabel*>(QStringLiteral("TitleLabel"));
        QVERIFY(title);
        QCOMPARE(title->text(), QStringLiteral("Zentrimo 1.5 beta3"));
        // No line is cut: every label is at least as wide as its text needs.
        for (QLabel* label : about.findChildren<QLabel*>())
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
        auto* link = about.findChild<QLabel*>(QStringLiteral("LinkLabel"));
        QVERIFY(link);
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "OpenUrl");
        emit link->linkActivated(QStringLiteral("https://zentrimo.example.org"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(opened_, QStringList{QStringLiteral("https://zentrimo.example.org")});
    }

    void textIconIsWhiteOnBlack() {
        const QImage blank = ui::TextIcon(QString()).pixmap(16, 16).toImage();
        const QImage text = ui::TextIcon(QStringLiteral("47")).pixmap(16, 16).toImage();
        auto whitish = [](const QImage& image) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qGray(image.pixel(x, y)) > 128) ++count;
            return count;
        };
        QCOMPARE(whitish(blank), 0);
        QVERIFY(whitish(text) > 4);
        QCOMPARE(qGray(text.pixel(0, 0)), 0);
    }

    // The title bar's close button while another window is open: the program ends as by Exit
    // (last here: it runs the event loop to its end).
    void closingTheMainWindowEndsTheProgram() {
        app::Backend backend =
            app::SimulatedMachineBackend(sim::SimulatedMachine::Load("x58-bloomfield"));
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(backend, "");
        ui::MainWindow window(*session, sink);
        ui::AboutWindow about;
        window.show();
        about.show();
        QTimer::singleShot(0, &window, [&window] { window.close(); });
        QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });  // still running
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(window.ShutDownDone());
    }
};

QTEST_MAIN(TrayTest)
#include "main_window_tray_test.moc"
