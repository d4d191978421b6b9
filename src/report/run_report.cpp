// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/run_report.h"

#include <ostream>

#include "report/report.h"
#include "spd/spd_report.h"

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

int RunReport(Session& session, std::ostream& out, std::ostream& err) {
    const WriteProblemsSaid said(err);
    session.Start();
    const StartupResult& result = session.Startup();
    if (!result.terminationRequested && (result.facts.intelPlatform || result.facts.amdPlatform))
        ShowMeasuredClocks(session.Clocks().MeasureOnce(session.Clock()), session.View().frequency);
    // Every module's SPD, as the SPD window would show it slot by slot (the window is reached
    // from the notification-area menu too, so not only where the spd button shows).
    if (!result.terminationRequested) session.View().spd = spd::ReadAllSlots(session.Hardware());

    const std::string& description = session.Backend().description;
    out << (session.Setup().line.json ? RenderReportJson(result, description)
                                      : RenderReportText(result, description));
    err << RenderMessages(result.messages);

    session.End();
    return ReportExitCode(result);
}

}  // namespace zm::app
