// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/stored/stored_timings.h"

#include <algorithm>
#include <array>
#include <vector>

#include "timings/model/timing_change.h"
#include "timings/model/timing_descriptors.h"

namespace zm::timings {
namespace {

using S = StoredSlot;

// Besides the timings whose descriptor names a key: HostBridge key 11 keeps tRP's bit 3, Uncore
// key 20 the spare value.
constexpr int kTrpHighBitKey = 11;
constexpr int kUncoreSpareKey = 20;

// Keys 1..27 of K10 ("HLK10"); Uncore 2..27 (no key for tCL and tWR, which are never written);
// HostBridge 2, 3, 4 and 6..28 (none for tCL and the command rate), key 3 keeping the tRP value
// as the model holds it (its low three bits). In key order, the order they are written in.
std::vector<StoredKey> KeysOf(ControllerKind kind) {
    std::vector<StoredKey> keys;
    for (const TimingDescriptor& d : Descriptors(kind)) {
        if (d.storedKey == 0) continue;
        const bool trp = kind == ControllerKind::HostBridge && d.id == TimingId::tRP;
        keys.push_back({d.storedKey, trp ? S::TrpValue : S::Item, d.id});
    }
    if (kind == ControllerKind::HostBridge)
        keys.push_back({kTrpHighBitKey, S::TrpHighBit, TimingId::tRP});
    if (kind == ControllerKind::Uncore) keys.push_back({kUncoreSpareKey, S::Spare, TimingId::tCL});
    std::sort(keys.begin(), keys.end(),
              [](const StoredKey& a, const StoredKey& b) { return a.number < b.number; });
    return keys;
}

// The value a key holds for a channel of the model.
std::int32_t KeyValue(const TimingModel& model, int channel, const StoredKey& key) {
    switch (key.slot) {
        case S::Item:
            return DisplayIndex(model, channel, key.id);
        case S::TrpValue:
            return model[channel][key.id];
        case S::TrpHighBit:
            return model[channel].trpHighBit;
        case S::Spare:
            return model.uncoreSpare[static_cast<std::size_t>(channel)];
    }
    return 0;
}

// Puts a key's value into the model, with the extras the drop-down's change handler keeps
// beside the index (K10 idle-cycle-limit enable, K10 DDR3 turnaround high parts).
void SetKeyValue(TimingModel& model, int channel, const StoredKey& key, std::int32_t value) {
    switch (key.slot) {
        case S::Item:
            StoreItem(model, channel, key.id, value);
            return;
        case S::TrpValue:
            // A tRP value of four bits: its low three go into the register beside the high
            // bit; a larger number is a hand edit whose low bits would name some other tRP.
            if (value >= 0 && value <= 15) model[channel][key.id] = value;
            return;
        case S::TrpHighBit:
            // One bit; anything else would be a hand edit, and it takes part in arithmetic
            // that must not overflow.
            if (value == 0 || value == 1) model[channel].trpHighBit = value;
            return;
        case S::Spare:
            model.uncoreSpare[static_cast<std::size_t>(channel)] = value;
            return;
    }
}

bool WriteChannelKeys(settings::Settings& file, const TimingModel& model, int channel) {
    bool all = true;
    for (const StoredKey& key : StoredKeys(model.kind))
        all &= file.SetStoredKey(StoredFamily(model.kind), key.number, channel,
                                 KeyValue(model, channel, key));
    return all;
}

}  // namespace

std::span<const StoredKey> StoredKeys(ControllerKind kind) {
    static const std::array<std::vector<StoredKey>, 3> keys{KeysOf(ControllerKind::Uncore),
                                                            KeysOf(ControllerKind::HostBridge),
                                                            KeysOf(ControllerKind::K10)};
    return keys[static_cast<std::size_t>(kind)];
}

settings::StoredSetFamily StoredFamily(ControllerKind kind) {
    return kind == ControllerKind::K10 ? settings::StoredSetFamily::K10
                                       : settings::StoredSetFamily::Intel;
}

int StoredChannelCount(ControllerKind kind) {
    return kind == ControllerKind::Uncore ? 3 : 2;
}

TimingModel ReadStoredTimings(const settings::Settings& file, const TimingModel& decoded) {
    TimingModel stored = decoded;
    for (int ch = 0; ch < StoredChannelCount(decoded.kind); ++ch) {
        for (const StoredKey& key : StoredKeys(decoded.kind)) {
            const std::int32_t value = file.StoredKey(StoredFamily(decoded.kind), key.number, ch,
                                                      KeyValue(decoded, ch, key));
            SetKeyValue(stored, ch, key, value);
        }
    }
    return stored;
}

StoredTimingsSource StoredTimingsAtStart(const settings::Settings& file) {
    if (!file.ApplyStoredAtStart()) return {};
    return [file](const TimingModel& decoded, const ChannelFlags&) -> std::optional<TimingModel> {
        return ReadStoredTimings(file, decoded);
    };
}

bool WriteStoredTimings(settings::Settings& file, const TimingModel& model,
                        const ChannelFlags& present, const MachineIdentity& identity) {
    bool all = true;
    const ChannelFlags channels = StoredChannels(model, present);
    for (int ch = 0; ch < StoredChannelCount(model.kind); ++ch) {
        if (!channels[static_cast<std::size_t>(ch)]) continue;
        // K10 writes "AN" whatever; Intel only with channel A, which every machine the
        // program accepts has.
        if (ch == kChannelA) all &= file.SetApplyStoredAtStart(true);
        all &= WriteChannelKeys(file, model, ch);
    }
    // Last: a write cut short leaves the keys of this machine under the identity of the one
    // before, which the next start refuses, never another machine's keys under this identity.
    all &= file.SetStoredIdentity(StoredFamily(model.kind), identity);
    return all;
}

}  // namespace zm::timings
