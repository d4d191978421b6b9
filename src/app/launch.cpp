#include "app/launch.h"

#include <ostream>

#include "app/backend_selection.h"
#include "app/command_line.h"
#include "app/run_report.h"
#include "app/version.h"

namespace zm::app {

Launch LaunchFromCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                             std::ostream& err) {
    Launch launch;
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.error.empty()) {
        err << "zentrimo: " << line.error << "\n\n" << UsageText();
        launch.exitCode = 2;
        return launch;
    }
    switch (line.mode) {
        case RunMode::Help:
            out << UsageText();
            launch.exitCode = 0;
            return launch;
        case RunMode::Version:
            out << kProgramTitle << "\n";
            launch.exitCode = 0;
            return launch;
        case RunMode::ListMachines:
            out << ListMachinesText();
            launch.exitCode = 0;
            return launch;
        case RunMode::Report:
        case RunMode::Gui:
            break;
    }

    launch.folder = ExecutableFolder(arguments.empty() ? "" : arguments[0]);
    launch.settingsPath =
        line.settingsPath.empty() ? DefaultSettingsPath(launch.folder) : line.settingsPath;
    BackendChoice choice =
        SelectBackend(line.machine, line.mode == RunMode::Report ? Pace::Instant : Pace::RealTime);
    if (!choice.error.empty()) {
        err << "zentrimo: " << choice.error << "\n";
        launch.exitCode = 2;
        return launch;
    }
    launch.backend = std::move(choice.backend);
    if (line.mode == RunMode::Report)
        launch.exitCode = RunReport(launch.backend, line, launch.settingsPath, out, err);
    return launch;
}

}  // namespace zm::app
