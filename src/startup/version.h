// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace zm::app {

// The main window's caption, also what --version prints and the report's first line. The build
// gives it (the project's version, in CMakeLists.txt).
inline constexpr const char* kProgramTitle = ZM_PROGRAM_TITLE;

}  // namespace zm::app
