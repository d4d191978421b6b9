// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's frame: every named control, the two layouts and the density rule.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include "app/hand_built_machines.h"
#include "gui/main_window_host.h"
#include "timings/model/value_lists.h"
#include "ui/timings/timing_slots.h"

using namespace zm;

class MainWindowLayoutTest : public QObject, private testing::MainWindowHost {
    Q_OBJECT

    // The window as laid out: on a machine without the library files the start-up stops before
    // it fills anything.
    std::unique_ptr<ui::MainWindow> MakeWindow() {
        auto machine = testing::Bloomfield();
        machine->SetMissingLibraryFiles({"WinRing0.dll"});
        return Window(machine);
    }

private slots:
    void offscreenScreenIs96Dpi() {
        // The density rule is exercised through the offscreen platform's screen.
        QCOMPARE(qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch()), 96);
    }

    void everyControlIsThereByName() {
        auto w = MakeWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Zentrimo 1.5 beta3"));
        const QList<QPair<const char*, QString>> groups = {
            {"GroupBox1", "Timings"},
            {"GroupBox3", "Others Timings"},
            {"GroupBoxFrequency", "System Frequency"},
            {"GroupBoxCpu", "CPU"},
            {"GroupBoxMotherBoard", "MotherBoard"},
            {"GroupBoxMemory", "Memory"}};
        for (const auto& [name, title] : groups) {
            auto* group = w->findChild<QGroupBox*>(name);
            QVERIFY2(group, name);
            QCOMPARE(group->title(), title);
        }
        for (int n = 1; n <= 17; ++n)
            QVERIFY2(w->findChild<QLabel*>(QStringLiteral("Panel%1").arg(n)),
                     qPrintable(QString::number(n)));
        for (const timings::gui::TimingSlot& slot : timings::gui::kTimingSlots) {
            auto* combo =
                w->findChild<QComboBox*>(QString::fromStdString(timings::gui::ComboName(slot)));
            QVERIFY(combo);
            QCOMPARE(combo, w->TimingCombo(slot.number));
            QCOMPARE(combo->maxVisibleItems(), 16);
            const std::string_view labelName = slot.labelName;
            auto* label =
                w->findChild<QLabel*>(QString::fromUtf8(labelName.data(), labelName.size()));
            QVERIFY(label);
            QCOMPARE(label, w->TimingLabel(slot.number));
        }
        // The window shows every kind's timings by position: the descriptors' order is the slots'.
        using K = timings::ControllerKind;
        for (K kind : {K::Uncore, K::HostBridge, K::K10}) {
            const auto descriptors = timings::Descriptors(kind);
            for (std::size_t i = 0; i < descriptors.size(); ++i)
                QCOMPARE(descriptors[i].slot, timings::gui::kTimingSlots[i].number);
        }
        QVERIFY(w->findChild<QComboBox*>("ComboCH"));
        QCOMPARE(w->findChild<QLabel*>("Label33")->text(), QStringLiteral("Channel(s)"));
        QVERIFY(w->findChild<QComboBox*>("coreMultiplierList"));
        QVERIFY(w->findChild<QLabel*>("Label22A"));
        const QList<QPair<const char*, QString>> checks = {
            {"CheckBoxEist", "EIST"}, {"CheckBoxC1E", "C1E"}, {"CheckBoxTurbo", "turbo"}};
        for (const auto& [name, caption] : checks)
            QCOMPARE(w->findChild<QCheckBox*>(name)->text(), caption);
        const QList<QPair<const char*, QString>> buttons = {
            {"Apply", "Apply"}, {"Save", "StartUp"}, {"OthersTimings", "SubTim."},
            {"Hide", "Hide"},   {"Advanced", "CPU"}, {"Monitor", "Monitor"},
            {"About", "About"}, {"spd", "spd"},      {"Exit", "Exit"}};
        for (const auto& [name, caption] : buttons) {
            auto* button = w->findChild<QPushButton*>(name);
            QVERIFY2(button, name);
            QCOMPARE(button->text(), caption);
        }
    }

    void subTimAndHideSwitchTheLayouts() {
        auto w = Window(testing::Bloomfield());  // accepted: its buttons work
        QVERIFY(w->CompactLayout());
        auto check = [&](bool expanded) {
            const int top = expanded ? 595 : 331;
            QCOMPARE(w->height(), expanded ? 653 : 389);
            QCOMPARE(w->GroupBox3->isHidden(), !expanded);
            QCOMPARE(w->Hide->isHidden(), !expanded);
            QCOMPARE(w->OthersTimings->isHidden(), expanded);
            for (QPushButton* b : {w->Apply, w->Save, w->Advanced, w->Monitor, w->About, w->Exit,
                                   w->spd, expanded ? w->Hide : w->OthersTimings})
                QCOMPARE(b->y(), top);
            // Nothing the window shows may stick out below the buttons or out of the window.
            for (QWidget* child : w->findChildren<QWidget*>()) {
                if (child->isHidden() || child->parentWidget() != w.get()) continue;
                QVERIFY2(w->rect().contains(child->geometry()), qPrintable(child->objectName()));
            }
        };
        // The buttons themselves: the window is the one place that switches the layout.
        check(false);
        w->OthersTimings->click();
        check(true);
        w->Hide->click();
        check(false);
        w->OthersTimings->click();
        check(true);
    }

    void otherDensityKeepsTheDesignedLayout() {
        auto w = MakeWindow();
        w->ApplyDensityLayout(120);
        QVERIFY(!w->CompactLayout());
        QCOMPARE(w->height(), 653);
        QVERIFY(!w->GroupBox3->isHidden());
        QVERIFY(w->OthersTimings->isHidden());
        QVERIFY(w->Hide->isHidden());
        QCOMPARE(w->Apply->y(), 595);
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "main_window_layout_test.moc"
