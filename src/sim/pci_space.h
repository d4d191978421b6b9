// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PCI configuration spaces of the simulated machine: one 4 KiB space per bus/device/function
// that exists. Functions that do not exist answer all ones, as a real bus does when no device
// claims the cycle.

#include <array>
#include <cstdint>
#include <map>
#include <memory>

namespace zm::sim {

struct PciFunctionId {
    unsigned bus = 0, device = 0, function = 0;
    auto operator<=>(const PciFunctionId&) const = default;
};

class PciSpace {
public:
    static constexpr unsigned kConfigSize = 4096;  // extended configuration space

    bool Exists(PciFunctionId id) const { return functions_.count(id) != 0; }
    void Create(PciFunctionId id);  // filled with zeros; keeps an existing function as it is
    void Remove(PciFunctionId id) { functions_.erase(id); }

    // Dword at a dword-aligned offset (bits 1..0 of reg are ignored); all ones when absent.
    std::uint32_t ReadDword(PciFunctionId id, unsigned reg) const;
    std::uint8_t ReadByte(PciFunctionId id, unsigned reg) const;
    // Writes from the processor side: the vendor/device dword at offset 0 is read-only, as on
    // every real device; writes to absent functions are lost.
    void WriteDword(PciFunctionId id, unsigned reg, std::uint32_t value);
    void WriteByte(PciFunctionId id, unsigned reg, std::uint8_t value);
    // Set-up access (profiles, tests): writes any register, creating the function.
    void Store(PciFunctionId id, unsigned reg, std::uint32_t value);
    void StoreBytes(PciFunctionId id, unsigned offset, const std::uint8_t* bytes, unsigned count);

private:
    using Config = std::array<std::uint8_t, kConfigSize>;
    Config* Find(PciFunctionId id);
    const Config* Find(PciFunctionId id) const;

    std::map<PciFunctionId, std::unique_ptr<Config>> functions_;
};

}  // namespace zm::sim
