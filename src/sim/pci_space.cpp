// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/pci_space.h"

namespace zm::sim {

namespace {
constexpr unsigned kIdentityEnd = 4;  // vendor and device id words: read-only
}

void PciSpace::Create(PciFunctionId id) {
    auto& slot = functions_[id];
    if (!slot) {
        slot = std::make_unique<Config>();
        slot->fill(0);
    }
}

PciSpace::Config* PciSpace::Find(PciFunctionId id) {
    const auto it = functions_.find(id);
    return it == functions_.end() ? nullptr : it->second.get();
}

const PciSpace::Config* PciSpace::Find(PciFunctionId id) const {
    const auto it = functions_.find(id);
    return it == functions_.end() ? nullptr : it->second.get();
}

std::uint32_t PciSpace::ReadDword(PciFunctionId id, unsigned reg) const {
    const Config* config = Find(id);
    if (!config) return 0xFFFFFFFF;
    const unsigned at = (reg & ~3u) % kConfigSize;
    return std::uint32_t{(*config)[at]} | (std::uint32_t{(*config)[at + 1]} << 8) |
           (std::uint32_t{(*config)[at + 2]} << 16) | (std::uint32_t{(*config)[at + 3]} << 24);
}

std::uint8_t PciSpace::ReadByte(PciFunctionId id, unsigned reg) const {
    const Config* config = Find(id);
    return config ? (*config)[reg % kConfigSize] : 0xFF;
}

void PciSpace::WriteDword(PciFunctionId id, unsigned reg, std::uint32_t value) {
    const unsigned at = (reg & ~3u) % kConfigSize;
    for (unsigned i = 0; i < 4; ++i)
        WriteByte(id, at + i, static_cast<std::uint8_t>(value >> (8 * i)));
}

void PciSpace::WriteByte(PciFunctionId id, unsigned reg, std::uint8_t value) {
    Config* config = Find(id);
    const unsigned at = reg % kConfigSize;
    if (!config || at < kIdentityEnd) return;
    (*config)[at] = value;
}

void PciSpace::Store(PciFunctionId id, unsigned reg, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    StoreBytes(id, reg & ~3u, bytes, 4);
}

void PciSpace::StoreBytes(PciFunctionId id, unsigned offset, const std::uint8_t* bytes,
                          unsigned count) {
    Create(id);
    Config& config = *Find(id);
    for (unsigned i = 0; i < count && offset + i < kConfigSize; ++i) config[offset + i] = bytes[i];
}

}  // namespace zm::sim
