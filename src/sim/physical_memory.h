// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sparse, byte-addressed physical memory. Only the ranges a profile maps hold bytes; reads
// elsewhere float high (0xFF), as an undecoded memory cycle does, and writes there are lost.

#include <array>
#include <cstdint>
#include <map>
#include <memory>

namespace zm::sim {

class PhysicalMemory {
public:
    static constexpr std::uint64_t kPageSize = 4096;

    // Maps the pages under [address, address + count) (zero-filled when new) and stores bytes.
    void Map(std::uint64_t address, const std::uint8_t* bytes, std::uint64_t count);
    bool IsMapped(std::uint64_t address) const;

    std::uint8_t ReadByte(std::uint64_t address) const;
    // Returns false (and changes nothing) where the address is not mapped.
    bool WriteByte(std::uint64_t address, std::uint8_t value);

private:
    using Page = std::array<std::uint8_t, kPageSize>;
    std::map<std::uint64_t, std::unique_ptr<Page>> pages_;  // by page number
};

}  // namespace zm::sim
