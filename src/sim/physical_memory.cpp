// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/physical_memory.h"

#include <algorithm>
#include <cstring>

namespace zm::sim {

void PhysicalMemory::Map(std::uint64_t address, const std::uint8_t* bytes, std::uint64_t count) {
    // Page by page: one lookup and one copy per 4 KiB, so a large block maps in time
    // proportional to its size.
    std::uint64_t done = 0;
    while (done < count) {
        const std::uint64_t at = address + done;
        const std::uint64_t offset = at % kPageSize;
        const std::uint64_t chunk = std::min(kPageSize - offset, count - done);
        auto& page = pages_[at / kPageSize];
        if (!page) page = std::make_unique<Page>();  // value-initialised: zero-filled
        std::uint8_t* into = page->data() + offset;
        if (bytes) {
            std::memcpy(into, bytes + done, chunk);
        } else {
            std::memset(into, 0, chunk);
        }
        done += chunk;
    }
}

bool PhysicalMemory::IsMapped(std::uint64_t address) const {
    return pages_.count(address / kPageSize) != 0;
}

std::uint8_t PhysicalMemory::ReadByte(std::uint64_t address) const {
    const auto it = pages_.find(address / kPageSize);
    return it == pages_.end() ? 0xFF : (*it->second)[address % kPageSize];
}

bool PhysicalMemory::WriteByte(std::uint64_t address, std::uint8_t value) {
    const auto it = pages_.find(address / kPageSize);
    if (it == pages_.end()) return false;
    (*it->second)[address % kPageSize] = value;
    return true;
}

}  // namespace zm::sim
