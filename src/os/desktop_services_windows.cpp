// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows desktop session: a restart through ExitWindowsEx, which needs the shutdown
// privilege enabled in the process token for the duration of the call.

#ifdef _WIN32

#include <windows.h>

#include "os/desktop_services.h"

namespace zm::os {
namespace {

constexpr DWORD kAdjustAndQuery = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;  // 0x28

// Enables (or disables) one privilege of this process's token. True when the adjustment call
// succeeded.
bool SetPrivilege(const char* name, bool enable) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), kAdjustAndQuery, &token)) return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    bool ok = LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid) != 0;
    if (ok) {
        privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
        ok = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != 0;
    }
    CloseHandle(token);
    return ok;
}

class WindowsDesktopServices final : public DesktopServices {
public:
    bool Reboot() override {
        SetPrivilege("SeShutdownPrivilege", true);
        const bool ok = ExitWindowsEx(EWX_REBOOT, 0) != 0;
        SetPrivilege("SeShutdownPrivilege", false);
        return ok;
    }
};

}  // namespace

int RunCommand(const std::vector<std::string>&) {
    return -1;  // the Windows session restarts through ExitWindowsEx, not a command
}

std::unique_ptr<DesktopServices> MakeHostDesktopServices() {
    return std::make_unique<WindowsDesktopServices>();
}

}  // namespace zm::os

#endif
