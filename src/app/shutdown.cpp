#include "app/shutdown.h"

#include "app/extended_config.h"

namespace zm::app {

void ReleaseHardware(hw::HardwareAccess& hw, PlatformFacts& facts) {
    if (!facts.libraryInitialised) return;
    RestoreExtendedConfig(hw, facts);
    hw.Library().DeinitializeDll();
    facts.libraryInitialised = false;
}

}  // namespace zm::app
