// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Binds the main window's "System Frequency" group to the clock and CPU-control core: the
// measuring thread's texts reach the panels through queued calls on the window thread, the
// EIST / C1E / turbo boxes switch their features at once, and coreMultiplierList holds the core
// multiplier that Apply writes. The widgets belong to the main window and the clocks to the
// application session; this only connects them.

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "cpu/cpu_clocks.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace zm::cpu::gui {

struct FrequencyWidgets {
    QLabel* bclk = nullptr;
    QLabel* coreMultiplier = nullptr;         // text field of the Cores row (AMD K10)
    QComboBox* coreMultiplierList = nullptr;  // core-multiplier list (Intel)
    QLabel* cores = nullptr;
    QLabel* uncore = nullptr;
    QLabel* link = nullptr;
    QLabel* ram = nullptr;
    QCheckBox* eist = nullptr;
    QCheckBox* c1e = nullptr;
    QCheckBox* turbo = nullptr;
};

class FrequencyBinder : public QObject {
    Q_OBJECT

public:
    // Shows a message box: text, caption.
    using Warn = std::function<void(const std::string& text, const std::string& caption)>;

    // The passes reach ShowPass through whoever made `clocks` (the session's clock listener).
    FrequencyBinder(FrequencyWidgets widgets, CpuClocks& clocks, Warn warn,
                    QObject* parent = nullptr);

    CpuClocks& Clocks() { return clocks_; }

    // Runs tasks on this object's (the window) thread, later, without waiting for them.
    static ClockMeasuringThread::Dispatcher QueuedDispatcher(QObject* context);

    // Where the AMD K10 live values of the CPU settings window go once it exists; the window
    // sets the created flag in Clocks().State() when it is built.
    void SetCpuSettingsSink(std::function<void(const CpuSettingsFields&)> sink) {
        cpuSettingsSink_ = std::move(sink);
    }

    // One pass's result, on the window thread. A list the user opened since the pass read it
    // is left alone.
    void ShowPass(const PassOutput& output);

    // Apply, before the timing writes: the pending core multiplier (Intel).
    bool ApplyCoreMultiplier();

    // Handlers, named after their controls.
    void EISTClick(bool checked);
    void turboClick(bool checked);
    void C1EClick(bool checked);
    void CoreMultiplierListOpened();
    void CoreMultiplierListChanged(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FrequencyWidgets w_;
    Warn warn_;
    CpuClocks& clocks_;
    std::function<void(const CpuSettingsFields&)> cpuSettingsSink_;
    QObject* coreMultiplierPopup_ = nullptr;
};

}  // namespace zm::cpu::gui
