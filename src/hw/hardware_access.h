// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The core's one way to the hardware: the operations of hw/operations.h, with read-only mode
// enforced here (the report and a capture change nothing) and the few changes made only to
// reach a device remembered and put back.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "hw/hardware_library.h"
#include "hw/operations.h"

namespace zm::hw {

struct MsrValue {
    std::uint32_t lo = 0;  // EAX
    std::uint32_t hi = 0;  // EDX
    constexpr std::uint64_t Value() const { return (std::uint64_t{hi} << 32) | lo; }
    static constexpr MsrValue From(std::uint64_t v) {
        return MsrValue{static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32)};
    }
};

// Whether the program may change the machine. The windows may (Apply, the CPU settings, the
// power features); the report reads only: every PCI, memory and MSR write is dropped there,
// whoever asks for it, except the few changes made to reach a device at all (the Reach*
// writes below), which are remembered and put back by RestoreReachChanges.
enum class AccessMode { ReadWrite, ReadOnly };

class HardwareAccess {
public:
    explicit HardwareAccess(Operations& operations) : ops_(operations) {}
    // The port-level operations over a library of the thirteen operations (the simulated
    // machine, WinRing0), made and kept here.
    explicit HardwareAccess(HardwareLibrary& library);
    ~HardwareAccess();
    HardwareAccess(const HardwareAccess&) = delete;
    HardwareAccess& operator=(const HardwareAccess&) = delete;

    // The backend's start (loading the driver, opening the device nodes) and end; false: it
    // could not start, and the hardware reads as if nothing answered.
    bool Initialize() { return ops_.Initialize(); }
    void Deinitialize() { ops_.Deinitialize(); }

    // The writes made while one lives travel with the next read or at its end, where the
    // backend is behind a pipe (hw::Operations::BeginWrites).
    class WriteBatch {
    public:
        explicit WriteBatch(HardwareAccess& hw) : ops_(hw.ops_) { ops_.BeginWrites(); }
        ~WriteBatch() { ops_.EndWrites(); }
        WriteBatch(const WriteBatch&) = delete;
        WriteBatch& operator=(const WriteBatch&) = delete;

    private:
        Operations& ops_;
    };

    // Set once, before the start-up touches the hardware.
    void SetAccessMode(AccessMode mode) { mode_ = mode; }
    AccessMode Mode() const { return mode_; }
    bool ReadOnly() const { return mode_ == AccessMode::ReadOnly; }

    // PCI configuration space, by configuration address (hw/pci_address.h).
    std::uint32_t PciConfigRead(std::uint32_t address);
    // A register image: values[i] is the dword at addresses[i], read in order as PciConfigRead
    // reads them (a backend behind a pipe sends them all in one request).
    void PciConfigReadMany(std::span<const std::uint32_t> addresses,
                           std::span<std::uint32_t> values);
    void PciConfigWrite(std::uint32_t address, std::uint32_t value);
    // A byte write to the addressed dword's lowest byte (the SMBus host enable uses it).
    void PciConfigWriteByte(std::uint32_t address, std::uint8_t value);

    // Memory-mapped dword at base + offset, little-endian.
    std::uint32_t MmioRead(std::uint32_t base, std::uint16_t offset);
    // A dword of physical memory; nullopt where it could not be read.
    std::optional<std::uint32_t> PhysRead(std::uint64_t address);
    // MmioRead for each of `offsets`, in order (one request where the backend is behind a pipe).
    void MmioReadMany(std::uint32_t base, std::span<const std::uint16_t> offsets,
                      std::span<std::uint32_t> values);
    void MmioWrite(std::uint32_t base, std::uint16_t offset, std::uint32_t value);

    // MSRs on logical processor n (affinity mask 1 << n), and on the current processor.
    MsrValue MsrRead(std::uint32_t index, unsigned processor);
    // nullopt where the register cannot be read on that processor (as a real one faults).
    std::optional<MsrValue> MsrReadIfAny(std::uint32_t index, unsigned processor);
    // Several MSRs (one on each processor, say), read in order as MsrRead reads them: values[i]
    // for which[i].
    using MsrAt = Operations::MsrAt;
    void MsrReadMany(std::span<const MsrAt> which, std::span<MsrValue> values);
    void MsrWrite(std::uint32_t index, MsrValue value, unsigned processor);
    MsrValue MsrReadCurrent(std::uint32_t index);
    void MsrWriteCurrent(std::uint32_t index, MsrValue value);
    // Read, change, write back on the same processor.
    template <typename Change>
    MsrValue MsrModify(std::uint32_t index, unsigned processor, Change change) {
        MsrValue value = MsrRead(index, processor);
        change(value);
        MsrWrite(index, value, processor);
        return value;
    }

