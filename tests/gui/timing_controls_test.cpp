// SPDX-License-Identifier: GPL-3.0-or-later
// The timing controls bound to a small window carrying the main window's control names, on a
// simulated triple-channel uncore machine: choosing channels, changing a timing, the pending
// marker, Apply's writes and the start-up guard.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <string>
#include <vector>

#include "hw/hardware_access.h"
#include "timings/intel_test_machines.h"
#include "timings/model/value_lists.h"
#include "timings/session/timing_session.h"
#include "timings/uncore/uncore_registers.h"
#include "ui/timings/timing_controls_binder.h"

using namespace zm;

namespace {

// A window with the named children the binder looks for.
struct TestWindow {
    QWidget window;
    QGroupBox* group1;
    QGroupBox* group3;

    TestWindow() {
        group1 = new QGroupBox("Timings", &window);
        group1->setObjectName("GroupBox1");
        group3 = new QGroupBox("Others Timings", &window);
        group3->setObjectName("GroupBox3");
        for (const timings::gui::TimingSlot& slot : timings::gui::kTimingSlots) {
            QGroupBox* group = slot.number <= 5 ? group1 : group3;
            auto* combo = new QComboBox(group);
            combo->setObjectName(QString::fromStdString(timings::gui::ComboName(slot)));
            auto* label = new QLabel(group);
            label->setObjectName(QString::fromUtf8(slot.labelName.data()));
        }
        auto* ch = new QComboBox(group1);
        ch->setObjectName("ComboCH");
        auto* panel = new QLabel(&window);
        panel->setObjectName("Panel5");
        for (const char* name : {"Apply", "Save", "OthersTimings", "Hide", "Advanced", "Monitor",
                                 "About", "Exit", "spd"}) {
            auto* b = new QPushButton(name, &window);
            b->setObjectName(name);
            b->move(10, 500);
        }
    }
    QComboBox* Combo(const char* name) { return window.findChild<QComboBox*>(name); }
    QPushButton* Button(const char* name) { return window.findChild<QPushButton*>(name); }
};

std::uint32_t LastPciWrite(const sim::SimulatedMachine& m, std::uint32_t address) {
    std::uint32_t value = 0;
    bool found = false;
    for (const auto& w : m.Writes()) {
        if (w.kind == sim::WriteRecord::Kind::Pci && w.address == address) {
            value = static_cast<std::uint32_t>(w.value);
            found = true;
        }
    }
    if (!found) qWarning("no write at %08x", address);
    return value;
}

}  // namespace

class TimingControlsTest : public QObject {
    Q_OBJECT

private slots:
    void fillsListsLabelsAndSelector();
    void changeOnOneChannelMarksAndAppliesThere();
    void combinedChoiceFallsBackToChannelA();
    void startupGuardDisablesApply();
    void applyRunsTheCoreMultiplierFirst();
    void applyShowsWhatTheControllerHoldsAndRestoreUndoesIt();
};

void TimingControlsTest::fillsListsLabelsAndSelector() {
    auto m = timings::testing::UncoreMachine(7);
    hw::HardwareAccess hw(*m);
    timings::TimingSession session = timings::StartUncoreTimings(hw, 0, 0x2C1C8086);
    TestWindow w;
    timings::gui::TimingControlsBinder binder(&w.window, session);
    binder.Fill();

    QCOMPARE(w.window.findChild<QLabel*>("Panel5")->text(), QString("Triple"));
    QComboBox* ch = w.Combo("ComboCH");
    QCOMPARE(ch->count(), 4);
    QCOMPARE(ch->currentText(), QString(" A  B  C"));
    QCOMPARE(w.Combo("Combo29A")->count(), 824);
    QCOMPARE(w.Combo("Combo2A")->currentText(), QString("9"));
    QCOMPARE(w.Combo("Combo29A")->currentText(), QString("5200"));
    QCOMPARE(w.window.findChild<QLabel*>("Label27A")->text(),
             QString("Refresh Cycle Time (tRFC) .............."));
    QVERIFY(!w.Combo("Combo1A")->isEnabled());
    QVERIFY(!w.Combo("Combo26A")->isEnabled());
    QVERIFY(!w.Combo("Combo31A")->isEnabled());  // round trip: single channels only
    QVERIFY(w.Combo("Combo2A")->isEnabled());
    QVERIFY(w.Button("Apply")->isEnabled());
    // Created look: button face, navy text.
    const QPalette p = w.Combo("Combo2A")->palette();
    QCOMPARE(p.color(QPalette::Button),
             QApplication::palette(w.Combo("Combo2A")).color(QPalette::Button));
    QCOMPARE(p.color(QPalette::ButtonText), QColor(0, 0, 128));
    QCOMPARE(w.Combo("Combo2A")->property("pendingChange").toBool(), false);
}

