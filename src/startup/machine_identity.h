// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The identity of the running machine that a stored timing set is bound to (see
// timings/stored/stored_identity.h): read from the processor and the modules' SPD, completed
// with what the timing session found.

#include "hw/cpuid.h"
#include "hw/hardware_access.h"
#include "timings/session/timing_session.h"
#include "timings/stored/stored_identity.h"

namespace zm::app {

// The processor signature and every slot's module identity. The SMBus controller must have
// been found (start-up stage 10, or DiscoverSmbusController).
timings::MachineIdentity ReadProcessorAndModules(hw::HardwareAccess& hw, hw::Cpuid& cpuid);

// Fills in the controller and the channels a stored set holds.
void AddControllerIdentity(timings::MachineIdentity& identity, const timings::TimingModel& model,
                           const timings::ChannelFlags& present);

// Everything, for the set the StartUp window stores from this session.
timings::MachineIdentity ReadMachineIdentity(hw::HardwareAccess& hw, hw::Cpuid& cpuid,
                                             const timings::TimingSession& session);

}  // namespace zm::app
