// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's "System Frequency" group on shipped machines: the boxes and the
// core-multiplier list as start-up leaves them, Apply writing a chosen multiplier before any
// timing register on both Intel controller kinds, and the AMD K10 layout.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "cpu/cpu_registers.h"
#include "gui/main_window_host.h"
#include "sim/simulated_machine.h"

using namespace zm;

class CpuMainWindowTest : public QObject, private testing::MainWindowHost {
    Q_OBJECT

private slots:
    void applyWritesTheChosenMultiplierFirst_data() {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("ratio");
        // i7-920: ratios 12..22; i5-661: 9..27.
        QTest::newRow("uncore") << "x58-bloomfield" << 11 << 9 << 21;
        QTest::newRow("host bridge") << "h55-clarkdale" << 19 << 9 << 18;
    }

    void applyWritesTheChosenMultiplierFirst() {
        QFETCH(QString, machine);
        QFETCH(int, items);
        QFETCH(int, item);
        QFETCH(int, ratio);
        auto m = sim::SimulatedMachine::Load(machine.toStdString());
        auto w = Window(m);
        QVERIFY(!w->TerminationRequested());
        QVERIFY(w->CheckBoxEist->isChecked() && w->CheckBoxEist->isEnabled());
        QVERIFY(!w->coreMultiplierList->isHidden());
        QVERIFY(w->PanelCoreMultiplier->isHidden());
        QCOMPARE(w->coreMultiplierList->count(), items);

        // Change a timing too, so Apply has register writes to make after the multiplier.
        QComboBox* trcd = w->TimingCombo(2);
        trcd->setCurrentIndex(trcd->currentIndex() == 0 ? 1 : 0);

        w->coreMultiplierList->showPopup();
        w->coreMultiplierList->hidePopup();
        w->coreMultiplierList->setCurrentIndex(item);
        emit w->coreMultiplierList->activated(item);
        QVERIFY(sink_.messages.empty());  // EIST is on: no warning

        m->ClearWrites();
        QTest::mouseClick(w->Apply, Qt::LeftButton);
        const auto writes = m->Writes();
        QVERIFY(writes.size() > 1);
        QCOMPARE(writes[0].kind, sim::WriteRecord::Kind::Msr);
        QCOMPARE(writes[0].address, std::uint64_t{cpu::reg::kMsrPerfControl});
        QCOMPARE(writes[0].processor, 0u);
        QCOMPARE(static_cast<int>(writes[0].value & 0xFF), ratio);
        for (std::size_t i = 1; i < writes.size(); ++i) {
            QVERIFY(writes[i].kind != sim::WriteRecord::Kind::Msr);
        }

        // Released: the next Apply leaves the processor alone.
        m->ClearWrites();
        QTest::mouseClick(w->Apply, Qt::LeftButton);
        for (const auto& write : m->Writes()) QVERIFY(write.kind != sim::WriteRecord::Kind::Msr);
    }

    void k10ShowsTheMultiplierTextAndDisablesTheBoxes() {
        auto w = Window(sim::SimulatedMachine::Load("k10-am2plus-ddr2"));
        QVERIFY(!w->TerminationRequested());
        QVERIFY(!w->CheckBoxEist->isEnabled());
        QVERIFY(!w->CheckBoxC1E->isEnabled());
        QVERIFY(!w->CheckBoxTurbo->isEnabled());
        QVERIFY(w->coreMultiplierList->isHidden());
        QVERIFY(!w->PanelCoreMultiplier->isHidden());
        // The first pass (about 2.5 s on the machine's own clock) fills the group.
        QTRY_COMPARE_WITH_TIMEOUT(w->PanelCoreMultiplier->text(), QString("x 15.0"), 8000);
        QVERIFY(w->PanelBclk->text().endsWith(" MHz"));
    }
};

QTEST_MAIN(CpuMainWindowTest)
#include "cpu_main_window_test.moc"
