// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hardware and operating-system boundaries one run of the program works through. Only the
// code that picks the backend (command line: real host or a simulated profile) knows which
// implementation stands behind these references.

#include <memory>
#include <string>

#include "hw/cpuid.h"
#include "hw/hardware_library.h"
#include "hw/operations.h"
#include "os/boot_apply_service.h"
#include "os/clock.h"
#include "os/desktop_services.h"
#include "os/system_info.h"

namespace zm::sim {
class SimulatedMachine;
}

namespace zm::app {

struct Backend {
    std::shared_ptr<void> owner;  // keeps the implementations below alive
    // The hardware operations: port-level over the host's library or a simulated machine, or
    // the privileged helper's client.
    hw::Operations* operations = nullptr;
    // A simulated machine's own view (its write log, its state); null on real hardware.
    sim::SimulatedMachine* machine = nullptr;
    hw::LibraryFiles* files = nullptr;
    // What the backend could not reach while it ran (Linux); null: it keeps no notes.
    hw::BackendNotes* notes = nullptr;
    hw::Cpuid* cpuid = nullptr;
    os::SystemInfo* system = nullptr;
    os::Clock* clock = nullptr;
    // Restarting the computer: the host's session on real hardware; on a simulated machine
    // a stand-in that never restarts the host. Null: no restart is offered.
    os::DesktopServices* desktop = nullptr;
    // Linux on real hardware: the boot service the StartUp window switches for "apply the
    // timings at next boot". Null (Windows, a simulated machine): the autostart entry does it.
    os::BootApplyService* bootApply = nullptr;
    std::string description;  // "simulated machine x58-bloomfield", "Linux host", ...
};

}  // namespace zm::app
