// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace zm::app {

// The main window's caption, also what --version prints.
inline constexpr const char* kProgramTitle = "Zentrimo 1.5 beta3";

}  // namespace zm::app
