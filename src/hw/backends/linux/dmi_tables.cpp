// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/backends/linux/dmi_tables.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace zm::hw::linux_host {
namespace {

constexpr std::uint64_t kBiosArea = 0xF0000;
constexpr std::uint64_t kBiosAreaEnd = 0x100000;
constexpr char kAnchor[] = "_SM_";
constexpr std::size_t kEntryLengthByte = 0x05;
constexpr std::size_t kTableLengthWord = 0x16;
constexpr std::size_t kTableAddressDword = 0x18;
constexpr std::size_t kMinimumEntryLength = 0x1F;

std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Little(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

// [address, address + size) lies wholly in [base, base + length).
bool Inside(std::uint64_t address, std::size_t size, std::uint64_t base, std::uint64_t length) {
    return address >= base && address - base <= length && size <= length - (address - base);
}

}  // namespace

std::optional<DmiTables> DmiTables::Load(const std::string& folder, std::string& why) {
    why.clear();
    const auto entry = ReadFile(folder + "/smbios_entry_point");
    const auto table = ReadFile(folder + "/DMI");
    if (!entry && !table) return std::nullopt;
    if (!entry || !table) {
        why = folder + " cannot be read (it needs root)";
        return std::nullopt;
    }
    if (entry->size() < kMinimumEntryLength || std::memcmp(entry->data(), kAnchor, 4) != 0) {
        why = folder + " holds no SMBIOS 2 entry point";
        return std::nullopt;
    }
    const std::size_t entryLength = (*entry)[kEntryLengthByte];
    const std::uint32_t tableLength = Little(*entry, kTableLengthWord, 2);
    const std::uint64_t tableAddress = Little(*entry, kTableAddressDword, 4);
    if (entryLength < kMinimumEntryLength || entryLength > entry->size() ||
        table->size() < tableLength || tableAddress + table->size() > 0x100000000ull) {
        why = folder + " holds an SMBIOS entry point that does not match its table";
        return std::nullopt;
    }
    DmiTables tables;
    tables.entry_.assign(entry->begin(), entry->begin() + static_cast<std::ptrdiff_t>(entryLength));
    tables.table_ = *table;
    tables.tableAddress_ = tableAddress;
    // The first paragraph of the BIOS area the table leaves free (a legacy BIOS keeps its
    // table there too).
    tables.entryAddress_ = kBiosArea;
    while (tables.entryAddress_ + entryLength <= kBiosAreaEnd &&
           tables.entryAddress_ < tableAddress + table->size() &&
           tableAddress < tables.entryAddress_ + entryLength) {
        tables.entryAddress_ += 16;
    }
    return tables;
}

bool DmiTables::Read(std::uint64_t address, std::uint8_t* buffer, std::size_t size) const {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint64_t at = address + i;
        if (Inside(at, 1, tableAddress_, table_.size())) {
            buffer[i] = table_[at - tableAddress_];
        } else if (Inside(at, 1, entryAddress_, entry_.size())) {
            buffer[i] = entry_[at - entryAddress_];
        } else if (Inside(at, 1, kBiosArea, kBiosAreaEnd - kBiosArea)) {
            buffer[i] = 0;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace zm::hw::linux_host
