// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The firmware's SMBIOS tables as the kernel publishes them in /sys/firmware/dmi/tables
// (smbios_entry_point and DMI), for kernels that keep /dev/mem closed. They are laid into the
// physical addresses the SMBIOS scan reads, so the scan, its plausibility rules and its
// location cache work unchanged:
//   - the BIOS area 0xF0000..0xFFFFF reads as zeros with the entry point at 0xF0000, the first
//     place the scan looks (the kernel does not say where the firmware put it), or the first
//     paragraph after a table that lies there;
//   - the structure table reads at the physical address the entry point names, as on the
//     machine itself, so the addresses the scan caches are the real ones.
// Only a 2.x "_SM_" entry point is served; a kernel that publishes only a 3.0 "_SM3_" entry
// point leaves the reads to /dev/mem.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zm::hw::linux_host {

class DmiTables {
public:
    // nullopt when the folder holds no usable pair; `why` then says what was wrong ("" when
    // the folder does not exist at all).
    static std::optional<DmiTables> Load(const std::string& folder, std::string& why);

    // Fills buffer when [address, address + size) lies wholly in the BIOS area or the table.
    bool Read(std::uint64_t address, std::uint8_t* buffer, std::size_t size) const;

    std::uint64_t TableAddress() const { return tableAddress_; }

private:
    std::vector<std::uint8_t> entry_;
    std::vector<std::uint8_t> table_;
    std::uint64_t tableAddress_ = 0;
    std::uint64_t entryAddress_ = 0;
};

}  // namespace zm::hw::linux_host
