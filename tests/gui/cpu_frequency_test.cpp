// SPDX-License-Identifier: GPL-3.0-or-later
// The "System Frequency" group bound to the clock core on the simulated X58 machine: the
// measuring thread's texts arrive on the window thread, the EIST / C1E / turbo boxes write their
// MSRs when clicked, and a multiplier chosen in coreMultiplierList is written by Apply.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QtTest>

#include "cpu/cpu_registers.h"
#include "gui/quick_clock.h"
#include "ident/cpu_identification.h"
#include "sim/simulated_machine.h"
#include "ui/common/qt_text.h"
#include "ui/cpu/frequency_binder.h"

using namespace zm;

namespace {

using testing::QuickClock;

struct Group {
    QWidget window;
    QLabel* bclk = new QLabel(&window);
    QLabel* coreMultiplier = new QLabel(&window);
    QComboBox* coreMultiplierList = new QComboBox(&window);
    QLabel* cores = new QLabel(&window);
    QLabel* uncore = new QLabel(&window);
    QLabel* link = new QLabel(&window);
    QLabel* ram = new QLabel(&window);
    QCheckBox* eist = new QCheckBox("EIST", &window);
    QCheckBox* c1e = new QCheckBox("C1E", &window);
    QCheckBox* turbo = new QCheckBox("turbo", &window);

    Group() {
        const QCheckBox* boxes[] = {eist, c1e, turbo};
        int top = 0;
        for (const QCheckBox* box : boxes) const_cast<QCheckBox*>(box)->move(0, top += 24);
    }
    cpu::gui::FrequencyWidgets Widgets() {
        cpu::gui::FrequencyWidgets w;
        w.bclk = bclk;
        w.coreMultiplier = coreMultiplier;
        w.coreMultiplierList = coreMultiplierList;
        w.cores = cores;
        w.uncore = uncore;
        w.link = link;
        w.ram = ram;
        w.eist = eist;
        w.c1e = c1e;
        w.turbo = turbo;
        return w;
    }
};

std::vector<sim::WriteRecord> MsrWrites(const sim::SimulatedMachine& m, std::uint32_t index) {
    std::vector<sim::WriteRecord> out;
    for (const auto& w : m.Writes()) {
        if (w.kind == sim::WriteRecord::Kind::Msr && w.address == index) out.push_back(w);
    }
    return out;
}

}  // namespace

class CpuFrequencyTest : public QObject {
    Q_OBJECT

    std::shared_ptr<QuickClock> clock_;
    std::shared_ptr<sim::SimulatedMachine> machine_;
    std::unique_ptr<hw::HardwareAccess> hw_;
    std::unique_ptr<Group> group_;
    std::unique_ptr<cpu::CpuClocks> clocks_;
    std::unique_ptr<cpu::gui::FrequencyBinder> binder_;
    std::vector<std::pair<std::string, std::string>> warnings_;

    // The clocks as the session makes them for the windows: passes queued to the window thread,
    // in the user's decimal separator.
    void Bind() {
        clocks_.reset();
        clocks_ = std::make_unique<cpu::CpuClocks>(
            *hw_, *clock_, cpu::gui::FrequencyBinder::QueuedDispatcher(&group_->window),
            [this](const cpu::PassOutput& pass) { binder_->ShowPass(pass); },
            ui::DecimalSeparator());
        binder_ = std::make_unique<cpu::gui::FrequencyBinder>(
            group_->Widgets(), *clocks_,
            [this](const std::string& text, const std::string& caption) {
                warnings_.emplace_back(text, caption);
            });
    }

private slots:
    void init() {
        clock_ = std::make_shared<QuickClock>();
        machine_ = sim::SimulatedMachine::Load("x58-bloomfield", clock_);
        hw_ = std::make_unique<hw::HardwareAccess>(*machine_);
        group_ = std::make_unique<Group>();
        warnings_.clear();
        Bind();
        ident::CpuIdentity id = ident::IdentifyCommon(*machine_);
        ident::IdentifyIntelUncore(id, *machine_, *hw_, ident::PackageFlags{});
        const cpu::FrequencySetup setup = binder_->Clocks().SetUpIntel(
            {timings::ControllerKind::Uncore, 0xC00000, 0, id.maxNonTurboRatio}, id.coreCount,
            id.minRatio);
        // As the main window shows the platform branch's result.
        for (QCheckBox* box : {group_->eist, group_->c1e, group_->turbo}) box->setChecked(true);
        for (const std::string& item : setup.multiplierItems)
            group_->coreMultiplierList->addItem(QString::fromStdString(item));
        group_->window.show();
        machine_->ClearWrites();
    }

    void cleanup() {
        clocks_.reset();  // stops the thread before the widgets go
        binder_.reset();
        group_.reset();
    }

    void clickingTurboOffSetsBit38AndKeepsEist() {
        QTest::mouseClick(group_->turbo, Qt::LeftButton);
        QVERIFY(!group_->turbo->isChecked());
        auto writes = MsrWrites(*machine_, cpu::reg::kMsrMiscEnable);
        QCOMPARE(writes.size(), std::size_t{1});
        QCOMPARE(writes[0].value, std::uint64_t{0x0000004000850089});

        QTest::mouseClick(group_->eist, Qt::LeftButton);
        writes = MsrWrites(*machine_, cpu::reg::kMsrMiscEnable);
        QCOMPARE(writes.size(), std::size_t{2});
        QCOMPARE(writes[1].value, std::uint64_t{0x0000004000840089});
    }