void TimingControlsTest::changeOnOneChannelMarksAndAppliesThere() {
    auto m = timings::testing::UncoreMachine(7);
    hw::HardwareAccess hw(*m);
    timings::TimingSession session = timings::StartUncoreTimings(hw, 0, 0x2C1C8086);
    TestWindow w;
    timings::gui::TimingControlsBinder binder(&w.window, session);
    binder.Fill();

    QComboBox* ch = w.Combo("ComboCH");
    ch->setCurrentIndex(2);  // "     B"
    QCOMPARE(ch->currentText(), QString("     B"));
    QVERIFY(w.Combo("Combo31A")->isEnabled());
    // Showing B's values does not mark anything.
    QCOMPARE(w.Combo("Combo2A")->property("pendingChange").toBool(), false);

    QComboBox* trcd = w.Combo("Combo2A");
    trcd->setCurrentIndex(trcd->findText("12"));
    QCOMPARE(trcd->property("pendingChange").toBool(), true);
    const QPalette p = trcd->palette();
    QCOMPARE(p.color(QPalette::Button), QApplication::palette(trcd).color(QPalette::Base));
    QCOMPARE(p.color(QPalette::ButtonText), QColor(Qt::black));
    QCOMPARE(w.Combo("Combo3A")->property("pendingChange").toBool(), false);

    m->ClearWrites();
    QTest::mouseClick(w.Button("Apply"), Qt::LeftButton);

    const hw::Field trcdField{12, 9};
    using timings::uncore::ChannelRegisterAddress;
    using timings::uncore::Reg;
    QCOMPARE(trcdField.Get(LastPciWrite(*m, ChannelRegisterAddress(1, Reg::BankTiming))), 12u);
    QCOMPARE(trcdField.Get(LastPciWrite(*m, ChannelRegisterAddress(0, Reg::BankTiming))), 9u);
    QCOMPARE(trcdField.Get(LastPciWrite(*m, ChannelRegisterAddress(2, Reg::BankTiming))), 9u);
    QCOMPARE(m->Writes().size(), std::size_t{21});

    // Back on A: A's value is shown, the marker stays.
    ch->setCurrentIndex(1);
    QCOMPARE(trcd->currentText(), QString("9"));
    QCOMPARE(trcd->property("pendingChange").toBool(), true);
}

