// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

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

#include "app/shutdown.h"
#include "app/version.h"
#include "cpu/gui/frequency_binder.h"
#include "settings/ini_file.h"
#include "spd/gui/spd_window.h"
#include "spd/smbus_discovery.h"
#include "spd/spd_memory_type.h"
#include "timings/gui/timing_controls_binder.h"
#include "ui/message_sink.h"
#include "ui/share_actions.h"

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

MainWindow::MainWindow(app::Backend& backend, std::string settingsPath, MessageSink& messages,
                       QWidget* parent)
    : QWidget(parent),
      backend_(backend),
      hw_(*backend.operations),
      settingsPath_(std::move(settingsPath)),
      messages_(messages) {
    setWindowTitle(QString::fromUtf8(app::kProgramTitle));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    BuildControls();
    ApplyDensityLayout(ScreenDotsPerInch());

    // The "System Frequency" group: the clock-measurement thread, which start-up starts, the
    // EIST / C1E / turbo boxes and the core-multiplier list. Owned by this window; the thread
    // stops before the hardware is released.
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
    auto* clocks = new cpu::gui::FrequencyBinder(
        frequency, hw_, backend_.clock,
        [this](const std::string& text, const std::string& caption) {
            messages_.Show({caption, text});
        },
        this);
    AddShutdownStep([clocks] { clocks->Clocks().StopMeasuring(); });

    app::StartupContext context{backend_, hw_, settingsPath_, &clocks->Clocks()};
    startup_ = app::RunStartup(context);
    ShowView(startup_.view);
    if (startup_.timings && !startup_.terminationRequested) {
        // The timing drop-downs' change handlers, the channel selector and Apply work on the
        // session the start-up read; the binder is owned by this window.
        timings::gui::TimingControlsBinder::Hooks hooks;
        hooks.storedSetActive = [path = settingsPath_] {
            return settings::IniFile(path).ReadFlag("HL", "AN");
        };
        // On Intel a pending core-multiplier choice is written before the timings.
        hooks.beforeApply = [clocks] { clocks->ApplyCoreMultiplier(); };
        // The timings a write did not bring into the controller.
        hooks.message = [this](const std::string& caption, const std::string& text) {
            messages_.Show({caption, text});
        };
        new timings::gui::TimingControlsBinder(this, *startup_.timings, std::move(hooks));
    }

    connect(OthersTimings, &QPushButton::clicked, this, &MainWindow::OthersTimingsClick);
    connect(Hide, &QPushButton::clicked, this, &MainWindow::HideClick);
    connect(About, &QPushButton::clicked, this, &MainWindow::AboutClick);
    connect(Save, &QPushButton::clicked, this, &MainWindow::SaveClick);
    connect(Advanced, &QPushButton::clicked, this, &MainWindow::AdvancedClick);
    connect(Monitor, &QPushButton::clicked, this, &MainWindow::MonitorClick);
    connect(spd, &QPushButton::clicked, this, &MainWindow::spdClick);
    connect(Exit, &QPushButton::clicked, this, &MainWindow::ExitClick);

    for (const app::Message& message : startup_.messages) messages_.Show(message);
    if (startup_.terminationRequested) {
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
    for (const app::PanelGroup& group : app::SummaryGroups(view)) {
        for (const app::PanelRow& row : group.rows) {
            QLabel* panel = findChild<QLabel*>(QString::fromUtf8(row.panelName));
            if (!panel) continue;
            panel->setText(Text(row.text));
            panel->setEnabled(row.enabled);
            if (QLabel* caption = findChild<QLabel*>(QStringLiteral("Label") + panel->objectName()))
                caption->setEnabled(row.enabled);
        }
    }

    const app::FrequencyView& f = view.frequency;
    // The same rows the report prints: clocks and the multiplier fields.
    for (const app::PanelRow& row : app::FrequencyGroup(f).rows)
        if (QLabel* panel = findChild<QLabel*>(QString::fromUtf8(row.panelName)))
            panel->setText(Text(row.text));
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
    if (startup_.terminationRequested) return;
    if (!spd::DiscoverSmbusController(hw_)) {
        messages_.Show({"WARNING!", spd::kNoControllerText});
        return;
    }
    ShowWindow(windows_.spd);
    if (auto* spdWindow = qobject_cast<spd::gui::SpdWindow*>(windows_.spd))
        spdWindow->DecodeModule(hw_, startup_.facts.spdSlaveAddress);
}

void MainWindow::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    // Threads first: none may still be inside the hardware library when it closes.
    for (auto& step : shutdownSteps_) step();
    app::ReleaseHardware(hw_, startup_.facts);
}

void MainWindow::ExitClick() {
    if (gaugeTimer) gaugeTimer->stop();
    if (timerHooks_.releaseIcon) timerHooks_.releaseIcon();
    ExitMenuClick();
}

bool MainWindow::RestoreOffered() const {
    const auto* binder = findChild<timings::gui::TimingControlsBinder*>();
    return binder && binder->RestoreOffered();
}

void MainWindow::RestoreTimingsClick() {
    if (auto* binder = findChild<timings::gui::TimingControlsBinder*>()) binder->RestoreClick();
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
