#include "timings/stored_timings.h"

#include <array>

#include "timings/timing_change.h"

namespace zm::timings {
namespace {

using C = TimingControl;
using S = StoredSlot;

// K10, section "HLK10": keys 1..27. 1..19 are Combo1A..Combo19A, 20..25 Combo26A..Combo31A,
// 26 and 27 Combo20A and Combo21A.
// clang-format off
constexpr std::array<StoredKey, 27> kK10Keys{{
    {1, S::Item, C::Combo1A},    {2, S::Item, C::Combo2A},    {3, S::Item, C::Combo3A},
    {4, S::Item, C::Combo4A},    {5, S::Item, C::Combo5A},    {6, S::Item, C::Combo6A},
    {7, S::Item, C::Combo7A},    {8, S::Item, C::Combo8A},    {9, S::Item, C::Combo9A},
    {10, S::Item, C::Combo10A},  {11, S::Item, C::Combo11A},  {12, S::Item, C::Combo12A},
    {13, S::Item, C::Combo13A},  {14, S::Item, C::Combo14A},  {15, S::Item, C::Combo15A},
    {16, S::Item, C::Combo16A},  {17, S::Item, C::Combo17A},  {18, S::Item, C::Combo18A},
    {19, S::Item, C::Combo19A},  {20, S::Item, C::Combo26A},  {21, S::Item, C::Combo27A},
    {22, S::Item, C::Combo28A},  {23, S::Item, C::Combo29A},  {24, S::Item, C::Combo30A},
    {25, S::Item, C::Combo31A},  {26, S::Item, C::Combo20A},  {27, S::Item, C::Combo21A},
}};

// Uncore, section "HLNHM": keys 2..27 (no key 1: CAS latency is never written). 2..19 are
// Combo2A..Combo19A, 20 the spare value, 21..25 Combo27A..Combo31A, 26 and 27 Combo20A and
// Combo21A. tWR (Combo26A) has no key.
constexpr std::array<StoredKey, 26> kUncoreKeys{{
    {2, S::Item, C::Combo2A},    {3, S::Item, C::Combo3A},    {4, S::Item, C::Combo4A},
    {5, S::Item, C::Combo5A},    {6, S::Item, C::Combo6A},    {7, S::Item, C::Combo7A},
    {8, S::Item, C::Combo8A},    {9, S::Item, C::Combo9A},    {10, S::Item, C::Combo10A},
    {11, S::Item, C::Combo11A},  {12, S::Item, C::Combo12A},  {13, S::Item, C::Combo13A},
    {14, S::Item, C::Combo14A},  {15, S::Item, C::Combo15A},  {16, S::Item, C::Combo16A},
    {17, S::Item, C::Combo17A},  {18, S::Item, C::Combo18A},  {19, S::Item, C::Combo19A},
    {20, S::Spare, C::Combo1A},  {21, S::Item, C::Combo27A},  {22, S::Item, C::Combo28A},
    {23, S::Item, C::Combo29A},  {24, S::Item, C::Combo30A},  {25, S::Item, C::Combo31A},
    {26, S::Item, C::Combo20A},  {27, S::Item, C::Combo21A},
}};

// HostBridge, section "HLNHM": keys 2, 3, 4 and 6..28 (CAS latency and command rate are never
// written). Key 3 keeps the tRP slot, key 11 tRP's bit 3 and key 22 the refresh-period index.
constexpr std::array<StoredKey, 26> kHostBridgeKeys{{
    {2, S::Item, C::Combo2A},    {3, S::TrpValue, C::Combo3A}, {4, S::Item, C::Combo4A},
    {6, S::Item, C::Combo29A},   {7, S::Item, C::Combo31A},    {8, S::Item, C::Combo26A},
    {9, S::Item, C::Combo20A},   {10, S::Item, C::Combo7A},    {11, S::TrpHighBit, C::Combo3A},
    {12, S::Item, C::Combo9A},   {13, S::Item, C::Combo8A},    {14, S::Item, C::Combo30A},
    {15, S::Item, C::Combo14A},  {16, S::Item, C::Combo13A},   {17, S::Item, C::Combo12A},
    {18, S::Item, C::Combo11A},  {19, S::Item, C::Combo15A},   {20, S::Item, C::Combo27A},
    {21, S::Item, C::Combo28A},  {22, S::Item, C::Combo6A},    {23, S::Item, C::Combo10A},
    {24, S::Item, C::Combo16A},  {25, S::Item, C::Combo17A},   {26, S::Item, C::Combo18A},
    {27, S::Item, C::Combo19A},  {28, S::Item, C::Combo21A},
}};
// clang-format on

// The value a key holds for a channel of the model.
std::int32_t KeyValue(const TimingModel& model, int channel, const StoredKey& key) {
    switch (key.slot) {
        case S::Item:
            return DisplayIndex(model, channel, key.control);
        case S::TrpValue:
            return model[channel][key.control];
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
            StoreItem(model, channel, key.control, value);
            return;
        case S::TrpValue:
            // A tRP value of four bits: its low three go into the register beside the high
            // bit; a larger number is a hand edit whose low bits would name some other tRP.
            if (value >= 0 && value <= 15) model[channel][key.control] = value;
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

bool WriteChannelKeys(settings::IniFile& file, const TimingModel& model, int channel) {
    bool all = true;
    for (const StoredKey& key : StoredKeys(model.kind)) {
        all &= file.WriteInteger(StoredSection(model.kind), StoredKeyName(key.number, channel),
                                 KeyValue(model, channel, key));
    }
    return all;
}

bool WriteApplyAtStart(settings::IniFile& file) {
    return file.WriteFlag(kBootSection, kApplyAtStartKey, true);
}

}  // namespace

std::span<const StoredKey> StoredKeys(ControllerKind kind) {
    switch (kind) {
        case ControllerKind::K10:
            return kK10Keys;
        case ControllerKind::Uncore:
            return kUncoreKeys;
        case ControllerKind::HostBridge:
            return kHostBridgeKeys;
    }
    return {};
}

std::string_view StoredSection(ControllerKind kind) {
    return kind == ControllerKind::K10 ? kK10StoredSection : kIntelStoredSection;
}

int StoredChannelCount(ControllerKind kind) {
    return kind == ControllerKind::Uncore ? 3 : 2;
}

std::string StoredKeyName(int number, int channel) {
    return std::to_string(number) + static_cast<char>('A' + channel);
}

bool StoredTimingsRequested(const settings::IniFile& file) {
    return file.ReadFlag(kBootSection, kApplyAtStartKey);
}

TimingModel ReadStoredTimings(const settings::IniFile& file, const TimingModel& decoded) {
    TimingModel stored = decoded;
    const std::string_view section = StoredSection(decoded.kind);
    for (int ch = 0; ch < StoredChannelCount(decoded.kind); ++ch) {
        for (const StoredKey& key : StoredKeys(decoded.kind)) {
            const std::int32_t value = file.ReadInteger(section, StoredKeyName(key.number, ch),
                                                        KeyValue(decoded, ch, key));
            SetKeyValue(stored, ch, key, value);
        }
    }
    return stored;
}

StoredTimingsSource StoredTimingsAtStart(const settings::IniFile& file) {
    if (!StoredTimingsRequested(file)) return {};
    return [file](const TimingModel& decoded, const ChannelFlags&) -> std::optional<TimingModel> {
        return ReadStoredTimings(file, decoded);
    };
}

bool WriteStoredTimings(settings::IniFile& file, const TimingModel& model,
                        const ChannelFlags& present, const MachineIdentity& identity) {
    bool all = true;
    const ChannelFlags channels = StoredChannels(model, present);
    for (int ch = 0; ch < StoredChannelCount(model.kind); ++ch) {
        if (!channels[static_cast<std::size_t>(ch)]) continue;
        // K10 writes "AN" whatever; Intel only with channel A, which every machine the
        // program accepts has.
        if (ch == kChannelA) all &= WriteApplyAtStart(file);
        all &= WriteChannelKeys(file, model, ch);
    }
    // Last: a write cut short leaves the keys of this machine under the identity of the one
    // before, which the next start refuses, never another machine's keys under this identity.
    all &= WriteMachineIdentity(file, model.kind, identity);
    return all;
}

}  // namespace zm::timings
