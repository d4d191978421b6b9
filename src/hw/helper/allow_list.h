#pragma once
// What the privileged helper lets the window reach, and nothing more. The tables in
// allow_list.cpp name every PCI function the program reads, every configuration register it
// writes (with the bits a write may change), every MSR it reads or writes; the I/O ports and
// physical-memory windows are learnt once from the hardware itself when the library starts:
//   - the SMBus host's ports from the SMBus functions' own base registers (a write can never
//     move a base: the base registers' rows allow only their enable bits to change);
//   - the SMBIOS entry-point area, the structure table the entry point names, the chipset
//     configuration block's function-disable register and the host bridge's memory-controller
//     window, from the registers that place them.
// A request the lists do not cover is refused before it reaches the backend.

#include <cstdint>
#include <string>
#include <vector>

#include "hw/hardware_library.h"

namespace zm::hw::helper {

struct MemoryWindow {
    std::string name;
    std::uint64_t begin = 0;
    std::uint64_t end = 0;  // one past the last byte
    bool writable = false;
};

class AllowList {
public:
    // Reads what places the ports and windows, through the backend (after its InitializeDll).
    void Learn(HardwareLibrary& backend);
    bool Learnt() const { return learnt_; }

    // Each check returns "" when allowed, else why not (for the helper's log). The PCI checks
    // work on the 0xCF8 address the window latched and may read the current register value
    // and F3x8C through the backend.
    std::string CheckPort(std::uint16_t port, unsigned width, bool write) const;
    // An SMBus host register write: besides the port, a transaction may start only as the
    // byte-data read the SPD reader makes, never as a write to a device on the bus (an SPD
    // EEPROM that is not write-protected would keep whatever it is sent).
    std::string CheckSmbusWrite(std::uint16_t port, std::uint8_t value);
    std::string CheckPciRead(HardwareLibrary& backend, std::uint32_t latch);
    std::string CheckPciWrite(HardwareLibrary& backend, std::uint32_t latch, unsigned byteLane,
                              unsigned width, std::uint32_t value);
    std::string CheckMsr(std::uint32_t index, bool write) const;
    std::string CheckMemory(std::uint64_t address, std::uint64_t size, bool write) const;

    // A write that was let through may have uncovered or moved the SMBus function (the
    // function-disable register, the SMBus functions' configuration): look at the bases again.
    void AfterPciWrite(HardwareLibrary& backend, std::uint32_t latch);
    void AfterMemoryWrite(HardwareLibrary& backend, std::uint64_t address);

    const std::vector<MemoryWindow>& Windows() const { return windows_; }
    const std::vector<std::uint16_t>& SmbusBases() const { return smbusBases_; }

private:
    void LearnSmbusBases(HardwareLibrary& backend);

    bool learnt_ = false;
    std::vector<MemoryWindow> windows_;
    std::vector<std::uint16_t> smbusBases_;
    std::uint8_t lastSlaveAddress_ = 0;  // as last written to a host's slave-address register
    std::uint64_t functionDisable_ = 0;  // address of the function-disable register, 0 = none
};

}  // namespace zm::hw::helper