    void clickingC1eWritesEveryCore() {
        QTest::mouseClick(group_->c1e, Qt::LeftButton);
        const auto writes = MsrWrites(*machine_, cpu::reg::kMsrPowerControl);
        QCOMPARE(writes.size(), std::size_t{5});
        QCOMPARE(writes.back().value, std::uint64_t{0x5D});
        QCOMPARE(writes.back().processor, 3u);
    }

    void chosenMultiplierWaitsForApply() {
        QTest::mouseClick(group_->eist, Qt::LeftButton);  // EIST off: the choice only warns
        group_->coreMultiplierList->showPopup();
        QCOMPARE(binder_->Clocks().State().HoldCore[3].load(), 1);
        group_->coreMultiplierList->hidePopup();
        group_->coreMultiplierList->setCurrentIndex(9);
        emit group_->coreMultiplierList->activated(9);
        QCOMPARE(warnings_.size(), std::size_t{1});
        QCOMPARE(warnings_[0].first, std::string(cpu::kEistNeededWarning));
        QCOMPARE(warnings_[0].second, std::string("WARNING!"));
        QVERIFY(MsrWrites(*machine_, cpu::reg::kMsrPerfControl).empty());

        QVERIFY(binder_->ApplyCoreMultiplier());
        const auto writes = MsrWrites(*machine_, cpu::reg::kMsrPerfControl);
        QCOMPARE(writes.size(), std::size_t{1});
        QCOMPARE(writes[0].processor, 0u);
        QCOMPARE(writes[0].value & 0xFF, std::uint64_t{21});
    }

    // A ratio picked with the keyboard, the list never opened, is written by Apply all the same.
    void keyboardChoiceWithoutOpeningTheListIsWritten() {
        cpu::PassOutput pass;
        pass.coreMultiplierItem = 8;
        binder_->ShowPass(pass);
        QTest::keyClick(group_->coreMultiplierList, Qt::Key_Down);
        QCOMPARE(group_->coreMultiplierList->currentIndex(), 9);
        binder_->ShowPass(pass);  // the measuring thread leaves the pick alone
        QCOMPARE(group_->coreMultiplierList->currentIndex(), 9);

        QVERIFY(binder_->ApplyCoreMultiplier());
        const auto writes = MsrWrites(*machine_, cpu::reg::kMsrPerfControl);
        QCOMPARE(writes.size(), std::size_t{1});
        QCOMPARE(writes[0].value & 0xFF, std::uint64_t{21});
    }

    void openingTheListWithoutChangingItWritesTheShownRatio() {
        // A pass selected ratio 20 (item 8); the user opens the list and closes it again.
        cpu::PassOutput pass;
        pass.coreMultiplierItem = 8;
        binder_->ShowPass(pass);
        QCOMPARE(group_->coreMultiplierList->currentIndex(), 8);
        group_->coreMultiplierList->showPopup();
        group_->coreMultiplierList->hidePopup();
        QVERIFY(warnings_.empty());

        QVERIFY(binder_->ApplyCoreMultiplier());
        QVERIFY(!binder_->ApplyCoreMultiplier());  // released: written once
        const auto writes = MsrWrites(*machine_, cpu::reg::kMsrPerfControl);
        QCOMPARE(writes.size(), std::size_t{1});
        QCOMPARE(writes[0].value & 0xFF, std::uint64_t{20});
    }

    void clockTextsUseTheUsersDecimalSeparator() {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Bind();
        QLocale::setDefault(saved);
        ident::CpuIdentity id = ident::IdentifyCommon(*machine_);
        ident::IdentifyIntelUncore(id, *machine_, *hw_, ident::PackageFlags{});
        binder_->Clocks().SetUpIntel(
            {timings::ControllerKind::Uncore, 0xC00000, 0, id.maxNonTurboRatio}, id.coreCount,
            id.minRatio);
        binder_->Clocks().StartMeasuring();
        QTRY_COMPARE_WITH_TIMEOUT(group_->bclk->text(), QStringLiteral("133,3 MHz"), 5000);
        QCOMPARE(group_->cores->text(), QStringLiteral("2666,7 MHz"));
        QCOMPARE(group_->coreMultiplier->text(), QStringLiteral("x 20,0"));
    }

    void measuredClocksReachThePanels() {
        binder_->Clocks().StartMeasuring();
        QTRY_COMPARE_WITH_TIMEOUT(group_->bclk->text(), QStringLiteral("133.3 MHz"), 5000);
        QCOMPARE(group_->cores->text(), QStringLiteral("2666.7 MHz"));
        QCOMPARE(group_->ram->text(), QStringLiteral("533.3 MHz"));
        QCOMPARE(group_->coreMultiplierList->currentIndex(), 8);  // ratio 20
        binder_->Clocks().StopMeasuring();
        QTRY_COMPARE(binder_->Clocks().State().measuringFinished.load(), 1);
    }
};

QTEST_MAIN(CpuFrequencyTest)
#include "cpu_frequency_test.moc"
