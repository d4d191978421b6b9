// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/cpu_clocks.h"

#include <utility>

namespace zm::cpu {

namespace {
constexpr std::uint32_t kHostBridgeWindowRegister = 0x80000048;
constexpr std::uint32_t kHostBridgeWindowMask = 0xFFFFC000;  // 16 KiB aligned
}  // namespace

std::uint32_t ReadHostBridgeWindowBase(hw::HardwareAccess& hw) {
    return hw.PciConfigRead(kHostBridgeWindowRegister) & kHostBridgeWindowMask;
}

CpuClocks::CpuClocks(hw::HardwareAccess& hw, os::Clock& clock,
                     ClockMeasuringThread::Dispatcher dispatcher,
                     ClockMeasuringThread::Publisher publisher, char decimalSeparator)
    : hw_(hw),
      separator_(decimalSeparator),
      thread_(hw, clock, state_, std::move(dispatcher), std::move(publisher), decimalSeparator) {}

std::optional<PassOutput> CpuClocks::MeasureOnce(os::Clock& clock) {
    const auto readings = TakeTscReadings(hw_, clock, [] { return false; });
    if (!readings) return std::nullopt;
    const double tscMhz = NextTscMhz(0.0, *readings);
    if (tscMhz <= 0.0) return std::nullopt;
    return ClockPass(separator_).Run(hw_, state_, tscMhz);
}

CpuClocks::~CpuClocks() {
    thread_.StopMeasuring();
}

FrequencySetup CpuClocks::SetUpIntel(const IntelClockFacts& facts, int coreCount,
                                     int minimumRatio) {
    IntelClockFacts f = facts;
    if (f.kind == timings::ControllerKind::HostBridge && f.memoryWindowBase == 0) {
        f.memoryWindowBase = ReadHostBridgeWindowBase(hw_);
    }
    const IntelStartup startup = ReadIntelMultipliers(hw_, f);

    state_.coreCount = coreCount;
    state_.minimumRatio = minimumRatio;
    StoreMultipliers(state_, startup.multipliers);
    state_.platform = CpuPlatform::Intel;

    FrequencySetup setup;
    setup.texts = startup.texts;
    power_.ReadCopies(hw_);
    setup.boxes = power_.Start(hw_, coreCount);
    multiplierItems_ = CoreMultiplierItems(minimumRatio, ReadSingleCoreTurboLimit(hw_));
    setup.multiplierItems = multiplierItems_;
    return setup;
}

FrequencySetup CpuClocks::SetUpK10(timings::K10Mode mode, int coreCount) {
    const K10Startup startup = ReadK10Multipliers(hw_, mode);
    state_.coreCount = coreCount;
    StoreMultipliers(state_, startup.multipliers);
    state_.platform = CpuPlatform::AmdK10;
    k10Limits_ = startup.limits;

    FrequencySetup setup;
    setup.texts = startup.texts;
    return setup;
}

bool CpuClocks::ApplyCoreMultiplier(int selectedItem) {
    if (state_.platform.load() != CpuPlatform::Intel) return false;
    return WritePendingCoreMultiplier(hw_, state_, selectedItem,
                                      static_cast<int>(multiplierItems_.size()));
}

}  // namespace zm::cpu
