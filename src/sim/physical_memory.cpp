#include "sim/physical_memory.h"

namespace zm::sim {

void PhysicalMemory::Map(std::uint64_t address, const std::uint8_t* bytes, std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = address + i;
        auto& page = pages_[at / kPageSize];
        if (!page) {
            page = std::make_unique<Page>();
            page->fill(0);
        }
        (*page)[at % kPageSize] = bytes ? bytes[i] : 0;
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
