// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/read_only_startup.h"

#include <ostream>

#include "settings/write_notice.h"

namespace zm::app {

namespace {
StartupResult RunReadOnly(Backend& backend, hw::HardwareAccess& hw, const std::string& settingsPath,
                          cpu::CpuClocks& clocks, bool startMeasuringThread) {
    StartupContext context{backend, hw, settingsPath, &clocks};
    context.startMeasuringThread = startMeasuringThread;
    context.mode = StartupMode::ReadOnlyReport;
    return RunStartup(context);
}
}  // namespace

ReadOnlyStartup::WriteProblemsSaid::WriteProblemsSaid(std::ostream& err) {
    settings::SetWriteProblemHandler([&err](const settings::WriteProblem& problem) {
        err << "zentrimo: warning: " << settings::DescribeWriteProblem(problem) << "\n";
    });
}

ReadOnlyStartup::WriteProblemsSaid::~WriteProblemsSaid() {
    settings::SetWriteProblemHandler(nullptr);
}

ReadOnlyStartup::ReadOnlyStartup(Backend& backend, const std::string& settingsPath,
                                 std::ostream& err, bool startMeasuringThread)
    : writeProblems_(err),
      hw(*backend.operations),
      clock(backend.clock ? *backend.clock : hostClock_),
      clocks(hw, clock, nullptr, nullptr),
      result(RunReadOnly(backend, hw, settingsPath, clocks, startMeasuringThread)) {}

}  // namespace zm::app
