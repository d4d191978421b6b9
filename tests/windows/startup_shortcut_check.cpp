// SPDX-License-Identifier: GPL-3.0-or-later
// The Startup-folder shortcut as the StartUp window makes it, through the shell's link object:
// created, read back (target, working folder, quoted arguments), removed. A Windows program run
// under Wine by wine_checks.sh; prints what differs and exits 1 on any fault.
#include <windows.h>
// clang-format off
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
// clang-format on

#include <iostream>
#include <string>

#include "os/autostart_entry.h"

namespace {

struct LinkContent {
    std::string target, folder, arguments;
};

// What the shortcut file holds, read through the same link object.
bool ReadLink(const std::string& file, LinkContent& content) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* persist = nullptr;
    bool read = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        WCHAR wide[MAX_PATH] = {};
        char text[MAX_PATH] = {};
        read = MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH) > 0 &&
               SUCCEEDED(persist->Load(wide, STGM_READ)) &&
               SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0));
        content.target = text;
        if (read && SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) content.folder = text;
        if (read && SUCCEEDED(link->GetArguments(text, MAX_PATH))) content.arguments = text;
        persist->Release();
    }
    link->Release();
    return read;
}

int failures = 0;

void Expect(bool holds, const std::string& what) {
    if (holds) return;
    std::cout << "FAIL: " << what << "\n";
    ++failures;
}

}  // namespace

int main() {
    CoInitialize(nullptr);
    char startup[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, startup, CSIDL_STARTUP, TRUE)) {
        std::cout << "FAIL: no Startup folder\n";
        return 1;
    }
    const std::string file = std::string(startup) + "\\Zentrimo.exe.lnk";
    const zm::os::LaunchCommand command{"C:\\Program Files\\Zentrimo\\zentrimo.exe",
                                        "C:\\Program Files\\Zentrimo",
                                        {"--machine", "C:\\profiles\\x58 bloomfield.json"}};
    auto entry = zm::os::HostAutostartEntry();

    Expect(entry->Create(command), "the shortcut could not be created");
    Expect(entry->Exists(), "the shortcut is not found after Create");
    LinkContent content;
    Expect(ReadLink(file, content), "cannot read " + file);
    Expect(content.target == command.target.string(), "target " + content.target);
    Expect(content.folder == command.workingDirectory.string(), "folder " + content.folder);
    Expect(content.arguments == "--machine \"C:\\profiles\\x58 bloomfield.json\"",
           "arguments " + content.arguments);
    Expect(entry->Remove() && !entry->Exists(), "the shortcut is still there after Remove");
    Expect(entry->Remove(), "removing a shortcut that is not there failed");

    if (failures == 0) std::cout << "Startup-folder shortcut: created, read back, removed\n";
    return failures == 0 ? 0 : 1;
}
