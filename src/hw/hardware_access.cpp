// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/hardware_access.h"

#include <algorithm>

#include "hw/pci_address.h"

namespace zm::hw {

HardwareAccess::~HardwareAccess() = default;

std::uint32_t HardwareAccess::PciConfigRead(std::uint32_t address) {
    return ops_.PciRead(address);
}

void HardwareAccess::PciConfigReadMany(std::span<const std::uint32_t> addresses,
                                       std::span<std::uint32_t> values) {
    const std::size_t count = std::min(addresses.size(), values.size());
    ops_.PciReadMany(addresses.first(count), values.first(count));
}

void HardwareAccess::PciConfigWrite(std::uint32_t address, std::uint32_t value) {
    if (!ReadOnly()) ops_.PciWrite(address, value);
}

void HardwareAccess::PciConfigWriteByte(std::uint32_t address, std::uint8_t value) {
    if (!ReadOnly()) ops_.PciWriteByte(address, value);
}

std::uint32_t HardwareAccess::MmioRead(std::uint32_t base, std::uint16_t offset) {
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    ops_.PhysRead(std::uint64_t{base} + offset, bytes);
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

void HardwareAccess::MmioReadMany(std::uint32_t base, std::span<const std::uint16_t> offsets,
                                  std::span<std::uint32_t> values) {
    const std::size_t count = std::min(offsets.size(), values.size());
    std::vector<std::uint64_t> addresses(count);
    for (std::size_t i = 0; i < count; ++i) addresses[i] = std::uint64_t{base} + offsets[i];
    ops_.PhysReadMany(addresses, values.first(count));
}

std::optional<std::uint32_t> HardwareAccess::PhysRead(std::uint64_t address) {
    std::uint8_t bytes[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    if (!ops_.PhysRead(address, bytes)) return std::nullopt;
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

void HardwareAccess::MmioWrite(std::uint32_t base, std::uint16_t offset, std::uint32_t value) {
    if (!ReadOnly()) ops_.PhysWrite(std::uint64_t{base} + offset, value);
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
    ReachPciWrite(address, value, ReadOnly() ? PciConfigRead(address) : 0);
}

void HardwareAccess::ReachPciWrite(std::uint32_t address, std::uint32_t value,
                                   std::uint32_t found) {
    if (ReadOnly()) Remember(ReachChange::Kind::PciDword, address, found);
    ops_.PciWrite(address, value);
}

void HardwareAccess::ReachPciWriteByte(std::uint32_t address, std::uint8_t value) {
    // The byte goes to the addressed dword's lowest byte.
    if (ReadOnly()) Remember(ReachChange::Kind::PciByte, address, PciConfigRead(address) & 0xFF);
    ops_.PciWriteByte(address, value);
}

void HardwareAccess::ReachMmioWrite(std::uint32_t base, std::uint16_t offset, std::uint32_t value) {
    ReachMmioWrite(base, offset, value, ReadOnly() ? MmioRead(base, offset) : 0);
}

void HardwareAccess::ReachMmioWrite(std::uint32_t base, std::uint16_t offset, std::uint32_t value,
                                    std::uint32_t found) {
    const std::uint64_t address = std::uint64_t{base} + offset;
    if (ReadOnly()) Remember(ReachChange::Kind::Memory, address, found);
    ops_.PhysWrite(address, value);
}

void HardwareAccess::IndexedPortRead(std::uint16_t indexPort, std::span<const std::uint8_t> indices,
                                     std::span<std::uint8_t> values) {
    const std::size_t count = std::min(indices.size(), values.size());
    ops_.IndexedRead(indexPort, indices.first(count), values.first(count));
}

std::uint8_t HardwareAccess::IndexedPortRead(std::uint16_t indexPort, std::uint8_t index) {
    std::uint8_t value = 0xFF;
    ops_.IndexedRead(indexPort, std::span<const std::uint8_t>(&index, 1),
                     std::span<std::uint8_t>(&value, 1));
    return value;
}

void HardwareAccess::ReachIndexedPortWrite(std::uint16_t indexPort, std::uint8_t index,
                                           std::uint8_t value) {
    if (ReadOnly())
        Remember(ReachChange::Kind::IndexedPort, (std::uint64_t{indexPort} << 8) | index,
                 IndexedPortRead(indexPort, index));
    ops_.IndexedWrite(indexPort, index, value);
}

void HardwareAccess::RestoreReachChanges() {
    WriteBatch batch(*this);
    std::vector<ReachChange> changes;
    {
        std::lock_guard<std::mutex> guard(reachLock_);
        changes.swap(reachChanges_);
    }
    for (auto c = changes.rbegin(); c != changes.rend(); ++c) {
        const auto address = static_cast<std::uint32_t>(c->address);
        switch (c->kind) {
            case ReachChange::Kind::PciDword:
                ops_.PciWrite(address, c->original);
                break;
            case ReachChange::Kind::PciByte:
                ops_.PciWriteByte(address, static_cast<std::uint8_t>(c->original));
                break;
            case ReachChange::Kind::Memory:
                ops_.PhysWrite(c->address, c->original);
                break;
            case ReachChange::Kind::IndexedPort:
                ops_.IndexedWrite(static_cast<std::uint16_t>(c->address >> 8),
                                  static_cast<std::uint8_t>(c->address & 0xFF),
                                  static_cast<std::uint8_t>(c->original));
                break;
        }
    }
}

MsrValue HardwareAccess::MsrRead(std::uint32_t index, unsigned processor) {
    return MsrValue::From(ops_.MsrRead(index, processor).value_or(0));
}

std::optional<MsrValue> HardwareAccess::MsrReadIfAny(std::uint32_t index, unsigned processor) {
    const auto value = ops_.MsrRead(index, processor);
    if (!value) return std::nullopt;
    return MsrValue::From(*value);
}

void HardwareAccess::MsrReadMany(std::span<const MsrAt> which, std::span<MsrValue> values) {
    const std::size_t count = std::min(which.size(), values.size());
    std::vector<std::optional<std::uint64_t>> read(count);
    ops_.MsrReadMany(which.first(count), read);
    for (std::size_t i = 0; i < count; ++i) values[i] = MsrValue::From(read[i].value_or(0));
}

void HardwareAccess::MsrWrite(std::uint32_t index, MsrValue value, unsigned processor) {
    if (!ReadOnly()) ops_.MsrWrite(index, processor, value.Value());
}

MsrValue HardwareAccess::MsrReadCurrent(std::uint32_t index) {
    return MsrRead(index, kCurrentProcessor);
}

void HardwareAccess::MsrWriteCurrent(std::uint32_t index, MsrValue value) {
    MsrWrite(index, value, kCurrentProcessor);
}

std::optional<std::uint64_t> HardwareAccess::ReadTsc(unsigned processor) {
    return ops_.ReadTsc(processor);
}

void HardwareAccess::SmbusEnableHost() {
    // Bus 0, device 31, function 3: bit 0 of the SMBus I/O base register (0x20), which marks
    // the base as an I/O space address, then the host controller enable bit in the host
    // configuration register at 0x40 (a byte write).
    // Where that function does not answer (the ATI/AMD south bridges, whose host needs no
    // enable), the writes would put all ones into whatever appears there later, or be refused by
    // the privileged helper: nothing is written.
    SmbusEnableHost(PciConfigRead(0x8000FB20));
}

void HardwareAccess::SmbusEnableHost(std::uint32_t command) {
    if (command == kPciNoDevice) return;
    WriteBatch batch(*this);
    ReachPciWrite(0x8000FB20, command | 0x1, command);
    ReachPciWriteByte(0x8000FB40, 1);
}

std::size_t HardwareAccess::SmbusReadBytes(std::uint8_t slave, std::uint8_t first,
                                           std::span<int> results) {
    if (results.empty() || first + results.size() > 0x100) return 0;
    return ops_.SmbusReadBytes(smbusBase_, slave, first, results);
}

void HardwareAccess::SmbusReadRuns(std::span<SmbusRun> runs) {
    for (SmbusRun& run : runs) run.read = 0;
    // A run past the EEPROM's 256 bytes, or of no bytes, is not asked for at all.
    std::vector<SmbusRun> asked;
    std::vector<std::size_t> where;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].results.empty() || runs[i].first + runs[i].results.size() > 0x100) continue;
        asked.push_back(runs[i]);
        where.push_back(i);
    }
    if (asked.empty()) return;
    ops_.SmbusReadRuns(smbusBase_, asked);
    for (std::size_t i = 0; i < asked.size(); ++i) runs[where[i]].read = asked[i].read;
}

void HardwareAccess::SmbusReadList(std::uint8_t slave, std::span<const std::uint8_t> commands,
                                   std::span<int> results) {
    ops_.SmbusReadList(smbusBase_, slave, commands, results);
}

int HardwareAccess::SmbusReadByte(std::uint8_t slave, std::uint8_t command) {
    return ops_.SmbusReadByte(smbusBase_, slave, command);
}

}  // namespace zm::hw
