// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/machine_identity.h"

#include <cstdio>

#include "spd/module_identity.h"

namespace zm::app {

timings::MachineIdentity ReadProcessorAndModules(hw::HardwareAccess& hw, hw::Cpuid& cpuid) {
    timings::MachineIdentity identity;
    // Leaf 1 EAX whole: stepping, model, family and their extended fields.
    char signature[9];
    std::snprintf(signature, sizeof signature, "%08X", static_cast<unsigned>(cpuid.Query(1).eax));
    identity.processor = signature;
    for (int slot = 0; slot < timings::kIdentitySlotCount; ++slot) {
        identity.modules[static_cast<std::size_t>(slot)] =
            spd::ReadModuleIdentity(hw, static_cast<unsigned>(slot));
    }
    return identity;
}

void AddControllerIdentity(timings::MachineIdentity& identity, const timings::TimingModel& model,
                           const timings::ChannelFlags& present) {
    identity.controller = timings::ControllerIdentity(model);
    identity.channels = timings::ChannelsIdentity(timings::StoredChannels(model, present));
}

timings::MachineIdentity ReadMachineIdentity(hw::HardwareAccess& hw, hw::Cpuid& cpuid,
                                             const timings::TimingSession& session) {
    timings::MachineIdentity identity = ReadProcessorAndModules(hw, cpuid);
    AddControllerIdentity(identity, session.model, session.present);
    return identity;
}

}  // namespace zm::app
