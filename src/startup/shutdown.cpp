// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/shutdown.h"

#include "startup/extended_config.h"

namespace zm::app {

void ReleaseHardware(hw::HardwareAccess& hw, PlatformFacts& facts) {
    if (!facts.libraryInitialised) return;
    // A read-only run puts back everything it changed to reach a device (F3x8C included); the
    // windows' run only closes the extended register form it opened. The writes go with the
    // backend's end, in one request where it is behind a pipe.
    hw::HardwareAccess::WriteBatch batch(hw);
    hw.RestoreReachChanges();
    RestoreExtendedConfig(hw, facts);
    hw.Deinitialize();
    facts.libraryInitialised = false;
}

}  // namespace zm::app
