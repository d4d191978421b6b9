// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The SMBus host controller of an Intel I/O controller hub (ATI/AMD south bridges copy its
// register layout), with SPD EEPROMs on the bus at slave addresses 0x50 + slot.
//
// Registers, relative to the I/O base:
//   +0 host status   bit 0 busy (read-only), bits 1..5 and 7 write-one-to-clear
//                    (interrupt/done, device error, bus collision, failed, alert, byte done),
//                    bit 6 in use: a semaphore that reads 0 once and then 1 until software
//                    writes 1 to it
//   +2 host control  bit 6 start (write-only, reads 0), bits 4..2 protocol, bit 1 kill,
//                    bit 0 interrupt enable
//   +3 host command  the command byte (for an SPD: the byte offset)
//   +4 slave address bits 7..1 address, bit 0 = 1 for a read
//   +5 host data 0, +6 host data 1

#include <array>
#include <cstdint>
#include <vector>

namespace zm::sim {

enum class SmbusFault;

class SmbusHost {
public:
    static constexpr unsigned kRegisterCount = 16;
    static constexpr std::uint8_t kFirstSpdAddress = 0x50;
    static constexpr unsigned kMaxSlots = 8;
    // Status reads that still show busy after a start, so wait loops really wait.
    static constexpr unsigned kBusyReads = 2;

    void SetSpd(unsigned slot, std::vector<std::uint8_t> image);
    void SetFault(SmbusFault fault);

    std::uint8_t Read(unsigned reg);
    void Write(unsigned reg, std::uint8_t value);

private:
    void Start();
    void Finish();
    // Runs the transaction that is latched in the registers; returns the final status bits.
    std::uint8_t Execute();

    std::array<std::uint8_t, kRegisterCount> regs_{};
    std::array<std::vector<std::uint8_t>, kMaxSlots> spd_{};
    std::array<std::uint8_t, kMaxSlots> eepromPointer_{};
    SmbusFault fault_{};
    bool busy_ = false;
    bool hung_ = false;  // a transaction that will never end (injected)
    unsigned busyReadsLeft_ = 0;
    bool inUse_ = false;
};

}  // namespace zm::sim
