// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/machines_dir.h"

#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zm::sim {

namespace fs = std::filesystem;

std::string MachinesDirectoryFor(const fs::path& executable) {
    std::error_code ec;
    if (!executable.empty()) {
        const fs::path bin = executable.parent_path();
        // An installed tree: <prefix>/bin/zentrimo and <prefix>/share/zentrimo/machines.
        const fs::path installed = bin.parent_path() / "share" / "zentrimo" / "machines";
        if (fs::is_directory(installed, ec)) return installed.string();
        // A build folder inside the source tree (build/, build/tests/...): the nearest machines/.
        for (fs::path dir = bin; !dir.empty() && dir != dir.root_path(); dir = dir.parent_path()) {
            if (fs::is_directory(dir / "machines", ec)) return (dir / "machines").string();
        }
    }
    return ZM_MACHINES_SOURCE_DIR;
}

std::string MachinesDirectory() {
    if (const char* env = std::getenv("ZENTRIMO_MACHINES"); env && *env) return env;
#ifdef _WIN32
    // The unpacked folder: zentrimo.exe with machines\ beside it.
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const bool found = length > 0 && length < MAX_PATH;
    return MachinesDirectoryFor(found ? fs::path(std::wstring(path, length)) : fs::path());
#else
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return MachinesDirectoryFor(ec ? fs::path() : self);
#endif
}

}  // namespace zm::sim
