// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/stored/stored_identity.h"

#include <array>

#include "timings/stored/stored_timings.h"

namespace zm::timings {
namespace {

// Numbers only one of the two Intel kinds writes into the shared section "HLNHM": the uncore's
// command rate (key 5) and the host bridge's rank idle limit (key 28).
constexpr int kUncoreOnlyKey = 5;
constexpr int kHostBridgeOnlyKey = 28;

bool HasKey(const settings::IniFile& file, std::string_view section, const std::string& key) {
    return !file.ReadString(section, key).empty();
}

// Whether the section holds any of the kind's keys for the channel.
bool ChannelHasKeys(const settings::IniFile& file, ControllerKind kind, int channel) {
    for (const StoredKey& key : StoredKeys(kind)) {
        if (HasKey(file, StoredSection(kind), StoredKeyName(key.number, channel))) return true;
    }
    return false;
}

// A file without identity keys: the kind its numbered keys belong to and the channels they
// name must be this machine's.
StoredSetCheck CheckKeysOnly(const settings::IniFile& file, const TimingModel& model,
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
            uncore = uncore || HasKey(file, kIntelStoredSection, StoredKeyName(kUncoreOnlyKey, ch));
            hostBridge = hostBridge ||
                         HasKey(file, kIntelStoredSection, StoredKeyName(kHostBridgeOnlyKey, ch));
        }
        const bool ours =
            kind == ControllerKind::Uncore ? uncore && !hostBridge : hostBridge && !uncore;
        if (!ours) return StoredSetCheck::OtherController;
    }
    return withKeys == StoredChannels(model, present) ? StoredSetCheck::Applies
                                                      : StoredSetCheck::OtherChannels;
}

}  // namespace

std::string ModuleKey(int slot) {
    return "Module" + std::to_string(slot + 1);
}

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

bool WriteMachineIdentity(settings::IniFile& file, ControllerKind kind,
                          const MachineIdentity& identity) {
    const std::string_view section = StoredSection(kind);
    bool all = file.WriteString(section, kControllerKey, identity.controller);
    all &= file.WriteString(section, kChannelsKey, identity.channels);
    all &= file.WriteString(section, kProcessorKey, identity.processor);
    for (int slot = 0; slot < kIdentitySlotCount; ++slot) {
        all &= file.WriteString(section, ModuleKey(slot), identity.modules[slot]);
    }
    return all;
}

StoredSetCheck CheckStoredSet(const settings::IniFile& file, const TimingModel& model,
                              const ChannelFlags& present, const MachineIdentity& now) {
    const std::string_view section = StoredSection(model.kind);
    const std::string controller = file.ReadString(section, kControllerKey);
    if (controller.empty()) return CheckKeysOnly(file, model, present);

    if (controller != now.controller) return StoredSetCheck::OtherController;
    if (file.ReadString(section, kChannelsKey) != now.channels)
        return StoredSetCheck::OtherChannels;
    if (file.ReadString(section, kProcessorKey) != now.processor)
        return StoredSetCheck::OtherProcessor;
    for (int slot = 0; slot < kIdentitySlotCount; ++slot) {
        if (file.ReadString(section, ModuleKey(slot)) != now.modules[slot])
            return StoredSetCheck::OtherModules;
    }
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
