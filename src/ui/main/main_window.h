// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: it shows what the session's start-up found and passes its messages to the
// message sink; a refused machine leaves a disabled window that is never shown.
//
// Control names (objectName) as the rest of the program refers to them:
//   groups      GroupBox1 "Timings", GroupBox3 "Others Timings", GroupBoxFrequency "System
//               Frequency", GroupBoxCpu "CPU", GroupBoxMotherBoard "MotherBoard",
//               GroupBoxMemory "Memory"
//   timings     Combo1A..Combo21A, Combo26A..Combo31A with Label1..Label17, Label18A, Label19A,
//               Label26A..Label31A, Label27 (Combo20A), Label28 (Combo21A); ComboCH,
//               channelSelectorLabel
//   summary     Panel1..Panel17, in the rows of app::SummaryGroups as the layout places them
//   frequency   PanelBclk, PanelCores, PanelCoreMultiplier, coreMultiplierList, PanelUncore,
//   PanelLink
//               with linkCaptionLabel, PanelRam, the multiplier fields PanelUncoreMultiplier,
//               PanelLinkMultiplier, PanelRamMultiplier; check boxes CheckBoxEist "EIST",
//               CheckBoxC1E "C1E", CheckBoxTurbo "turbo"
//   buttons     Apply, Save "StartUp", OthersTimings "SubTim.", Hide, Advanced "CPU", Monitor,
//               About, spd, Exit

#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "startup/session.h"
#include "startup/startup_choices.h"
#include "timings/model/timing_model.h"
#include "ui/cpu/frequency_binder.h"
#include "ui/timings/timing_controls_binder.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace zm::ui {

class MessageSink;
class ShareActions;

// Geometry of the two layouts.
namespace layout {
constexpr int kWidth = 1016;
constexpr int kCompactHeight = 389;
constexpr int kExpandedHeight = 653;
constexpr int kCompactButtonTop = 331;
constexpr int kExpandedButtonTop = 595;
// The compact layout is the start layout on screens of this density.
constexpr int kCompactDpi = 96;
}  // namespace layout

class MainWindow : public QWidget {
    Q_OBJECT

public:
    // `session` is started and outlives the window.
    MainWindow(app::Session& session, MessageSink& messages, QWidget* parent = nullptr);
    ~MainWindow() override;

    app::Session& Session() { return session_; }
    const app::StartupResult& Startup() const { return session_.Startup(); }
    MessageSink& Messages() { return messages_; }
    bool TerminationRequested() const { return session_.Refused(); }
    // The "System Frequency" group's binder (the CPU settings window's live values go through it).
    cpu::gui::FrequencyBinder& Frequency() { return *frequency_; }

    // The windows the buttons open (any may be null until it exists).
    struct Windows {
        QWidget* about = nullptr;
        QWidget* spd = nullptr;
        QWidget* cpuSettings = nullptr;
        QWidget* monitor = nullptr;
        QWidget* startUp = nullptr;
    };
    void SetWindows(const Windows& windows) { windows_ = windows; }
    QWidget* SpdWindow() const { return windows_.spd; }

    // "Copy report", "Save report…", "Save picture…": the window's context menu, and the
    // notification-area menu's. Null on a machine the start-up refused.
    ShareActions* Sharing() const { return sharing_; }

    // What the timers need from the windows built elsewhere: the Monitor (started hidden at
    // boot, its usage for the gauge) and the notification-area icon.
    struct TimerHooks {
        std::function<void()> startMonitorHidden;  // Monitor click, then its Minimize
        std::function<int()> averageUsage;         // the Monitor's AverageUsage
        std::function<void(int)> showGauge;        // icon 1..24
        std::function<void()> releaseIcon;         // lets go of the gauge icon (Exit button)
    };
    void SetTimerHooks(TimerHooks hooks) { timerHooks_ = std::move(hooks); }
    // startUpTimer (100 ms): the boot-time choices; gaugeTimer (1 s): the usage gauge.
    QTimer* startUpTimer = nullptr;
    QTimer* gaugeTimer = nullptr;
    const app::StartupChoiceFlags& ChoiceFlags() const { return choiceFlags_; }

