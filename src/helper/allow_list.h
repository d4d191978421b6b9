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
// The I/O ports and memory windows are found from the hardware itself: the SMBus hosts' ports
// from the SMBus functions' base registers (which a write cannot move) or the SB800 power-
// management registers; the SMBIOS areas, the chipset configuration block and the host bridge's
// memory-controller window from the registers that place them. An SMBus transaction may start
// only as a byte-data read, judged from the slave-address register of the host being started.
// A request the list does not cover is refused before it reaches the backend.

#include <cstdint>
#include <string>
#include <vector>

#include "hw/hardware_library.h"
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
    // Finds the windows and SMBus hosts through the backend (after its InitializeDll).
    void Learn(HardwareLibrary& backend);
    bool Learnt() const { return learnt_; }

    // Each check returns "" when allowed, else why not (for the helper's log). PCI checks take
    // the 0xCF8 address the window latched.
    std::string CheckPortRead(HardwareLibrary& backend, std::uint16_t port, unsigned width);
    std::string CheckPortWrite(HardwareLibrary& backend, std::uint16_t port, unsigned width,
                               std::uint32_t value);
    // A whole SMBus byte-data read on the host at `base`.
    std::string CheckSmbusRead(std::uint16_t base) const;
    std::string CheckPciRead(HardwareLibrary& backend, std::uint32_t latch) const;
    std::string CheckPciWrite(HardwareLibrary& backend, std::uint32_t latch, unsigned byteLane,
                              unsigned width, std::uint32_t value) const;
    std::string CheckMsrRead(std::uint32_t index) const;
    // mask 0: the helper's current processor (Wrmsr), else exactly one processor (WrmsrEx).
    std::string CheckMsrWrite(HardwareLibrary& backend, std::uint32_t index, std::uint64_t value,
                              AffinityMask mask) const;
    std::string CheckMemoryRead(std::uint64_t address, std::uint64_t size) const;
    std::string CheckMemoryWrite(HardwareLibrary& backend, std::uint64_t address,
                                 const std::vector<std::uint8_t>& bytes) const;

    // A write that was let through may have shown or moved the SMBus function (the function-
    // disable register, the SMBus functions' configuration): look at the bases again.
    void AfterPciWrite(HardwareLibrary& backend, std::uint32_t latch);
    void AfterMemoryWrite(HardwareLibrary& backend, std::uint64_t address);
    // A power-management data read served: the SB800 SMBus base is learnt from what the
    // hardware answered for its registers.
    void AfterPortRead(HardwareLibrary& backend, std::uint16_t port, std::uint32_t value);

    const std::vector<MemoryWindow>& Windows() const { return windows_; }
    const std::vector<std::uint16_t>& SmbusBases() const { return smbusBases_; }

private:
    void LearnSmbusBases(HardwareLibrary& backend);
    const std::uint16_t* SmbusHostOf(std::uint16_t port) const;

    bool learnt_ = false;
    std::vector<MemoryWindow> windows_;
    std::vector<std::uint16_t> smbusBases_;
    std::uint64_t functionDisable_ = 0;  // address of the SMBus hide register, 0: none
    bool sb800_ = false;                 // an SB800/SB900 power-management block is there
    // SB800/SB900 SMBus control and base-high registers as last read through the backend.
    int pmControl_ = -1, pmBaseHigh_ = -1;
};

}  // namespace zm::hw::helper
