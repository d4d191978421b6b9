// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's timing controls on shipped simulated machines: a channel chosen, a timing
// changed and applied reaches that channel's registers only; the changed drop-down carries the
// pending marker; a register value outside its list keeps Apply disabled.

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include "gui/main_window_host.h"
#include "hw/bit_field.h"
#include "sim/simulated_machine.h"

using namespace zm;

namespace {

constexpr std::uint32_t kBusFF = 0xC00000;

std::shared_ptr<sim::SimulatedMachine> Profile(const char* name) {
    return sim::SimulatedMachine::Load(name);  // a shipped profile
}

std::vector<sim::WriteRecord> WritesTo(const sim::SimulatedMachine& m, std::uint64_t address) {
    std::vector<sim::WriteRecord> out;
    for (const auto& w : m.Writes()) {
        if (w.address == address) out.push_back(w);
    }
    return out;
}

}  // namespace

class MainWindowTimingsTest : public QObject, private testing::MainWindowHost {
    Q_OBJECT

private slots:
    void uncoreChannelBChangeReachesChannelBOnly() {
        auto machine = Profile("x58-bloomfield");
        auto w = Window(machine);
        QVERIFY(!w->TerminationRequested());
        QCOMPARE(w->ComboCH->currentText(), QString(" A  B  C"));

        w->ComboCH->setCurrentIndex(2);
        QCOMPARE(w->ComboCH->currentText(), QString("     B"));
        QComboBox* trcd = w->TimingCombo(2);
        QCOMPARE(trcd->currentText(), QString("9"));
        QCOMPARE(trcd->palette().color(QPalette::ButtonText), QColor(0, 0, 128));

        trcd->setCurrentIndex(trcd->findText("11"));
        QCOMPARE(trcd->palette().color(QPalette::ButtonText), QColor(Qt::black));
        QCOMPARE(trcd->palette().color(QPalette::Button),
                 QApplication::palette(trcd).color(QPalette::Base));
        QCOMPARE(w->TimingCombo(3)->palette().color(QPalette::ButtonText), QColor(0, 0, 128));

        machine->ClearWrites();
        QVERIFY(w->Apply->isEnabled());
        QTest::mouseClick(w->Apply, Qt::LeftButton);

        const hw::Field trcdField{12, 9};
        const std::uint32_t bankTiming[3] = {0x803F2088 + kBusFF, 0x803F2888 + kBusFF,
                                             0x803F3088 + kBusFF};
        const std::uint32_t expected[3] = {9, 11, 9};
        for (int ch = 0; ch < 3; ++ch) {
            const auto writes = WritesTo(*machine, bankTiming[ch]);
            QCOMPARE(writes.size(), std::size_t{1});
            QCOMPARE(trcdField.Get(static_cast<std::uint32_t>(writes[0].value)), expected[ch]);
        }
    }

    void hostBridgeTrpNineSplitsIntoBothRegisters() {
        auto machine = Profile("h55-clarkdale");
        auto w = Window(machine);
        QVERIFY(!w->TerminationRequested());
        w->ComboCH->setCurrentIndex(1);  // "     A"
        QComboBox* trp = w->TimingCombo(3);
        QCOMPARE(trp->currentText(), QString("7"));
        trp->setCurrentIndex(trp->findText("9"));
        machine->ClearWrites();
        QTest::mouseClick(w->Apply, Qt::LeftButton);
        const auto r250 = WritesTo(*machine, 0xFED10250);
        const auto r254 = WritesTo(*machine, 0xFED10254);
        const auto r650 = WritesTo(*machine, 0xFED10650);
        QCOMPARE(r250.size(), std::size_t{1});
        QCOMPARE(r254.size(), std::size_t{1});
        QCOMPARE(hw::Field(31, 29).Get(static_cast<std::uint32_t>(r250[0].value)), 1u);
        QCOMPARE(hw::Field(0, 0).Get(static_cast<std::uint32_t>(r254[0].value)), 1u);
        QCOMPARE(hw::Field(31, 29).Get(static_cast<std::uint32_t>(r650[0].value)), 7u);
    }

    // An unganged K10 pair: a change made with "     B" selected is written into DCT1's DRAM
    // timing register only; DCT0's is written back as read.
    void k10ChannelBChangeReachesDct1Only() {
        auto machine = Profile("k10-am3-ddr3");
        auto w = Window(machine);
        QVERIFY(!w->TerminationRequested());
        QCOMPARE(w->ComboCH->itemText(2), QString("     B"));
        w->ComboCH->setCurrentIndex(2);
        QComboBox* trcd = w->TimingCombo(2);
        const hw::Field trcdField{6, 4};  // F2x88 Trcd, 5..12 clocks as 0..7
        const std::uint32_t dct0Before = machine->Pci(0, 24, 2, 0x88);
        const std::uint32_t dct1Before = machine->Pci(0, 24, 2, 0x188);
        QCOMPARE(trcd->currentIndex(), static_cast<int>(trcdField.Get(dct1Before)));
        const int chosen = trcd->currentIndex() == 2 ? 3 : 2;  // "7" or "8": a different value
        trcd->setCurrentIndex(chosen);

        machine->ClearWrites();
        QTest::mouseClick(w->Apply, Qt::LeftButton);
        const auto dct0 = WritesTo(*machine, 0x8000C288);
        const auto dct1 = WritesTo(*machine, 0x8100C288);
        QCOMPARE(dct0.size(), std::size_t{1});
        QCOMPARE(dct1.size(), std::size_t{1});
        QCOMPARE(static_cast<std::uint32_t>(dct0[0].value), dct0Before);
        QCOMPARE(static_cast<std::uint32_t>(dct1[0].value),
                 trcdField.Set(dct1Before, static_cast<std::uint32_t>(chosen)));
    }

    void valueOutsideItsListDisablesApply() {
        auto machine = Profile("x58-bloomfield");
        // Channel A's tRCD field 1: the list starts at 2.
        const std::uint32_t bank = machine->Pci(0xFF, 4, 0, 0x88);
        machine->SetPci(0xFF, 4, 0, 0x88, hw::Field{12, 9}.Set(bank, 1));
        auto w = Window(machine);
        QVERIFY(!w->TerminationRequested());
        QCOMPARE(w->TimingCombo(2)->currentIndex(), -1);
        QVERIFY(!w->Apply->isEnabled());
    }
};

QTEST_MAIN(MainWindowTimingsTest)
#include "main_window_timings_test.moc"
