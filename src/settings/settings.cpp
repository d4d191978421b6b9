// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings.h"

namespace zm::settings {
namespace {

// The boot switches and the apply record, by Settings::BootKey.
constexpr std::string_view kBoot = "HL";
constexpr std::array<std::string_view, 4> kBootKeys = {"AN", "ST", "STM", "ANRUN"};

// Stored timing sets, by StoredSetFamily, with their identity keys ("Module1".."Module6").
constexpr std::array<std::string_view, 2> kStoredSets = {"HLK10", "HLNHM"};
constexpr std::string_view kController = "Controller";
constexpr std::string_view kChannels = "Channels";
constexpr std::string_view kProcessor = "Processor";

// The SMBIOS location cache, addresses by SmbiosCacheAddress.
constexpr std::string_view kSmbios = "HL965";
constexpr std::array<std::string_view, 5> kSmbiosAddresses = {"DMI1", "DMI3", "DMI4", "DMI5",
                                                              "DMI6"};
constexpr std::string_view kSmbiosVendor = "DMI2";

// The Monitor window.
constexpr std::string_view kTjMax = "TJMax";
constexpr std::string_view kTjMaxItem = "CII";
constexpr std::string_view kMonitorForm = "FormState";

std::string_view Section(StoredSetFamily family) {
    return kStoredSets[static_cast<std::size_t>(family)];
}

std::string KeyName(int number, int channel) {
    return std::to_string(number) + static_cast<char>('A' + channel);
}

std::string ModuleKey(int slot) {
    return "Module" + std::to_string(slot + 1);
}

}  // namespace

std::string Settings::ApplyStoredAtStartName() {
    return std::string(kBoot) + "/" + std::string(kBootKeys[0]);
}

bool Settings::Flag(BootKey key) const {
    return file_.ReadFlag(kBoot, kBootKeys[static_cast<std::size_t>(key)]);
}

bool Settings::SetFlag(BootKey key, bool on) {
    return file_.WriteFlag(kBoot, kBootKeys[static_cast<std::size_t>(key)], on);
}

bool Settings::HasStoredKey(StoredSetFamily family, int number, int channel) const {
    return !file_.ReadString(Section(family), KeyName(number, channel)).empty();
}

std::int32_t Settings::StoredKey(StoredSetFamily family, int number, int channel,
                                 std::int32_t fallback) const {
    return file_.ReadInteger(Section(family), KeyName(number, channel), fallback);
}

bool Settings::SetStoredKey(StoredSetFamily family, int number, int channel, std::int32_t value) {
    return file_.WriteInteger(Section(family), KeyName(number, channel), value);
}

MachineIdentity Settings::StoredIdentity(StoredSetFamily family) const {
    MachineIdentity identity;
    identity.controller = file_.ReadString(Section(family), kController);
    identity.channels = file_.ReadString(Section(family), kChannels);
    identity.processor = file_.ReadString(Section(family), kProcessor);
    for (int slot = 0; slot < kIdentitySlotCount; ++slot)
        identity.modules[slot] = file_.ReadString(Section(family), ModuleKey(slot));
    return identity;
}

bool Settings::SetStoredIdentity(StoredSetFamily family, const MachineIdentity& identity) {
    bool all = file_.WriteString(Section(family), kController, identity.controller);
    all &= file_.WriteString(Section(family), kChannels, identity.channels);
    all &= file_.WriteString(Section(family), kProcessor, identity.processor);
    for (int slot = 0; slot < kIdentitySlotCount; ++slot)
        all &= file_.WriteString(Section(family), ModuleKey(slot), identity.modules[slot]);
    return all;
}

std::uint32_t Settings::SmbiosCache(SmbiosCacheAddress which) const {
    return file_.ReadHexAddress(kSmbios, kSmbiosAddresses[static_cast<std::size_t>(which)]);
}

bool Settings::SetSmbiosCache(SmbiosCacheAddress which, std::uint32_t address) {
    return file_.WriteHexAddress(kSmbios, kSmbiosAddresses[static_cast<std::size_t>(which)],
                                 address);
}

std::string Settings::SmbiosBoardVendor() const {
    return file_.ReadString(kSmbios, kSmbiosVendor);
}
bool Settings::SetSmbiosBoardVendor(const std::string& vendor) {
    return file_.WriteString(kSmbios, kSmbiosVendor, vendor);
}

std::int32_t Settings::TjMaxIndex(std::int32_t fallback) const {
    return file_.ReadInteger(kTjMax, kTjMaxItem, fallback);
}
bool Settings::SetTjMaxIndex(std::int32_t index) {
    return file_.WriteInteger(kTjMax, kTjMaxItem, index);
}

MonitorFormState Settings::MonitorForm() const {
    return {file_.ReadInteger(kMonitorForm, "WidthSize", 0),
            file_.ReadInteger(kMonitorForm, "GFSize", 0),
            file_.ReadInteger(kMonitorForm, "FormLeft", 0),
            file_.ReadInteger(kMonitorForm, "FormTop", 0)};
}

void Settings::SetMonitorForm(const MonitorFormState& form) {
    file_.WriteInteger(kMonitorForm, "WidthSize", form.width);
    file_.WriteInteger(kMonitorForm, "GFSize", form.gradient);
    file_.WriteInteger(kMonitorForm, "FormLeft", form.left);
    file_.WriteInteger(kMonitorForm, "FormTop", form.top);
}

}  // namespace zm::settings
