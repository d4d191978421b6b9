// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Monitor window's measured values: what the monitoring thread hands over in its
// publication step and what the window's one-second tick reads. The window owns one of these;
// only the window thread writes it.

#include <array>
#include <atomic>
#include <cstdint>

namespace zm::monitor {

// At most 32 logical processors are measured, 16 temperatures read, 8 cores displayed.
constexpr int kMaxUsageProcessors = 32;
constexpr int kMaxTemperatures = 16;
constexpr int kDisplayCores = 8;

// Where core temperatures come from: Intel's per-thread thermal status MSR, the AMD K10 north
// bridge's temperature register, or nowhere (usage only).
enum class TemperatureSource { None, Intel, AmdK10 };

// What the monitoring thread reads directly while it measures: set at construction or on the
// window thread, read as plain values.
struct MonitorSettings {
    std::atomic<int> CoreCount{1};
    std::atomic<int> ThreadCount{1};
    // Index of the TjMax list: item i is TjMax = 90 + i degrees.
    std::atomic<int> TjMaxIndex{10};
    std::atomic<TemperatureSource> source{TemperatureSource::None};

    bool HyperThreading() const { return ThreadCount.load() > CoreCount.load(); }
};

// The counts from the processor facts: Intel's core and thread counts; on AMD K10, where the
// facts hold the highest core index, that index plus one for both. Held to what is measured
// (8 cores, 32 logical processors).
void SetProcessorCounts(MonitorSettings& settings, int coreCount, int threadCount, bool amdK10);
// Intel's thermal status per thread, the K10 north bridge's sensor, or none.
inline TemperatureSource TemperatureSourceFor(bool intelPlatform, bool amdPlatform) {
    return intelPlatform ? TemperatureSource::Intel
           : amdPlatform ? TemperatureSource::AmdK10
                         : TemperatureSource::None;
}

// One cycle of the monitoring thread: usage per logical processor (paired siblings averaged)
// and temperature per logical processor.
struct ThreadResults {
    std::array<std::uint8_t, kMaxUsageProcessors> ThreadUsage{};
    std::array<std::int32_t, kMaxTemperatures> ThreadTemp{};
};

struct MonitorFields {
    std::array<std::int32_t, kDisplayCores> CoreUsage{};
    std::int32_t AverageUsage = 0;
    std::array<std::int32_t, kDisplayCores> CoreTemp{};
    std::int32_t HighestTemp = 0;
    std::int32_t MonitoringOn = 0;
};

}  // namespace zm::monitor
