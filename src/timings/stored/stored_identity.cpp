// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/stored/stored_identity.h"


#include "timings/stored/stored_timings.h"

namespace zm::timings {
namespace {

// Numbers only one of the two Intel kinds writes into the shared Intel section: the uncore's
// command rate (key 5) and the host bridge's rank idle limit (key 28).
constexpr int kUncoreOnlyKey = 5;
constexpr int kHostBridgeOnlyKey = 28;

// Whether the file holds any of the kind's keys for the channel.
bool ChannelHasKeys(const settings::Settings& file, ControllerKind kind, int channel) {
    for (const StoredKey& key : StoredKeys(kind)) {
        if (file.HasStoredKey(StoredFamily(kind), key.number, channel)) return true;
    }
    return false;
}

// A file without identity keys: the kind its numbered keys belong to and the channels they
// name must be this machine's.
StoredSetCheck CheckKeysOnly(const settings::Settings& file, const TimingModel& model,
                             const ChannelFlags& present) {
    const ControllerKind kind = model.kind;
    ChannelFlags withKeys{};
    bool any = false;
    for (int ch = 0; ch < StoredChannelCount(kind); ++ch) {
        withKeys[ch] = ChannelHasKeys(file, kind, ch);
        any = any || withKeys[ch];
    }
    if (!any) return StoredSetCheck::NoSet;
    if (kind != ControllerKind::K10) {
        // Both Intel kinds share the section; the numbers only one of them writes tell whose
        // set it is. A set showing neither, or both, cannot be told apart: not written.
        bool uncore = false, hostBridge = false;
        for (int ch = 0; ch < kMaxChannels; ++ch) {
            uncore =
                uncore || file.HasStoredKey(settings::StoredSetFamily::Intel, kUncoreOnlyKey, ch);
            hostBridge = hostBridge || file.HasStoredKey(settings::StoredSetFamily::Intel,
                                                         kHostBridgeOnlyKey, ch);
        }
        const bool ours =
            kind == ControllerKind::Uncore ? uncore && !hostBridge : hostBridge && !uncore;
        if (!ours) return StoredSetCheck::OtherController;
    }
    return withKeys == StoredChannels(model, present) ? StoredSetCheck::Applies
                                                      : StoredSetCheck::OtherChannels;
}

}  // namespace

ChannelFlags StoredChannels(const TimingModel& model, const ChannelFlags& present) {
    if (model.kind == ControllerKind::K10) {
        return {true, !model.ganged && present[kChannelA] && present[kChannelB], false};
    }
    ChannelFlags channels = present;
    if (model.kind == ControllerKind::HostBridge) channels[kChannelC] = false;
    return channels;
}

std::string ControllerIdentity(const TimingModel& model) {
    switch (model.kind) {
        case ControllerKind::Uncore:
            return "Uncore";
        case ControllerKind::HostBridge:
            return "HostBridge";
        case ControllerKind::K10:
            break;
    }
    std::string text(model.k10Mode ? K10ModeText(*model.k10Mode) : "K10");
    return text + (model.ganged ? " ganged" : " unganged");
}

std::string ChannelsIdentity(const ChannelFlags& channels) {
    std::string letters;
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        if (channels[ch]) letters += static_cast<char>('A' + ch);
    }
    return letters;
}

StoredSetCheck CheckStoredSet(const settings::Settings& file, const TimingModel& model,
                              const ChannelFlags& present, const MachineIdentity& now) {
    const MachineIdentity stored = file.StoredIdentity(StoredFamily(model.kind));
    if (stored.controller.empty()) return CheckKeysOnly(file, model, present);

    if (stored.controller != now.controller) return StoredSetCheck::OtherController;
    if (stored.channels != now.channels) return StoredSetCheck::OtherChannels;
    if (stored.processor != now.processor) return StoredSetCheck::OtherProcessor;
    if (stored.modules != now.modules) return StoredSetCheck::OtherModules;
    return StoredSetCheck::Applies;
}

std::string_view StoredSetRefusal(StoredSetCheck check) {
    switch (check) {
        case StoredSetCheck::Applies:
        case StoredSetCheck::NoSet:
            return {};
        case StoredSetCheck::OtherController:
            return "The stored timings were taken on another memory controller and were not "
                   "applied. Store the current ones with StartUp.";
        case StoredSetCheck::OtherChannels:
            return "The stored timings were taken with memory in other channels and were not "
                   "applied. Store the current ones with StartUp.";
        case StoredSetCheck::OtherProcessor:
            return "The stored timings were taken with another processor and were not applied. "
                   "Store the current ones with StartUp.";
        case StoredSetCheck::OtherModules:
            return "The stored timings were taken with other memory modules and were not "
                   "applied. Store the current ones with StartUp.";
    }
    return {};
}

}  // namespace zm::timings
