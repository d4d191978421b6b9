// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pass-through hardware operations that note what the program reached: the PCI functions it
// read or wrote, the MSRs it read or wrote, and the physical memory it read. A capture of the
// machine runs the start-up through it to learn which registers the program depends on, then
// reads those whole.
//
// Every operation goes to the wrapped operations unaltered, in order. Before the first write to
// a PCI register, a dword of physical memory or an MSR, it reads what the location holds, so
// that the capture can write down the machine as it was found and put back whatever the
// start-up changed.

#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

#include "hw/operations.h"

namespace zm::hw {

struct PciFunctionAddress {
    unsigned bus = 0, device = 0, function = 0;
    auto operator<=>(const PciFunctionAddress&) const = default;
};

// What a location held before the first write to it.
struct OriginalValue {
    enum class Kind { Pci, Memory, Msr };
    Kind kind = Kind::Pci;
    // Pci: the dword's configuration address; Memory: the physical address of the 4 bytes
    // written; Msr: the index.
    std::uint64_t address = 0;
    std::uint64_t value = 0;
    // Msr: the processor written; kCurrentProcessor for a write to "the current" one.
    unsigned processor = 0;
    static constexpr unsigned kCurrentProcessor = hw::kCurrentProcessor;
};

class RecordingOperations final : public Operations {
public:
    // ReachOnly: of the writes, only those pass that make a device reachable at all: the Intel
    // chipset configuration block's decode (0:31.0 register 0xF0) and its SMBus function-disable
    // bit (+0x3418), the SMBus host's base and enable (0:31.3 registers 0x20 and 0x40), the AMD
    // north bridge's extended register form (0:24.3 register 0x8C), the LGA 1156 controller
    // window's enable (0:0.0 register 0x48) and the SB800 power-management registers; SMBus
    // transactions run as always. Every other PCI, memory and MSR write is dropped.
    enum class Writes { PassAll, ReachOnly };

    explicit RecordingOperations(Operations& inner, Writes writes = Writes::PassAll)
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

    void BeginWrites() override { inner_.BeginWrites(); }
    void EndWrites() override { inner_.EndWrites(); }
    bool Initialize() override { return inner_.Initialize(); }
    void Deinitialize() override { inner_.Deinitialize(); }
    std::uint32_t PciRead(std::uint32_t address) override;
    void PciReadMany(std::span<const std::uint32_t> addresses,
                     std::span<std::uint32_t> values) override;
    void PciWrite(std::uint32_t address, std::uint32_t value) override;
    void PciWriteByte(std::uint32_t address, std::uint8_t value) override;
    std::optional<std::uint64_t> MsrRead(std::uint32_t index, unsigned processor) override;
    void MsrReadMany(std::span<const MsrAt> which,
                     std::span<std::optional<std::uint64_t>> values) override;
    void MsrWrite(std::uint32_t index, unsigned processor, std::uint64_t value) override;
    std::optional<std::uint64_t> ReadTsc(unsigned processor) override {
        return inner_.ReadTsc(processor);
    }
    bool PhysRead(std::uint64_t address, std::span<std::uint8_t> bytes) override;
    void PhysWrite(std::uint64_t address, std::uint32_t value) override;
    void IndexedRead(std::uint16_t indexPort, std::span<const std::uint8_t> indices,
                     std::span<std::uint8_t> values) override {
        inner_.IndexedRead(indexPort, indices, values);
    }
    void IndexedWrite(std::uint16_t indexPort, std::uint8_t index, std::uint8_t value) override {
        inner_.IndexedWrite(indexPort, index, value);
    }
    int SmbusReadByte(std::uint16_t base, std::uint8_t slave, std::uint8_t command) override {
        return inner_.SmbusReadByte(base, slave, command);
    }
    std::size_t SmbusReadBytes(std::uint16_t base, std::uint8_t slave, std::uint8_t first,
                               std::span<int> results) override {
        return inner_.SmbusReadBytes(base, slave, first, results);
    }
    void SmbusReadRuns(std::uint16_t base, std::span<SmbusRun> runs) override {
        inner_.SmbusReadRuns(base, runs);
    }

private:
    void NotePci(std::uint32_t address);
    void NoteMsr(std::uint32_t index);
    // Whether a write may pass; counts the ones that may not. Lock held.
    bool PciWritePasses(std::uint32_t address);
    bool MemoryWritePasses(std::uint64_t address);
    bool MsrWritePasses();
    // Before a write: keep the location's present value unless it is kept already. Lock held.
    void KeepPciOriginal(std::uint32_t address);
    void KeepMsrOriginal(std::uint32_t index, unsigned processor);
    bool Kept(OriginalValue::Kind kind, std::uint64_t address, unsigned processor) const;
    std::uint64_t ReadNow(const OriginalValue& location);
    void WriteBack(const OriginalValue& original);

    Operations& inner_;
    const Writes writes_;
    unsigned dropped_ = 0;
    mutable std::mutex lock_;
    std::set<PciFunctionAddress> pci_;
    std::set<std::uint32_t> msrs_;
    std::set<std::uint64_t> memory_;
    std::vector<OriginalValue> originals_;
};

}  // namespace zm::hw
