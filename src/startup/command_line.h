// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line. No argument means the GUI on this machine's real hardware.

#include <string>
#include <vector>

#include "settings/settings_location.h"

namespace zm::app {

enum class RunMode {
    Gui,
    Report,
    Capture,
    ApplyStored,
    SpdFiles,
    Monitor,
    ListMachines,
    Help,
    Version
};

struct CommandLine {
    RunMode mode = RunMode::Gui;
    std::string machine;                // --machine NAME|FILE; empty = real hardware
    bool json = false;                  // --report --json, --spd --json
    std::vector<std::string> spdFiles;  // --spd FILE...; empty: this machine's modules
    std::string settingsPath;         // --settings FILE; empty = the default (SettingsLocationFor)
    std::string captureFile;          // --capture FILE|-
    bool captureKeepSerials = false;  // --capture-keep-serials
    // --monitor [--interval SECONDS] [--count N] [--csv FILE]
    double monitorIntervalSeconds = 1.0;
    unsigned monitorCount = 0;  // 0: until interrupted
    std::string monitorCsv;     // empty: lines on standard output
    std::string error;          // set when the arguments make no sense
};

// argv[0] is skipped. Unknown options, missing values, --json without --report or --spd,
// --apply-stored with --report, --spd together with a machine, a report or a settings file,
// and --monitor with another run or with an interval outside 0.01..86400 s set error. --spd
// without files reads this machine's modules.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();

// The settings file of this run: --settings FILE, else the default for this platform and for
// the machine (real or simulated); see settings/settings_location.h.
settings::SettingsLocation SettingsLocationFor(const CommandLine& line,
                                               const std::string& executableFolder);

// The folder of the executable, ending with a separator.
std::string ExecutableFolder(const std::string& argv0);

}  // namespace zm::app
