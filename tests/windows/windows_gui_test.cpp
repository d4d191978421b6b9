// SPDX-License-Identifier: GPL-3.0-or-later
// The windows on Windows: the program started on this machine's hardware reaches it through
// WinRing0.dll (here the stand-in beside the test, serving the profile named by
// ZM_WINRING0_STANDIN_PROFILE, an X58 machine); without WinRing0.sys the start-up shows its
// message box and stops with the windows left empty; the StartUp window's Apply makes and
// removes the shortcut in the user's Startup folder. Run under Wine by wine_gui_checks.sh.
#include <windows.h>
// clang-format off
#include <shlobj.h>
// clang-format on

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "gui/main_window_host.h"
#include "settings/startup_launch.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/main/application.h"
#include "ui/main/main_window.h"
#include "ui/settings/startup_window.h"

using namespace zm;

namespace {

QString BesideTheTest(const char* name) {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromUtf8(name));
}

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// Every modal message box that opens is recorded as "title|text" and closed with `button`.
class BoxCloser : public QObject {
public:
    explicit BoxCloser(QMessageBox::StandardButton button) : button_(button) {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            seen << box->windowTitle() + "|" + box->text();
            if (QAbstractButton* b = box->button(button_)) b->click();
        });
        timer_.start();
    }
    QStringList seen;

private:
    QMessageBox::StandardButton button_;
    QTimer timer_;
};

// The file itself: Qt takes a .lnk file for a link and would ask about its target.
bool FileThere(const QString& path) {
    return GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.utf16())) !=
           INVALID_FILE_ATTRIBUTES;
}

QString StartupShortcut() {
    char folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_STARTUP, TRUE)) return {};
    return QString::fromLocal8Bit(folder) + "\\Zentrimo.exe.lnk";
}

}  // namespace

class WindowsGuiTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void init() {
        for (const char* sys : {"WinRing0.sys", "WinRing0x64.sys"}) Touch(BesideTheTest(sys));
    }
    void cleanup() {
        for (const char* sys : {"WinRing0.sys", "WinRing0x64.sys"})
            QFile::remove(BesideTheTest(sys));
    }

    void thisMachineThroughWinRing0ShowsTheProfileTheLibraryServes() {
        QVERIFY(QFile::exists(BesideTheTest("WinRing0.dll")));
        app::BackendChoice choice = app::SelectBackend("");
        QVERIFY2(choice.error.empty(), choice.error.c_str());
        QCOMPARE(QString::fromStdString(choice.backend.description),
                 QStringLiteral("this machine"));
        ui::RecordingMessageSink sink;
        auto session = testing::WindowSession(choice.backend, "");
        ui::MainWindow window(*session, sink);
        QVERIFY(!window.TerminationRequested());
        QVERIFY(sink.messages.empty());
        QCOMPARE(window.Panel(6)->text(), QStringLiteral("6A5"));
        QCOMPARE(window.Panel(7)->text(), QStringLiteral("Intel X58"));
        QCOMPARE(window.PanelUncoreMultiplier->text(), QStringLiteral("x 16"));
        QCOMPARE(window.ComboCH->currentText(), QStringLiteral(" A  B  C"));
    }

    // The start-up's check comes before the library is loaded: the message box, then the
    // program ends with every window left empty.
    void withoutTheDriverTheStartUpShowsItsMessageBox() {
        QFile::remove(BesideTheTest("WinRing0.sys"));
        app::BackendChoice choice = app::SelectBackend("");
        QVERIFY2(choice.error.empty(), choice.error.c_str());
        ui::MessageBoxSink boxes;
        BoxCloser closer(QMessageBox::Ok);
        auto session =
            testing::WindowSession(choice.backend, dir_.filePath("ZM.ini").toStdString());
        ui::ApplicationWindows windows = ui::CreateWindows(*session, boxes);
        QCOMPARE(closer.seen, QStringList{QStringLiteral("ERROR!|WinRing0.sys is not find!")});
        QVERIFY(windows.mainWindow->TerminationRequested());
        QVERIFY(windows.mainWindow->Panel(6)->text().isEmpty());
    }

    void startUpApplyMakesAndRemovesTheStartupShortcut() {
        const QString shortcut = StartupShortcut();
        QVERIFY(!shortcut.isEmpty());
        DeleteFileW(reinterpret_cast<const wchar_t*>(shortcut.utf16()));
        app::Backend backend =
            app::SimulatedMachineBackend(sim::SimulatedMachine::Load("x58-bloomfield"));
        ui::RecordingMessageSink sink;
        const std::string ini = dir_.filePath("ZM.ini").toStdString();
        const os::LaunchCommand launch =
            settings::StartupLaunchCommand("C:\\Zentrimo\\", "x58-bloomfield", ini, ini);
        auto session = testing::WindowSession(backend, ini);
        ui::ApplicationWindows windows = ui::CreateWindows(*session, sink, launch);
        auto* form = qobject_cast<settings::gui::StartUpWindow*>(windows.startUpWindow.get());
        QVERIFY(form);
        QTest::mouseClick(windows.mainWindow->Save, Qt::LeftButton);
        QVERIFY(form->isVisible());

        // Starting in the notification area needs the entry at every log-on.
        form->startInTrayBox->setChecked(true);
        QTest::mouseClick(form->Apply, Qt::LeftButton);
        QVERIFY2(FileThere(shortcut), qPrintable(shortcut));
        form->startInTrayBox->setChecked(false);
        QTest::mouseClick(form->Apply, Qt::LeftButton);
        QVERIFY(!FileThere(shortcut));
    }
};

QTEST_MAIN(WindowsGuiTest)
#include "windows_gui_test.moc"
