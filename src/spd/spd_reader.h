// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a memory module's SPD EEPROM one byte at a time over SMBus. Each field is fetched by its
// own read-byte transaction when it is decoded, and only the first 256 bytes are reachable (no
// page selection). Where the backend sits behind a pipe, a decode fetches runs of bytes in one
// request instead (SpdModuleBytes).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "hw/hardware_access.h"

namespace zm::spd {

// SPD EEPROMs answer at 7-bit slave addresses 0x50 + slot index ("DIMM#1" is slot 0).
constexpr std::uint8_t kFirstSpdSlaveAddress = 0x50;
constexpr unsigned kSpdSlotCount = 6;

// The slave address of a slot, or nullopt for a slot the program does not support.
constexpr std::optional<std::uint8_t> SpdSlaveForSlot(unsigned slot) {
    if (slot >= kSpdSlotCount) return std::nullopt;
    return static_cast<std::uint8_t>(kFirstSpdSlaveAddress + slot);
}

// SPD byte offsets used to recognise a module.
constexpr std::uint8_t kSpdMemoryType = 2;
constexpr std::uint8_t kSpdTypeDdr2 = 8;
constexpr std::uint8_t kSpdTypeDdr3 = 11;
// An empty socket does not acknowledge: the transaction fails and its low byte reads 0xFF.
constexpr std::uint8_t kSpdNoModule = 0xFF;

// One SPD byte of the module at `spdSlaveAddress` (the address the caller keeps for the module
// it decodes): 0..255, or a failed transaction's -1 (device error), -2 (host busy) or -3 (time
// out), as SmbusReadByte returns them.
int ReadSpdByte(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress, std::uint8_t offset);

// The same result kept as a byte, as the decoders store it: failures read 0xFF, 0xFE, 0xFD.
std::uint8_t ReadSpdByteLow(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress,
                            std::uint8_t offset);

// The bytes of one module for one decode, read as ReadSpdByte reads them. Where the backend
// makes runs of byte reads itself (the privileged helper, where each request is a round trip), a
// byte not held yet is read together with the bytes after it up to the next one held, and the
// bytes read are kept: one decode reads each byte of the EEPROM about once, in a few requests.
// A failed read is never kept, so asking again reads again, as a direct read would. Elsewhere
// every call is one ReadSpdByte.
// The first request of a decode reads the module from byte 0 to its end; several modules' first
// requests can be made together beforehand (ReadFirstRuns) and given to SpdModuleBytes.
struct SpdFirstRun {
    std::array<int, 256> results{};
    std::size_t read = 0;  // as SmbusReadBytes returns it: 0 where the backend reads byte by byte
};
// The first runs of the modules at these slave addresses, in one request where the backend
// makes runs of byte reads itself; elsewhere nothing is read (every run's `read` is 0).
std::vector<SpdFirstRun> ReadFirstRuns(hw::HardwareAccess& hw,
                                       std::span<const std::uint8_t> spdSlaveAddresses);

class SpdModuleBytes {
public:
    SpdModuleBytes(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress,
                   const SpdFirstRun* firstRun = nullptr)
        : hw_(hw), slave_(spdSlaveAddress), firstRun_(firstRun) {
        held_.fill(kNotHeld);
    }
    int operator()(std::uint8_t offset);

private:
    static constexpr int kNotHeld = -1000;
    hw::HardwareAccess& hw_;
    std::uint8_t slave_;
    const SpdFirstRun* firstRun_;  // the first request's answer, read already
    bool runs_ = true;             // until the backend shows it reads byte by byte
    bool started_ = false;
    std::array<int, 256> held_;
};

// Runs a decode that only reads (`decode` takes the byte reader) over the module at
// `spdSlaveAddress`, fetching the bytes it asks for together instead of one request each: the
// decode runs over the bytes held so far, each byte it asks for that is not held yet is noted
// (and answered 0xFF, a failed read's low byte, for now), the noted bytes are read in the order
// they were asked for, and the decode runs again until it asks for nothing new; its last run
// saw only bytes read from the module. A byte is read once per call however often the decode
// asks for it, a failure included. Direct backends read the same bytes one after the other.
using SpdByteReader = std::function<int(std::uint8_t offset)>;
void DecodeModuleBytes(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress,
                       const std::function<void(const SpdByteReader&)>& decode);

}  // namespace zm::spd
