// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/backends/port_io/port_operations.h"

#include <cstring>

namespace zm::hw {
namespace {

std::optional<AffinityMask> MaskOf(unsigned processor) {
    if (processor >= 64) return std::nullopt;
    return ProcessorMask(processor);
}

}  // namespace

std::uint32_t PortOperations::PciRead(std::uint32_t address) {
    std::lock_guard<std::mutex> pair(pciLock_);
    library_.WriteIoPortDword(kPciAddressPort, address);
    return library_.ReadIoPortDword(kPciDataPort);
}

void PortOperations::PciReadMany(std::span<const std::uint32_t> addresses,
                                 std::span<std::uint32_t> values) {
    std::lock_guard<std::mutex> pair(pciLock_);
    for (std::size_t i = 0; i < addresses.size() && i < values.size(); ++i) {
        library_.WriteIoPortDword(kPciAddressPort, addresses[i]);
        values[i] = library_.ReadIoPortDword(kPciDataPort);
    }
}

void PortOperations::PciWrite(std::uint32_t address, std::uint32_t value) {
    std::lock_guard<std::mutex> pair(pciLock_);
    library_.WriteIoPortDword(kPciAddressPort, address);
    library_.WriteIoPortDword(kPciDataPort, value);
}

void PortOperations::PciWriteByte(std::uint32_t address, std::uint8_t value) {
    std::lock_guard<std::mutex> pair(pciLock_);
    library_.WriteIoPortDword(kPciAddressPort, address);
    library_.WriteIoPortByte(kPciDataPort, value);
}

std::optional<std::uint64_t> PortOperations::MsrRead(std::uint32_t index, unsigned processor) {
    std::uint32_t lo = 0, hi = 0;
    bool read = false;
    if (processor == kCurrentProcessor) {
        read = library_.Rdmsr(index, lo, hi);
    } else if (const auto mask = MaskOf(processor)) {
        read = library_.RdmsrEx(index, lo, hi, *mask);
    }
    if (!read) return std::nullopt;
    return (std::uint64_t{hi} << 32) | lo;
}

void PortOperations::MsrWrite(std::uint32_t index, unsigned processor, std::uint64_t value) {
    const auto lo = static_cast<std::uint32_t>(value);
    const auto hi = static_cast<std::uint32_t>(value >> 32);
    if (processor == kCurrentProcessor) {
        library_.Wrmsr(index, lo, hi);
    } else if (const auto mask = MaskOf(processor)) {
        library_.WrmsrEx(index, lo, hi, *mask);
    }
}

std::optional<std::uint64_t> PortOperations::ReadTsc(unsigned processor) {
    const auto mask = MaskOf(processor);
    std::uint32_t lo = 0, hi = 0;
    if (!mask || !library_.RdtscEx(lo, hi, *mask)) return std::nullopt;
    return (std::uint64_t{hi} << 32) | lo;
}

bool PortOperations::PhysRead(std::uint64_t address, std::span<std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() % 4 != 0) return false;
    const auto dwords = static_cast<std::uint32_t>(bytes.size() / 4);
    return library_.ReadPhysicalMemory(address, bytes.data(), dwords, 4) == bytes.size();
}

void PortOperations::PhysWrite(std::uint64_t address, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    library_.WritePhysicalMemory(address, bytes, 1, 4);
}

void PortOperations::IndexedRead(std::uint16_t indexPort, std::span<const std::uint8_t> indices,
                                 std::span<std::uint8_t> values) {
    const std::uint8_t found = library_.ReadIoPortByte(indexPort);
    for (std::size_t i = 0; i < indices.size() && i < values.size(); ++i) {
        library_.WriteIoPortByte(indexPort, indices[i]);
        values[i] = library_.ReadIoPortByte(static_cast<std::uint16_t>(indexPort + 1));
    }
    library_.WriteIoPortByte(indexPort, found);
}

void PortOperations::IndexedWrite(std::uint16_t indexPort, std::uint8_t index, std::uint8_t value) {
    const std::uint8_t found = library_.ReadIoPortByte(indexPort);
    library_.WriteIoPortByte(indexPort, index);
    library_.WriteIoPortByte(static_cast<std::uint16_t>(indexPort + 1), value);
    library_.WriteIoPortByte(indexPort, found);
}

void PortOperations::IoDelay() {
    library_.WriteIoPortByte(kIoDelayPort, 0x80);
}

int PortOperations::SmbusWaitIdle(std::uint16_t base) {
    int counter = smbus::kPollRounds;
    do {
        IoDelay();
        if (--counter == 0) break;
    } while (library_.ReadIoPortByte(base + smbus::kHostStatus) & smbus::kStatusBusy);
    return counter == 0 ? -1 : 0;
}

int PortOperations::SmbusWaitDone(std::uint16_t base) {
    int counter = smbus::kPollRounds;
    for (;;) {
        IoDelay();
        if (--counter == 0) break;
        const std::uint8_t status = library_.ReadIoPortByte(base + smbus::kHostStatus);
        const bool busy = status & smbus::kStatusBusy;
        const bool finished = status & smbus::kStatusFinishedMask;
        if (!busy && finished) break;
    }
    return counter == 0 ? -1 : 0;
}

int PortOperations::SmbusReadByte(std::uint16_t base, std::uint8_t slave, std::uint8_t command) {
    using namespace smbus;
    const auto read = [&](std::uint16_t reg) {
        return library_.ReadIoPortByte(static_cast<std::uint16_t>(base + reg));
    };
    const auto write = [&](std::uint16_t reg, std::uint8_t value) {
        library_.WriteIoPortByte(static_cast<std::uint16_t>(base + reg), value);
    };
    if (SmbusWaitIdle(base) == -1) return kHostBusy;

    write(kHostControl, read(kHostControl) & ~kControlInterruptEnable);
    // Always the read direction: the program never gives a host a write address.
    write(kTransmitSlaveAddress, static_cast<std::uint8_t>(((slave & 0x7F) << 1) | 1));
    write(kHostCommand, command);
    write(kHostControl,
          static_cast<std::uint8_t>((read(kHostControl) & kControlKeepMask) | kControlByteData));
    write(kHostStatus, read(kHostStatus));  // write-one-to-clear every set bit
    write(kHostData0, 0);
    write(kHostControl, read(kHostControl) | kControlStart);

    if (SmbusWaitDone(base) == -1) return kTimeout;

    const std::uint8_t status = read(kHostStatus) & kStatusResultMask;
    const std::uint8_t data = read(kHostData0);
    return status == kStatusInterrupt ? data : kTransactionError;
}

}  // namespace zm::hw
