// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cmath>

#include "settings/ini_file.h"
#include "spd/smbus_discovery.h"
#include "spd/spd_memory_type.h"
#include "startup/shutdown.h"
#include "startup/version.h"
#include "ui/common/message_sink.h"
#include "ui/cpu/frequency_binder.h"
#include "ui/main/share_actions.h"
#include "ui/spd/spd_window.h"
#include "ui/timings/timing_controls_binder.h"

namespace zm::ui {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

void ShowCheck(QCheckBox* box, const app::CheckState& state) {
    const QSignalBlocker blocker(box);
    box->setChecked(state.checked);
    box->setEnabled(state.enabled);
}

int ScreenDotsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInch()))
                  : layout::kCompactDpi;
}

}  // namespace

MainWindow::MainWindow(app::Session& session, MessageSink& messages, QWidget* parent)
    : QWidget(parent), session_(session), messages_(messages) {
    setWindowTitle(QString::fromUtf8(app::kProgramTitle));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    BuildControls();
    ApplyDensityLayout(ScreenDotsPerInch());

    // The "System Frequency" group: the session's clocks and their measuring thread, the EIST /
    // C1E / turbo boxes and the core-multiplier list.
    cpu::gui::FrequencyWidgets frequency;
    frequency.bclk = PanelBclk;
    frequency.coreMultiplier = PanelCoreMultiplier;
    frequency.coreMultiplierList = coreMultiplierList;
    frequency.cores = PanelCores;
    frequency.uncore = PanelUncore;
    frequency.link = PanelLink;
    frequency.ram = PanelRam;
    frequency.eist = CheckBoxEist;
    frequency.c1e = CheckBoxC1E;
    frequency.turbo = CheckBoxTurbo;
    frequency_ = new cpu::gui::FrequencyBinder(
        frequency, session_.Clocks(),
        [this](const std::string& text, const std::string& caption) {
            messages_.Show({caption, text});
        },
        this);
    session_.SetClockListener(
        [binder = frequency_](const cpu::PassOutput& output) { binder->ShowPass(output); });

    const app::StartupResult& startup = session_.Startup();
    ShowView(startup.view);
    if (session_.Timings() && !startup.terminationRequested) {
        // The timing drop-downs' change handlers, the channel selector and Apply work on the
        // session the start-up read; the binder is owned by this window.
        timings::gui::TimingControlsBinder::Hooks hooks;
        hooks.storedSetActive = [path = session_.SettingsPath()] {
            return settings::Settings(path).ApplyStoredAtStart();
        };
        // On Intel a pending core-multiplier choice is written before the timings.
        hooks.beforeApply = [binder = frequency_] { binder->ApplyCoreMultiplier(); };
        // The timings a write did not bring into the controller.
        hooks.message = [this](const std::string& caption, const std::string& text) {
            messages_.Show({caption, text});
        };
        timings_ =
            new timings::gui::TimingControlsBinder(this, *session_.Timings(), std::move(hooks));
    }

    connect(OthersTimings, &QPushButton::clicked, this, &MainWindow::OthersTimingsClick);
    connect(Hide, &QPushButton::clicked, this, &MainWindow::HideClick);
    connect(About, &QPushButton::clicked, this, &MainWindow::AboutClick);
    connect(Save, &QPushButton::clicked, this, &MainWindow::SaveClick);
    connect(Advanced, &QPushButton::clicked, this, &MainWindow::AdvancedClick);
    connect(Monitor, &QPushButton::clicked, this, &MainWindow::MonitorClick);
    connect(spd, &QPushButton::clicked, this, &MainWindow::spdClick);
    connect(Exit, &QPushButton::clicked, this, &MainWindow::ExitClick);

    for (const app::Message& message : startup.messages) messages_.Show(message);
    if (startup.terminationRequested) {
        // The window stays unusable; the application leaves as soon as its loop runs.
        setEnabled(false);
        ShutDown();
        QMetaObject::invokeMethod(QCoreApplication::instance(), "quit", Qt::QueuedConnection);
        return;
    }
    sharing_ = new ShareActions(*this);
    StartTimers();
}

MainWindow::~MainWindow() {
    session_.SetClockListener(nullptr);
    ShutDown();
}

QComboBox* MainWindow::TimingCombo(int number) const {
    const int i = timings::gui::SlotPosition(number);
    return i < 0 ? nullptr : timingCombos_[static_cast<std::size_t>(i)];
}

QLabel* MainWindow::TimingLabel(int number) const {
    const int i = timings::gui::SlotPosition(number);
    return i < 0 ? nullptr : timingLabels_[static_cast<std::size_t>(i)];
}

QLabel* MainWindow::Panel(int number) const {
    const auto found = panels_.find(number);
    return found == panels_.end() ? nullptr : found->second;
}

