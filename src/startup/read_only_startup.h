// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The start-up of a run without windows that changes nothing on the machine (--report,
// --monitor): the hardware access and the clocks it runs on, and its result. While it lives, a
// settings write that fails (the SMBIOS cache, mostly) is said on the error stream: it does not
// spoil the run, but the next run would scan again, or a read-only file was meant to stay.

#include <iosfwd>
#include <string>

#include "cpu/cpu_clocks.h"
#include "hw/hardware_access.h"
#include "os/clock.h"
#include "startup/backend.h"
#include "startup/startup.h"

namespace zm::app {

class ReadOnlyStartup {
public:
    ReadOnlyStartup(Backend& backend, const std::string& settingsPath, std::ostream& err,
                    bool startMeasuringThread);
    ReadOnlyStartup(const ReadOnlyStartup&) = delete;
    ReadOnlyStartup& operator=(const ReadOnlyStartup&) = delete;

private:
    // Installed first and removed last, even when the start-up does not finish.
    struct WriteProblemsSaid {
        explicit WriteProblemsSaid(std::ostream& err);
        ~WriteProblemsSaid();
    } writeProblems_;
    os::SteadyClock hostClock_;  // the clock where the backend brings none

public:
    hw::HardwareAccess hw;
    os::Clock& clock;
    cpu::CpuClocks clocks;
    StartupResult result;
};

}  // namespace zm::app
