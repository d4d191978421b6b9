// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/recording_library.h"

#include <algorithm>
#include <array>
#include <optional>

#include "hw/bit_field.h"
#include "hw/pci_address.h"

namespace zm::hw {
namespace {

constexpr Field kConfigEnable = Bit(31);
constexpr std::uint16_t kPciDataEnd = kPciDataPort + 3;

bool IsDataPort(std::uint16_t port) {
    return port >= kPciDataPort && port <= kPciDataEnd;
}

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

std::optional<unsigned> ProcessorOf(AffinityMask mask) {
    for (unsigned n = 0; n < 64; ++n) {
        if (mask & ProcessorMask(n)) return n;
    }
    return std::nullopt;
}

}  // namespace

std::set<PciFunctionAddress> RecordingLibrary::PciFunctions() const {
    std::lock_guard<std::mutex> guard(lock_);
    return pci_;
}

std::set<std::uint32_t> RecordingLibrary::Msrs() const {
    std::lock_guard<std::mutex> guard(lock_);
    return msrs_;
}

std::set<std::uint64_t> RecordingLibrary::MemoryReads() const {
    std::lock_guard<std::mutex> guard(lock_);
    return memory_;
}

std::vector<OriginalValue> RecordingLibrary::Originals() const {
    std::lock_guard<std::mutex> guard(lock_);
    return originals_;
}

bool RecordingLibrary::Kept(OriginalValue::Kind kind, std::uint64_t address,
                            unsigned processor) const {
    return std::any_of(originals_.begin(), originals_.end(), [&](const OriginalValue& o) {
        return o.kind == kind && o.address == address && o.processor == processor;
    });
}

// Called with the lock held and the latch addressing the register about to be written.
void RecordingLibrary::KeepPciOriginal() {
    if (!kConfigEnable.Get(latch_)) return;
    const std::uint64_t address = latch_ & ~3u;
    if (Kept(OriginalValue::Kind::Pci, address, 0)) return;
    inner_.WriteIoPortDword(kPciAddressPort, static_cast<std::uint32_t>(address));
    const std::uint32_t value = inner_.ReadIoPortDword(kPciDataPort);
    inner_.WriteIoPortDword(kPciAddressPort, latch_);
    originals_.push_back({OriginalValue::Kind::Pci, address, value, 0});
}

void RecordingLibrary::KeepMsrOriginal(std::uint32_t index, unsigned processor) {
    if (Kept(OriginalValue::Kind::Msr, index, processor)) return;
    std::uint32_t lo = 0, hi = 0;
    const bool read = processor == OriginalValue::kCurrentProcessor
                          ? inner_.Rdmsr(index, lo, hi)
                          : inner_.RdmsrEx(index, lo, hi, ProcessorMask(processor));
    // A register that cannot be read cannot be put back either; the write will fail as well.
    if (!read) return;
    originals_.push_back(
        {OriginalValue::Kind::Msr, index, (std::uint64_t{hi} << 32) | lo, processor});
}

std::uint64_t RecordingLibrary::ReadNow(const OriginalValue& location) {
    switch (location.kind) {
        case OriginalValue::Kind::Pci:
            inner_.WriteIoPortDword(kPciAddressPort, static_cast<std::uint32_t>(location.address));
            return inner_.ReadIoPortDword(kPciDataPort);
        case OriginalValue::Kind::Memory: {
            std::uint8_t bytes[4] = {0xFF, 0xFF, 0xFF, 0xFF};
            inner_.ReadPhysicalMemory(location.address, bytes, 1, 4);
            return std::uint64_t{bytes[0]} | (std::uint64_t{bytes[1]} << 8) |
                   (std::uint64_t{bytes[2]} << 16) | (std::uint64_t{bytes[3]} << 24);
        }
        case OriginalValue::Kind::Msr: {
            std::uint32_t lo = 0, hi = 0;
            const auto index = static_cast<std::uint32_t>(location.address);
            if (location.processor == OriginalValue::kCurrentProcessor) {
                inner_.Rdmsr(index, lo, hi);
            } else {
                inner_.RdmsrEx(index, lo, hi, ProcessorMask(location.processor));
            }
            return (std::uint64_t{hi} << 32) | lo;
        }
    }
    return 0;
}

void RecordingLibrary::WriteBack(const OriginalValue& original) {
    const auto lo = static_cast<std::uint32_t>(original.value);
    const auto hi = static_cast<std::uint32_t>(original.value >> 32);
    switch (original.kind) {
        case OriginalValue::Kind::Pci:
            inner_.WriteIoPortDword(kPciAddressPort, static_cast<std::uint32_t>(original.address));
            inner_.WriteIoPortDword(kPciDataPort, lo);
            break;
        case OriginalValue::Kind::Memory: {
            const std::uint8_t bytes[4] = {
                static_cast<std::uint8_t>(lo), static_cast<std::uint8_t>(lo >> 8),
                static_cast<std::uint8_t>(lo >> 16), static_cast<std::uint8_t>(lo >> 24)};
            inner_.WritePhysicalMemory(original.address, bytes, 1, 4);
            break;
        }
        case OriginalValue::Kind::Msr: {
            const auto index = static_cast<std::uint32_t>(original.address);
            if (original.processor == OriginalValue::kCurrentProcessor) {
                inner_.Wrmsr(index, lo, hi);
            } else {
                inner_.WrmsrEx(index, lo, hi, ProcessorMask(original.processor));
            }
            break;
        }
    }
}

unsigned RecordingLibrary::RestoreOriginals() {
    std::lock_guard<std::mutex> guard(lock_);
    unsigned written = 0;
    // Latest first: a function the firmware hid is written back while still visible, and hidden
    // again only after.
    for (auto it = originals_.rbegin(); it != originals_.rend(); ++it) {
        if (ReadNow(*it) == it->value) continue;
        WriteBack(*it);
        ++written;
    }
    inner_.WriteIoPortDword(kPciAddressPort, latch_);
    return written;
}

unsigned RecordingLibrary::DroppedWrites() const {
    std::lock_guard<std::mutex> guard(lock_);
    return dropped_;
}

bool RecordingLibrary::PciWritePasses() {
    if (writes_ == Writes::PassAll || !kConfigEnable.Get(latch_)) return true;
    const std::uint32_t address = latch_ & ~3u;
    if (std::find(kReachRegisters.begin(), kReachRegisters.end(), address) != kReachRegisters.end())
        return true;
    ++dropped_;
    return false;
}

bool RecordingLibrary::MemoryWritePasses(std::uint64_t address) {
    if (writes_ == Writes::PassAll) return true;
    // The function-disable register of the block the LPC bridge decodes now.
    inner_.WriteIoPortDword(kPciAddressPort, kReachRegisters[0]);
    const std::uint32_t block = inner_.ReadIoPortDword(kPciDataPort) & kChipsetBlockMask;
    inner_.WriteIoPortDword(kPciAddressPort, latch_);
    if (block != 0 && block != kChipsetBlockMask &&
        address == std::uint64_t{block} + kFunctionDisable)
        return true;
    ++dropped_;
    return false;
}

bool RecordingLibrary::MsrWritePasses() {
    if (writes_ == Writes::PassAll) return true;
    ++dropped_;
    return false;
}

void RecordingLibrary::NoteDataPort(std::uint16_t port) {
    if (!IsDataPort(port)) return;
    std::lock_guard<std::mutex> guard(lock_);
    if (!kConfigEnable.Get(latch_)) return;
    const PciLocation where = DecodePciAddress(latch_);
    pci_.insert(PciFunctionAddress{where.bus, where.device, where.function});
}

void RecordingLibrary::NoteMsr(std::uint32_t index) {
    std::lock_guard<std::mutex> guard(lock_);
    msrs_.insert(index);
}

std::uint8_t RecordingLibrary::ReadIoPortByte(std::uint16_t port) {
    NoteDataPort(port);
    return inner_.ReadIoPortByte(port);
}

std::uint32_t RecordingLibrary::ReadIoPortDword(std::uint16_t port) {
    NoteDataPort(port);
    return inner_.ReadIoPortDword(port);
}

void RecordingLibrary::WriteIoPortByte(std::uint16_t port, std::uint8_t value) {
    NoteDataPort(port);
    if (IsDataPort(port)) {
        std::lock_guard<std::mutex> guard(lock_);
        if (!PciWritePasses()) return;
        KeepPciOriginal();
    }
    inner_.WriteIoPortByte(port, value);
}

void RecordingLibrary::WriteIoPortDword(std::uint16_t port, std::uint32_t value) {
    if (port == kPciAddressPort) {
        std::lock_guard<std::mutex> guard(lock_);
        latch_ = value;
    }
    NoteDataPort(port);
    if (IsDataPort(port)) {
        std::lock_guard<std::mutex> guard(lock_);
        if (!PciWritePasses()) return;
        KeepPciOriginal();
    }
    inner_.WriteIoPortDword(port, value);
}

bool RecordingLibrary::Rdmsr(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx) {
    NoteMsr(index);
    return inner_.Rdmsr(index, eax, edx);
}

bool RecordingLibrary::RdmsrEx(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx,
                               AffinityMask mask) {
    NoteMsr(index);
    return inner_.RdmsrEx(index, eax, edx, mask);
}

bool RecordingLibrary::Wrmsr(std::uint32_t index, std::uint32_t eax, std::uint32_t edx) {
    NoteMsr(index);
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!MsrWritePasses()) return false;
        KeepMsrOriginal(index, OriginalValue::kCurrentProcessor);
    }
    return inner_.Wrmsr(index, eax, edx);
}