void MainWindow::ShowView(const app::MainView& view) {
    // The layout placed the summary panels in the order of the rows.
    std::size_t next = 0;
    for (const app::FactGroup& group : app::SummaryGroups(view)) {
        for (const app::FactRow& row : group.rows) {
            QLabel* panel = summaryPanels_.at(next++);
            panel->setText(Text(row.text));
            panel->setEnabled(row.enabled);
            if (QLabel* caption = findChild<QLabel*>(QStringLiteral("Label") + panel->objectName()))
                caption->setEnabled(row.enabled);
        }
    }

    const app::FrequencyView& f = view.frequency;
    // The same rows the report prints: clocks and the multiplier fields.
    const std::vector<app::FactRow> clockRows = app::FrequencyGroup(f).rows;
    for (std::size_t i = 0; i < clockRows.size(); ++i)
        clockPanels_.at(i)->setText(Text(clockRows[i].text));
    linkCaptionLabel->setText(Text(f.linkCaption));
    ShowCheck(CheckBoxEist, f.eist);
    ShowCheck(CheckBoxC1E, f.c1e);
    ShowCheck(CheckBoxTurbo, f.turbo);
    {
        const QSignalBlocker blocker(coreMultiplierList);
        coreMultiplierList->clear();
        for (const std::string& item : f.multiplierItems) coreMultiplierList->addItem(Text(item));
        coreMultiplierList->setCurrentIndex(f.multiplierIndex);
    }
    coreMultiplierList->setVisible(f.multiplierListVisible);
    PanelCoreMultiplier->setVisible(!f.multiplierListVisible);

    const app::TimingsView& t = view.timings;
    if (t.filled) {
        for (std::size_t i = 0; i < t.controls.size(); ++i) {
            const app::TimingControlView& control = t.controls[i];
            QComboBox* combo = timingCombos_[i];
            const QSignalBlocker blocker(combo);
            combo->clear();
            for (const std::string& item : control.items) combo->addItem(Text(item));
            const bool listed = control.shownIndex >= 0 &&
                                static_cast<std::size_t>(control.shownIndex) < control.items.size();
            combo->setCurrentIndex(listed ? control.shownIndex : -1);
            combo->setEnabled(control.enabled);
            timingLabels_[i]->setText(Text(control.label));
        }
        if (!t.groupCaption.empty()) {
            GroupBox1->setTitle(Text(t.groupCaption));
            GroupBox3->setTitle(Text(t.groupCaption));
        }
        const QSignalBlocker blocker(ComboCH);
        ComboCH->clear();
        for (const std::string& item : t.channelItems) ComboCH->addItem(Text(item));
        ComboCH->setCurrentIndex(t.channelSelected);
        ComboCH->setEnabled(t.channelEnabled);
    }

    Apply->setEnabled(view.buttons.applyEnabled);
    Advanced->setEnabled(view.buttons.advancedEnabled);
    spd->setVisible(view.buttons.spdVisible);
}

void MainWindow::ApplyDensityLayout(int dotsPerInch) {
    compact_ = dotsPerInch == layout::kCompactDpi;
    if (compact_) {
        GroupBox3->hide();
        Hide->hide();
        OthersTimings->show();
        setFixedSize(layout::kWidth, layout::kCompactHeight);
        SetButtonTop(layout::kCompactButtonTop);
    } else {
        // The designed layout: every group visible, nothing to switch.
        OthersTimings->hide();
        Hide->hide();
        GroupBox3->show();
        setFixedSize(layout::kWidth, layout::kExpandedHeight);
        SetButtonTop(layout::kExpandedButtonTop);
    }
}

void MainWindow::SetButtonTop(int top) {
    for (QPushButton* button :
         {Apply, Save, OthersTimings, Hide, Advanced, Monitor, About, spd, Exit})
        button->move(button->x(), top);
}

void MainWindow::OthersTimingsClick() {
    GroupBox3->show();
    Hide->show();
    OthersTimings->hide();
    setFixedSize(layout::kWidth, layout::kExpandedHeight);
    SetButtonTop(layout::kExpandedButtonTop);
}

void MainWindow::HideClick() {
    GroupBox3->hide();
    Hide->hide();
    OthersTimings->show();
    setFixedSize(layout::kWidth, layout::kCompactHeight);
    SetButtonTop(layout::kCompactButtonTop);
}

namespace {
void ShowWindow(QWidget* window) {
    if (!window) return;
    window->show();
    window->raise();
    window->activateWindow();
}
}  // namespace

void MainWindow::AboutClick() {
    ShowWindow(windows_.about);
}
void MainWindow::SaveClick() {
    ShowWindow(windows_.startUp);
}
void MainWindow::AdvancedClick() {
    ShowWindow(windows_.cpuSettings);
}
void MainWindow::MonitorClick() {
    ShowWindow(windows_.monitor);
}
// The SMBus controller is looked for again before every module: that repairs a host-enable or
// function-disable bit changed since. Without a controller the SPD window is not shown.
void MainWindow::spdClick() {
    if (session_.Refused()) return;
    if (!spd::DiscoverSmbusController(session_.Hardware())) {
        messages_.Show({"WARNING!", spd::kNoControllerText});
        return;
    }
    ShowWindow(windows_.spd);
    if (auto* spdWindow = qobject_cast<spd::gui::SpdWindow*>(windows_.spd))
        spdWindow->DecodeModule(session_.Hardware(), session_.Live().spdSlaveAddress);
}

void MainWindow::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    // The session stops the threads before it lets go of the hardware.
    session_.End();
}

void MainWindow::ExitClick() {
    if (gaugeTimer) gaugeTimer->stop();
    if (timerHooks_.releaseIcon) timerHooks_.releaseIcon();
    ExitMenuClick();
}

bool MainWindow::RestoreOffered() const {
    return timings_ && timings_->RestoreOffered();
}

void MainWindow::RestoreTimingsClick() {
    if (timings_) timings_->RestoreClick();
}

void MainWindow::ExitMenuClick() {
    ShutDown();
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the window ends the program like Exit, whatever other window is open: the
    // hardware is put back and the event loop ends (the other windows would otherwise keep the
    // process alive with their threads stopped).
    ExitMenuClick();
    event->accept();
}

}  // namespace zm::ui
