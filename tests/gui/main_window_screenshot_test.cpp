// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the simulated X58 machine, grabbed as a picture. Set ZM_SCREENSHOT to a
// file name to keep it (docs/screenshot-x58.png is made this way).
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QtTest>

#include "gui/main_window_host.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/main/main_window.h"

using namespace zm;

class MainWindowScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void grabsTheMainWindowOnX58() {
        app::BackendChoice choice = app::SelectBackend("x58-bloomfield");
        QVERIFY2(choice.error.empty(), choice.error.c_str());
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(choice.backend, "");
        ui::MainWindow window(*session, sink);
        QVERIFY(sink.messages.empty());
        const QString expanded = qEnvironmentVariable("ZM_SCREENSHOT_EXPANDED");
        if (!expanded.isEmpty()) window.OthersTimingsClick();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The uncore, QPI and memory multipliers are read at start; the clocks follow the
        // measuring thread's first pass (about 2.5 s).
        QCOMPARE(window.PanelUncoreMultiplier->text(), QStringLiteral("x 16"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.PanelBclk->text().isEmpty(), 8000);
        QVERIFY(window.PanelBclk->text().endsWith(QStringLiteral(" MHz")));
        const QPixmap picture = window.grab();
        QCOMPARE(picture.size(), window.size());
        QCOMPARE(window.Panel(6)->text(), QStringLiteral("6A5"));

        const QString target = qEnvironmentVariable("ZM_SCREENSHOT");
        if (!target.isEmpty()) QVERIFY(picture.save(target, "PNG"));
    }
};

QTEST_MAIN(MainWindowScreenshotTest)
#include "main_window_screenshot_test.moc"
