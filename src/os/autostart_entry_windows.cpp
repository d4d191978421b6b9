// SPDX-License-Identifier: GPL-3.0-or-later
// The Startup-folder shortcut: "Zentrimo.exe.lnk" in the current user's Startup folder, made
// through the shell's link object. It holds the target and the working directory only (and the
// arguments of a simulated run); everything else keeps the shell's defaults.
#ifdef _WIN32

// windows.h first: the COM and shell headers build on it.
#include <windows.h>
// clang-format off
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
// clang-format on

#include <string>

#include "os/autostart_entry.h"

namespace zm::os {
namespace {

constexpr const char* kShortcutName = "\\Zentrimo.exe.lnk";

// Joins arguments with blanks, quoting those that hold one.
std::string CommandArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        if (argument.find_first_of(" \t") == std::string::npos && !argument.empty())
            line += argument;
        else
            line += '"' + argument + '"';
    }
    return line;
}

// The current user's Startup folder (CSIDL_STARTUP), empty when the shell does not know it.
std::string StartupFolder() {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP, &list)) || !list) return {};
    char path[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListA(list, path);
    CoTaskMemFree(list);
    return found ? std::string(path) : std::string();
}

class StartupShortcut final : public AutostartEntry {
public:
    bool Create(const LaunchCommand& command) override {
        const std::string file = ShortcutFile();
        if (file.empty()) return false;
        // Initialised once per thread and never uninitialised, as the shell expects of a
        // window thread that keeps using it.
        CoInitialize(nullptr);
        IShellLinkA* link = nullptr;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link))))
            return false;
        link->SetPath(command.target.string().c_str());
        link->SetWorkingDirectory(command.workingDirectory.string().c_str());
        if (!command.arguments.empty())
            link->SetArguments(CommandArguments(command.arguments).c_str());
        bool saved = false;
        IPersistFile* persist = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
            WCHAR wide[MAX_PATH] = {};
            if (MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH) > 0)
                saved = SUCCEEDED(persist->Save(wide, TRUE));
            persist->Release();
        }
        link->Release();
        return saved;
    }

    bool Remove() override {
        const std::string file = ShortcutFile();
        if (file.empty()) return true;
        return DeleteFileA(file.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    }

    bool Exists() const override {
        const std::string file = ShortcutFile();
        return !file.empty() && GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    static std::string ShortcutFile() {
        const std::string folder = StartupFolder();
        return folder.empty() ? std::string() : folder + kShortcutName;
    }
};

}  // namespace

std::unique_ptr<AutostartEntry> HostAutostartEntry() {
    return std::make_unique<StartupShortcut>();
}

}  // namespace zm::os

#endif  // _WIN32
