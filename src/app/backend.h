#pragma once
// The hardware and operating-system boundaries one run of the program works through. Only the
// code that picks the backend (command line: real host or a simulated profile) knows which
// implementation stands behind these references.

#include <memory>
#include <string>

#include "hw/cpuid.h"
#include "hw/hardware_library.h"
#include "os/clock.h"
#include "os/system_info.h"

namespace zm::app {

struct Backend {
    std::shared_ptr<void> owner;  // keeps the implementations below alive
    hw::HardwareLibrary* library = nullptr;
    hw::LibraryFiles* files = nullptr;
    hw::Cpuid* cpuid = nullptr;
    os::SystemInfo* system = nullptr;
    os::Clock* clock = nullptr;
    std::string description;  // "simulated machine x58-bloomfield", "Linux host", ...
};

}  // namespace zm::app
