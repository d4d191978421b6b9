// The SPD window on shipped machines: the spd button decodes the module at SpdSlaveAddress, the
// module list picks the slave address, an empty slot clears the fields but keeps the headers,
// and without an SMBus controller the window stays hidden.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "app/backend_selection.h"
#include "sim/simulated_machine.h"
#include "spd/gui/tform4.h"
#include "ui/application.h"
#include "ui/message_sink.h"
#include "ui/tform1.h"

using namespace zm;

namespace {

struct Windows {
    std::shared_ptr<sim::SimulatedMachine> machine;
    app::Backend backend;
    ui::RecordingMessageSink sink;
    ui::ApplicationWindows windows;
    spd::gui::TForm4* form4 = nullptr;

    explicit Windows(const char* profile)
        : machine(sim::SimulatedMachine::Load(profile)),
          backend(app::SimulatedMachineBackend(machine)),
          windows(ui::CreateWindows(backend, "", sink)),
          form4(qobject_cast<spd::gui::TForm4*>(windows.form4.get())) {}

    void Choose(int index) {
        form4->ComboDIMM->setCurrentIndex(index);
        emit form4->ComboDIMM->activated(index);
    }
    QString Panel(int number) const {
        return form4->findChild<QLabel*>(QStringLiteral("Panel%1").arg(number))->text();
    }
};

}  // namespace

class SpdWindowTest : public QObject {
    Q_OBJECT

private slots:
    void spdButtonAndModuleList() {
        Windows w("x58-bloomfield");  // six SMBIOS slots, modules in 1, 3 and 5
        QVERIFY(w.form4);
        QCOMPARE(w.form4->ComboDIMM->count(), 6);
        QCOMPARE(w.form4->ComboDIMM->itemText(5), QStringLiteral("DIMM#6"));
        QVERIFY(w.form4->isHidden());

        QTest::mouseClick(w.windows.form1->spd, Qt::LeftButton);
        QVERIFY(w.form4->isVisible());
        QCOMPARE(w.form4->PanelType->text(), QStringLiteral("DDR3"));
        QCOMPARE(w.form4->PanelSpeed->text(), QStringLiteral("PC3-10600 (666Mhz)"));
        QCOMPARE(w.Panel(1), QStringLiteral("666"));    // MHz, Jedec#0
        QCOMPARE(w.Panel(43), QStringLiteral("800"));   // MHz, XMP#1
        QCOMPARE(w.Panel(48), QStringLiteral("Def."));  // CR, XMP#1
        QCOMPARE(w.form4->Label26->text(), QStringLiteral("XMP#1"));
        QVERIFY(!w.form4->Label6->isEnabled());  // no revision byte
        QVERIFY(!w.form4->PanelRev->isEnabled());
        // ZM_SPD_SCREENSHOT=file.png keeps a picture of the window for a look by eye.
        const QString target = qEnvironmentVariable("ZM_SPD_SCREENSHOT");
        if (!target.isEmpty()) QVERIFY(w.form4->grab().save(target, "PNG"));

        // An empty slot: "Empty", blank cells, the headers of the last decode, captions enabled.
        w.Choose(1);
        QCOMPARE(int(w.windows.form1->Startup().facts.spdSlaveAddress), 0x51);
        QCOMPARE(w.form4->PanelType->text(), QStringLiteral("Empty"));
        QCOMPARE(w.form4->PanelSpeed->text(), QString());
        QCOMPARE(w.Panel(43), QString());
        QCOMPARE(w.form4->Label26->text(), QStringLiteral("XMP#1"));
        QCOMPARE(w.form4->Label27->text(), QStringLiteral("XMP#2"));
        QVERIFY(w.form4->Label6->isEnabled());

        w.Choose(2);  // "DIMM#3"
        QCOMPARE(int(w.windows.form1->Startup().facts.spdSlaveAddress), 0x52);
        QCOMPARE(w.form4->PanelType->text(), QStringLiteral("DDR3"));
        QCOMPARE(w.Panel(43), QStringLiteral("800"));
    }

    void jedec3HeaderMovesLeft() {
        Windows w("k10-am3-ddr3");  // modules without XMP
        QCOMPARE(w.form4->ComboDIMM->count(), 4);  // four SMBIOS slots
        const int start = w.form4->Label26->x();
        QTest::mouseClick(w.windows.form1->spd, Qt::LeftButton);
        QCOMPARE(w.form4->Label26->text(), QStringLiteral("Jedec#3"));
        QCOMPARE(w.form4->Label26->x(), 208);
        QVERIFY(start != 208);
        QCOMPARE(w.Panel(43), QStringLiteral("838"));
        QCOMPARE(w.Panel(56), QStringLiteral("1,50"));  // Voltage, column 4
    }

    void noSmbusControllerNoWindow() {
        Windows w("x58-bloomfield");
        w.machine->RemovePciFunction(0, 31, 3);
        QTest::mouseClick(w.windows.form1->spd, Qt::LeftButton);
        QVERIFY(w.form4->isHidden());
        QCOMPARE(w.form4->PanelType->text(), QString());
    }
};

QTEST_MAIN(SpdWindowTest)
#include "spd_window_test.moc"
