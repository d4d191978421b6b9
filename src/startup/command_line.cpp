// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/command_line.h"

#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include "hw/backends/winring0/winring0_host.h"
#endif

namespace zm::app {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool report = false, applyStored = false, list = false, help = false, version = false;
    bool spdFiles = false, monitor = false, monitorOptions = false;
    auto fail = [&line](std::string error) {
        line.error = std::move(error);
        return line;
    };
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) return false;
            into = arguments[++i];
            return true;
        };
        if (a == "--machine") {
            if (!value(line.machine)) return fail("--machine needs a profile name or file");
        } else if (a == "--settings") {
            if (!value(line.settingsPath)) return fail("--settings needs a file");
        } else if (a == "--capture") {
            if (!value(line.captureFile))
                return fail("--capture needs a file, or - for standard output");
        } else if (a == "--capture-keep-serials") {
            line.captureKeepSerials = true;
        } else if (a == "--monitor") {
            monitor = true;
        } else if (a == "--interval") {
            std::string text;
            char* end = nullptr;
            if (value(text)) line.monitorIntervalSeconds = std::strtod(text.c_str(), &end);
            // The lower bound keeps a typo from turning the terminal into a flood.
            if (text.empty() || *end != '\0' || !(line.monitorIntervalSeconds >= 0.01) ||
                line.monitorIntervalSeconds > 86400)
                return fail("--interval needs a number of seconds from 0.01 to 86400");
            monitorOptions = true;
        } else if (a == "--count") {
            std::string text;
            char* end = nullptr;
            const unsigned long count = value(text) ? std::strtoul(text.c_str(), &end, 10) : 0;
            if (text.empty() || *end != '\0' || text[0] == '-' || count == 0 || count > 1000000000)
                return fail("--count needs a number of samples, 1 or more");
            line.monitorCount = static_cast<unsigned>(count);
            monitorOptions = true;
        } else if (a == "--csv") {
            if (!value(line.monitorCsv)) return fail("--csv needs a file");
            monitorOptions = true;
        } else if (a == "--report") {
            report = true;
        } else if (a == "--apply-stored") {
            applyStored = true;
        } else if (a == "--spd") {
            spdFiles = true;
            // Every following argument that is no option is a file.
            while (i + 1 < arguments.size() && arguments[i + 1].rfind("--", 0) != 0)
                line.spdFiles.push_back(arguments[++i]);
        } else if (a == "--json") {
            line.json = true;
        } else if (a == "--list-machines") {
            list = true;
        } else if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--version") {
            version = true;
        } else {
            return fail("unknown argument: " + a);
        }
    }
    if (line.json && !report && !spdFiles) return fail("--json goes with --report or --spd");
    if (line.captureKeepSerials && line.captureFile.empty())
        return fail("--capture-keep-serials goes with --capture");
    if (report && !line.captureFile.empty()) return fail("--capture and --report go separately");
    if (applyStored && (report || !line.captureFile.empty()))
        return fail("--apply-stored goes alone, without --report or --capture");
    if (spdFiles) {
        if (report || applyStored || !line.machine.empty() || !line.settingsPath.empty() ||
            !line.captureFile.empty())
            return fail(
                "--spd decodes SPD images only: no --report, --machine, --settings or --capture");
    }
    if (monitorOptions && !monitor) return fail("--interval, --count and --csv go with --monitor");
    if (monitor && (report || applyStored || spdFiles || !line.captureFile.empty() || line.json))
        return fail("--monitor goes alone, without --report, --capture, --apply-stored or --spd");
    if (help)
        line.mode = RunMode::Help;
    else if (version)
        line.mode = RunMode::Version;
    else if (list)
        line.mode = RunMode::ListMachines;
    else if (report)
        line.mode = RunMode::Report;
    else if (!line.captureFile.empty())
        line.mode = RunMode::Capture;
    else if (applyStored)
        line.mode = RunMode::ApplyStored;
    else if (spdFiles)
        line.mode = RunMode::SpdFiles;
    else if (monitor)
        line.mode = RunMode::Monitor;
    return line;
}

std::string UsageText() {
    return "Usage: zentrimo [--machine NAME|FILE] [--settings FILE] [--report [--json]]\n"
           "       zentrimo [--machine NAME|FILE] --capture FILE|- [--capture-keep-serials]\n"
           "       zentrimo [--machine NAME|FILE] [--settings FILE] --apply-stored\n"
           "       zentrimo --spd [FILE...] [--json]\n"
           "       zentrimo [--machine NAME|FILE] --monitor [--interval SECONDS] [--count N]\n"
           "                [--csv FILE]\n"
           "       zentrimo --list-machines | --help | --version\n"
           "\n"
           "  (no option)          run on this machine's hardware (needs root)\n"
           "  --machine NAME|FILE  run on a simulated machine: a shipped profile or a file\n"
           "  --list-machines      list the shipped simulated machines\n"
           "  --report             no windows: print what the main window would show\n"
           "  --json               with --report or --spd: JSON instead of text\n"
           "  --capture FILE|-     no windows, nothing changed: write this machine as a\n"
           "                       profile for --machine (- for standard output)\n"
           "  --capture-keep-serials  keep serial numbers (masked with zeros otherwise)\n"
           "  --apply-stored       no windows: write the settings file's stored timing set\n"
           "                       as a start would, print what was done, and exit\n"
           "  --spd FILE...        decode SPD images (raw EEPROM bytes or i2cdump text) as the\n"
           "                       SPD window would; no hardware is touched. Exit 1 when any\n"
           "                       file could not be decoded\n"
           "  --spd                decode this machine's modules as the kernel's EEPROM drivers\n"
           "                       (ee1004, spd5118, at24) give them; no SMBus access\n"
           "  --monitor            no windows: the Monitor's samples, one line each, until\n"
           "                       Ctrl-C; --interval between samples (1 s), --count samples\n"
           "                       then exit, --csv FILE: the samples as CSV into FILE\n"
           "  --settings FILE      settings file to use instead of the default one\n"
           "  --help, --version    this text; the program's version\n"
           "\n"
#ifdef _WIN32
           "Settings: ZM.ini beside the program; a simulated machine's in\n"
           "simulated\\NAME.ini beside the program.\n";
#else
           "Settings: ZM.ini beside the program if one is there, else\n"
           "$XDG_CONFIG_HOME/zentrimo/ZM.ini (~/.config/zentrimo/ZM.ini); a simulated\n"
           "machine's in $XDG_CONFIG_HOME/zentrimo/machines/NAME.ini.\n";
#endif
}

settings::SettingsLocation SettingsLocationFor(const CommandLine& line,
                                               const std::string& executableFolder) {
    return settings::ResolveSettingsLocation(
        settings::HostLocationInputs(executableFolder, line.machine, line.settingsPath));
}

std::string ExecutableFolder(const std::string& argv0) {
#ifdef _WIN32
    (void)argv0;
    return hw::ExecutableFolder();  // the module's own path: argv[0] may be a bare name
#else
    std::error_code error;
    std::filesystem::path path = std::filesystem::canonical("/proc/self/exe", error);
    if (error) path = std::filesystem::absolute(argv0, error);
    std::string folder = path.parent_path().string();
    if (!folder.empty() && folder.back() != std::filesystem::path::preferred_separator)
        folder += std::filesystem::path::preferred_separator;
    return folder;
#endif
}

}  // namespace zm::app
