// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The publication step: on the window thread, while the monitoring thread waits, the cycle's
// results are copied into the Monitor window's fields. With a temperature source every second
// cycle is passed over, so the shown values change about once a second; without one, usage
// changes every cycle.

#include <optional>

#include "monitor/monitor_fields.h"

namespace zm::monitor {

struct PublicationOutcome {
    bool copied = false;  // this cycle reached the fields
    // The highest temperature for the notification-area text icon; empty when the icon keeps
    // its text (no temperature source, a skipped cycle, or 100 degrees and more, which the
    // two-digit icon cannot show).
    std::optional<int> trayTemperature;
};

class Publication {
public:
    // Copies usage (and temperatures when there is a source) into fields. The caller sets the
    // main window's monitor-ready flag after every call.
    PublicationOutcome Publish(const ThreadResults& results, int coreCount, int threadCount,
                               TemperatureSource source, MonitorFields& fields);

private:
    bool alternation_ = false;
};

}  // namespace zm::monitor
