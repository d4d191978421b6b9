// SPDX-License-Identifier: GPL-3.0-or-later
// The timing controls on K10 machines: a timing changed while "     B" is selected and applied
// reaches DCT1 only; a ganged pair is driven through DCT0 alone.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <QtTest>
#include <map>
#include <memory>
#include <optional>

#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "sim/simulated_machine.h"
#include "timings/k10/k10_mode.h"
#include "timings/session/k10_session.h"
#include "ui/timings/timing_controls_binder.h"

using namespace zm;

namespace {

constexpr std::uint32_t kF3x8C = hw::PciConfigAddress(0, 0x18, 3, 0x8C);
constexpr std::uint32_t kDct1TimingLow = 0x8100C288;

// A window carrying the main window's timing controls by name.
std::unique_ptr<QWidget> TimingWindow() {
    auto window = std::make_unique<QWidget>();
    for (const timings::gui::TimingSlot& slot : timings::gui::kTimingSlots) {
        auto* combo = new QComboBox(window.get());
        combo->setObjectName(QString::fromStdString(timings::gui::ComboName(slot)));
    }
    (new QComboBox(window.get()))->setObjectName("ComboCH");
    (new QLabel(window.get()))->setObjectName("Panel5");
    (new QPushButton("Apply", window.get()))->setObjectName("Apply");
    return window;
}

// The session as the K10 start-up opens it: the controller mode decided from the north bridge,
// then the extended configuration space switched on (F3x8C bit 14) before the registers are
// read. Nullopt when either step refuses the machine.
std::optional<timings::TimingSession> StartSession(hw::HardwareAccess& hw) {
    const timings::k10::ModeDecision decision = timings::k10::DecideK10Mode(hw, 0x10);
    if (!decision.mode) return std::nullopt;
    hw.PciConfigWrite(kF3x8C, hw.PciConfigRead(kF3x8C) | (1u << 14));
    timings::TimingSession session = timings::StartK10Timings(hw, *decision.mode);
    if (session.error) return std::nullopt;
    return session;
}

int ItemOf(QComboBox* combo, const char* text) {
    return combo->findText(QString::fromUtf8(text));
}

}  // namespace

class K10TimingsTest : public QObject {
    Q_OBJECT

private slots:
    void changeOnChannelBIsAppliedToDct1Only() {
        const auto machine = sim::SimulatedMachine::Load("k10-am3-ddr3");
        hw::HardwareAccess hw(*machine);
        std::optional<timings::TimingSession> session = StartSession(hw);
        QVERIFY(session.has_value());

        const auto window = TimingWindow();
        timings::gui::TimingControlsBinder binder(window.get(), *session);
        binder.Fill();
        auto* selector = window->findChild<QComboBox*>("ComboCH");
        auto* trc = window->findChild<QComboBox*>("Combo26A");
        auto* apply = window->findChild<QPushButton*>("Apply");
        QCOMPARE(window->findChild<QLabel*>("Panel5")->text(), QString("Unganged"));
        QCOMPARE(selector->count(), 3);
        QVERIFY(selector->isEnabled());
        QVERIFY(apply->isEnabled());
        QCOMPARE(trc->currentText(), QString("33"));

        std::map<unsigned, std::uint32_t> dct0Before;
        for (unsigned reg : {0x88u, 0x8Cu, 0x90u, 0x94u, 0x78u}) {
            dct0Before[reg] = machine->Pci(0, 0x18, 2, reg);
        }
        selector->setCurrentIndex(selector->findText("     B"));
        trc->setCurrentIndex(ItemOf(trc, "30"));
        QVERIFY(trc->property("pendingChange").toBool());

        machine->ClearWrites();
        QTest::mouseClick(apply, Qt::LeftButton);

        const auto writes = machine->Writes();
        QCOMPARE(writes.size(), std::size_t{10});
        QCOMPARE(static_cast<std::uint32_t>(writes.front().address), kDct1TimingLow);
        // tRC 30 is item 19 of 11..42: F2x188 bits 20..16.
        QCOMPARE((machine->Pci(0, 0x18, 2, 0x188) >> 16) & 0x1Fu, 19u);
        // DCT0's registers are written back exactly as they were.
        int dct0Writes = 0;
        for (const sim::WriteRecord& w : writes) {
            if ((w.address >> 24) != 0x80) continue;
            const hw::PciLocation at = hw::DecodePciAddress(static_cast<std::uint32_t>(w.address));
            QCOMPARE(static_cast<std::uint32_t>(w.value), dct0Before.at(at.reg));
            ++dct0Writes;
        }
        QCOMPARE(dct0Writes, 5);

        // Channel A still shows DCT0's tRC.
        selector->setCurrentIndex(selector->findText("     A"));
        QCOMPARE(trc->currentText(), QString("33"));
    }

    // A ganged pair: one greyed selector item, every change goes to DCT0 and DCT1 is never
    // written. The firmware left limit bits behind a clear idle-cycle-limit enable bit: the
    // drop-down shows "Disab." and a choice writes enable and limit together.
    void gangedPairIsDrivenThroughDct0Alone() {
        const auto machine = sim::SimulatedMachine::Load("k10-am3-ddr3-ganged");
        const std::uint32_t f90 = (machine->Pci(0, 0x18, 2, 0x90) & ~0x00700000u) | 0x00600000u;
        machine->SetPci(0, 0x18, 2, 0x90, f90);
        hw::HardwareAccess hw(*machine);
        std::optional<timings::TimingSession> session = StartSession(hw);
        QVERIFY(session.has_value());

        const auto window = TimingWindow();
        timings::gui::TimingControlsBinder binder(window.get(), *session);
        binder.Fill();
        auto* selector = window->findChild<QComboBox*>("ComboCH");
        auto* trcd = window->findChild<QComboBox*>("Combo2A");
        auto* idle = window->findChild<QComboBox*>("Combo18A");
        QCOMPARE(window->findChild<QLabel*>("Panel5")->text(), QString("Ganged"));
        QCOMPARE(selector->count(), 1);
        QCOMPARE(selector->currentText(), QString("  A   B"));
        QVERIFY(!selector->isEnabled());
        QCOMPARE(idle->currentText(), QString("Disab."));

        trcd->setCurrentIndex(ItemOf(trcd, "10"));
        idle->setCurrentIndex(ItemOf(idle, "64"));
        machine->ClearWrites();
        QTest::mouseClick(window->findChild<QPushButton*>("Apply"), Qt::LeftButton);

        const auto writes = machine->Writes();
        QCOMPARE(writes.size(), std::size_t{5});
        for (const sim::WriteRecord& w : writes) QCOMPARE(w.address >> 24, std::uint64_t{0x80});
        // tRCD 10 is item 5 of 5..12: F2x88 bits 6..4.
        QCOMPARE((machine->Pci(0, 0x18, 2, 0x88) >> 4) & 0x7u, 5u);
        QCOMPARE(machine->Pci(0, 0x18, 2, 0x90), (f90 & ~0x00700000u) | 0x00500000u);
    }
};

QTEST_MAIN(K10TimingsTest)
#include "k10_timings_test.moc"
