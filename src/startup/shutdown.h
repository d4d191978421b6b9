// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Leaving the program: put back what the start-up changed in the hardware and close the
// hardware library. The windows stop their timers and the background threads before calling
// this, so no thread is still inside the library when it closes.

#include "hw/hardware_access.h"
#include "startup/platform_facts.h"

namespace zm::app {

// A read-only run's reach changes put back (hw::HardwareAccess::RestoreReachChanges); AMD K10:
// F3x8C bit 14 restored; then DeinitializeDll when the start-up initialised the library. Safe to
// call more than once (the second call does nothing).
void ReleaseHardware(hw::HardwareAccess& hw, PlatformFacts& facts);

}  // namespace zm::app
