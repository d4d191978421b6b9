// SPDX-License-Identifier: GPL-3.0-or-later
// The SPD window on shipped machines: the spd button decodes the module at SpdSlaveAddress, the
// module list picks the slave address, an empty slot clears the fields but keeps the headers,
// and without an SMBus controller the window stays hidden.
#include "ui/spd/spd_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "gui/main_window_host.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/main/application.h"
#include "ui/main/main_window.h"

using namespace zm;

namespace {

struct Windows {
    std::shared_ptr<sim::SimulatedMachine> machine;
    std::unique_ptr<app::Session> session;
    ui::RecordingMessageSink sink;
    ui::ApplicationWindows windows;
    spd::gui::SpdWindow* spdWindow = nullptr;

    explicit Windows(const char* profile)
        : machine(sim::SimulatedMachine::Load(profile)),
          session(testing::WindowSession(app::SimulatedMachineBackend(machine))),
          windows(ui::CreateWindows(*session, sink)),
          spdWindow(qobject_cast<spd::gui::SpdWindow*>(windows.spdWindow.get())) {}

    void Choose(int index) {
        spdWindow->ComboDIMM->setCurrentIndex(index);
        emit spdWindow->ComboDIMM->activated(index);
    }
    QString Panel(int number) const {
        return spdWindow->findChild<QLabel*>(QStringLiteral("Panel%1").arg(number))->text();
    }
};

}  // namespace

class SpdWindowTest : public QObject {
    Q_OBJECT

private slots:
    void spdButtonAndModuleList() {
        Windows w("x58-bloomfield");  // six SMBIOS slots, modules in 1, 3 and 5
        QVERIFY(w.spdWindow);
        QCOMPARE(w.spdWindow->ComboDIMM->count(), 6);
        QCOMPARE(w.spdWindow->ComboDIMM->itemText(5), QStringLiteral("DIMM#6"));
        QVERIFY(w.spdWindow->isHidden());

        QTest::mouseClick(w.windows.mainWindow->spd, Qt::LeftButton);
        QVERIFY(w.spdWindow->isVisible());
        QCOMPARE(w.spdWindow->PanelType->text(), QStringLiteral("DDR3"));
        QCOMPARE(w.spdWindow->PanelSpeed->text(), QStringLiteral("PC3-10600 (666Mhz)"));
        QCOMPARE(w.Panel(1), QStringLiteral("666"));    // MHz, Jedec#0
        QCOMPARE(w.Panel(43), QStringLiteral("800"));   // MHz, XMP#1
        QCOMPARE(w.Panel(48), QStringLiteral("Def."));  // CR, XMP#1
        QCOMPARE(w.spdWindow->profileHeader4->text(), QStringLiteral("XMP#1"));
        QVERIFY(!w.spdWindow->revisionCaption->isEnabled());  // no revision byte
        QVERIFY(!w.spdWindow->PanelRev->isEnabled());
        // ZM_SPD_SCREENSHOT=file.png keeps a picture of the window for a look by eye.
        const QString target = qEnvironmentVariable("ZM_SPD_SCREENSHOT");
        if (!target.isEmpty()) QVERIFY(w.spdWindow->grab().save(target, "PNG"));

        // An empty slot: "Empty", blank cells, the headers of the last decode, captions enabled.
        w.Choose(1);
        QCOMPARE(int(w.session->Live().spdSlaveAddress), 0x51);
        QCOMPARE(w.spdWindow->PanelType->text(), QStringLiteral("Empty"));
        QCOMPARE(w.spdWindow->PanelSpeed->text(), QString());
        QCOMPARE(w.Panel(43), QString());
        QCOMPARE(w.spdWindow->profileHeader4->text(), QStringLiteral("XMP#1"));
        QCOMPARE(w.spdWindow->profileHeader5->text(), QStringLiteral("XMP#2"));
        QVERIFY(w.spdWindow->revisionCaption->isEnabled());

        w.Choose(2);  // "DIMM#3"
        QCOMPARE(int(w.session->Live().spdSlaveAddress), 0x52);
        QCOMPARE(w.spdWindow->PanelType->text(), QStringLiteral("DDR3"));
        QCOMPARE(w.Panel(43), QStringLiteral("800"));
    }

    void jedec3HeaderMovesLeft() {
        Windows w("k10-am3-ddr3");                     // modules without XMP
        QCOMPARE(w.spdWindow->ComboDIMM->count(), 4);  // four SMBIOS slots
        const int start = w.spdWindow->profileHeader4->x();
        QTest::mouseClick(w.windows.mainWindow->spd, Qt::LeftButton);
        QCOMPARE(w.spdWindow->profileHeader4->text(), QStringLiteral("Jedec#3"));
        QCOMPARE(w.spdWindow->profileHeader4->x(), 208);
        QVERIFY(start != 208);
        QCOMPARE(w.Panel(43), QStringLiteral("838"));
        QCOMPARE(w.Panel(56), QStringLiteral("1,50"));  // Voltage, column 4
    }

    void noSmbusControllerNoWindow() {
        Windows w("x58-bloomfield");
        w.machine->RemovePciFunction(0, 31, 3);
        QTest::mouseClick(w.windows.mainWindow->spd, Qt::LeftButton);
        QVERIFY(w.spdWindow->isHidden());
        QCOMPARE(w.spdWindow->PanelType->text(), QString());
        // The button says why instead of doing nothing.
        QCOMPARE(w.sink.messages.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(w.sink.messages[0].text),
                 QStringLiteral("No SMBus controller found: SPD cannot be read"));
    }

    // A module whose bytes no longer match its CRC is still decoded, with a warning beside it.
    void checksumMismatchIsAWarning() {
        Windows w("x58-bloomfield");
        QTest::mouseClick(w.windows.mainWindow->spd, Qt::LeftButton);
        QCOMPARE(w.spdWindow->checksumWarning->text(), QString());
        std::vector<std::uint8_t> image(256);
        for (unsigned i = 0; i < image.size(); ++i)
            image[i] = static_cast<std::uint8_t>(
                w.session->Hardware().SmbusReadByte(0x50, static_cast<std::uint8_t>(i)));
        image[20] ^= 0x01;
        w.machine->SetSpd(0, image);
        w.Choose(0);
        QCOMPARE(w.spdWindow->PanelType->text(), QStringLiteral("DDR3"));
        QCOMPARE(w.spdWindow->checksumWarning->text(), QStringLiteral("checksum bad"));
        QVERIFY(w.spdWindow->checksumWarning->toolTip().contains(QStringLiteral("MISMATCH")));
    }
};

QTEST_MAIN(SpdWindowTest)
#include "spd_window_test.moc"
