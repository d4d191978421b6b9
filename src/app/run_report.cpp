#include "app/run_report.h"

#include <ostream>

#include "app/report.h"
#include "app/shutdown.h"
#include "app/startup.h"

namespace zm::app {

int RunReport(Backend& backend, const CommandLine& line, const std::string& settingsPath,
              std::ostream& out, std::ostream& err) {
    hw::HardwareAccess hw(*backend.library);
    StartupContext context{backend, hw, settingsPath};
    StartupResult result = RunStartup(context);

    out << (line.json ? RenderReportJson(result, backend.description)
                      : RenderReportText(result, backend.description));
    err << RenderMessages(result.messages);

    ReleaseHardware(hw, result.facts);
    return ReportExitCode(result);
}

}  // namespace zm::app
