// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one boundary through which every hardware access goes: the thirteen operations of the
// ring-0 access library, with their argument orders. Three backends implement it: the
// simulated machine, the Linux host and WinRing0.dll on Windows.
//
// Callers never test a status; only the data read is used. Absence shows up as the all-ones
// answer of a PCI read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zm::hw {

// One bit per logical processor: 1 << n selects processor n.
using AffinityMask = std::uint64_t;

constexpr AffinityMask ProcessorMask(unsigned processor) {
    return AffinityMask{1} << processor;
}

class HardwareLibrary {
public:
    virtual ~HardwareLibrary() = default;

    virtual bool InitializeDll() = 0;
    virtual void DeinitializeDll() = 0;

    virtual std::uint8_t ReadIoPortByte(std::uint16_t port) = 0;
    virtual std::uint32_t ReadIoPortDword(std::uint16_t port) = 0;
    virtual void WriteIoPortByte(std::uint16_t port, std::uint8_t value) = 0;
    virtual void WriteIoPortDword(std::uint16_t port, std::uint32_t value) = 0;

    // MSR on the current processor / on the processor the mask selects.
    virtual bool Rdmsr(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx) = 0;
    virtual bool RdmsrEx(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx,
                         AffinityMask mask) = 0;
    virtual bool Wrmsr(std::uint32_t index, std::uint32_t eax, std::uint32_t edx) = 0;
    virtual bool WrmsrEx(std::uint32_t index, std::uint32_t eax, std::uint32_t edx,
                         AffinityMask mask) = 0;

    // Time-stamp counter of the processor the mask selects.
    virtual bool RdtscEx(std::uint32_t& eax, std::uint32_t& edx, AffinityMask mask) = 0;

    // Physical memory; the program always passes count 1 and unit size 4. Returns the number
    // of bytes moved (0 on failure).
    virtual std::uint32_t ReadPhysicalMemory(std::uint64_t address, std::uint8_t* buffer,
                                             std::uint32_t count, std::uint32_t unitSize) = 0;
    virtual std::uint32_t WritePhysicalMemory(std::uint64_t address, const std::uint8_t* buffer,
                                              std::uint32_t count, std::uint32_t unitSize) = 0;

    // The SMBus host's byte-data read (HardwareAccess::SmbusReadByte) made by the backend itself,
    // for a backend on the far side of a pipe, where each port access would be a round trip:
    // the data byte or an smbus:: result code. Empty: the caller runs the port sequence.
    virtual std::optional<int> SmbusReadByteAt(std::uint16_t /*base*/, std::uint8_t /*slave*/,
                                               std::uint8_t /*command*/) {
        return std::nullopt;
    }

    // The same byte-data read for `count` consecutive commands from `first` (a module's SPD
    // bytes), made one after the other and stopping after the first that fails: how many
    // results were written to `results` (the last of them a failure when fewer than `count`).
    // 0: the caller reads byte by byte.
    virtual std::size_t SmbusReadBytesAt(std::uint16_t /*base*/, std::uint8_t /*slave*/,
                                         std::uint8_t /*first*/, std::size_t /*count*/,
                                         int* /*results*/) {
        return 0;
    }

    // PCI configuration dwords (a register image), each an address/data pair made in order as
    // HardwareAccess::PciConfigRead makes it: true when `values` holds them all. false: the
    // caller makes the pairs itself.
    virtual bool PciConfigReadMany(const std::uint32_t* /*addresses*/, std::size_t /*count*/,
                                   std::uint32_t* /*values*/) {
        return false;
    }

    // MSR indices[i] on the processor masks[i] selects, each read as RdmsrEx reads it: true when
    // `values` holds them all (EDX:EAX; 0 for a read that failed). false: the caller reads them
    // one by one.
    virtual bool RdmsrExMany(const std::uint32_t* /*indices*/, const AffinityMask* /*masks*/,
                             std::size_t /*count*/, std::uint64_t* /*values*/) {
        return false;
    }
};

// A file the backend needs beside the executable (WinRing0.dll and its drivers on Windows; the
// device nodes and rights the Linux backend needs; a simulated profile may declare some missing).
struct LibraryFile {
    std::string name;  // as the start-up message names it: "<name> is not find!"
    bool present = false;
    // A backend that explains a missing item in its own words (Linux: what is missing and what
    // to do) sets this sentence; empty: "<name> is not find!".
    std::string advice{};
    // false: the program goes on without it and the advice is a warning.
    bool required = true;
};

// What a backend needs before it can work, checked at start-up before any hardware access.
class LibraryFiles {
public:
    virtual ~LibraryFiles() = default;
    // In the order start-up checks them.
    virtual std::vector<LibraryFile> Files() const = 0;
};

// What a backend could not reach while it ran (a device node it could not open, an address it
// could not read), in plain words, each once, in the order they arose.
class BackendNotes {
public:
    virtual ~BackendNotes() = default;
    virtual std::vector<std::string> Diagnostics() const = 0;
};

}  // namespace zm::hw
