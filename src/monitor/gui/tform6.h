#pragma once
// TForm6, "Zentrimo Monitor": eleven scrolling graphs of memory, page file, clocks, usage and
// temperatures with their read-outs, fed once a second by Timer1 from the values the monitoring
// thread OP publishes. The window is created hidden at start; the thread runs from then on, the
// timer samples only after the Monitor was opened.
//
// Control names (objectName):
//   groups   GroupBox1 memory, GroupBox2 frequencies, GroupBox3 general usage, GroupBox4..11
//            cores; each holds Graphe<n> at (6, 14)
//   panels   current values Panel01, Panel02, Panel22, Panel03, Panel41 .. Panel111;
//            mouse read-outs Panel1 .. Panel11 (hidden until the mouse is over the graph)
//   labels   Label10, Label12 memory scale, Label22 frequency scale, Label30/Label32 and
//            Label<g>0/Label<g>2 (g = 4..11) temperature minimum/maximum
//   bottom   Label7 "TJMax:", ComboTJMax, Panel12 with Label1..Label5 (elapsed time), Minimize,
//            DelHis "Reset", Quit "Exit"; UpDown1 beside Label22

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "hw/hardware_access.h"
#include "monitor/history.h"
#include "monitor/monitor_fields.h"
#include "monitor/publication.h"
#include "monitor/tick_sampling.h"
#include "os/clock.h"
#include "os/system_info.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace zm::ui {
class TGraphe;
}

namespace zm::monitor {
class OP;
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
};

class TForm6 : public QWidget {
    Q_OBJECT

public:
    explicit TForm6(MonitorContext context, QWidget* parent = nullptr);
    ~TForm6() override;

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
    std::array<ui::TGraphe*, 12> Graphe{};   // 1..11
    std::array<QGroupBox*, 12> GroupBox{};   // 1..11
    std::array<QLabel*, 12> ReadoutPanel{};  // Panel1..Panel11
    std::array<QLabel*, 12> CurrentPanel{};  // 1: Panel01, 2: Panel02, 3: Panel03, 4..11: Panel41..
    std::array<QLabel*, 12> MinimumLabel{};  // 3: Label30, 4..11: Label40..Label110
    std::array<QLabel*, 12> MaximumLabel{};  // 3: Label32, 4..11: Label42..Label112
    QLabel* Panel22 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label22 = nullptr;
    QLabel* Label7 = nullptr;
    QComboBox* ComboTJMax = nullptr;
    QWidget* Panel12 = nullptr;
    QLabel* Label1 = nullptr;  // hours
    QLabel* Label2 = nullptr;  // minutes
    QLabel* Label3 = nullptr;  // seconds
    QPushButton* Minimize = nullptr;
    QPushButton* DelHis = nullptr;
    QPushButton* Quit = nullptr;
    QSpinBox* UpDown1 = nullptr;
    QTimer* Timer1 = nullptr;

    // State the tests look at.
    const MonitorFields& Fields() const { return fields_; }
    const MonitorSettings& Settings() const { return settings_; }
    const History& Histories() const { return history_; }
    int TickCounter() const { return ticks_; }
    const TickSampler& Sampler() const { return sampler_; }
    unsigned PublishedCycles() const;

public slots:
    void Timer1Timer();
    void DelHisClick();
    void MinimizeClick();
    void QuitClick();
    void ComboTJMaxChange(int index);
    void UpDown1Click(int position);
    // The publication step, on the window thread.
    void Publish(const ThreadResults& results);

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
    std::unique_ptr<OP> op_;
};

}  // namespace zm::monitor::gui