bool RecordingLibrary::WrmsrEx(std::uint32_t index, std::uint32_t eax, std::uint32_t edx,
                               AffinityMask mask) {
    NoteMsr(index);
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!MsrWritePasses()) return false;
        if (const auto processor = ProcessorOf(mask)) KeepMsrOriginal(index, *processor);
    }
    return inner_.WrmsrEx(index, eax, edx, mask);
}

std::uint32_t RecordingLibrary::ReadPhysicalMemory(std::uint64_t address, std::uint8_t* buffer,
                                                   std::uint32_t count, std::uint32_t unitSize) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        memory_.insert(address);
    }
    return inner_.ReadPhysicalMemory(address, buffer, count, unitSize);
}

std::uint32_t RecordingLibrary::WritePhysicalMemory(std::uint64_t address,
                                                    const std::uint8_t* buffer, std::uint32_t count,
                                                    std::uint32_t unitSize) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!MemoryWritePasses(address)) return 0;
    }
    if (count * unitSize == 4) {
        std::lock_guard<std::mutex> guard(lock_);
        if (!Kept(OriginalValue::Kind::Memory, address, 0)) {
            OriginalValue original{OriginalValue::Kind::Memory, address, 0, 0};
            original.value = ReadNow(original);
            originals_.push_back(original);
        }
    }
    return inner_.WritePhysicalMemory(address, buffer, count, unitSize);
}

}  // namespace zm::hw
