// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/recording_library.h"

#include <algorithm>
#include <array>

#include "hw/bit_field.h"
#include "hw/pci_address.h"

namespace zm::hw {
namespace {

constexpr Field kConfigEnable = Bit(31);

// The registers a ReachOnly recording lets writes through to (configuration addresses).
constexpr std::array<std::uint32_t, 5> kReachRegisters{
    PciConfigAddress(0, 31, 0, 0xF0),  // chipset configuration block base and decode enable
    PciConfigAddress(0, 31, 3, 0x20),  // SMBus I/O base (bit 0: I/O space)
    PciConfigAddress(0, 31, 3, 0x40),  // SMBus host configuration (bit 0: host enable)
    PciConfigAddress(0, 24, 3, 0x8C),  // K10 north bridge configuration high (bit 14)
    PciConfigAddress(0, 0, 0, 0x48),   // LGA 1156 memory-controller window base and enable
};
constexpr std::uint32_t kChipsetBlockMask = 0xFFFFC000;
constexpr std::uint32_t kFunctionDisable = 0x3418;

std::uint32_t Dword(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

}  // namespace

std::set<PciFunctionAddress> RecordingOperations::PciFunctions() const {
    std::lock_guard<std::mutex> guard(lock_);
    return pci_;
}

std::set<std::uint32_t> RecordingOperations::Msrs() const {
    std::lock_guard<std::mutex> guard(lock_);
    return msrs_;
}

std::set<std::uint64_t> RecordingOperations::MemoryReads() const {
    std::lock_guard<std::mutex> guard(lock_);
    return memory_;
}

std::vector<OriginalValue> RecordingOperations::Originals() const {
    std::lock_guard<std::mutex> guard(lock_);
    return originals_;
}

unsigned RecordingOperations::DroppedWrites() const {
    std::lock_guard<std::mutex> guard(lock_);
    return dropped_;
}

bool RecordingOperations::Kept(OriginalValue::Kind kind, std::uint64_t address,
                               unsigned processor) const {
    return std::any_of(originals_.begin(), originals_.end(), [&](const OriginalValue& o) {
        return o.kind == kind && o.address == address && o.processor == processor;
    });
}

void RecordingOperations::KeepPciOriginal(std::uint32_t address) {
    if (!kConfigEnable.Get(address)) return;
    const std::uint64_t dword = address & ~3u;
    if (Kept(OriginalValue::Kind::Pci, dword, 0)) return;
    originals_.push_back(
        {OriginalValue::Kind::Pci, dword, inner_.PciRead(static_cast<std::uint32_t>(dword)), 0});
}

void RecordingOperations::KeepMsrOriginal(std::uint32_t index, unsigned processor) {
    if (Kept(OriginalValue::Kind::Msr, index, processor)) return;
    // A register that cannot be read cannot be put back either; the write will fail as well.
    if (const auto value = inner_.MsrRead(index, processor))
        originals_.push_back({OriginalValue::Kind::Msr, index, *value, processor});
}

std::uint64_t RecordingOperations::ReadNow(const OriginalValue& location) {
    switch (location.kind) {
        case OriginalValue::Kind::Pci:
            return inner_.PciRead(static_cast<std::uint32_t>(location.address));
        case OriginalValue::Kind::Memory: {
            std::uint8_t bytes[4] = {0xFF, 0xFF, 0xFF, 0xFF};
            inner_.PhysRead(location.address, bytes);
            return Dword(bytes);
        }
        case OriginalValue::Kind::Msr:
            return inner_.MsrRead(static_cast<std::uint32_t>(location.address), location.processor)
                .value_or(0);
    }
    return 0;
}

void RecordingOperations::WriteBack(const OriginalValue& original) {
    const auto lo = static_cast<std::uint32_t>(original.value);
    switch (original.kind) {
        case OriginalValue::Kind::Pci:
            inner_.PciWrite(static_cast<std::uint32_t>(original.address), lo);
            break;
        case OriginalValue::Kind::Memory:
            inner_.PhysWrite(original.address, lo);
            break;
        case OriginalValue::Kind::Msr:
            inner_.MsrWrite(static_cast<std::uint32_t>(original.address), original.processor,
                            original.value);
            break;
    }
}

unsigned RecordingOperations::RestoreOriginals() {
    std::lock_guard<std::mutex> guard(lock_);
    unsigned written = 0;
    // Latest first: a function the firmware hid is written back while still visible, and hidden
    // again only after.
    for (auto it = originals_.rbegin(); it != originals_.rend(); ++it) {
        if (ReadNow(*it) == it->value) continue;
        WriteBack(*it);
        ++written;
    }
    return written;
}

bool RecordingOperations::PciWritePasses(std::uint32_t address) {
    if (writes_ == Writes::PassAll || !kConfigEnable.Get(address)) return true;
    if (std::find(kReachRegisters.begin(), kReachRegisters.end(), address & ~3u) !=
        kReachRegisters.end())
        return true;
    ++dropped_;
    return false;
}

bool RecordingOperations::MemoryWritePasses(std::uint64_t address) {
    if (writes_ == Writes::PassAll) return true;
    // The function-disable register of the block the LPC bridge decodes now.
    const std::uint32_t block = inner_.PciRead(kReachRegisters[0]) & kChipsetBlockMask;
    if (block != 0 && block != kChipsetBlockMask &&
        address == std::uint64_t{block} + kFunctionDisable)
        return true;
    ++dropped_;
    return false;
}

bool RecordingOperations::MsrWritePasses() {
    if (writes_ == Writes::PassAll) return true;
    ++dropped_;
    return false;
}

void RecordingOperations::NotePci(std::uint32_t address) {
    if (!kConfigEnable.Get(address)) return;
    const PciLocation where = DecodePciAddress(address);
    std::lock_guard<std::mutex> guard(lock_);
    pci_.insert(PciFunctionAddress{where.bus, where.device, where.function});
}

void RecordingOperations::NoteMsr(std::uint32_t index) {
    std::lock_guard<std::mutex> guard(lock_);
    msrs_.insert(index);
}

std::uint32_t RecordingOperations::PciRead(std::uint32_t address) {
    NotePci(address);
    return inner_.PciRead(address);
}

void RecordingOperations::PciReadMany(std::span<const std::uint32_t> addresses,
                                      std::span<std::uint32_t> values) {
    for (const std::uint32_t address : addresses) NotePci(address);
    inner_.PciReadMany(addresses, values);
}

void RecordingOperations::PciWrite(std::uint32_t address, std::uint32_t value) {
    NotePci(address);
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!PciWritePasses(address)) return;
        KeepPciOriginal(address);
    }
    inner_.PciWrite(address, value);
}

