#pragma once
// Before anything touches the hardware: every file the hardware library needs must be there.

#include "app/messages.h"
#include "hw/hardware_library.h"

namespace zm::app {

// One "ERROR!" message per missing file, in the order the backend lists them
// ("WinRing0.dll is not find!", ...). Empty when all are present. Touches no hardware.
Messages CheckLibraryFiles(const hw::LibraryFiles& files);

}  // namespace zm::app
