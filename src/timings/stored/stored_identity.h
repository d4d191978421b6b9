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

#include <array>
#include <string>
#include <string_view>

#include "settings/ini_file.h"
#include "timings/model/channel_selection.h"
#include "timings/model/timing_model.h"

namespace zm::timings {

// SPD slots whose module identity is kept (the SMBus addresses 0x50..0x55).
constexpr int kIdentitySlotCount = 6;

// The keys, in the set's own section ("HLK10" / "HLNHM").
inline constexpr std::string_view kControllerKey = "Controller";
inline constexpr std::string_view kChannelsKey = "Channels";
inline constexpr std::string_view kProcessorKey = "Processor";
// "Module1".."Module6", for SPD slots 0..5.
std::string ModuleKey(int slot);

struct MachineIdentity {
    std::string controller;  // "Uncore", "HostBridge", "K10-DDR3 unganged", ...
    std::string channels;    // letters of the channels a stored set holds: "A", "AB", "ABC"
    std::string processor;   // cpuid leaf 1 EAX, 8 upper-case hex digits
    // Per SPD slot: memory type, maker, part number and serial as read from the module, in
    // hex; empty where no module answers.
    std::array<std::string, kIdentitySlotCount> modules{};
    bool operator==(const MachineIdentity&) const = default;
};

// The channels whose keys a stored set holds for this controller: on K10 DCT0, and DCT1 only
// when the pair is unganged and both controllers hold memory; on Intel every channel in
// `present`.
ChannelFlags StoredChannels(const TimingModel& model, const ChannelFlags& present);

// The controller and channel parts of the identity (the processor and modules are read by the
// start-up, which has the hardware).
std::string ControllerIdentity(const TimingModel& model);
std::string ChannelsIdentity(const ChannelFlags& channels);

// Writes the identity's keys into the kind's section; true when every write reached the file.
bool WriteMachineIdentity(settings::IniFile& file, ControllerKind kind,
                          const MachineIdentity& identity);

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
StoredSetCheck CheckStoredSet(const settings::IniFile& file, const TimingModel& model,
                              const ChannelFlags& present, const MachineIdentity& now);

// What the user is told when a stored set is not written; empty for Applies and NoSet.
std::string_view StoredSetRefusal(StoredSetCheck check);

}  // namespace zm::timings
