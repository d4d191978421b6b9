// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// MonitorWindow, "Zentrimo Monitor": eleven scrolling graphs of memory, page file, clocks, usage
// and temperatures with their read-outs, fed once a second by samplingTimer from the values the
// monitoring thread MonitorThread publishes. The window is created hidden at start; the thread runs
// from then on, the timer samples only after the Monitor was opened.
//
// Control names (objectName):
//   groups   GroupBox1 memory, GroupBox2 frequencies, GroupBox3 general usage, GroupBox4..11
//            cores; each holds historyGraph<n> at (6, 14)
//   panels   current values Panel01, Panel02, memoryClockPanel, Panel03, Panel41 .. Panel111;
//            mouse read-outs Panel1 .. Panel11 (hidden until the mouse is over the graph)
//   labels   ramScaleBottomLabel, ramScaleTopLabel memory scale, frequencyScaleLabel frequency
//   scale, Label30/Label32 and
//            Label<g>0/Label<g>2 (g = 4..11) temperature minimum/maximum
//   bottom   tjMaxCaption "TJMax:", tjMaxList, elapsedTimePanel with hoursLabel..Label5 (elapsed
//   time), Minimize,
//            clearHistoryButton "Reset", Quit "Exit"; frequencyScale beside frequencyScaleLabel
//   actions  logAction "Log to file…" / "Stop logging" (the window's context menu; the
//            notification-area menu shows it too)

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "hw/hardware_access.h"
#include "monitor/history.h"
#include "monitor/monitor_fields.h"
#include "monitor/monitor_log.h"
#include "monitor/publication.h"
#include "monitor/tick_sampling.h"
#include "os/clock.h"
#include "os/system_info.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace zm::ui {
class HistoryGraph;
}

namespace zm::monitor {
class MonitorThread;
}

namespace zm::monitor::gui {

// What the Monitor needs from the rest of the program.
struct MonitorContext {
    MonitorContext(hw::HardwareAccess& h, os::SystemInfo& s, os::Clock& c, std::string path)
        : hw(h), system(s), clock(c), settingsPath(std::move(path)) {}
    hw::HardwareAccess& hw;
    os::SystemInfo& system;
    os::Clock& clock;
    std::string settingsPath;
    // Processor facts: Intel core count, or the AMD K10 highest core index; Intel thread count.
    int coreCount = 1;
    int threadCount = 1;
    bool intelPlatform = false;
    bool amdPlatform = false;
    unsigned installedMb = 0;
    // False on a machine the start-up refused: the window exists, nothing is measured.
    bool startThread = true;
    // CPU and memory clock in MHz, as the clock-measurement thread last published them.
    std::function<std::pair<std::uint16_t, std::uint16_t>()> clocks;
    // The highest core temperature for the notification-area text icon.
    std::function<void(int)> setTrayTemperature;
    // The main window's monitor-ready flag: false at creation, true after each publication.
    std::function<void(bool)> setMonitorReady;
    // A message the user must see (caption, text); a message box when unset.
    std::function<void(const std::string&, const std::string&)> message;
};

class MonitorWindow : public QWidget {
    Q_OBJECT

public:
    explicit MonitorWindow(MonitorContext context, QWidget* parent = nullptr);
    ~MonitorWindow() override;

    // The main window's Monitor command: sampling on, timer running (showing the window is the
    // caller's business).
    void StartMonitoring();
    // Stops the monitoring thread (before the hardware library is released at exit).
    void StopMonitoring();
    // The notification-area text icon exists only after the windows.
    void SetTrayTemperatureHook(std::function<void(int)> hook) {
        context_.setTrayTemperature = std::move(hook);
    }

    // Controls.
    std::array<ui::HistoryGraph*, 12> historyGraphs{};  // 1..11
    std::array<QGroupBox*, 12> groupBoxes{};            // 1..11
    std::array<QLabel*, 12> readoutPanels{};            // Panel1..Panel11
    std::array<QLabel*, 12>
        currentPanels{};  // 1: Panel01, 2: Panel02, 3: Panel03, 4..11: Panel41..
    std::array<QLabel*, 12> minimumLabels{};  // 3: Label30, 4..11: Label40..Label110
    std::array<QLabel*, 12> maximumLabels{};  // 3: Label32, 4..11: Label42..Label112
    QLabel* memoryClockPanel = nullptr;
    QLabel* ramScaleBottomLabel = nullptr;
    QLabel* ramScaleTopLabel = nullptr;
    QLabel* frequencyScaleLabel = nullptr;
    QLabel* tjMaxCaption = nullptr;
    QComboBox* tjMaxList = nullptr;
    QWidget* elapsedTimePanel = nullptr;
    QLabel* hoursLabel = nullptr;    // hours
    QLabel* minutesLabel = nullptr;  // minutes
    QLabel* secondsLabel = nullptr;  // seconds
    QPushButton* Minimize = nullptr;
    QPushButton* clearHistoryButton = nullptr;
    QPushButton* Quit = nullptr;
    QSpinBox* frequencyScale = nullptr;
    QTimer* samplingTimer = nullptr;
    QAction* logAction = nullptr;

    // Where "Log to file…" writes: a save dialog opened in the default log folder, unless
    // replaced (tests). An empty answer logs nothing.
    std::function<QString()> chooseLogFile;
    bool Logging() const { return log_ != nullptr; }

    // State the tests look at.
    const MonitorFields& Fields() const { return fields_; }
    const MonitorSettings& Settings() const { return settings_; }
    const History& Histories() const { return history_; }
    int TickCounter() const { return ticks_; }
    const TickSampler& Sampler() const { return sampler_; }
    unsigned PublishedCycles() const;

public slots:
    void SamplingTimerTick();
    void ClearHistoryClick();
    void MinimizeClick();
    void QuitClick();
    void TjMaxChanged(int index);
    void FrequencyScaleChanged(int position);
    // The publication step, on the window thread.
    void Publish(const ThreadResults& results);
    // "Log to file…": asks for the file and starts the log (and the sampling, which the log
    // needs, without showing the window); while logging, the same action stops it.
    void LogClick();
    // Starts the CSV log into `file`; false (and the user told why) when it cannot be created.
    bool StartLog(const QString& file);
    void StopLog();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ApplyCoreCount();
    void LayOut();
    void LayOutCoreRow(int first, int columns, int width);
    void ShowTick(const TickSample& sample);
    void Refill();
    void FeedCoreGraph(int group, int index);
    void UpdateReadout(int graph);
    void GraphMouseMove(int graph, int x);
    void HideReadouts();
    void WriteFormState();
    void BuildLogAction();
    void LogFailed(const QString& text);
    void Tell(const QString& text);
    int CoreCount() const { return settings_.CoreCount.load(); }

    MonitorContext context_;
    MonitorSettings settings_;
    MonitorFields fields_;
    Publication publication_;
    TickSampler sampler_;
    History history_;
    int ticks_ = 0;
    bool refill_ = false;
    bool painted_ = false;
    std::array<int, 12> offsets_{};
    std::unique_ptr<MonitorThread> op_;
    std::unique_ptr<MonitorLog> log_;
    unsigned logGeneration_ = 0;       // which log a failure report is about
    bool samplingForLogOnly_ = false;  // the log started the sampling
};

}  // namespace zm::monitor::gui
