// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The small routines every hardware-facing subsystem uses on top of the library's thirteen
// operations: PCI configuration through the 0xCF8/0xCFC port pair, dword access to
// memory-mapped chipset registers, MSRs on a chosen logical processor, and the Intel-layout
// SMBus host controller's read-byte transaction (ATI/AMD south bridges use the same layout).

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "hw/hardware_library.h"

namespace zm::hw {

struct MsrValue {
    std::uint32_t lo = 0;  // EAX
    std::uint32_t hi = 0;  // EDX
    constexpr std::uint64_t Value() const { return (std::uint64_t{hi} << 32) | lo; }
    static constexpr MsrValue From(std::uint64_t v) {
        return MsrValue{static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32)};
    }
};

// The port a write to which only waits a moment (an I/O delay between SMBus polls).
constexpr std::uint16_t kIoDelayPort = 0x80;

// SMBus host controller registers, relative to its I/O base.
namespace smbus {
constexpr std::uint16_t kHostStatus = 0;
constexpr std::uint16_t kHostControl = 2;
constexpr std::uint16_t kHostCommand = 3;
constexpr std::uint16_t kTransmitSlaveAddress = 4;
constexpr std::uint16_t kHostData0 = 5;

constexpr std::uint8_t kStatusBusy = 0x01;
constexpr std::uint8_t kStatusInterrupt = 0x02;  // transaction done
constexpr std::uint8_t kStatusDeviceError = 0x04;
constexpr std::uint8_t kStatusBusCollision = 0x08;
constexpr std::uint8_t kStatusFailed = 0x10;
constexpr std::uint8_t kStatusAlert = 0x20;
constexpr std::uint8_t kStatusInUse = 0x40;
constexpr std::uint8_t kStatusByteDone = 0x80;
// Any of these ends a transaction: interrupt, device error, collision, failed, alert, byte done.
constexpr std::uint8_t kStatusFinishedMask = 0xBE;
// What is compared with "done only" once a transaction ended (in-use and alert ignored).
constexpr std::uint8_t kStatusResultMask = 0x9F;

constexpr std::uint8_t kControlInterruptEnable = 0x01;
constexpr std::uint8_t kControlKeepMask = 0xE3;
constexpr std::uint8_t kControlByteData = 0x08;  // command field bits 4..2 = 010
constexpr std::uint8_t kControlStart = 0x40;

constexpr int kPollRounds = 1'000'000;

// SmbusReadByte results besides a data byte.
constexpr int kTransactionError = -1;
constexpr int kHostBusy = -2;
constexpr int kTimeout = -3;
}  // namespace smbus

// Whether the program may change the machine. The windows may (Apply, the CPU settings, the
// power features); the report reads only: every PCI, memory and MSR write is dropped there,
// whoever asks for it, except the few changes made to reach a device at all (the Reach*
// writes below), which are remembered and put back by RestoreReachChanges.
enum class AccessMode { ReadWrite, ReadOnly };

class HardwareAccess {
public:
    explicit HardwareAccess(HardwareLibrary& library) : library_(library) {}

    HardwareLibrary& Library() { return library_; }

    // Set once, before the start-up touches the hardware.
    void SetAccessMode(AccessMode mode) { mode_ = mode; }
    AccessMode Mode() const { return mode_; }
    bool ReadOnly() const { return mode_ == AccessMode::ReadOnly; }

    // PCI configuration space. One lock keeps each address/data pair together, whatever thread
    // calls: the window thread and both background threads share the port pair.
    std::uint32_t PciConfigRead(std::uint32_t address);
    // A register image: values[i] is the dword at addresses[i], read in order as PciConfigRead
    // reads them (a backend behind a pipe sends them all in one request).
    void PciConfigReadMany(std::span<const std::uint32_t> addresses,
                           std::span<std::uint32_t> values);
    void PciConfigWrite(std::uint32_t address, std::uint32_t value);
    // A byte write to the data port after the address (the SMBus host enable uses it).
    void PciConfigWriteByte(std::uint32_t address, std::uint8_t value);

    // Memory-mapped dword at base + offset, little-endian.
    std::uint32_t MmioRead(std::uint32_t base, std::uint16_t offset);
    void MmioWrite(std::uint32_t base, std::uint16_t offset, std::uint32_t value);

    // MSRs on logical processor n (affinity mask 1 << n), and on the current processor.
    MsrValue MsrRead(std::uint32_t index, unsigned processor);
    // Several MSRs (one on each processor, say), read in order as MsrRead reads them: values[i]
    // for which[i].
    struct MsrAt {
        std::uint32_t index = 0;
        unsigned processor = 0;
    };
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
    void ReachPciWriteByte(std::uint32_t address, std::uint8_t value);
    void ReachMmioWrite(std::uint32_t base, std::uint16_t offset, std::uint32_t value);
    // A register behind an index/data port pair (data port = index port + 1, as the AMD
    // south bridges' power-management block has them); the index port is put back as found.
    void ReachIndexedPortWrite(std::uint16_t indexPort, std::uint8_t index, std::uint8_t value);
    // Writes back what the reach writes found, the latest change first, and forgets it.
    void RestoreReachChanges();

    // Time-stamp counter of logical processor n.
    std::uint64_t ReadTsc(unsigned processor);

    void IoDelay();

    // The SMBus host controller's I/O base; set by SMBus discovery, used by every routine below.
    std::uint16_t SmbusBase() const { return smbusBase_; }
    void SetSmbusBase(std::uint16_t base) { smbusBase_ = base; }

    void SmbusEnableHost();
    int SmbusWaitIdle();
    int SmbusWaitDone();
    // The data byte 0..255, or smbus::kTransactionError / kHostBusy / kTimeout.
    int SmbusReadByte(std::uint8_t slave, std::uint8_t command);
    // SmbusReadByte for the commands first, first + 1, ... one after the other, stopping after
    // the first that fails, in one request where the backend offers it: how many results were
    // written (the last a failure when fewer than results.size()), 0 where the backend does not
    // offer it and the caller reads byte by byte.
    std::size_t SmbusReadBytes(std::uint8_t slave, std::uint8_t first, std::span<int> results);

private:
    // A location a reach write changed, and what it held before.
    struct ReachChange {
        enum class Kind { PciDword, PciByte, Memory, IndexedPort } kind;
        std::uint64_t
            address;  // configuration address, physical address, or index port << 8 | index
        std::uint32_t original;
    };

    std::uint8_t SmbusRead(std::uint16_t reg);
    void SmbusWrite(std::uint16_t reg, std::uint8_t value);
    void RawPciWrite(std::uint32_t address, std::uint32_t value);
    void RawPciWriteByte(std::uint32_t address, std::uint8_t value);
    void RawMemoryWrite(std::uint64_t address, std::uint32_t value);
    std::uint8_t IndexedPortRead(std::uint16_t indexPort, std::uint8_t index);
    void IndexedPortWrite(std::uint16_t indexPort, std::uint8_t index, std::uint8_t value);
    // Records the location's value the first time a reach write changes it (ReadOnly only).
    void Remember(ReachChange::Kind kind, std::uint64_t address, std::uint32_t current);

    HardwareLibrary& library_;
    std::mutex pciLock_;
    std::uint16_t smbusBase_ = 0;
    std::atomic<AccessMode> mode_{AccessMode::ReadWrite};
    std::mutex reachLock_;
    std::vector<ReachChange> reachChanges_;
};

}  // namespace zm::hw