    // Changes made only to reach a device: a chipset function the firmware hid or left
    // disabled, the SMBus host's enable bit, the AMD north bridge's extended register form, the
    // memory controller's register window. Written in either mode; in ReadOnly the value each
    // location held before its first such write is kept, for RestoreReachChanges.
    void ReachPciWrite(std::uint32_t address, std::uint32_t value);
    // The same, where the caller has just read the location: `found` is what it held.
    void ReachPciWrite(std::uint32_t address, std::uint32_t value, std::uint32_t found);
    void ReachPciWriteByte(std::uint32_t address, std::uint8_t value);
    void ReachMmioWrite(std::uint32_t base, std::uint16_t offset, std::uint32_t value);
    void ReachMmioWrite(std::uint32_t base, std::uint16_t offset, std::uint32_t value,
                        std::uint32_t found);
    // A register behind an index/data port pair (data port = index port + 1, as the AMD
    // south bridges' power-management block has them); the index port is put back as found.
    void ReachIndexedPortWrite(std::uint16_t indexPort, std::uint8_t index, std::uint8_t value);
    // Registers behind an index/data port pair, read one after the other, the index port put
    // back as found. A read that selects a register only, allowed in either mode.
    void IndexedPortRead(std::uint16_t indexPort, std::span<const std::uint8_t> indices,
                         std::span<std::uint8_t> values);
    // Writes back what the reach writes found, the latest change first, and forgets it.
    void RestoreReachChanges();

    // Time-stamp counter of logical processor n; nullopt where it could not be read.
    std::optional<std::uint64_t> ReadTsc(unsigned processor);

    // The SMBus host controller's I/O base; set by SMBus discovery, used by every routine below.
    std::uint16_t SmbusBase() const { return smbusBase_; }
    void SetSmbusBase(std::uint16_t base) { smbusBase_ = base; }

    void SmbusEnableHost();
    // The same, where the caller has just read 0:31.3 register 0x20: `command` is what it held.
    void SmbusEnableHost(std::uint32_t command);
    // The data byte 0..255, or smbus::kTransactionError / kHostBusy / kTimeout.
    int SmbusReadByte(std::uint8_t slave, std::uint8_t command);
    // SmbusReadByte for the commands first, first + 1, ... one after the other, stopping after
    // the first that fails, in one request where the backend offers it: how many results were
    // written (the last a failure when fewer than results.size()), 0 where the backend does not
    // offer it and the caller reads byte by byte.
    std::size_t SmbusReadBytes(std::uint8_t slave, std::uint8_t first, std::span<int> results);
    // SmbusReadBytes for several runs (slave, first command, results), in order, in one request
    // where the backend is behind a pipe; each run's `read` as SmbusReadBytes returns it.
    using SmbusRun = Operations::SmbusRun;
    void SmbusReadRuns(std::span<SmbusRun> runs);
    // SmbusReadByte for each of `commands`, in order, in one request where the backend is
    // behind a pipe.
    void SmbusReadList(std::uint8_t slave, std::span<const std::uint8_t> commands,
                       std::span<int> results);

private:
    // A location a reach write changed, and what it held before.
    struct ReachChange {
        enum class Kind { PciDword, PciByte, Memory, IndexedPort } kind;
        std::uint64_t
            address;  // configuration address, physical address, or index port << 8 | index
        std::uint32_t original;
    };

    std::uint8_t IndexedPortRead(std::uint16_t indexPort, std::uint8_t index);
    // Records the location's value the first time a reach write changes it (ReadOnly only).
    void Remember(ReachChange::Kind kind, std::uint64_t address, std::uint32_t current);

    std::unique_ptr<Operations> owned_;  // the port-level operations made over a library
    Operations& ops_;
    std::uint16_t smbusBase_ = 0;
    std::atomic<AccessMode> mode_{AccessMode::ReadWrite};
    std::mutex reachLock_;
    std::vector<ReachChange> reachChanges_;
};

}  // namespace zm::hw
