// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/thread_sampling.h"

#include <algorithm>

#include "settings/settings.h"

namespace zm::monitor {

void MeasureUsage(const std::vector<os::ProcessorTimes>& a,
                  const std::vector<os::ProcessorTimes>& b, unsigned count,
                  ThreadResults& results) {
    const unsigned n = std::min<unsigned>(count, kMaxUsageProcessors);
    for (unsigned i = 0; i < n; ++i) {
        if (i >= a.size() || i >= b.size()) {
            results.ThreadUsage[i] = 0;
            continue;
        }
        const auto busy =
            static_cast<std::int64_t>((b[i].kernel + b[i].user) - (a[i].kernel + a[i].user));
        const auto idle = static_cast<std::int64_t>(b[i].idle - a[i].idle);
        if (busy <= 0) {
            results.ThreadUsage[i] = 0;
            continue;
        }
        const std::int64_t usage = 100 - (idle * 100) / busy;
        // Counters that ran backwards would give a value outside 0..100; keep it readable.
        results.ThreadUsage[i] = static_cast<std::uint8_t>(std::clamp<std::int64_t>(usage, 0, 100));
    }
}

void AverageSiblings(int threadCount, ThreadResults& results) {
    auto& u = results.ThreadUsage;
    const int n = std::min(threadCount, kMaxUsageProcessors);
    for (int p = 0; p + 1 < kMaxUsageProcessors && p < n; p += 2) {
        u[p] = static_cast<std::uint8_t>((u[p] + u[p + 1]) / 2);
    }
}

int StoredTjMaxIndex(const std::string& settingsPath) {
    return std::clamp<int>(settings::Settings(settingsPath).TjMaxIndex(10), 0, kTjMaxItems - 1);
}

int IntelTemperature(std::uint32_t thermStatusLow, int tjMaxIndex) {
    return kTjMaxBase + tjMaxIndex - static_cast<int>(kThermDigitalReadout.Get(thermStatusLow));
}

int K10Temperature(std::uint32_t reportedTemperature) {
    return static_cast<int>(kK10CurTmp.Get(reportedTemperature) >> 3);
}

void ReadTemperatures(hw::HardwareAccess& hw, TemperatureSource source, int threadCount,
                      int tjMaxIndex, ThreadResults& results) {
    const int n = std::clamp(threadCount, 0, kMaxTemperatures);
    switch (source) {
        case TemperatureSource::Intel:
            for (int j = 0; j < n; ++j) {
                const hw::MsrValue status = hw.MsrRead(kMsrThermStatus, static_cast<unsigned>(j));
                results.ThreadTemp[j] = IntelTemperature(status.lo, tjMaxIndex);
            }
            break;
        case TemperatureSource::AmdK10: {
            const int temperature = K10Temperature(hw.PciConfigRead(kK10TemperatureAddress));
            for (int j = 0; j < n; ++j) results.ThreadTemp[j] = temperature;
            break;
        }
        case TemperatureSource::None:
            break;
    }
}

}  // namespace zm::monitor
