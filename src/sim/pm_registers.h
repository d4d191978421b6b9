// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The power-management register block of AMD SB800/SB900-series south bridges, reached through
// an index/data I/O port pair: a byte written to 0xCD6 selects one of 256 registers, 0xCD7
// reads and writes it. The SMBus host controller's enable and I/O base live there (registers
// 0x2C/0x2D), not in the SMBus function's PCI registers as on the SB6x0/SB7x0.

#include <array>
#include <cstdint>
#include <optional>

namespace zm::sim {

class PmRegisters {
public:
    static constexpr std::uint16_t kIndexPort = 0xCD6;
    static constexpr std::uint16_t kDataPort = 0xCD7;

    static constexpr bool Decodes(std::uint16_t port) {
        return port == kIndexPort || port == kDataPort;
    }

    void Set(std::uint8_t index, std::uint8_t value) { registers_[index] = value; }
    std::uint8_t Get(std::uint8_t index) const { return registers_[index]; }
    std::uint8_t Index() const { return index_; }

    std::uint8_t Read(std::uint16_t port) const {
        return port == kIndexPort ? index_ : registers_[index_];
    }
    void Write(std::uint16_t port, std::uint8_t value) {
        if (port == kIndexPort)
            index_ = value;
        else
            registers_[index_] = value;
    }

private:
    std::array<std::uint8_t, 256> registers_{};
    std::uint8_t index_ = 0;
};

}  // namespace zm::sim
