// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/run_report.h"

#include <ostream>

#include "report/report.h"
#include "spd/spd_report.h"
#include "startup/read_only_startup.h"
#include "startup/shutdown.h"

namespace zm::app {
namespace {

// The texts one measuring pass leaves in the "System Frequency" group.
void ShowMeasuredClocks(const std::optional<cpu::PassOutput>& pass, FrequencyView& view) {
    if (!pass) return;
    view.bclk = pass->texts.bclk;
    view.coreMultiplier = pass->texts.coreMultiplier;
    view.cores = pass->texts.cores;
    view.uncore = pass->texts.uncore;
    view.link = pass->texts.ht;
    view.ram = pass->texts.ram;
    if (pass->coreMultiplierItem) view.multiplierIndex = *pass->coreMultiplierItem;
}

}  // namespace

int RunReport(Backend& backend, const CommandLine& line, const std::string& settingsPath,
              std::ostream& out, std::ostream& err) {
    ReadOnlyStartup start(backend, settingsPath, err, /*startMeasuringThread=*/false);
    hw::HardwareAccess& hw = start.hw;
    StartupResult& result = start.result;
    if (!result.terminationRequested && (result.facts.intelPlatform || result.facts.amdPlatform))
        ShowMeasuredClocks(start.clocks.MeasureOnce(start.clock), result.view.frequency);
    // Every module's SPD, as the SPD window would show it slot by slot (the window is reached
    // from the notification-area menu too, so not only where the spd button shows).
    if (!result.terminationRequested) result.view.spd = spd::ReadAllSlots(hw);

    out << (line.json ? RenderReportJson(result, backend.description)
                      : RenderReportText(result, backend.description));
    err << RenderMessages(result.messages);

    ReleaseHardware(hw, result.facts);
    return ReportExitCode(result);
}

}  // namespace zm::app
