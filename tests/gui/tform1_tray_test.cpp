// The notification-area menu and the text icon.
#include <QAction>
#include <QImage>
#include <QMenu>
#include <QtTest>

#include "app/backend_selection.h"
#include "sim/simulated_machine.h"
#include "ui/message_sink.h"
#include "ui/shell_windows.h"
#include "ui/tform1.h"
#include "ui/tray_icons.h"

using namespace zm;

class TrayTest : public QObject {
    Q_OBJECT

private slots:
    void menuEntriesInOrderReachTheWindows() {
        app::Backend backend = app::SimulatedMachineBackend(sim::SimulatedMachine::Load("x58-bloomfield"));
        ui::RecordingMessageSink sink;
        ui::TForm1 window(backend, "", sink);
        ui::TForm3 about;
        window.SetWindows({&about, nullptr, nullptr, nullptr, nullptr});
        ui::TrayIcons tray(window, QIcon());
        QStringList texts;
        for (QAction* action : tray.PopupMenu1->actions()) texts << action->text();
        QCOMPARE(texts, (QStringList{"Zentrimo", "Monitoring", "SPD", "About", "Exit"}));
        tray.PopupMenu1->actions()[3]->trigger();
        QVERIFY(about.isVisible());
        tray.PopupMenu1->actions()[4]->trigger();
        QVERIFY(window.ShutDownDone());
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
};

QTEST_MAIN(TrayTest)
#include "tform1_tray_test.moc"
