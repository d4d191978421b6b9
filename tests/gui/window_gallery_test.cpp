// SPDX-License-Identifier: GPL-3.0-or-later
// Every window of the program on simulated machines, laid out as the user sees it: no text is
// cut, no control reaches past the edge of the window or group that holds it, no caption is wider
// than its group and no two buttons overlap. Set
// ZM_SCREENSHOT_DIR to a folder to keep the pictures (the docs/ screenshots are made this way).
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTextDocument>
#include <QtTest>

#include "gui/main_window_host.h"
#include "gui/quick_clock.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/common/widgets.h"
#include "ui/main/application.h"
#include "ui/main/main_window.h"

using namespace zm;

namespace {

// The part of a control that must stay inside its parent: a label's text (a label's box may
// run past its group as long as what it shows does not), a button's or group's whole frame.
QRect Needed(const QWidget& control) {
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        if (label->text().isEmpty() || label->textFormat() == Qt::RichText ||
            label->text().startsWith('<'))
            return {};
        const QRect text = label->fontMetrics().boundingRect(
            label->contentsRect(), static_cast<int>(label->alignment()), label->text());
        return text.translated(label->pos())
            .intersected(label->geometry().adjusted(-999, 0, 999, 0));
    }
    return control.geometry();
}

// Visible controls whose text or frame is cut by their parent's edge, group captions wider than
// their group, and visible buttons of one parent that overlap, as readable lines.
QStringList LayoutFaults(const QWidget& window) {
    QStringList faults;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (!child->isVisibleTo(&window) || child->isWindow()) continue;
        if (!qobject_cast<QLabel*>(child) && !qobject_cast<QPushButton*>(child) &&
            !qobject_cast<QGroupBox*>(child))
            continue;
        const QWidget* parent = child->parentWidget();
        const QRect needed = Needed(*child);
        if (!needed.isEmpty() && !parent->rect().contains(needed))
            faults << QStringLiteral("%1 \"%2\" cut by %3")
                          .arg(child->objectName(), child->property("text").toString(),
                               parent->objectName());
        // A label must show its whole text (a framed read-out panel in its own face or a
        // smaller one); only captions with dot leaders may end inside their dots.
        const auto* panel = qobject_cast<QLabel*>(child);
        if (panel && !Qt::mightBeRichText(panel->text()) && !panel->text().contains('\n') &&
            !panel->text().contains(QStringLiteral(".."))) {
            const QFont face =
                panel->frameShape() != QFrame::NoFrame ? ui::PanelFont(*panel) : panel->font();
            if (QFontMetrics(face).horizontalAdvance(panel->text()) >
                panel->contentsRect().width() - std::max(panel->indent(), 0))
                faults << QStringLiteral("%1 \"%2\" cut by its own edge")
                              .arg(panel->objectName(), panel->text());
        }
        if (const auto* group = qobject_cast<QGroupBox*>(child)) {
            // The frame's caption inset on either side.
            const int caption = group->fontMetrics().horizontalAdvance(group->title()) + 8;
            if (!group->title().isEmpty() && caption > group->width())
                faults << QStringLiteral("caption \"%1\" wider than its group").arg(group->title());
        }
    }
    const QList<QPushButton*> buttons = window.findChildren<QPushButton*>();
    for (QPushButton* a : buttons)
        for (QPushButton* b : buttons)
            if (a < b && a->isVisibleTo(&window) && b->isVisibleTo(&window) &&
                a->parentWidget() == b->parentWidget() && a->geometry().intersects(b->geometry()))
                faults << QStringLiteral("%1 overlaps %2").arg(a->text(), b->text());
    return faults;
}

void Keep(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("ZM_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QVERIFY(window.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")), "PNG"));
}

}  // namespace

class WindowGalleryTest : public QObject {
    Q_OBJECT

private slots:
    void everyWindowIsLaidOutCleanly_data() {
        QTest::addColumn<QString>("machine");
        QTest::newRow("x58") << QStringLiteral("x58-bloomfield");
        QTest::newRow("h55") << QStringLiteral("h55-clarkdale");
        QTest::newRow("k10") << QStringLiteral("k10-am3-ddr3");
    }

    void everyWindowIsLaidOutCleanly() {
        QFETCH(QString, machine);
        auto machineModel = sim::SimulatedMachine::Load(machine.toStdString(),
                                                        std::make_shared<testing::QuickClock>());
        app::Backend backend = app::SimulatedMachineBackend(machineModel);
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(backend, "");
        ui::ApplicationWindows windows = ui::CreateWindows(*session, sink);
        ui::MainWindow& mainWindow = *windows.mainWindow;
        QVERIFY(!mainWindow.TerminationRequested());
        mainWindow.ApplyDensityLayout(96);
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
        QTRY_VERIFY_WITH_TIMEOUT(mainWindow.PanelBclk->text().endsWith(QStringLiteral(" MHz")),
                                 10000);
        QVERIFY2(LayoutFaults(mainWindow).isEmpty(),
                 qPrintable(LayoutFaults(mainWindow).join('\n')));
        Keep(mainWindow, QStringLiteral("%1-main-compact").arg(machine));
        mainWindow.OthersTimingsClick();
        QVERIFY2(LayoutFaults(mainWindow).isEmpty(),
                 qPrintable(LayoutFaults(mainWindow).join('\n')));
        Keep(mainWindow, QStringLiteral("%1-main-expanded").arg(machine));

        const std::pair<QWidget*, const char*> secondary[] = {
            {windows.aboutWindow.get(), "about"},
            {windows.cpuSettingsWindow.get(), "cpu"},
            {windows.monitorWindow.get(), "monitor"},
            {windows.startUpWindow.get(), "startup"}};
        for (auto [window, name] : secondary) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
        }
        mainWindow.spdClick();
        QVERIFY(windows.spdWindow->isVisible());
        // A few Monitor samples, so its graphs have something to draw (more for a kept picture).
        QTest::qWait(qEnvironmentVariableIsEmpty("ZM_SCREENSHOT_DIR") ? 3500 : 30000);
        for (auto [window, name] : secondary)
            Keep(*window, QStringLiteral("%1-%2").arg(machine, QString::fromUtf8(name)));
        Keep(*windows.spdWindow, QStringLiteral("%1-spd").arg(machine));
        for (auto [window, name] : secondary)
            QVERIFY2(LayoutFaults(*window).isEmpty(),
                     qPrintable(QString::fromUtf8(name) + ": " + LayoutFaults(*window).join('\n')));
        QVERIFY2(LayoutFaults(*windows.spdWindow).isEmpty(),
                 qPrintable(LayoutFaults(*windows.spdWindow).join('\n')));
        mainWindow.ExitClick();
    }
};

QTEST_MAIN(WindowGalleryTest)
#include "window_gallery_test.moc"