void RecordingOperations::PciWriteByte(std::uint32_t address, std::uint8_t value) {
    NotePci(address);
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!PciWritePasses(address)) return;
        KeepPciOriginal(address);
    }
    inner_.PciWriteByte(address, value);
}

std::optional<std::uint64_t> RecordingOperations::MsrRead(std::uint32_t index, unsigned processor) {
    NoteMsr(index);
    return inner_.MsrRead(index, processor);
}

void RecordingOperations::MsrReadMany(std::span<const MsrAt> which,
                                      std::span<std::optional<std::uint64_t>> values) {
    for (const MsrAt& at : which) NoteMsr(at.index);
    inner_.MsrReadMany(which, values);
}

void RecordingOperations::MsrWrite(std::uint32_t index, unsigned processor, std::uint64_t value) {
    NoteMsr(index);
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!MsrWritePasses()) return;
        KeepMsrOriginal(index, processor);
    }
    inner_.MsrWrite(index, processor, value);
}

bool RecordingOperations::PhysRead(std::uint64_t address, std::span<std::uint8_t> bytes) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        memory_.insert(address);
    }
    return inner_.PhysRead(address, bytes);
}

void RecordingOperations::PhysWrite(std::uint64_t address, std::uint32_t value) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!MemoryWritePasses(address)) return;
        if (!Kept(OriginalValue::Kind::Memory, address, 0)) {
            OriginalValue original{OriginalValue::Kind::Memory, address, 0, 0};
            original.value = ReadNow(original);
            originals_.push_back(original);
        }
    }
    inner_.PhysWrite(address, value);
}

}  // namespace zm::hw
