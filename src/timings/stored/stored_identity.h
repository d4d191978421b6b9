// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a stored timing set was taken from. A set written into a controller other than the one
// it was read from lands on other timings' bits (the two Intel kinds share one section), and a
// set tuned for one pair of modules can hang the machine with another; so the StartUp window
// stores, beside the set and in keys of their own, the controller, the channels that hold
// memory, the processor and every module's identity, and the start-up writes a set only into
// the machine it came from.
//
// A file written before these keys existed holds only the numbered keys: its set is written
// when the controller kind its keys belong to and the channels they name agree with the
// machine's.

#include <string>
#include <string_view>

#include "settings/settings.h"
#include "timings/model/channel_selection.h"
#include "timings/model/timing_model.h"

namespace zm::timings {

using settings::kIdentitySlotCount;
using settings::MachineIdentity;

// The channels whose keys a stored set holds for this controller: on K10 DCT0, and DCT1 only
// when the pair is unganged and both controllers hold memory; on Intel every channel in
// `present`.
ChannelFlags StoredChannels(const TimingModel& model, const ChannelFlags& present);

// The controller and channel parts of the identity (the processor and modules are read by the
// start-up, which has the hardware).
std::string ControllerIdentity(const TimingModel& model);
std::string ChannelsIdentity(const ChannelFlags& channels);

enum class StoredSetCheck {
    Applies,          // the set belongs to this machine
    NoSet,            // the section holds no set for this kind at all: nothing to write
    OtherController,  // another controller kind or layout
    OtherChannels,    // memory in other channels
    OtherProcessor,
    OtherModules,
};

// Compares the stored set of `now`'s kind with the machine. `model` gives the kind and layout,
// `present` the channels that hold memory (as the timing session found them).
StoredSetCheck CheckStoredSet(const settings::Settings& file, const TimingModel& model,
                              const ChannelFlags& present, const MachineIdentity& now);

// What the user is told when a stored set is not written; empty for Applies and NoSet.
std::string_view StoredSetRefusal(StoredSetCheck check);

}  // namespace zm::timings
