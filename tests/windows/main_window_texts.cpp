// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window shows on a simulated machine, one line per named control in name order:
// timings, clocks, the summary panels, the enabled state of the buttons and the messages of the
// start-up. Built for Linux and for Windows; the Windows run under Wine must print the same
// lines as the Linux run (wine_gui_checks.sh compares them).
//
// usage: main_window_texts <machine> <output file>
// Exit 1 when the window's clocks never appear.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <fstream>
#include <iostream>

#include "gui/main_window_host.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/main/main_window.h"

using namespace zm;

namespace {

// The control's path of object names up to the window: names repeat inside group boxes.
QString PathOf(const QWidget* widget, const QWidget* window) {
    QStringList names;
    for (const QObject* o = widget; o && o != window; o = o->parent()) {
        if (!o->objectName().isEmpty()) names.prepend(o->objectName());
    }
    return names.join('/');
}

QString Describe(const QWidget* widget) {
    const QString shown = widget->isVisibleTo(widget->window()) ? "" : " (hidden)";
    const QString state = widget->isEnabled() ? "" : " (disabled)";
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text() + shown;
    if (auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentText() + " [" + QString::number(combo->count()) + "]" + shown + state;
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text() + shown + state;
    if (auto* box = qobject_cast<const QCheckBox*>(widget))
        return box->text() + (box->isChecked() ? " [x]" : " [ ]") + shown + state;
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text() + shown + state;
    return {};
}

bool Wait(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: main_window_texts <machine> <output file>\n";
        return 2;
    }
    app::BackendChoice choice = app::SelectBackend(argv[1]);
    if (!choice.error.empty()) {
        std::cerr << choice.error << "\n";
        return 2;
    }
    ui::RecordingMessageSink sink;
    auto session = testing::WindowSession(choice.backend, "");
    ui::MainWindow window(*session, sink);
    window.show();
    // The clocks follow the measuring thread's first pass.
    const bool clocks = window.TerminationRequested() ||
                        Wait([&] { return !window.PanelBclk->text().isEmpty(); }, 15000);

    QStringList lines;
    lines << "title: " + window.windowTitle();
    for (const app::Message& m : sink.messages)
        lines << "message: " + QString::fromStdString(m.caption) + " | " +
                     QString::fromStdString(m.text);
    QStringList controls;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")) continue;
        const QString text = Describe(widget);
        if (!text.isNull()) controls << PathOf(widget, &window) + ": " + text;
    }
    controls.sort();
    lines += controls;

    std::ofstream out(argv[2], std::ios::binary);
    out << lines.join('\n').toStdString() << "\n";
    if (!clocks) {
        std::cerr << "the clocks never appeared\n";
        return 1;
    }
    return 0;
}
