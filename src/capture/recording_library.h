// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A pass-through HardwareLibrary that notes what the program reached: the PCI functions it
// addressed through the 0xCF8/0xCFC pair, the MSRs it read or wrote, and the physical memory
// it read. A capture of the machine runs the start-up through it to learn which registers the
// program depends on, then reads those whole.
//
// Every operation goes to the wrapped library unaltered, in order. Before the first write to a
// PCI register, a dword of physical memory or an MSR, it reads what the location holds, so that
// the capture can write down the machine as it was found and put back whatever the start-up
// changed.

#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

#include "hw/hardware_library.h"

namespace zm::hw {

struct PciFunctionAddress {
    unsigned bus = 0, device = 0, function = 0;
    auto operator<=>(const PciFunctionAddress&) const = default;
};

// What a location held before the first write to it.
struct OriginalValue {
    enum class Kind { Pci, Memory, Msr };
    Kind kind = Kind::Pci;
    // Pci: the dword's configuration address (0xCF8 form); Memory: the physical address of the
    // 4 bytes written; Msr: the index.
    std::uint64_t address = 0;
    std::uint64_t value = 0;
    // Msr: the processor written; kCurrentProcessor for a write to "the current" one.
    unsigned processor = 0;
    static constexpr unsigned kCurrentProcessor = ~0u;
};

class RecordingLibrary final : public HardwareLibrary {
public:
    // ReachOnly: of the writes, only those pass that make a device reachable at all: the Intel
    // chipset configuration block's decode (0:31.0 register 0xF0) and its SMBus function-disable
    // bit (+0x3418), the SMBus host's base and enable (0:31.3 registers 0x20 and 0x40), the AMD
    // north bridge's extended register form (0:24.3 register 0x8C) and the LGA 1156 controller
    // window's enable (0:0.0 register 0x48); I/O port writes (the SMBus host's transactions)
    // pass too. Every other PCI, memory and MSR write is dropped.
    enum class Writes { PassAll, ReachOnly };

    explicit RecordingLibrary(HardwareLibrary& inner, Writes writes = Writes::PassAll)
        : inner_(inner), writes_(writes) {}

    // What was reached so far.
    std::set<PciFunctionAddress> PciFunctions() const;
    std::set<std::uint32_t> Msrs() const;
    // Start addresses of every physical-memory read (the program reads dwords).
    std::set<std::uint64_t> MemoryReads() const;
    // Every location written, in the order of its first write.
    std::vector<OriginalValue> Originals() const;
    // Writes ReachOnly dropped.
    unsigned DroppedWrites() const;
    // Writes back what each written location held before, the latest first, where it holds
    // something else now. Returns how many locations were written back.
    unsigned RestoreOriginals();

    bool InitializeDll() override { return inner_.InitializeDll(); }
    void DeinitializeDll() override { inner_.DeinitializeDll(); }
    std::uint8_t ReadIoPortByte(std::uint16_t port) override;
    std::uint32_t ReadIoPortDword(std::uint16_t port) override;
    void WriteIoPortByte(std::uint16_t port, std::uint8_t value) override;
    void WriteIoPortDword(std::uint16_t port, std::uint32_t value) override;
    bool Rdmsr(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx) override;
    bool RdmsrEx(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx,
                 AffinityMask mask) override;
    bool Wrmsr(std::uint32_t index, std::uint32_t eax, std::uint32_t edx) override;
    bool WrmsrEx(std::uint32_t index, std::uint32_t eax, std::uint32_t edx,
                 AffinityMask mask) override;
    bool RdtscEx(std::uint32_t& eax, std::uint32_t& edx, AffinityMask mask) override {
        return inner_.RdtscEx(eax, edx, mask);
    }
    std::uint32_t ReadPhysicalMemory(std::uint64_t address, std::uint8_t* buffer,
                                     std::uint32_t count, std::uint32_t unitSize) override;
    std::uint32_t WritePhysicalMemory(std::uint64_t address, const std::uint8_t* buffer,
                                      std::uint32_t count, std::uint32_t unitSize) override;

private:
    // A data-port access: the function the latch addresses, when its enable bit is set.
    void NoteDataPort(std::uint16_t port);
    void NoteMsr(std::uint32_t index);
    // Whether a write may pass; counts the ones that may not. Lock held.
    bool PciWritePasses();
    bool MemoryWritePasses(std::uint64_t address);
    bool MsrWritePasses();
    // Before a write: keep the location's present value unless it is kept already.
    void KeepPciOriginal();
    void KeepMsrOriginal(std::uint32_t index, unsigned processor);
    bool Kept(OriginalValue::Kind kind, std::uint64_t address, unsigned processor) const;
    std::uint64_t ReadNow(const OriginalValue& location);
    void WriteBack(const OriginalValue& original);

    HardwareLibrary& inner_;
    const Writes writes_;
    unsigned dropped_ = 0;
    mutable std::mutex lock_;
    std::uint32_t latch_ = 0;
    std::set<PciFunctionAddress> pci_;
    std::set<std::uint32_t> msrs_;
    std::set<std::uint64_t> memory_;
    std::vector<OriginalValue> originals_;
};

}  // namespace zm::hw
