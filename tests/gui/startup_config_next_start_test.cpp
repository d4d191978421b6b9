// SPDX-License-Identifier: GPL-3.0-or-later
// The road of a stored timing set to the next start: the StartUp window stores a changed timing
// with its first box ticked; the next start on a fresh simulated machine writes it into the
// controller before the drop-downs show it, and the start-up timer's first effective tick hides
// the main window. With nothing asked for, the same start writes no timing and stays visible.
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <optional>

#include "gui/main_window_host.h"
#include "hw/bit_field.h"
#include "settings/boot_apply_record.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/main/application.h"
#include "ui/main/main_window.h"
#include "ui/settings/boot_apply_timer.h"
#include "ui/settings/startup_window.h"

using namespace zm;

namespace {

// The bank timing register of each uncore channel on bus 0xFF, and its tRCD field.
constexpr std::uint32_t kBankTiming[3] = {0x803F2088 + 0xC00000, 0x803F2888 + 0xC00000,
                                          0x803F3088 + 0xC00000};
constexpr hw::Field kTrcd{12, 9};

std::vector<std::uint32_t> TrcdWrites(const sim::SimulatedMachine& machine, int channel) {
    std::vector<std::uint32_t> values;
    for (const sim::WriteRecord& w : machine.Writes())
        if (w.kind == sim::WriteRecord::Kind::Pci && w.address == kBankTiming[channel])
            values.push_back(kTrcd.Get(static_cast<std::uint32_t>(w.value)));
    return values;
}

void AnswerOk() {
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Ok)->click();
    });
}

}  // namespace

class StartupConfigNextStartTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::string Ini() const { return dir_.filePath("ZM.ini").toStdString(); }

    // One start of the program on a fresh x58 machine: the windows, the main one shown and
    // activated, and the monitoring thread's first pass done.
    struct Run {
        std::shared_ptr<sim::SimulatedMachine> machine;
        std::unique_ptr<app::Session> session;
        ui::RecordingMessageSink sink;
        std::optional<ui::ApplicationWindows> windows;
    };
    void Start(Run& run) {
        run.machine = sim::SimulatedMachine::Load("x58-bloomfield");
        run.session = testing::WindowSession(app::SimulatedMachineBackend(run.machine), Ini());
        run.windows.emplace(ui::CreateWindows(*run.session, run.sink));
        QVERIFY(!run.windows->mainWindow->TerminationRequested());
    }
    static void ShowAndLetTheTimerRun(Run& run) {
        ui::MainWindow& mainWindow = *run.windows->mainWindow;
        mainWindow.show();
        mainWindow.FormActivate();
        run.session->Live().monitorReady = 1;
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow.startUpTimer->isActive(), 3000);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
    }

    void storedSetIsWrittenAtTheNextStartAndTheWindowHides() {
        int elevenIndex = -1;
        {
            Run first;
            Start(first);
            ShowAndLetTheTimerRun(first);
            QVERIFY(first.windows->mainWindow->isVisible());  // no settings file yet
            QCOMPARE(TrcdWrites(*first.machine, 0).size(), std::size_t{0});

            QComboBox* trcd = first.windows->mainWindow->TimingCombo(2);
            QCOMPARE(trcd->currentText(), QStringLiteral("9"));
            elevenIndex = trcd->findText("11");
            trcd->setCurrentIndex(elevenIndex);
            auto* startUpWindow =
                qobject_cast<settings::gui::StartUpWindow*>(first.windows->startUpWindow.get());
            QVERIFY(startUpWindow);
            startUpWindow->applyTimingsBox->setChecked(true);
            AnswerOk();
            QTest::mouseClick(startUpWindow->Apply, Qt::LeftButton);
            QCOMPARE(settings::IniFile(Ini()).ReadString("HL", "AN"), std::string("1"));
        }

        Run next;
        Start(next);
        // Written into every channel before the registers are read and shown.
        for (int ch = 0; ch < 3; ++ch)
            QCOMPARE(TrcdWrites(*next.machine, ch), std::vector<std::uint32_t>{11});
        QCOMPARE(next.windows->mainWindow->TimingCombo(2)->currentIndex(), elevenIndex);
        // The apply is recorded as under way until the window has run a minute.
        QVERIFY(settings::Settings(Ini()).BootApplyUnderWay());
        QVERIFY(next.windows->mainWindow->findChild<settings::gui::BootApplyTimer*>());
        ShowAndLetTheTimerRun(next);
        // Out of sight: hidden behind the notification-area icons, or minimised where the
        // desktop has no notification area to bring it back from.
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QVERIFY(next.windows->mainWindow->isHidden());
        else
            QVERIFY(next.windows->mainWindow->isMinimized() &&
                    next.windows->mainWindow->isVisible());
    }
};

QTEST_MAIN(StartupConfigNextStartTest)
#include "startup_config_next_start_test.moc"
