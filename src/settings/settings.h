// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program keeps in its settings file, by meaning: every section and key is named once,
// in settings.cpp, and read or written here with its type. The file rules (private-profile
// semantics, atomic replacement, refused writes reported once) are IniFile's, and like it this
// object caches nothing, so several of them on one path see each other's writes at once.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "settings/ini_file.h"

namespace zm::settings {

// The two stored timing sets: K10's, and the one both Intel controller kinds share.
enum class StoredSetFamily { K10, Intel };

// SPD slots whose module identity is kept beside a stored set (SMBus addresses 0x50..0x55).
constexpr int kIdentitySlotCount = 6;

// What a stored set was taken from, written after its numbered keys.
struct MachineIdentity {
    std::string controller;  // "Uncore", "HostBridge", "K10-DDR3 unganged", ...
    std::string channels;    // letters of the channels a stored set holds: "A", "AB", "ABC"
    std::string processor;   // cpuid leaf 1 EAX, 8 upper-case hex digits
    // Per SPD slot: memory type, maker, part number and serial as read from the module, in
    // hex; empty where no module answers.
    std::array<std::string, kIdentitySlotCount> modules{};
    bool operator==(const MachineIdentity&) const = default;
};

// The addresses of the SMBIOS location cache.
enum class SmbiosCacheAddress {
    BaseboardStrings,    // the type 2 structure's strings
    FirstMemoryDevice,   // the first memory-device structure
    MemoryDeviceHeader,  // fingerprint: the header dword found there
    Table,               // the structure table
    EntryPoint,          // the "_SM_" entry point, written after the others
};

// The Monitor window's geometry and frequency-graph gradient; 0 stands for "not stored".
struct MonitorFormState {
    std::int32_t width = 0, gradient = 0, left = 0, top = 0;
};

class Settings {
public:
    explicit Settings(std::filesystem::path path) : file_(std::move(path)) {}
    const std::filesystem::path& Path() const { return file_.Path(); }

    // The boot switches: each is set exactly when its key holds "1"; a cleared one is written
    // "0", never deleted. Every setter returns whether the file now holds the value.
    // Write the stored set into the controller at start.
    bool ApplyStoredAtStart() const { return Flag(BootKey::ApplyStored); }
    bool SetApplyStoredAtStart(bool on) { return SetFlag(BootKey::ApplyStored, on); }
    // Start with the main window hidden in the notification area.
    bool StartInTray() const { return Flag(BootKey::StartInTray); }
    bool SetStartInTray(bool on) { return SetFlag(BootKey::StartInTray, on); }
    // Started there, start the Monitor's sampling too.
    bool MonitorInTray() const { return Flag(BootKey::MonitorInTray); }
    bool SetMonitorInTray(bool on) { return SetFlag(BootKey::MonitorInTray, on); }
    // The main window starts hidden: asked for by either of the first two switches.
    bool HideAtBoot() const { return StartInTray() || ApplyStoredAtStart(); }
    // The record that a start is writing the stored set (boot_apply_record.h).
    bool BootApplyUnderWay() const { return Flag(BootKey::ApplyUnderWay); }
    bool SetBootApplyUnderWay(bool on) { return SetFlag(BootKey::ApplyUnderWay, on); }
    // How a message names the apply switch for a user who edits the file: "HL/AN".
    static std::string ApplyStoredAtStartName();

    // A stored set's numbered key: the number followed by the channel letter ("12B").
    bool HasStoredKey(StoredSetFamily family, int number, int channel) const;
    // `fallback` when the key is missing or does not parse.
    std::int32_t StoredKey(StoredSetFamily family, int number, int channel,
                           std::int32_t fallback) const;
    bool SetStoredKey(StoredSetFamily family, int number, int channel, std::int32_t value);
    // The identity keys in the set's own section; missing keys read empty.
    MachineIdentity StoredIdentity(StoredSetFamily family) const;
    // Controller, channels, processor, modules 1..6 in that order; true when all reached the
    // file.
    bool SetStoredIdentity(StoredSetFamily family, const MachineIdentity& identity);

    // The SMBIOS location cache. A missing address, or one that does not parse, reads 0; an
    // empty board vendor means there is no cache.
    std::uint32_t SmbiosCache(SmbiosCacheAddress which) const;
    bool SetSmbiosCache(SmbiosCacheAddress which, std::uint32_t address);
    std::string SmbiosBoardVendor() const;
    bool SetSmbiosBoardVendor(const std::string& vendor);

    // The Monitor's TjMax list item; `fallback` when missing or unparsable.
    std::int32_t TjMaxIndex(std::int32_t fallback) const;
    bool SetTjMaxIndex(std::int32_t index);
    MonitorFormState MonitorForm() const;
    // Width, gradient, left, top in that order.
    void SetMonitorForm(const MonitorFormState& form);

private:
    enum class BootKey { ApplyStored, StartInTray, MonitorInTray, ApplyUnderWay };
    bool Flag(BootKey key) const;
    bool SetFlag(BootKey key, bool on);

    IniFile file_;
};

}  // namespace zm::settings
