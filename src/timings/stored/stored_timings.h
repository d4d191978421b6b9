// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The timing sets kept in the settings file: one per controller family, written by the StartUp
// window and written back into the controller at the next start when the boot switch "HL"/"AN"
// is "1". A key is a number followed by the channel letter ("12B"); its value is what the
// timing's drop-down shows for that channel, as an item index, except for a few keys that keep
// something beside the index. Each timing's key number is a column of timing_descriptors.cpp.

#include <span>
#include <string>
#include <string_view>

#include "settings/settings.h"
#include "timings/model/channel_selection.h"
#include "timings/model/timing_model.h"
#include "timings/session/timing_session.h"
#include "timings/stored/stored_identity.h"

namespace zm::timings {

// What one key of a stored set holds.
enum class StoredSlot {
    Item,        // the item index the drop-down shows (K10 turnarounds: high x 4 + low)
    TrpValue,    // HostBridge tRP as the model keeps it (low three bits)
    TrpHighBit,  // HostBridge: bit 3 of tRP, 0 or 1
    Spare,       // Uncore key 20: TimingModel::uncoreSpare
};

struct StoredKey {
    int number;  // the key is this number followed by the channel letter
    StoredSlot slot;
    TimingId id;  // for Item, TrpValue and TrpHighBit
};

// The keys of a controller kind, in the order they are written; the same for every channel.
std::span<const StoredKey> StoredKeys(ControllerKind kind);
// K10's set, or the one both Intel kinds share.
settings::StoredSetFamily StoredFamily(ControllerKind kind);
// Channels whose keys exist: A, B (K10, HostBridge) and C (Uncore).
int StoredChannelCount(ControllerKind kind);
// The stored set of decoded.kind, built on `decoded`: every key of the kind is read for every
// channel it has, populated or not; a key that is missing or does not parse, a tRP value outside
// 0..15 and a tRP high bit other than 0 or 1 leave the decoded value. Indices are not range-checked
// here: the codecs never encode an index their list has no item for.
TimingModel ReadStoredTimings(const settings::Settings& file, const TimingModel& decoded);

// A source of the stored set: empty unless "AN" is "1" now; otherwise it reads the set from the
// file when the controller's timings are decoded. It does not ask where the set was taken: the
// start-up checks that first (CheckStoredSet).
StoredTimingsSource StoredTimingsAtStart(const settings::Settings& file);

// The StartUp window's confirmed Apply: "AN" = "1" and the current timing set of the model's
// kind, in key order, for the channels that hold memory (`present`, as the timing session
// found them):
//  K10: "AN", the A keys, then the B keys only when unganged and both controllers hold memory;
//  Uncore / HostBridge: per populated channel A, B, (C) its keys, with "AN" written only when
//  channel A is populated, just before its keys;
// then the identity of the machine the set is taken from (stored_identity.h), in keys of its
// own, so that the start-up writes the set into this machine only.
// Returns whether every write reached the file (a caller with nothing to tell may ignore it).
bool WriteStoredTimings(settings::Settings& file, const TimingModel& model,
                        const ChannelFlags& present, const MachineIdentity& identity);

}  // namespace zm::timings
