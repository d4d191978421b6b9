// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/publication.h"

#include <algorithm>

namespace zm::monitor {

void SetProcessorCounts(MonitorSettings& settings, int coreCount, int threadCount, bool amdK10) {
    if (amdK10) threadCount = coreCount = coreCount + 1;
    settings.CoreCount = std::clamp(coreCount, 1, kDisplayCores);
    settings.ThreadCount = std::clamp(threadCount, 1, kMaxUsageProcessors);
}

PublicationOutcome Publication::Publish(const ThreadResults& results, int coreCount,
                                        int threadCount, TemperatureSource source,
                                        MonitorFields& fields) {
    PublicationOutcome outcome;
    if (alternation_) {
        alternation_ = false;
        return outcome;
    }
    outcome.copied = true;

    const bool hyperThreading = threadCount > coreCount;
    // Siblings are adjacent: with hyper-threading core k is logical processor 2k.
    const int stride = hyperThreading ? 2 : 1;
    for (int k = 0; k < kDisplayCores; ++k) fields.CoreUsage[k] = results.ThreadUsage[stride * k];
    const int averaged =
        std::clamp(hyperThreading ? threadCount : coreCount, 0, kMaxUsageProcessors);
    int sum = 0;
    for (int i = 0; i < averaged; ++i) sum += results.ThreadUsage[i];
    fields.AverageUsage = averaged > 0 ? sum / averaged : 0;

    if (source == TemperatureSource::None) return outcome;

    for (int k = 0; k < kDisplayCores; ++k) fields.CoreTemp[k] = results.ThreadTemp[stride * k];
    int highest = 0;
    for (int t : fields.CoreTemp) highest = std::max(highest, t);
    fields.HighestTemp = highest;
    if (highest < 100) outcome.trayTemperature = highest;
    alternation_ = true;
    return outcome;
}

}  // namespace zm::monitor
