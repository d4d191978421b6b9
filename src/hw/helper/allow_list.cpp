#include "hw/helper/allow_list.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "hw/bit_field.h"
#include "hw/hardware_access.h"
#include "hw/pci_address.h"

namespace zm::hw::helper {
namespace {

// The Intel uncore's configuration space sits on bus 0x3F, 0x7F or 0xFF, depending on the
// socket the processor is in; a row marked kUncore stands for all three.
constexpr int kUncore = -1;

struct PciFunction {
    int bus;
    unsigned device, function;
};

// Functions whose configuration space the program reads.
// clang-format off
constexpr PciFunction kReadable[] = {
    {0, 0, 0},              // host bridge: identity, memory-controller window base (0x48)
    {0, 20, 0},             // ATI/AMD SMBus: identity, I/O base (0x90, 0x10)
    {0, 24, 0},             // AMD K10 north bridge F0: HyperTransport link frequency
    {0, 24, 2},             // F2: DRAM controllers
    {0, 24, 3},             // F3: extended-config enable (0x8C), temperature, NB clocks
    {0, 31, 0},             // Intel LPC bridge: identity, chipset configuration base (0xF0)
    {0, 31, 3},             // Intel SMBus: identity, I/O base (0x20), host configuration
    {kUncore, 0, 0},        // uncore: lock state, unlock request, current uncore ratio
    {kUncore, 2, 1},        // QPI link frequency
    {kUncore, 3, 0},        // memory controller: control, configuration unlock
    {kUncore, 3, 4},        // memory controller identity, DRAM clock ratio
    {kUncore, 4, 0},        // channel A timings
    {kUncore, 5, 0},        // channel B timings
    {kUncore, 6, 0},        // channel C timings
};
// clang-format on

// Configuration registers the program writes, and the bits a write may change. Registers that
// place a window or an I/O range (host bridge 0x48, chipset configuration base, SMBus base)
// may change only their enable bit, so the window stays where the helper learnt it.
struct PciWritable {
    int bus;
    unsigned device, function, reg;
    std::uint32_t changeable;
};
// clang-format off
constexpr PciWritable kWritable[] = {
    {0, 0, 0, 0x48, 0x00000001},    // memory-controller window enable
    {0, 31, 0, 0xF0, 0x00000001},   // chipset configuration block enable
    {0, 31, 3, 0x20, 0x00000001},   // SMBus I/O base: the I/O-space bit only
    {0, 31, 3, 0x40, 0x00000007},   // SMBus host enable, SMI enable, I2C enable
    {0, 24, 3, 0x8C, 0x00004000},   // EnableCf8ExtCfg
    {0, 24, 3, 0xD4, 0x0000001F},   // NbFid
    // DRAM controller 0 and 1: control, mode registers, timing low/high, config low/high
    {0, 24, 2, 0x078, 0xFFFFFFFF}, {0, 24, 2, 0x084, 0xFFFFFFFF}, {0, 24, 2, 0x088, 0xFFFFFFFF},
    {0, 24, 2, 0x08C, 0xFFFFFFFF}, {0, 24, 2, 0x090, 0xFFFFFFFF}, {0, 24, 2, 0x094, 0xFFFFFFFF},
    {0, 24, 2, 0x178, 0xFFFFFFFF}, {0, 24, 2, 0x184, 0xFFFFFFFF}, {0, 24, 2, 0x188, 0xFFFFFFFF},
    {0, 24, 2, 0x18C, 0xFFFFFFFF}, {0, 24, 2, 0x190, 0xFFFFFFFF}, {0, 24, 2, 0x194, 0xFFFFFFFF},
    {kUncore, 0, 0, 0x90, 0xFFFFFFFF},  // unlock request
    {kUncore, 3, 0, 0x68, 0xFFFFFFFF},  // configuration unlock
    // channel timing registers: rank timing A/B, bank, refresh, rank idle, command rate,
    // round-trip latency
    {kUncore, 4, 0, 0x80, 0xFFFFFFFF}, {kUncore, 4, 0, 0x84, 0xFFFFFFFF},
    {kUncore, 4, 0, 0x88, 0xFFFFFFFF}, {kUncore, 4, 0, 0x8C, 0xFFFFFFFF},
    {kUncore, 4, 0, 0x90, 0xFFFFFFFF}, {kUncore, 4, 0, 0xB8, 0xFFFFFFFF},
    {kUncore, 4, 0, 0xD4, 0xFFFFFFFF},
    {kUncore, 5, 0, 0x80, 0xFFFFFFFF}, {kUncore, 5, 0, 0x84, 0xFFFFFFFF},
    {kUncore, 5, 0, 0x88, 0xFFFFFFFF}, {kUncore, 5, 0, 0x8C, 0xFFFFFFFF},
    {kUncore, 5, 0, 0x90, 0xFFFFFFFF}, {kUncore, 5, 0, 0xB8, 0xFFFFFFFF},
    {kUncore, 5, 0, 0xD4, 0xFFFFFFFF},
    {kUncore, 6, 0, 0x80, 0xFFFFFFFF}, {kUncore, 6, 0, 0x84, 0xFFFFFFFF},
    {kUncore, 6, 0, 0x88, 0xFFFFFFFF}, {kUncore, 6, 0, 0x8C, 0xFFFFFFFF},
    {kUncore, 6, 0, 0x90, 0xFFFFFFFF}, {kUncore, 6, 0, 0xB8, 0xFFFFFFFF},
    {kUncore, 6, 0, 0xD4, 0xFFFFFFFF},
};
// clang-format on

struct Msr {
    std::uint32_t index;
    bool writable;
};
// clang-format off
constexpr Msr kMsrs[] = {
    {0x00000035, false},  // core and thread count
    {0x000000CE, false},  // platform info: maximum non-turbo ratio
    {0x00000198, false},  // performance status
    {0x00000199, true},   // performance control: core multiplier
    {0x0000019C, false},  // thermal status
    {0x000001A0, true},   // misc enable: EIST, turbo
    {0x000001AD, false},  // turbo ratio limits
    {0x000001FC, true},   // power control: C1E
    {0xC0010015, true},   // AMD HWCR
    {0xC0010064, true}, {0xC0010065, true}, {0xC0010066, true},  // AMD P-state 0..4
    {0xC0010067, true}, {0xC0010068, true},
    {0xC0010070, true},   // AMD COFVID control
    {0xC0010071, false},  // AMD COFVID status
    {0xC001102A, false},  // AMD core index
};
// clang-format on

// SMBus host registers relative to the base: status, control, command, slave address, data 0.
constexpr std::uint16_t kSmbusRegisters[] = {smbus::kHostStatus, smbus::kHostControl,
                                             smbus::kHostCommand, smbus::kTransmitSlaveAddress,
                                             smbus::kHostData0};
constexpr std::uint16_t kDelayPort = 0x80;
constexpr std::uint8_t kSmbusProtocolMask = 0x1C;   // host control bits 4..2
constexpr std::uint8_t kSmbusReadDirection = 0x01;  // slave address bit 0

// Where the learnt windows come from.
constexpr std::uint64_t kBiosAreaBegin = 0xF0000;
constexpr std::uint64_t kBiosAreaEnd = 0x100000;
constexpr std::uint32_t kSmbiosAnchor = 0x5F4D535F;  // "_SM_"
constexpr Field kSmbiosTableLength{31, 16};          // word at +0x16
// A structure's strings may be read a little past the table's stated end by the scan's
// plausibility search; they stay inside this margin.
constexpr std::uint64_t kSmbiosTableMargin = 0x200;
constexpr std::uint32_t kLpcIdentity = PciConfigAddress(0, 31, 0, 0x00);
constexpr std::uint32_t kRootComplexBase = PciConfigAddress(0, 31, 0, 0xF0);
constexpr std::uint32_t kRootComplexBaseMask = 0xFFFFC000;
constexpr std::uint64_t kFunctionDisable = 0x3418;
constexpr std::uint32_t kHostBridgeId = PciConfigAddress(0, 0, 0, 0x00);
constexpr std::uint32_t kHostBridgeWindow = PciConfigAddress(0, 0, 0, 0x48);
constexpr std::uint32_t kHostBridgeWindowMask = 0xFFFFC000;
constexpr std::uint64_t kHostBridgeWindowSize = 0x4000;
constexpr std::uint32_t kDualChannelUncoreBridges[] = {0x00408086, 0x00448086};
constexpr std::uint32_t kIntelSmbusIdentity = PciConfigAddress(0, 31, 3, 0x00);
constexpr std::uint32_t kIntelSmbusBase = PciConfigAddress(0, 31, 3, 0x20);
constexpr std::uint32_t kAtiSmbusIdentity = PciConfigAddress(0, 20, 0, 0x00);
constexpr std::uint32_t kAtiSmbusBases[] = {PciConfigAddress(0, 20, 0, 0x90),
                                            PciConfigAddress(0, 20, 0, 0x10)};
constexpr std::uint32_t kF3x8C = PciConfigAddress(0, 24, 3, 0x8C);
constexpr Field kEnableCf8ExtCfg = Bit(14);
constexpr Field kExtendedRegister{27, 24};
constexpr Field kConfigEnable = Bit(31);

bool BusMatches(int rowBus, unsigned bus) {
    return rowBus == kUncore ? (bus == 0x3F || bus == 0x7F || bus == 0xFF)
                             : static_cast<unsigned>(rowBus) == bus;
}

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

std::uint16_t VendorOf(std::uint32_t identity) {
    return static_cast<std::uint16_t>(identity);
}

// The register the hardware will reach for this address: the extended form counts only while
// F3x8C bit 14 is set, as on the north bridge itself.
PciLocation Target(HardwareAccess& hw, std::uint32_t latch) {
    if (kExtendedRegister.Get(latch) != 0 && !kEnableCf8ExtCfg.Get(hw.PciConfigRead(kF3x8C))) {
        latch = kExtendedRegister.Set(latch, 0);
    }
    return DecodePciAddress(latch);
}

}  // namespace

void AllowList::Learn(HardwareLibrary& backend) {
    HardwareAccess hw(backend);
    windows_.clear();
    windows_.push_back({"SMBIOS entry-point area", kBiosAreaBegin, kBiosAreaEnd, false});
    for (std::uint64_t at = kBiosAreaBegin; at + 0x1C <= kBiosAreaEnd; at += 4) {
        if (hw.MmioRead(static_cast<std::uint32_t>(at), 0) != kSmbiosAnchor) continue;
        const std::uint32_t length = kSmbiosTableLength.Get(hw.MmioRead(at + 0x14, 0));
        const std::uint64_t table = hw.MmioRead(at + 0x18, 0);
        if (length != 0 && table != 0xFFFFFFFF) {
            windows_.push_back(
                {"SMBIOS structure table", table, table + length + kSmbiosTableMargin, false});
        }
        break;
    }
    functionDisable_ = 0;
    if (VendorOf(hw.PciConfigRead(kLpcIdentity)) == 0x8086) {
        const std::uint32_t rcba = hw.PciConfigRead(kRootComplexBase);
        const std::uint64_t base = rcba & kRootComplexBaseMask;
        if (rcba != kPciNoDevice && base != 0) {
            functionDisable_ = base + kFunctionDisable;
            windows_.push_back({"chipset function-disable register", functionDisable_,
                                functionDisable_ + 4, true});
        }
    }
    const std::uint32_t bridge = hw.PciConfigRead(kHostBridgeId);
    if (std::find(std::begin(kDualChannelUncoreBridges), std::end(kDualChannelUncoreBridges),
                  bridge) != std::end(kDualChannelUncoreBridges)) {
        const std::uint32_t value = hw.PciConfigRead(kHostBridgeWindow);
        const std::uint64_t base = value & kHostBridgeWindowMask;
        if (value != kPciNoDevice && base != 0) {
            windows_.push_back(
                {"memory-controller window", base, base + kHostBridgeWindowSize, true});
        }
    }
    LearnSmbusBases(backend);
    learnt_ = true;
}

void AllowList::LearnSmbusBases(HardwareLibrary& backend) {
    HardwareAccess hw(backend);
    smbusBases_.clear();
    const auto add = [&](std::uint32_t baseRegister) {
        const std::uint32_t value = hw.PciConfigRead(baseRegister);
        const auto base = static_cast<std::uint16_t>(value & 0xFFFE);
        if (value != kPciNoDevice && base != 0) smbusBases_.push_back(base);
    };
    if (VendorOf(hw.PciConfigRead(kIntelSmbusIdentity)) == 0x8086) add(kIntelSmbusBase);
    if (VendorOf(hw.PciConfigRead(kAtiSmbusIdentity)) == 0x1002) {
        for (std::uint32_t reg : kAtiSmbusBases) add(reg);
    }
}

std::string AllowList::CheckPort(std::uint16_t port, unsigned width, bool write) const {
    if (port == kPciAddressPort && width == 4) return "";
    if (port == kDelayPort && width == 1 && write) return "";
    if (width == 1) {
        for (std::uint16_t base : smbusBases_) {
            for (std::uint16_t reg : kSmbusRegisters) {
                if (port == base + reg) return "";
            }
        }
    }
    return "I/O port " + Hex(port) + (width == 1 ? " (byte)" : " (dword)") +
           " is not an SMBus host register, the PCI address port or the delay port";
}

std::string AllowList::CheckSmbusWrite(std::uint16_t port, std::uint8_t value) {
    if (std::string why = CheckPort(port, 1, true); !why.empty()) return why;
    for (std::uint16_t base : smbusBases_) {
        if (port == base + smbus::kTransmitSlaveAddress) lastSlaveAddress_ = value;
        if (port != base + smbus::kHostControl || !(value & smbus::kControlStart)) continue;
        const bool byteData = (value & kSmbusProtocolMask) == smbus::kControlByteData;
        if (!byteData || !(lastSlaveAddress_ & kSmbusReadDirection))
            return "an SMBus transaction other than a byte-data read";
    }
    return "";
}

std::string AllowList::CheckPciRead(HardwareLibrary& backend, std::uint32_t latch) {
    if (!kConfigEnable.Get(latch)) return "PCI data port read without an enabled address";
    HardwareAccess hw(backend);
    const PciLocation at = Target(hw, latch);
    for (const PciFunction& f : kReadable) {
        if (BusMatches(f.bus, at.bus) && f.device == at.device && f.function == at.function)
            return "";
    }
    return PciName(at) + " is not a function the program reads";
}

std::string AllowList::CheckPciWrite(HardwareLibrary& backend, std::uint32_t latch,
                                     unsigned byteLane, unsigned width, std::uint32_t value) {
    if (!kConfigEnable.Get(latch)) return "PCI data port write without an enabled address";
    HardwareAccess hw(backend);
    const PciLocation at = Target(hw, latch);
    const PciWritable* row = nullptr;
    for (const PciWritable& w : kWritable) {
        if (BusMatches(w.bus, at.bus) && w.device == at.device && w.function == at.function &&
            w.reg == at.reg)
            row = &w;
    }
    if (!row) return PciName(at) + " is not a register the program writes";
    if (row->changeable != 0xFFFFFFFF) {
        // Where nothing answers (the Intel SMBus function on an AMD chipset), the write that
        // the SMBus host enable always issues reaches no device.
        const std::uint32_t current = hw.PciConfigRead(latch);
        if (current == kPciNoDevice) return "";
        const unsigned shift = 8 * byteLane;
        const std::uint32_t laneMask = width == 4 ? 0xFFFFFFFF : (0xFFu << shift);
        const std::uint32_t changed = ((value << shift) ^ current) & laneMask;
        if (changed & ~row->changeable) {
            return PciName(at) + ": the write would change bits " +
                   Hex(changed & ~row->changeable) + " the program never changes";
        }
    }
    return "";
}

std::string AllowList::CheckMsr(std::uint32_t index, bool write) const {
    for (const Msr& m : kMsrs) {
        if (m.index == index) {
            return !write || m.writable ? "" : "MSR " + Hex(index) + " is read only here";
        }
    }
    return "MSR " + Hex(index) + " is not one the program uses";
}

std::string AllowList::CheckMemory(std::uint64_t address, std::uint64_t size, bool write) const {
    for (const MemoryWindow& w : windows_) {
        if (address >= w.begin && size <= w.end - w.begin &&
            address - w.begin <= w.end - w.begin - size) {
            if (write && !w.writable) return "the " + w.name + " is read only";
            return "";
        }
    }
    return "physical memory at " + Hex(address) + " (" + std::to_string(size) +
           " bytes) lies outside the windows found at start-up";
}

void AllowList::AfterPciWrite(HardwareLibrary& backend, std::uint32_t latch) {
    const PciLocation at = DecodePciAddress(latch);
    if (at.bus == 0 &&
        ((at.device == 31 && at.function == 3) || (at.device == 20 && at.function == 0)))
        LearnSmbusBases(backend);
}

void AllowList::AfterMemoryWrite(HardwareLibrary& backend, std::uint64_t address) {
    if (functionDisable_ != 0 && address == functionDisable_) LearnSmbusBases(backend);
}

}  // namespace zm::hw::helper
