// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hardware boundary as the program means it: a register of a PCI function, an MSR of a
// processor, a byte of a module's SPD through an SMBus host, a dword of physical memory, a
// register behind an index/data port pair, the time-stamp counter. Every backend answers these:
//   - the port-level implementation (hw/backends/port_io) over the thirteen operations of the
//     ring-0 library, for WinRing0 and the simulated machine, where the PCI port pairs and the
//     SMBus host protocol are made;
//   - the Linux host's own (hw/backends/linux), on the kernel's interfaces;
//   - the privileged helper's client, which sends them over a pipe in batches.
// HardwareAccess sits on top and keeps read-only mode and the reach changes; nothing else in
// the core reaches a backend.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zm::hw {

// "Whichever processor the call runs on" (the MSR operations of the current processor).
constexpr unsigned kCurrentProcessor = ~0u;

// SmbusReadByte results besides a data byte.
namespace smbus {
constexpr int kTransactionError = -1;
constexpr int kHostBusy = -2;
constexpr int kTimeout = -3;
}  // namespace smbus

class Operations {
public:
    virtual ~Operations() = default;

    // Between BeginWrites and EndWrites (they nest) a backend behind a pipe may keep the writes
    // and send them, in order, with the next read or at EndWrites: a sequence of changes and
    // their read-backs in one request. Nothing reads a kept write's effect before it is made.
    virtual void BeginWrites() {}
    virtual void EndWrites() {}

    // The backend's start and end (the driver loaded, device nodes opened); false: it could not
    // start, and every read answers as if nothing were there.
    virtual bool Initialize() = 0;
    virtual void Deinitialize() = 0;

    // PCI configuration dwords by configuration address (hw/pci_address.h). A function that does
    // not answer reads all ones. The byte write goes to the addressed dword's lowest byte.
    virtual std::uint32_t PciRead(std::uint32_t address) = 0;
    // values[i] for addresses[i], each read as PciRead reads it, in order.
    virtual void PciReadMany(std::span<const std::uint32_t> addresses,
                             std::span<std::uint32_t> values) {
        for (std::size_t i = 0; i < addresses.size() && i < values.size(); ++i)
            values[i] = PciRead(addresses[i]);
    }
    virtual void PciWrite(std::uint32_t address, std::uint32_t value) = 0;
    virtual void PciWriteByte(std::uint32_t address, std::uint8_t value) = 0;

    // An MSR of logical processor n (or kCurrentProcessor); nullopt where it cannot be read.
    virtual std::optional<std::uint64_t> MsrRead(std::uint32_t index, unsigned processor) = 0;
    struct MsrAt {
        std::uint32_t index = 0;
        unsigned processor = 0;
    };
    virtual void MsrReadMany(std::span<const MsrAt> which,
                             std::span<std::optional<std::uint64_t>> values) {
        for (std::size_t i = 0; i < which.size() && i < values.size(); ++i)
            values[i] = MsrRead(which[i].index, which[i].processor);
    }
    virtual void MsrWrite(std::uint32_t index, unsigned processor, std::uint64_t value) = 0;

    // The time-stamp counter of logical processor n.
    virtual std::optional<std::uint64_t> ReadTsc(unsigned processor) = 0;

    // Physical memory, in whole dwords: bytes.size() a multiple of 4. false: not read whole.
    virtual bool PhysRead(std::uint64_t address, std::span<std::uint8_t> bytes) = 0;
    // Dwords of physical memory, each read as PhysRead reads a 4-byte span that starts as zeros:
    // values[i] the little-endian dword at addresses[i] as its bytes stand after the read. A
    // backend behind a pipe sends them in one request.
    virtual void PhysReadMany(std::span<const std::uint64_t> addresses,
                              std::span<std::uint32_t> values) {
        for (std::size_t i = 0; i < addresses.size() && i < values.size(); ++i) {
            std::uint8_t bytes[4] = {0, 0, 0, 0};
            PhysRead(addresses[i], bytes);
            values[i] = std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
                        (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
        }
    }
    virtual void PhysWrite(std::uint64_t address, std::uint32_t value) = 0;

    // Registers behind an index/data port pair (data port = index port + 1, as the AMD south
    // bridges' power-management block has them), read one after the other with the index port
    // put back as found afterwards.
    virtual void IndexedRead(std::uint16_t indexPort, std::span<const std::uint8_t> indices,
                             std::span<std::uint8_t> values) = 0;
    virtual void IndexedWrite(std::uint16_t indexPort, std::uint8_t index, std::uint8_t value) = 0;

    // The SMBus host controller at I/O base `base`: the byte-data read of `command` from the
    // 7-bit slave address. The data byte 0..255, or smbus::kTransactionError / kHostBusy /
    // kTimeout.
    virtual int SmbusReadByte(std::uint16_t base, std::uint8_t slave, std::uint8_t command) = 0;
    // SmbusReadByte for each of `commands` in order: results[i] for commands[i], every one read
    // whatever the one before answered. A backend behind a pipe sends them in one request.
    virtual void SmbusReadList(std::uint16_t base, std::uint8_t slave,
                               std::span<const std::uint8_t> commands, std::span<int> results) {
        for (std::size_t i = 0; i < commands.size() && i < results.size(); ++i)
            results[i] = SmbusReadByte(base, slave, commands[i]);
    }
    // SmbusReadByte for the commands first, first + 1, ... one after the other, stopping after
    // the first that fails: how many results were written (the last a failure when fewer than
    // results.size()). 0: not offered (an in-process backend, where the caller reads only the
    // bytes it needs, byte by byte); a backend behind a pipe reads the run in one request.
    virtual std::size_t SmbusReadBytes(std::uint16_t /*base*/, std::uint8_t /*slave*/,
                                       std::uint8_t /*first*/, std::span<int> /*results*/) {
        return 0;
    }
    // SmbusReadBytes for several runs on one host (the first run of every slot's module), one
    // after the other: each run's `read` set as SmbusReadBytes returns it. A backend behind a
    // pipe sends them in one request.
    struct SmbusRun {
        std::uint8_t slave = 0;
        std::uint8_t first = 0;
        std::span<int> results;
        std::size_t read = 0;
    };
    virtual void SmbusReadRuns(std::uint16_t base, std::span<SmbusRun> runs) {
        for (SmbusRun& run : runs)
            run.read = SmbusReadBytes(base, run.slave, run.first, run.results);
    }
};

}  // namespace zm::hw
