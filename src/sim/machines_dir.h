// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <string>

namespace zm::sim {

// The folder that holds the shipped machine profiles: $ZENTRIMO_MACHINES if set, else the one
// MachinesDirectoryFor finds from this process's executable.
std::string MachinesDirectory();

// For an executable at `executable`: <its folder>/../share/zentrimo/machines when that exists (an
// installed copy), else the nearest "machines" folder above the executable (a build folder in
// the source tree), else the source tree's machines/ folder this build came from.
std::string MachinesDirectoryFor(const std::filesystem::path& executable);

}  // namespace zm::sim
