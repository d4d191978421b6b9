// SPDX-License-Identifier: GPL-3.0-or-later
// The StartUp configuration window on simulated machines: its boxes follow the file, Quit
// writes nothing, Apply stores what the main window shows now (ganged K10: channel A only) and
// creates or removes the autostart entry, here in a temporary configuration folder.
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "gui/main_window_host.h"
#include "settings/ini_file.h"
#include "settings/startup_launch.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/main/application.h"
#include "ui/main/main_window.h"
#include "ui/settings/startup_window.h"

using namespace zm;
using settings::gui::StartUpWindow;

namespace {

QString ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Answers the next modal message box with `button`, after checking it is the question.
void AnswerQuestion(QMessageBox::StandardButton button, QString* seenText) {
    QTimer::singleShot(0, [button, seenText] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        *seenText = box->windowTitle() + "|" + box->text();
        box->button(button)->click();
    });
}

}  // namespace

class StartupConfigWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString Ini() const { return dir_.filePath("ZM.ini"); }
    QString EntryFile() const { return dir_.filePath("config/autostart/zentrimo.desktop"); }

    settings::gui::StartupConfigSetup Setup() const {
        settings::gui::StartupConfigSetup setup;
        setup.settingsPath = Ini().toStdString();
        setup.launch = {"/opt/zm/zentrimo", "/opt/zm/", {}};
        return setup;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // Never the user's own autostart folder.
        qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
    }
    void init() {
        QFile::remove(Ini());
        QFile::remove(EntryFile());
    }

    void boxesFollowTheFileAndTheThirdIsNeverEnabledHere() {
        StartUpWindow form(Setup());
        QCOMPARE(form.windowTitle(), QStringLiteral("StartUp configuration"));
        QCOMPARE(form.size(), QSize(295, 128));
        QVERIFY(!form.startMonitorBox->isEnabled());
        for (QCheckBox* box : {form.applyTimingsBox, form.startInTrayBox, form.startMonitorBox}) {
            QCOMPARE(box->width(), 281);
            QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->text()));
        }
        QCOMPARE(form.startMonitorBox->text(),
                 QStringLiteral("Let Monitoring  running  when SysTray is enabled"));

        settings::IniFile file(Ini().toStdString());
        file.WriteFlag("HL", "AN", false);
        file.WriteFlag("HL", "ST", true);
        file.WriteString("HL", "STM", "1");
        form.FormActivate();
        QVERIFY(!form.applyTimingsBox->isChecked());
        QVERIFY(form.startInTrayBox->isChecked());
        QVERIFY(form.startMonitorBox->isChecked());
        QVERIFY(!form.startMonitorBox->isEnabled());

        form.show();
        QTest::mouseClick(form.startInTrayBox, Qt::LeftButton, {}, QPoint(5, 8));
        QVERIFY(!form.startInTrayBox->isChecked());
        QVERIFY(!form.startMonitorBox->isChecked());
        QTest::mouseClick(form.startInTrayBox, Qt::LeftButton, {}, QPoint(5, 8));
        QVERIFY(form.startInTrayBox->isChecked());
        QVERIFY(!form.startMonitorBox->isEnabled());

        // Changes not applied are lost on the next activation.
        form.FormActivate();
        QVERIFY(form.startMonitorBox->isChecked());
    }

    void quitWritesNothing() {
        StartUpWindow form(Setup());
        form.show();
        form.applyTimingsBox->setChecked(true);
        form.startInTrayBox->setChecked(true);
        QTest::mouseClick(form.Quit, Qt::LeftButton);
        QVERIFY(form.isHidden());
        QVERIFY(!QFile::exists(Ini()));
        QVERIFY(!QFile::exists(EntryFile()));
    }

    // The values stored are what the main window shows, whether or not its own Apply ran; then
    // unticking everything writes "0"s, removes the entry and keeps the stored set.
    void applyStoresTheShownTimingsAndUntickingKeepsThem() {
        app::Backend backend =
            app::SimulatedMachineBackend(sim::SimulatedMachine::Load("x58-bloomfield"));
        ui::RecordingMessageSink sink;
        const os::LaunchCommand launch = settings::StartupLaunchCommand(
            "/opt/zm/", "x58-bloomfield", Ini().toStdString(), "/opt/zm/ZM.ini");
        auto session = testing::WindowSession(backend, Ini().toStdString());
        ui::ApplicationWindows windows = ui::CreateWindows(*session, sink, launch);
        auto* form = qobject_cast<StartUpWindow*>(windows.startUpWindow.get());
        QVERIFY(form);
        QComboBox* trcd = windows.mainWindow->TimingCombo(2);
        trcd->setCurrentIndex(trcd->findText("11"));

        QTest::mouseClick(windows.mainWindow->Save, Qt::LeftButton);
        QVERIFY(form->isVisible());
        form->applyTimingsBox->setChecked(true);
        QString question;
        AnswerQuestion(QMessageBox::Ok, &question);
        QTest::mouseClick(form->Apply, Qt::LeftButton);
        QCOMPARE(question, QString::fromUtf8(settings::gui::kConfirmCaption) + "|" +
                               settings::gui::kConfirmText);
        QVERIFY(form->isVisible());

        settings::IniFile file(Ini().toStdString());
        QCOMPARE(file.ReadString("HL", "AN"), std::string("1"));
        QCOMPARE(file.ReadString("HL", "ST"), std::string("0"));
        QCOMPARE(file.ReadString("HL", "STM"), std::string("0"));
        for (const char* key : {"2A", "2B", "2C"})
            QCOMPARE(file.ReadInteger("HLNHM", key, -1), trcd->findText("11"));
        const QString entry = ReadAll(EntryFile());
        QVERIFY2(entry.contains("\nExec=/opt/zm/zentrimo --machine x58-bloomfield --settings " +
                                Ini() + "\n"),
                 qPrintable(entry));

        form->applyTimingsBox->setChecked(false);
        QTest::mouseClick(form->Apply, Qt::LeftButton);
        QCOMPARE(file.ReadString("HL", "AN"), std::string("0"));
        QVERIFY(!QFile::exists(EntryFile()));
        QCOMPARE(file.ReadInteger("HLNHM", "2C", -1), trcd->findText("11"));
    }

    void gangedK10StoresChannelAOnlyAndCancelStoresNothing() {
        app::Backend backend =
            app::SimulatedMachineBackend(sim::SimulatedMachine::Load("k10-am3-ddr3-ganged"));
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(backend, Ini().toStdString());
        ui::ApplicationWindows windows = ui::CreateWindows(*session, sink, Setup().launch);
        auto* form = qobject_cast<StartUpWindow*>(windows.startUpWindow.get());
        QVERIFY(form);
        form->applyTimingsBox->setChecked(true);

        QString question;
        AnswerQuestion(QMessageBox::Cancel, &question);
        QTest::mouseClick(form->Apply, Qt::LeftButton);
        QVERIFY(!question.isEmpty());
        settings::IniFile file(Ini().toStdString());
        QCOMPARE(file.ReadString("HL", "AN", "missing"), std::string("missing"));
        QCOMPARE(file.ReadString("HLK10", "1A", "missing"), std::string("missing"));
        QVERIFY(QFile::exists(EntryFile()));  // the entry is made all the same

        AnswerQuestion(QMessageBox::Ok, &question);
        QTest::mouseClick(form->Apply, Qt::LeftButton);
        QCOMPARE(file.ReadString("HL", "AN"), std::string("1"));
        for (int n = 1; n <= 27; ++n) {
            const std::string a = std::to_string(n) + "A", b = std::to_string(n) + "B";
            QVERIFY2(file.ReadString("HLK10", a) != "", a.c_str());
            QCOMPARE(file.ReadString("HLK10", b, "missing"), std::string("missing"));
        }
    }
};

QTEST_MAIN(StartupConfigWindowTest)
#include "startup_config_window_test.moc"