// A locked uncore ignores the write: the drop-down shows what the controller holds and the
// message names the timing. Unlocked, the write takes, and Restore (offered from the Apply
// button's context menu while something differs) brings the start-up value back.
void TimingControlsTest::applyShowsWhatTheControllerHoldsAndRestoreUndoesIt() {
    for (const bool locked : {true, false}) {
        auto m = timings::testing::UncoreMachine(7);
        if (locked) m->SetPci(0x3F, 0, 0, 0x88, 1);
        hw::HardwareAccess hw(*m);
        timings::TimingSession session = timings::StartUncoreTimings(hw, 0, 0x2C1C8086);
        TestWindow w;
        std::vector<std::string> messages;
        timings::gui::TimingControlsBinder::Hooks hooks;
        hooks.message = [&](const std::string& caption, const std::string& text) {
            messages.push_back(caption + " " + text);
        };
        timings::gui::TimingControlsBinder binder(&w.window, session, hooks);
        binder.Fill();
        QCOMPARE(w.Button("Apply")->contextMenuPolicy(), Qt::CustomContextMenu);
        QVERIFY(!binder.RestoreOffered());

        w.Combo("ComboCH")->setCurrentIndex(2);  // "     B"
        QComboBox* trcd = w.Combo("Combo2A");
        trcd->setCurrentIndex(trcd->findText("12"));
        QTest::mouseClick(w.Button("Apply"), Qt::LeftButton);
        if (locked) {
            QCOMPARE(trcd->currentText(), QString("9"));
            QCOMPARE(messages.size(), std::size_t{1});
            QVERIFY2(
                messages[0].find("WARNING! ") == 0 &&
                    messages[0].find("tRCD (channel B): 12 was written, the controller holds 9") !=
                        std::string::npos,
                messages[0].c_str());
            QVERIFY(!binder.RestoreOffered());
            continue;
        }
        QCOMPARE(trcd->currentText(), QString("12"));
        QVERIFY(messages.empty());
        QVERIFY(binder.RestoreOffered());
        binder.RestoreClick();
        QCOMPARE(trcd->currentText(), QString("9"));
        QVERIFY(!binder.RestoreOffered());
        QVERIFY(messages.empty());
    }
}

void TimingControlsTest::combinedChoiceFallsBackToChannelA() {
    auto m = timings::testing::UncoreMachine(7);
    hw::HardwareAccess hw(*m);
    timings::TimingSession session = timings::StartUncoreTimings(hw, 0, 0x2C1C8086);
    TestWindow w;
    timings::gui::TimingControlsBinder binder(&w.window, session);
    binder.Fill();
    QComboBox* ch = w.Combo("ComboCH");
    ch->setCurrentIndex(3);  // "     C"
    w.Combo("Combo4A")->setCurrentIndex(w.Combo("Combo4A")->findText("27"));
    ch->setCurrentIndex(0);  // " A  B  C" with C differing
    QCOMPARE(ch->currentText(), QString("     A"));
    QCOMPARE(w.Combo("Combo4A")->currentText(), QString("24"));
}

void TimingControlsTest::startupGuardDisablesApply() {
    auto m = timings::testing::UncoreMachine(1);
    timings::testing::UncoreChannelValues a = timings::testing::Ddr3_1333Channel();
    a.bankTiming = hw::Field{12, 9}.Set(a.bankTiming, 1);  // tRCD field 1: below the list
    timings::testing::SetUncoreChannel(*m, 0x3F, 0, a);
    hw::HardwareAccess hw(*m);
    timings::TimingSession session = timings::StartUncoreTimings(hw, 0, 0x2C1C8086);
    TestWindow w;
    timings::gui::TimingControlsBinder binder(&w.window, session);
    binder.Fill();
    QCOMPARE(w.Combo("Combo2A")->currentIndex(), -1);
    QCOMPARE(w.Combo("Combo2A")->currentText(), QString());
    QVERIFY(!w.Button("Apply")->isEnabled());
}

void TimingControlsTest::applyRunsTheCoreMultiplierFirst() {
    auto m = timings::testing::UncoreMachine(1);
    hw::HardwareAccess hw(*m);
    timings::TimingSession session = timings::StartUncoreTimings(hw, 0, 0x2C1C8086);
    TestWindow w;
    std::size_t writesBefore = 99;
    timings::gui::TimingControlsBinder::Hooks hooks;
    hooks.beforeApply = [&] { writesBefore = m->Writes().size(); };
    timings::gui::TimingControlsBinder binder(&w.window, session, hooks);
    binder.Fill();
    m->ClearWrites();
    QTest::mouseClick(w.Button("Apply"), Qt::LeftButton);
    QCOMPARE(writesBefore, std::size_t{0});
    QCOMPARE(m->Writes().size(), std::size_t{7});
}

QTEST_MAIN(TimingControlsTest)
#include "timing_controls_test.moc"
