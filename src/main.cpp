// Zentrimo's entry point: the command line picks the backend (real hardware or a simulated
// machine) and runs the windows or the report.
#include <iostream>
#include <string>
#include <vector>

#include "app/apply_stored.h"
#include "app/backend_selection.h"
#include "app/capture.h"
#include "app/command_line.h"
#include "app/display_check.h"
#include "app/run_report.h"
#include "app/spd_files.h"
#include "app/version.h"
#include "settings/file_replace.h"
#include "ui/application.h"

int main(int argc, char** argv) {
    using namespace zm::app;
    const std::vector<std::string> arguments(argv, argv + argc);
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.error.empty()) {
        std::cerr << "zentrimo: " << line.error << "\n\n" << UsageText();
        return 2;
    }
    switch (line.mode) {
        case RunMode::Help:
            std::cout << UsageText();
            return 0;
        case RunMode::Version:
            std::cout << kProgramTitle << "\n";
            return 0;
        case RunMode::ListMachines:
            std::cout << ListMachinesText();
            return 0;
        case RunMode::SpdFiles:
            return RunSpdFiles(line.spdFiles, line.json, std::cout, std::cerr);
        case RunMode::Report:
        case RunMode::Capture:
        case RunMode::ApplyStored:
        case RunMode::Gui: break;
    }

    const bool windows = line.mode == RunMode::Gui;
    // Checked before the toolkit starts: without a display it aborts the process.
    if (windows && !DisplayAvailable()) {
        std::cerr << kNoDisplayMessage << "\n";
        return 2;
    }

    const std::string folder = ExecutableFolder(arguments.empty() ? "" : arguments[0]);
    const zm::settings::SettingsLocation settings = SettingsLocationFor(line, folder);
    zm::settings::AllowFolderCreation(settings.creatableFolder);
    const std::string settingsPath = settings.file.string();

    // The report only reads: on a Linux host it opens the MSR and memory device nodes read-only.
    BackendChoice choice = SelectBackend(
        line.machine, windows ? Pace::RealTime : Pace::Instant,
        line.mode == RunMode::Report ? HostWrites::ReadOnly : HostWrites::Allowed);
    if (!choice.error.empty()) {
        std::cerr << "zentrimo: " << choice.error << "\n";
        return 2;
    }
    if (line.mode == RunMode::Capture)
        return RunCapture(choice.backend, line, std::cout, std::cerr);
    if (line.mode == RunMode::ApplyStored)
        return RunApplyStored(choice.backend, settingsPath, std::cout, std::cerr);
    if (line.mode == RunMode::Report)
        return RunReport(choice.backend, line, settingsPath, std::cout, std::cerr);
    return zm::ui::RunApplication(argc, argv, choice.backend, settingsPath, folder);
}
