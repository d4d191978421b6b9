// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/launch.h"

#include <ostream>

#include "app/apply_stored.h"
#include "app/display_check.h"
#include "capture/capture.h"
#include "report/run_monitor.h"
#include "report/run_report.h"
#include "report/spd_files.h"
#include "settings/file_replace.h"
#include "startup/backend_selection.h"
#include "startup/command_line.h"
#include "startup/version.h"

namespace zm::app {

Launch LaunchFromCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                             std::ostream& err) {
    Launch launch;
    auto done = [&launch](int exitCode) {
        launch.exitCode = exitCode;
        launch.session.reset();
        return std::move(launch);
    };
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.error.empty()) {
        err << "zentrimo: " << line.error << "\n\n" << UsageText();
        return done(2);
    }
    switch (line.mode) {
        case RunMode::Help:
            out << UsageText();
            return done(0);
        case RunMode::Version:
            out << kProgramTitle << "\n";
            return done(0);
        case RunMode::ListMachines:
            out << ListMachinesText();
            return done(0);
        case RunMode::SpdFiles:
            if (line.spdFiles.empty())
                return done(RunSpdModules(SpdSysfsRoot(), line.json, out, err));
            return done(RunSpdFiles(line.spdFiles, line.json, out, err));
        case RunMode::Report:
        case RunMode::Capture:
        case RunMode::ApplyStored:
        case RunMode::Monitor:
        case RunMode::Gui:
            break;
    }

    const bool windows = line.mode == RunMode::Gui;
    // Checked before the toolkit starts: without a display it aborts the process.
    if (windows && !DisplayAvailable()) {
        err << kNoDisplayMessage << "\n";
        return done(2);
    }

    const std::string folder = ExecutableFolder(arguments.empty() ? "" : arguments[0]);
    const settings::SettingsLocation settings = SettingsLocationFor(line, folder);
    settings::AllowFolderCreation(settings.creatableFolder);
    // The report only reads: on a Linux host it opens the MSR and memory device nodes read-only.
    // The Monitor, windowed or not, samples in real time, also on a simulated machine.
    const bool monitor = line.mode == RunMode::Monitor;
    BackendChoice choice = SelectBackend(
        line.machine, windows || monitor ? Pace::RealTime : Pace::Instant,
        line.mode == RunMode::Report || monitor ? HostWrites::ReadOnly : HostWrites::Allowed);
    if (!choice.error.empty()) {
        err << "zentrimo: " << choice.error << "\n";
        return done(2);
    }
    SessionSetup setup = SetupFor(line, settings.file.string(), folder);
    if (line.mode == RunMode::Capture)
        return done(RunCapture(std::move(choice.backend), std::move(setup), out, err));
    launch.session = std::make_unique<Session>(std::move(choice.backend), std::move(setup));
    Session& session = *launch.session;
    if (line.mode == RunMode::ApplyStored) return done(RunApplyStored(session, out, err));
    if (monitor) return done(RunMonitorUntilInterrupted(session, out, err));
    if (line.mode == RunMode::Report) return done(RunReport(session, out, err));
    return launch;
}

}  // namespace zm::app
