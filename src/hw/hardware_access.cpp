// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/hardware_access.h"

#include <algorithm>

#include "hw/pci_address.h"

namespace zm::hw {

std::uint32_t HardwareAccess::PciConfigRead(std::uint32_t address) {
    std::lock_guard<std::mutex> pair(pciLock_);
    library_.WriteIoPortDword(kPciAddressPort, address);
    return library_.ReadIoPortDword(kPciDataPort);
}

void HardwareAccess::PciConfigReadMany(std::span<const std::uint32_t> addresses,
                                       std::span<std::uint32_t> values) {
    const std::size_t count = std::min(addresses.size(), values.size());
    std::lock_guard<std::mutex> pair(pciLock_);
    if (library_.PciConfigReadMany(addresses.data(), count, values.data())) return;
    for (std::size_t i = 0; i < count; ++i) {
        library_.WriteIoPortDword(kPciAddressPort, addresses[i]);
        values[i] = library_.ReadIoPortDword(kPciDataPort);
    }
}

void HardwareAccess::PciConfigWrite(std::uint32_t address, std::uint32_t value) {
    if (!ReadOnly()) RawPciWrite(address, value);
}

void HardwareAccess::PciConfigWriteByte(std::uint32_t address, std::uint8_t value) {
    if (!ReadOnly()) RawPciWriteByte(address, value);
}

void HardwareAccess::RawPciWrite(std::uint32_t address, std::uint32_t value) {
    std::lock_guard<std::mutex> pair(pciLock_);
    library_.WriteIoPortDword(kPciAddressPort, address);
    library_.WriteIoPortDword(kPciDataPort, value);
}

void HardwareAccess::RawPciWriteByte(std::uint32_t address, std::uint8_t value) {
    std::lock_guard<std::mutex> pair(pciLock_);
    library_.WriteIoPortDword(kPciAddressPort, address);
    library_.WriteIoPortByte(kPciDataPort, value);
}

std::uint32_t HardwareAccess::MmioRead(std::uint32_t base, std::uint16_t offset) {
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    library_.ReadPhysicalMemory(std::uint64_t{base} + offset, bytes, 1, 4);
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

void HardwareAccess::MmioWrite(std::uint32_t base, std::uint16_t offset, std::uint32_t value) {
    if (!ReadOnly()) RawMemoryWrite(std::uint64_t{base} + offset, value);
}

void HardwareAccess::RawMemoryWrite(std::uint64_t address, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    library_.WritePhysicalMemory(address, bytes, 1, 4);
}

void HardwareAccess::Remember(ReachChange::Kind kind, std::uint64_t address,
                              std::uint32_t current) {
    std::lock_guard<std::mutex> guard(reachLock_);
    for (const ReachChange& c : reachChanges_) {
        if (c.kind == kind && c.address == address) return;
    }
    reachChanges_.push_back({kind, address, current});
}

void HardwareAccess::ReachPciWrite(std::uint32_t address, std::uint32_t value) {
    if (ReadOnly()) Remember(ReachChange::Kind::PciDword, address, PciConfigRead(address));
    RawPciWrite(address, value);
}

void HardwareAccess::ReachPciWriteByte(std::uint32_t address, std::uint8_t value) {
    // The byte goes to the data port's first lane: the low byte of the addressed dword.
    if (ReadOnly()) Remember(ReachChange::Kind::PciByte, address, PciConfigRead(address) & 0xFF);
    RawPciWriteByte(address, value);
}

void HardwareAccess::ReachMmioWrite(std::uint32_t base, std::uint16_t offset, std::uint32_t value) {
    const std::uint64_t address = std::uint64_t{base} + offset;
    if (ReadOnly()) Remember(ReachChange::Kind::Memory, address, MmioRead(base, offset));
    RawMemoryWrite(address, value);
}

std::uint8_t HardwareAccess::IndexedPortRead(std::uint16_t indexPort, std::uint8_t index) {
    const std::uint8_t found = library_.ReadIoPortByte(indexPort);
    library_.WriteIoPortByte(indexPort, index);
    const std::uint8_t value = library_.ReadIoPortByte(static_cast<std::uint16_t>(indexPort + 1));
    library_.WriteIoPortByte(indexPort, found);
    return value;
}

void HardwareAccess::IndexedPortWrite(std::uint16_t indexPort, std::uint8_t index,
                                      std::uint8_t value) {
    const std::uint8_t found = library_.ReadIoPortByte(indexPort);
    library_.WriteIoPortByte(indexPort, index);
    library_.WriteIoPortByte(static_cast<std::uint16_t>(indexPort + 1), value);
    library_.WriteIoPortByte(indexPort, found);
}

void HardwareAccess::ReachIndexedPortWrite(std::uint16_t indexPort, std::uint8_t index,
                                           std::uint8_t value) {
    if (ReadOnly())
        Remember(ReachChange::Kind::IndexedPort, (std::uint64_t{indexPort} << 8) | index,
                 IndexedPortRead(indexPort, index));
    IndexedPortWrite(indexPort, index, value);
}

void HardwareAccess::RestoreReachChanges() {
    std::vector<ReachChange> changes;
    {
        std::lock_guard<std::mutex> guard(reachLock_);
        changes.swap(reachChanges_);
    }
    for (auto c = changes.rbegin(); c != changes.rend(); ++c) {
        const auto address = static_cast<std::uint32_t>(c->address);
        switch (c->kind) {
            case ReachChange::Kind::PciDword:
                RawPciWrite(address, c->original);
                break;
            case ReachChange::Kind::PciByte:
                RawPciWriteByte(address, static_cast<std::uint8_t>(c->original));
                break;
            case ReachChange::Kind::Memory:
                RawMemoryWrite(c->address, c->original);
                break;
            case ReachChange::Kind::IndexedPort:
                IndexedPortWrite(static_cast<std::uint16_t>(c->address >> 8),
                                 static_cast<std::uint8_t>(c->address & 0xFF),
                                 static_cast<std::uint8_t>(c->original));
                break;
        }
    }
}

MsrValue HardwareAccess::MsrRead(std::uint32_t index, unsigned processor) {
    MsrValue value;
    library_.RdmsrEx(index, value.lo, value.hi, ProcessorMask(processor));
    return value;
}

void HardwareAccess::MsrReadMany(std::span<const MsrAt> which, std::span<MsrValue> values) {
    const std::size_t count = std::min(which.size(), values.size());
    std::vector<std::uint32_t> indices;
    std::vector<AffinityMask> masks;
    for (std::size_t i = 0; i < count; ++i) {
        indices.push_back(which[i].index);
        masks.push_back(ProcessorMask(which[i].processor));
    }
    std::vector<std::uint64_t> read(count);
    if (library_.RdmsrExMany(indices.data(), masks.data(), count, read.data())) {
        for (std::size_t i = 0; i < count; ++i) values[i] = MsrValue::From(read[i]);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) values[i] = MsrRead(which[i].index, which[i].processor);
}

void HardwareAccess::MsrWrite(std::uint32_t index, MsrValue value, unsigned processor) {
    if (ReadOnly()) return;
    library_.WrmsrEx(index, value.lo, value.hi, ProcessorMask(processor));
}

MsrValue HardwareAccess::MsrReadCurrent(std::uint32_t index) {
    MsrValue value;
    library_.Rdmsr(index, value.lo, value.hi);
    return value;
}

void HardwareAccess::MsrWriteCurrent(std::uint32_t index, MsrValue value) {
    if (ReadOnly()) return;
    library_.Wrmsr(index, value.lo, value.hi);
}

std::uint64_t HardwareAccess::ReadTsc(unsigned processor) {
    std::uint32_t lo = 0, hi = 0;
    library_.RdtscEx(lo, hi, ProcessorMask(processor));
    return (std::uint64_t{hi} << 32) | lo;
}

void HardwareAccess::IoDelay() {
    library_.WriteIoPortByte(kIoDelayPort, 0x80);
}

std::uint8_t HardwareAccess::SmbusRead(std::uint16_t reg) {
    return library_.ReadIoPortByte(static_cast<std::uint16_t>(smbusBase_ + reg));
}

void HardwareAccess::SmbusWrite(std::uint16_t reg, std::uint8_t value) {
    library_.WriteIoPortByte(static_cast<std::uint16_t>(smbusBase_ + reg), value);
}

void HardwareAccess::SmbusEnableHost() {
    // Bus 0, device 31, function 3: bit 0 of the SMBus I/O base register (0x20), which marks
    // the base as an I/O space address, then the host controller enable bit in the host
    // configuration register at 0x40 (a byte write).
    // Where that function does not answer (the ATI/AMD south bridges, whose host needs no
    // enable), the writes would put all ones into whatever appears there later, or be refused by
    // the privileged helper: nothing is written.
    const std::uint32_t command = PciConfigRead(0x8000FB20);
    if (command == kPciNoDevice) return;
    ReachPciWrite(0x8000FB20, command | 0x1);
    ReachPciWriteByte(0x8000FB40, 1);
}

int HardwareAccess::SmbusWaitIdle() {
    int counter = smbus::kPollRounds;
    do {
        IoDelay();
        if (--counter == 0) break;
    } while (SmbusRead(smbus::kHostStatus) & smbus::kStatusBusy);
    return counter == 0 ? -1 : 0;
}

int HardwareAccess::SmbusWaitDone() {
    int counter = smbus::kPollRounds;
    for (;;) {
        IoDelay();
        if (--counter == 0) break;
        const std::uint8_t status = SmbusRead(smbus::kHostStatus);
        const bool busy = status & smbus::kStatusBusy;
        const bool finished = status & smbus::kStatusFinishedMask;
        if (!busy && finished) break;
    }
    return counter == 0 ? -1 : 0;
}

std::size_t HardwareAccess::SmbusReadBytes(std::uint8_t slave, std::uint8_t first,
                                           std::span<int> results) {
    if (results.empty() || first + results.size() > 0x100) return 0;
    return library_.SmbusReadBytesAt(smbusBase_, slave, first, results.size(), results.data());
}

int HardwareAccess::SmbusReadByte(std::uint8_t slave, std::uint8_t command) {
    using namespace smbus;
    if (const auto done = library_.SmbusReadByteAt(smbusBase_, slave, command)) return *done;
    if (SmbusWaitIdle() == -1) return kHostBusy;

    SmbusWrite(kHostControl, SmbusRead(kHostControl) & ~kControlInterruptEnable);
    SmbusWrite(kTransmitSlaveAddress, static_cast<std::uint8_t>(((slave & 0x7F) << 1) | 1));
    SmbusWrite(kHostCommand, command);
    SmbusWrite(kHostControl, static_cast<std::uint8_t>(
                                 (SmbusRead(kHostControl) & kControlKeepMask) | kControlByteData));
    SmbusWrite(kHostStatus, SmbusRead(kHostStatus));  // write-one-to-clear every set bit
    SmbusWrite(kHostData0, 0);
    SmbusWrite(kHostControl, SmbusRead(kHostControl) | kControlStart);

    if (SmbusWaitDone() == -1) return kTimeout;

    const std::uint8_t status = SmbusRead(kHostStatus) & kStatusResultMask;
    const std::uint8_t data = SmbusRead(kHostData0);
    return status == kStatusInterrupt ? data : kTransactionError;
}

}  // namespace zm::hw
