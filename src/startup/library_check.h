// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Before anything touches the hardware: every file the hardware library needs must be there.

#include "hw/hardware_library.h"
#include "startup/messages.h"

namespace zm::app {

// One "ERROR!" message per missing file, in the order the backend lists them
// ("WinRing0.dll is not find!", ...). Items the backend explains itself (the Linux device
// nodes, modules and rights) are gathered into one message instead, a line each: "ERROR!" when
// one of them is required, otherwise "WARNING!" and the start-up goes on. Empty when all are
// present. Touches no hardware.
Messages CheckLibraryFiles(const hw::LibraryFiles& files);

// True when one of the messages stops the start-up.
bool LibraryCheckRefuses(const hw::LibraryFiles& files);

}  // namespace zm::app
