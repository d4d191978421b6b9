// SPDX-License-Identifier: GPL-3.0-or-later
#include "os/autostart_entry.h"

#include <cstdlib>
#include <fstream>
#include <string_view>
#include <system_error>

namespace zm::os {
namespace {

constexpr std::string_view kDesktopFileName = "zentrimo.desktop";

// Characters that make the desktop entry rules require a quoted argument.
constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    }
    return false;
}

// One word of an Exec= line before the file's own backslash escaping.
std::string ExecWord(std::string_view word) {
    std::string out;
    const bool quote =
        word.empty() || word.find_first_of(kReservedInExec) != std::string_view::npos;
    if (quote) out += '"';
    for (const char c : word) {
        if (c == '%') {
            out += "%%";
            continue;
        }
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
        out += c;
    }
    if (quote) out += '"';
    return out;
}

// A string value of a desktop entry: backslashes doubled, a leading blank written as "\s".
std::string EscapeValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\')
            out += "\\\\";
        else if (i == 0 && value[i] == ' ')
            out += "\\s";
        else
            out += value[i];
    }
    return out;
}

}  // namespace

std::filesystem::path XdgAutostartFolder() {
    // An XDG base directory given as a relative path is to be ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::filesystem::path(config) / "autostart";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".config" / "autostart";
    return {};
}

std::string DesktopExecLine(const LaunchCommand& command) {
    std::string line;
    std::vector<std::string> words{command.target.string()};
    words.insert(words.end(), command.arguments.begin(), command.arguments.end());
    for (const std::string& word : words) {
        if (HasControlCharacter(word)) return {};
        if (!line.empty()) line += ' ';
        line += ExecWord(word);
    }
    return EscapeValue(line);
}

std::filesystem::path XdgAutostartEntry::File() const {
    return folder_ / kDesktopFileName;
}

bool XdgAutostartEntry::Create(const LaunchCommand& command) {
    if (folder_.empty() || command.target.empty()) return false;
    const std::string exec = DesktopExecLine(command);
    const std::string workingDirectory = command.workingDirectory.string();
    if (exec.empty() || HasControlCharacter(workingDirectory)) return false;

    std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Zentrimo\n"
        "Comment=Applies the stored memory timings at log-on\n";
    text += "Exec=" + exec + "\n";
    if (!workingDirectory.empty()) text += "Path=" + EscapeValue(workingDirectory) + "\n";
    text += "Terminal=false\n";

    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error) return false;
    const std::filesystem::path temporary = folder_ / ".zentrimo.desktop.new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out.is_open()) return false;
        out << text;
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, File(), error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

bool XdgAutostartEntry::Remove() {
    if (folder_.empty()) return true;
    std::error_code error;
    std::filesystem::remove(File(), error);
    return !error;
}

bool XdgAutostartEntry::Exists() const {
    std::error_code error;
    return !folder_.empty() && std::filesystem::exists(File(), error);
}

#ifndef _WIN32
std::unique_ptr<AutostartEntry> HostAutostartEntry() {
    return std::make_unique<XdgAutostartEntry>(XdgAutostartFolder());
}
#endif

}  // namespace zm::os
