// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's "Copy report", "Save report…" and "Save picture…" on the simulated X58: the
// report is the one --report prints for the machine, the picture the window with its
// sub-timings at the window's size (and the SPD window beside it when that is open).
#include "ui/main/share_actions.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>
#include <sstream>

#include "gui/main_window_host.h"
#include "report/run_report.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/main/main_window.h"

using namespace zm;

namespace {

std::string CommandLineReport(bool json) {
    app::BackendChoice choice =
        app::SelectBackend("x58-bloomfield", app::Pace::Instant, app::HostWrites::ReadOnly);
    app::CommandLine line;
    line.mode = app::RunMode::Report;
    line.json = json;
    std::ostringstream out, err;
    app::Session session(choice.backend, app::SetupFor(line, ""));
    app::RunReport(session, out, err);
    return out.str();
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The part of `picture` where `control` sits, against the control drawn on its own.
bool ShowsControl(const QImage& picture, QWidget* window, QWidget* control) {
    const QRect place(control->mapTo(window, QPoint(0, 0)), control->size());
    const QImage inPicture = picture.copy(place).convertToFormat(QImage::Format_RGB32);
    const QImage alone = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return inPicture == alone;
}

int Colours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) seen.insert(image.pixel(x, y));
    return static_cast<int>(seen.size());
}

}  // namespace

class ShareActionsTest : public QObject {
    Q_OBJECT

private slots:
    void reportFromTheWindowIsTheCommandLineReport() {
        app::BackendChoice choice = app::SelectBackend("x58-bloomfield");
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(choice.backend, "");
        ui::MainWindow window(*session, sink);
        QVERIFY(window.Sharing());
        // The clocks follow the measuring thread's first pass.
        QTRY_VERIFY_WITH_TIMEOUT(!window.PanelBclk->text().isEmpty(), 8000);
        QTemporaryDir dir;
        const std::string text = CommandLineReport(false);
        QVERIFY(text.find("BCLK") != std::string::npos);
        for (const bool json : {false, true}) {
            const QString file = dir.filePath(json ? "report.JSON" : "report.txt");
            QVERIFY(window.Sharing()->SaveReport(file));
            QCOMPARE(FileBytes(file).toStdString(), CommandLineReport(json));
        }
        // A timing changed and not applied is in no register: the report still says what the
        // controller holds.
        QComboBox* cas = window.TimingCombo(1);
        cas->setCurrentIndex(cas->currentIndex() == 0 ? 1 : 0);
        QVERIFY(window.Startup().timings->pending[0]);
        window.Sharing()->copyReport->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text().toStdString(), text);
        QVERIFY(sink.messages.empty());
    }

    void pictureShowsTheSubTimingsAtTheWindowsSize() {
        app::BackendChoice choice = app::SelectBackend("x58-bloomfield");
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(choice.backend, "");
        ui::MainWindow window(*session, sink);
        window.ApplyDensityLayout(ui::layout::kCompactDpi);
        QVERIFY(window.GroupBox3->isHidden());
        QTemporaryDir dir;
        const QString file = dir.filePath("timings.png");
        window.Sharing()->chooseFile = [&file](const QString&, const QString&, const QString&) {
            return file;
        };
        window.Sharing()->savePicture->trigger();
        const QImage picture(file);
        QCOMPARE(picture.size(), QSize(ui::layout::kWidth, ui::layout::kExpandedHeight));
        QCOMPARE(QGuiApplication::clipboard()->image().size(), picture.size());
        // The compact layout is back, and the picture holds what the window draws.
        QVERIFY(window.GroupBox3->isHidden());
        QCOMPARE(window.height(), ui::layout::kCompactHeight);
        QCOMPARE(window.Panel(6)->text(), QStringLiteral("6A5"));
        QVERIFY(ShowsControl(picture, &window, window.Panel(6)));
        window.OthersTimingsClick();
        QVERIFY(ShowsControl(picture, &window, window.GroupBox3));
        QVERIFY(Colours(picture.copy(QRect(window.GroupBox3->pos(), window.GroupBox3->size()))) >
                2);

        // With the SPD window open, it stands to the right.
        QWidget spdWindow;
        spdWindow.setFixedSize(300, 700);
        spdWindow.setAutoFillBackground(true);
        spdWindow.setPalette(QPalette(Qt::red));
        spdWindow.show();
        window.SetWindows({nullptr, &spdWindow, nullptr, nullptr, nullptr});
        const QImage both = ui::WindowsPicture(window);
        QCOMPARE(both.size(), QSize(ui::layout::kWidth + 300, 700));
        QCOMPARE(QColor(both.pixel(ui::layout::kWidth + 150, 350)), QColor(Qt::red));
    }
};

QTEST_MAIN(ShareActionsTest)
#include "share_actions_test.moc"