    // Shows a view's texts, lists and states in the controls.
    void ShowView(const app::MainView& view);

    // Controls.
    // The timing drop-down "Combo<number>A" and its label (number 1..21, 26..31).
    QComboBox* TimingCombo(int number) const;
    QLabel* TimingLabel(int number) const;
    QLabel* Panel(int number) const;  // Panel1..Panel17
    QComboBox* ComboCH = nullptr;
    QLabel* channelSelectorLabel = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QGroupBox* GroupBoxFrequency = nullptr;
    QGroupBox* GroupBoxCpu = nullptr;
    QGroupBox* GroupBoxMotherBoard = nullptr;
    QGroupBox* GroupBoxMemory = nullptr;
    QLabel* PanelBclk = nullptr;
    QLabel* PanelCores = nullptr;
    QLabel* PanelCoreMultiplier = nullptr;
    QComboBox* coreMultiplierList = nullptr;
    QLabel* PanelUncore = nullptr;
    QLabel* PanelUncoreMultiplier = nullptr;
    QLabel* PanelLink = nullptr;
    QLabel* PanelLinkMultiplier = nullptr;
    QLabel* linkCaptionLabel = nullptr;
    QLabel* PanelRam = nullptr;
    QLabel* PanelRamMultiplier = nullptr;
    QCheckBox* CheckBoxEist = nullptr;
    QCheckBox* CheckBoxC1E = nullptr;
    QCheckBox* CheckBoxTurbo = nullptr;
    QPushButton* Apply = nullptr;
    QPushButton* Save = nullptr;
    QPushButton* OthersTimings = nullptr;
    QPushButton* Hide = nullptr;
    QPushButton* Advanced = nullptr;
    QPushButton* Monitor = nullptr;
    QPushButton* About = nullptr;
    QPushButton* spd = nullptr;
    QPushButton* Exit = nullptr;

    // Step 3 of the construction: the compact layout at 96 dots per inch, the designed
    // (expanded, nothing to switch) layout at any other density.
    void ApplyDensityLayout(int dotsPerInch);
    bool CompactLayout() const { return compact_; }
    bool ShutDownDone() const { return shutDown_; }

public slots:
    void StartUpTimerTick();
    void GaugeTimerTick();
    // The window's first activation (sets the activated flag; nothing else).
    void FormActivate();
    void OthersTimingsClick();  // "SubTim.": expanded layout
    void HideClick();           // compact layout
    void AboutClick();
    void SaveClick();
    void AdvancedClick();
    void MonitorClick();
    void spdClick();
    // The Exit button: stops the gauge timer and lets go of the gauge icon, then shuts down.
    void ExitClick();
    // The menu's Exit: the same shutdown, without touching the gauge.
    void ExitMenuClick();
    // "Restore start-up timings" (the notification-area menu; the Apply button's context menu
    // has its own): the timing registers' start-up images written back and read again.
    void RestoreTimingsClick();

public:
    // Whether a timing register holds something else than at start-up (Restore is offered).
    bool RestoreOffered() const;

protected:
    void closeEvent(class QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildControls();
    void SetButtonTop(int top);
    void StartTimers();
    void ShutDown();

    app::Session& session_;
    MessageSink& messages_;
    cpu::gui::FrequencyBinder* frequency_ = nullptr;
    timings::gui::TimingControlsBinder* timings_ = nullptr;  // none on a refused machine
    Windows windows_;
    TimerHooks timerHooks_;
    app::StartupChoiceFlags choiceFlags_;

    // In drop-down order (ui/timings/timing_slots.h).
    std::array<QComboBox*, timings::kKindTimingCount> timingCombos_{};
    std::array<QLabel*, timings::kKindTimingCount> timingLabels_{};
    std::map<int, QLabel*> panels_;
    std::vector<QLabel*> summaryPanels_;  // the rows of app::SummaryGroups, in their order
    std::vector<QLabel*> clockPanels_;    // the rows of app::FrequencyGroup, in their order
    bool compact_ = false;
    bool shutDown_ = false;
    ShareActions* sharing_ = nullptr;
};

}  // namespace zm::ui
