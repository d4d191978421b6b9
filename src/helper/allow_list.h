// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the privileged helper lets the window reach, and nothing more. The list holds no register
// of its own: it is built from the rows the register maps export (hw/register_access.h) - the
// memory timings, the clock and power code, SMBus discovery - each with the bits a write may
// change. A write passes only when
//   - the register is one of those rows and the device answering at that function is the one the
//     row belongs to (its vendor/device dword),
//   - the register does not read all ones (nothing, or a hidden function, answers there), and
//   - every bit outside the row's mask equals what the register holds now, read from the same
//     function, processor or memory address just before.
// The SMBus hosts and memory windows are found from the hardware itself: the hosts from the
// SMBus functions' base registers (which a write cannot move) or the SB800 power-management
// registers; the SMBIOS areas, the chipset configuration block and the host bridge's
// memory-controller window from the registers that place them. An SMBus operation is the
// helper's own byte-data read on one of those hosts: no port of a host is ever written on the
// window's say. A request the list does not cover is refused before it reaches the backend.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "hw/operations.h"
#include "hw/register_access.h"

namespace zm::hw::helper {

// Physical memory the program reads; writable only at the rows' offsets from `origin`.
struct MemoryWindow {
    std::string name;
    std::uint64_t begin = 0;
    std::uint64_t end = 0;  // one past the last byte
    std::uint64_t origin = 0;
    std::vector<WindowRegisterAccess> rows{};
};

class AllowList {
public:
    // Finds the windows and SMBus hosts through the backend (after its Initialize).
    void Learn(Operations& backend);
    bool Learnt() const { return learnt_; }

    // Each check returns "" when allowed, else why not (for the helper's log). PCI checks take
    // the configuration address the window names.
    std::string CheckPciRead(Operations& backend, std::uint32_t address) const;
    // width 1: the byte write to the addressed dword's lowest byte.
    std::string CheckPciWrite(Operations& backend, std::uint32_t address, unsigned width,
                              std::uint32_t value) const;
    std::string CheckMsrRead(std::uint32_t index) const;
    // processor: a logical processor, or kCurrentProcessor (the helper's own).
    std::string CheckMsrWrite(Operations& backend, std::uint32_t index, std::uint64_t value,
                              unsigned processor) const;
    std::string CheckMemoryRead(std::uint64_t address, std::uint64_t size) const;
    std::string CheckMemoryWrite(Operations& backend, std::uint64_t address,
                                 std::uint32_t value) const;
    // The power-management registers behind the SB800/SB900 index port.
    std::string CheckIndexedRead(std::uint16_t indexPort,
                                 std::span<const std::uint8_t> indices) const;
    std::string CheckIndexedWrite(Operations& backend, std::uint16_t indexPort, std::uint8_t index,
                                  std::uint8_t value) const;
    // A whole SMBus byte-data read on the host at `base`.
    std::string CheckSmbusRead(std::uint16_t base) const;

    // A write that was let through may have shown or moved the SMBus function (the function-
    // disable register, the SMBus functions' configuration): look at the bases again.
    void AfterPciWrite(Operations& backend, std::uint32_t address);
    void AfterMemoryWrite(Operations& backend, std::uint64_t address);
    // Power-management registers read: the SB800 SMBus base is learnt from what the hardware
    // answered for them.
    void AfterIndexedRead(Operations& backend, std::span<const std::uint8_t> indices,
                          std::span<const std::uint8_t> values);

    const std::vector<MemoryWindow>& Windows() const { return windows_; }
    const std::vector<std::uint16_t>& SmbusBases() const { return smbusBases_; }

private:
    void LearnSmbusBases(Operations& backend);

    bool learnt_ = false;
    std::vector<MemoryWindow> windows_;
    std::vector<std::uint16_t> smbusBases_;
    std::uint64_t functionDisable_ = 0;  // address of the SMBus hide register, 0: none
    bool sb800_ = false;                 // an SB800/SB900 power-management block is there
    // SB800/SB900 SMBus control and base-high registers as last read through the backend.
    int pmControl_ = -1, pmBaseHigh_ = -1;
};

}  // namespace zm::hw::helper
