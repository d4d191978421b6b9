// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's clock and CPU-control members in one place: the values shared with the
// measuring thread, the thread itself, the Intel power-feature MSR copies and the core-multiplier
// list, and the AMD K10 limits the CPU settings window builds its lists from. The window owns
// one; its handlers are the few lines that call in here.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cpu/clock_measuring_thread.h"
#include "cpu/clock_multipliers.h"
#include "cpu/clock_state.h"
#include "cpu/power_features.h"
#include "hw/hardware_access.h"
#include "os/clock.h"
#include "timings/model/timing_model.h"

namespace zm::cpu {

// What the platform branch of start-up leaves in the "System Frequency" group.
struct FrequencySetup {
    MultiplierTexts texts;  // static multiplier fields of the UnCore, HT/QPI and RAM rows
    // Intel: the power-feature boxes (checked) and the core-multiplier list.
    std::optional<PowerFeatureBoxes> boxes;
    std::vector<std::string> multiplierItems;
};

class CpuClocks {
public:
    CpuClocks(hw::HardwareAccess& hw, os::Clock& clock, ClockMeasuringThread::Dispatcher dispatcher,
              ClockMeasuringThread::Publisher publisher, char decimalSeparator = '.');
    ~CpuClocks();

    ClockState& State() { return state_; }
    const ClockState& State() const { return state_; }
    ClockMeasuringThread& Thread() { return thread_; }

    void StartMeasuring() { thread_.StartMeasuring(); }
    // One measuring pass on the calling thread, as the thread would make it (the report has no
    // thread). Nothing when no two intervals of the pass agreed.
    std::optional<PassOutput> MeasureOnce(os::Clock& clock);
    void StopMeasuring() { thread_.StopMeasuring(); }

    // Intel, both controller kinds. Reads the multipliers, publishes them to the thread, reads
    // the power-feature MSRs and clicks the boxes that start checked, builds coreMultiplierList's
    // items. A HostBridge machine whose facts carry no window base has it read from the host
    // bridge.
    FrequencySetup SetUpIntel(const IntelClockFacts& facts, int coreCount, int minimumRatio);
    // AMD K10: multipliers and limits; the power-feature boxes stay disabled.
    FrequencySetup SetUpK10(timings::K10Mode mode, int coreCount);

    // --- window handlers (window thread) ---
    void EistClick(bool checked) { power_.EistClick(hw_, checked); }
    void TurboClick(bool checked) { power_.TurboClick(hw_, checked); }
    void C1eClick(bool checked) { power_.C1eClick(hw_, checked, state_.coreCount.load()); }
    // The list was opened: the thread stops moving any core's selection.
    void CoreMultiplierListOpened() { HoldCoreMultiplier(state_); }
    // The user picked a multiplier; nothing is written until Apply, which writes it. A pick made
    // with the keyboard or the wheel never opens the list, so the pick holds the list too
    // (otherwise Apply would find nothing pending and the choice would be lost). True when the
    // warning that EIST must be on has to be shown.
    bool CoreMultiplierListChanged(bool eistChecked) {
        HoldCoreMultiplier(state_);
        return !eistChecked;
    }
    // Apply, before the timing writes (Intel only; does nothing elsewhere).
    bool ApplyCoreMultiplier(int selectedItem);

    const std::vector<std::string>& MultiplierItems() const { return multiplierItems_; }
    const std::optional<K10Limits>& Limits() const { return k10Limits_; }
    const PowerFeatures& Power() const { return power_; }

private:
    hw::HardwareAccess& hw_;
    char separator_;
    ClockState state_;
    ClockMeasuringThread thread_;
    PowerFeatures power_;
    std::vector<std::string> multiplierItems_;
    std::optional<K10Limits> k10Limits_;
};

// The memory-controller window of host bridge 0x0040/0x0044 (bus 0, device 0, register 0x48),
// read without changing it.
std::uint32_t ReadHostBridgeWindowBase(hw::HardwareAccess& hw);

}  // namespace zm::cpu
