// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/allow_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>

#include "cpu/cpu_registers.h"
#include "helper/protocol.h"
#include "hw/bit_field.h"
#include "hw/hardware_access.h"
#include "hw/pci_address.h"
#include "spd/smbus_discovery.h"
#include "timings/host_bridge/host_bridge_registers.h"
#include "timings/k10/k10_field_map.h"
#include "timings/uncore/uncore_registers.h"

namespace zm::hw::helper {
namespace {

// Every configuration register the program reads or writes, from the maps that define them.
const std::span<const PciRegisterAccess> kPciTables[] = {
    timings::k10::kPciAccess, timings::uncore::kPciAccess,   timings::host_bridge::kPciAccess,
    cpu::reg::kPciAccess,     spd::smbus_access::kPciAccess,
};
const std::span<const MsrAccess> kMsrTable = cpu::reg::kMsrAccess;

// The uncore's bus depends on the socket: 0x3F, 0x7F or 0xFF. Its rows are written for 0x3F.
constexpr unsigned kUncoreBuses[] = {0x3F, 0x7F, 0xFF};

// The SMBIOS areas the identification scan reads: the entry-point area of the BIOS, and the
// structure table the entry point names. A structure's strings may be read a little past the
// table's stated end by the scan's plausibility search; they stay inside the margin.
constexpr std::uint32_t kSmbiosAnchor = 0x5F4D535F;  // "_SM_"
constexpr Field kSmbiosTableLength{31, 16};          // word at +0x16
constexpr std::uint64_t kSmbiosTableMargin = 0x200;

// The AMD extended configuration form counts only while F3x8C bit 14 is set.
constexpr Field kExtendedRegister{27, 24};
constexpr Field kConfigEnable = Bit(31);

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

std::string PciName(const PciLocation& at) {
    char text[48];
    std::snprintf(text, sizeof text, "PCI %02X:%02X.%u register 0x%03X", at.bus, at.device,
                  at.function, at.reg);
    return text;
}

bool SameFunction(const PciRegisterAccess& row, const PciLocation& at) {
    const PciLocation r = DecodePciAddress(row.address);
    const bool bus = row.bus == PciBus::Uncore
                         ? std::find(std::begin(kUncoreBuses), std::end(kUncoreBuses), at.bus) !=
                               std::end(kUncoreBuses)
                         : r.bus == at.bus;
    return bus && r.device == at.device && r.function == at.function;
}

bool Matches(const DeviceMatches& devices, std::uint32_t identity) {
    return std::any_of(devices.begin(), devices.end(),
                       [&](const DeviceMatch& d) { return d.Matches(identity); });
}

template <typename Visit>
void ForEachPciRow(Visit visit) {
    for (const auto& table : kPciTables)
        for (const PciRegisterAccess& row : table) visit(row);
}

// The register the hardware will reach for this address.
PciLocation Target(Operations& backend, std::uint32_t address) {
    if (kExtendedRegister.Get(address) != 0) {
        const std::uint32_t f3x8c = backend.PciRead(timings::k10::kExtendedConfigAddress);
        if (f3x8c == kPciNoDevice || !timings::k10::kEnableCf8ExtCfg.Get(f3x8c))
            address = kExtendedRegister.Set(address, 0);
    }
    return DecodePciAddress(address);
}

std::uint32_t ReadDword(Operations& backend, std::uint64_t address) {
    std::uint8_t bytes[4];
    if (!backend.PhysRead(address, bytes)) return 0xFFFFFFFF;
    std::uint32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
}

const IndexedRegisterAccess* PmRow(std::uint8_t index) {
    for (const IndexedRegisterAccess& row : spd::smbus_access::kPmAccess)
        if (row.index == index) return &row;
    return nullptr;
}

template <std::size_t N>
std::vector<WindowRegisterAccess> Rows(const std::array<WindowRegisterAccess, N>& rows) {
    return {rows.begin(), rows.end()};
}

}  // namespace

void AllowList::Learn(Operations& backend) {
    using namespace spd::smbus_pci;
    HardwareAccess hw(backend);
    windows_.clear();
    windows_.push_back({"SMBIOS entry-point area", kBiosAreaBegin, kBiosAreaEnd});
    for (std::uint64_t at = kBiosAreaBegin; at + 0x1C <= kBiosAreaEnd; at += 4) {
        if (hw.MmioRead(static_cast<std::uint32_t>(at), 0) != kSmbiosAnchor) continue;
        const std::uint32_t length = kSmbiosTableLength.Get(hw.MmioRead(at + 0x14, 0));
        const std::uint64_t table = hw.MmioRead(at + 0x18, 0);
        if (length != 0 && table != 0xFFFFFFFF)
            windows_.push_back(
                {"SMBIOS structure table", table, table + length + kSmbiosTableMargin});
        break;
    }
    functionDisable_ = 0;
    const std::uint32_t lpc = hw.PciConfigRead(kLpcIdentity);
    if (lpc != kPciNoDevice && static_cast<std::uint16_t>(lpc) == kIntelVendor) {
        const std::uint32_t rcba = hw.PciConfigRead(kRootComplexBase);
        const std::uint64_t base = rcba & kRootComplexBaseMask;
        if (rcba != kPciNoDevice && base != 0) {
            functionDisable_ = base + kFunctionDisable;
            windows_.push_back({"chipset function-disable register", functionDisable_,
                                functionDisable_ + 4, base,
                                Rows(spd::smbus_access::kConfigurationBlockAccess)});
        }
    }
    namespace hb = timings::host_bridge;
    if (Matches(hb::kPciAccess[0].devices, hw.PciConfigRead(kHostBridgeId))) {
        const std::uint32_t value = hw.PciConfigRead(hb::kWindowBaseRegister);
        const std::uint64_t base = value & hb::kWindowBaseMask;
        if (value != kPciNoDevice && base != 0) {
            std::vector<WindowRegisterAccess> rows = Rows(hb::kWindowAccess);
            rows.insert(rows.end(), cpu::reg::kWindowAccess.begin(), cpu::reg::kWindowAccess.end());
            windows_.push_back(
                {"memory-controller window", base, base + hb::kWindowSize, base, rows});
        }
    }
    sb800_ = hw.PciConfigRead(kAtiSmbusIdentity) == spd::smbus_access::kSb800Identity &&
             kRevisionId.Get(hw.PciConfigRead(kAtiSmbusRevision)) >= kSb800FirstRevision;
    LearnSmbusBases(backend);
    learnt_ = true;
}

void AllowList::LearnSmbusBases(Operations& backend) {
    using namespace spd::smbus_pci;
    HardwareAccess hw(backend);
    smbusBases_.clear();
    const auto add = [&](std::uint32_t baseRegister) {
        const std::uint32_t value = hw.PciConfigRead(baseRegister);
        const auto base = static_cast<std::uint16_t>(value & kIoBaseMask);
        if (value != kPciNoDevice && base != 0) smbusBases_.push_back(base);
    };
    const auto vendor = [&](std::uint32_t identity) {
        const std::uint32_t value = hw.PciConfigRead(identity);
        return value == kPciNoDevice ? 0 : static_cast<std::uint16_t>(value);
    };
    if (vendor(kIntelSmbusIdentity) == kIntelVendor &&
        kClassCode.Get(hw.PciConfigRead(kIntelSmbusClass)) == kSmbusClassCode)
        add(kIntelSmbusBase);
    if (vendor(kAtiSmbusIdentity) == kAtiVendor) {
        add(kAtiSmbusBase);
        add(kAtiSmbusBar);
    }
    using namespace spd::sb800_pm;
    if (sb800_ && pmControl_ >= 0 && pmBaseHigh_ >= 0 &&
        kSmbusEnabled.Get(static_cast<std::uint32_t>(pmControl_))) {
        const auto base = static_cast<std::uint16_t>(((pmBaseHigh_ << 8) | pmControl_) & kBaseMask);
        if (base != 0) smbusBases_.push_back(base);
    }
}

std::string AllowList::CheckIndexedRead(std::uint16_t indexPort,
                                        std::span<const std::uint8_t> indices) const {
    if (!sb800_ || indexPort != spd::sb800_pm::kIndexPort)
        return "I/O port " + Hex(indexPort) + " is not a power-management index port found here";
    for (const std::uint8_t index : indices)
        if (!PmRow(index))
            return "power-management register " + Hex(index) + " is not one the program reads";
    return "";
}

std::string AllowList::CheckIndexedWrite(Operations& backend, std::uint16_t indexPort,
                                         std::uint8_t index, std::uint8_t value) const {
    if (!sb800_ || indexPort != spd::sb800_pm::kIndexPort)
        return "I/O port " + Hex(indexPort) + " is not a power-management index port found here";
    const IndexedRegisterAccess* row = PmRow(index);
    if (!row || row->writable == 0)
        return "power-management register " + Hex(index) + " is not one the program writes";
    std::uint8_t current = 0xFF;
    backend.IndexedRead(indexPort, std::span<const std::uint8_t>(&index, 1),
                        std::span<std::uint8_t>(&current, 1));
    const std::uint8_t changed = value ^ current;
    if (changed & ~row->writable)
        return "power-management register " + Hex(index) + ": the write would change bits " +
               Hex(changed & ~row->writable) + " the program never changes";
    return "";
}

std::string AllowList::CheckSmbusRead(std::uint16_t base) const {
    if (std::find(smbusBases_.begin(), smbusBases_.end(), base) != smbusBases_.end()) return "";
    return "I/O port " + Hex(base) + " is not the base of an SMBus host found here";
}

std::string AllowList::CheckPciRead(Operations& backend, std::uint32_t address) const {
    if (!kConfigEnable.Get(address)) return "PCI read without an enabled address";
    const PciLocation at = Target(backend, address);
    bool listed = false;
    ForEachPciRow([&](const PciRegisterAccess& row) { listed = listed || SameFunction(row, at); });
    return listed ? "" : PciName(at) + " is not a function the program reads";
}

std::string AllowList::CheckPciWrite(Operations& backend, std::uint32_t address, unsigned width,
                                     std::uint32_t value) const {
    if (!kConfigEnable.Get(address)) return "PCI write without an enabled address";
    const PciLocation at = Target(backend, address);
    const std::uint32_t identity =
        backend.PciRead(PciConfigAddress(at.bus, at.device, at.function, 0));
    bool listed = false, device = false;
    std::uint32_t writable = 0;
    std::optional<std::uint16_t> classCode;  // read only where a row asks for it
    ForEachPciRow([&](const PciRegisterAccess& row) {
        if (!SameFunction(row, at) || DecodePciAddress(row.address).reg != at.reg ||
            row.writable == 0)
            return;
        listed = true;
        if (!Matches(row.devices, identity)) return;
        if (row.classCode != 0) {
            if (!classCode)
                classCode = static_cast<std::uint16_t>(
                    backend.PciRead(PciConfigAddress(at.bus, at.device, at.function, 0x08)) >> 16);
            if (*classCode != row.classCode) return;
        }
        device = true;
        writable |= row.writable;
    });
    if (!listed) return PciName(at) + " is not a register the program writes";
    if (!device)
        return PciName(at) + " belongs to device " + Hex(identity) +
               ", not one the program writes there";
    const std::uint32_t current =
        backend.PciRead(PciConfigAddress(at.bus, at.device, at.function, at.reg));
    if (current == kPciNoDevice) return PciName(at) + " reads all ones: nothing answers there";
    const std::uint32_t laneMask = width == 4 ? 0xFFFFFFFF : 0xFFu;
    const std::uint32_t changed = (value ^ current) & laneMask;
    if (changed & ~writable)
        return PciName(at) + ": the write would change bits " + Hex(changed & ~writable) +
               " the program never changes";
    return "";
}

std::string AllowList::CheckMsrRead(std::uint32_t index) const {
    for (const MsrAccess& m : kMsrTable)
        if (m.index == index) return "";
    return "MSR " + Hex(index) + " is not one the program uses";
}

std::string AllowList::CheckMsrWrite(Operations& backend, std::uint32_t index, std::uint64_t value,
                                     unsigned processor) const {
    const MsrAccess* row = nullptr;
    for (const MsrAccess& m : kMsrTable)
        if (m.index == index) row = &m;
    if (!row) return "MSR " + Hex(index) + " is not one the program uses";
    if (row->writable == 0) return "MSR " + Hex(index) + " is read only here";
    const std::optional<std::uint64_t> current = backend.MsrRead(index, processor);
    if (!current) return "MSR " + Hex(index) + " cannot be read on that processor";
    const std::uint64_t changed = value ^ *current;
    if (changed & ~row->writable)
        return "MSR " + Hex(index) + ": the write would change bits " +
               Hex(changed & ~row->writable) + " the program never changes";
    for (const FieldCeiling& c : row->ceilings) {
        if ((changed & c.field.Mask()) != 0 && c.field.Get(value) > c.highest)
            return "MSR " + Hex(index) + ": bits " + Hex(c.field.Mask()) + " would hold " +
                   Hex(c.field.Get(value)) + ", above " + Hex(c.highest) +
                   ", a value the program never writes";
    }
    return "";
}

std::string AllowList::CheckMemoryRead(std::uint64_t address, std::uint64_t size) const {
    for (const MemoryWindow& w : windows_) {
        if (address >= w.begin && size <= w.end - w.begin &&
            address - w.begin <= w.end - w.begin - size)
            return "";
    }
    return "physical memory at " + Hex(address) + " (" + std::to_string(size) +
           " bytes) lies outside the windows found at start-up";
}

std::string AllowList::CheckMemoryWrite(Operations& backend, std::uint64_t address,
                                        std::uint32_t value) const {
    const std::string where = "physical memory at " + Hex(address);
    for (const MemoryWindow& w : windows_) {
        if (address < w.begin || address >= w.end) continue;
        const WindowRegisterAccess* row = nullptr;
        for (const WindowRegisterAccess& r : w.rows)
            if (w.origin + r.offset == address && r.writable != 0) row = &r;
        if (!row) return "the " + w.name + " is read only at " + Hex(address - w.origin);
        const std::uint32_t current = ReadDword(backend, address);
        if (current == 0xFFFFFFFF) return where + " reads all ones: nothing answers there";
        const std::uint32_t changed = value ^ current;
        if (changed & ~row->writable)
            return "the " + w.name + " at " + Hex(address - w.origin) +
                   ": the write would change bits " + Hex(changed & ~row->writable) +
                   " the program never changes";
        return "";
    }
    return where + " lies outside the windows found at start-up";
}

void AllowList::AfterPciWrite(Operations& backend, std::uint32_t address) {
    using namespace spd::smbus_pci;
    const PciLocation at = DecodePciAddress(address);
    const auto same = [&](std::uint32_t other) {
        const PciLocation f = DecodePciAddress(other);
        return at.bus == f.bus && at.device == f.device && at.function == f.function;
    };
    if (same(kIntelSmbusIdentity) || same(kAtiSmbusIdentity)) LearnSmbusBases(backend);
}

void AllowList::AfterMemoryWrite(Operations& backend, std::uint64_t address) {
    if (functionDisable_ != 0 && address == functionDisable_) LearnSmbusBases(backend);
}

void AllowList::AfterIndexedRead(Operations& backend, std::span<const std::uint8_t> indices,
                                 std::span<const std::uint8_t> values) {
    using namespace spd::sb800_pm;
    if (!sb800_) return;
    bool learnt = false;
    for (std::size_t i = 0; i < indices.size() && i < values.size(); ++i) {
        if (indices[i] == kSmbusControl) pmControl_ = values[i];
        if (indices[i] == kSmbusBaseHigh) pmBaseHigh_ = values[i];
        learnt = learnt || indices[i] == kSmbusControl || indices[i] == kSmbusBaseHigh;
    }
    if (learnt) LearnSmbusBases(backend);
}

}  // namespace zm::hw::helper
