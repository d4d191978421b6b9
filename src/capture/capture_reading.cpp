// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/capture_reading.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "capture/capture_privacy.h"
#include "hw/bit_field.h"
#include "hw/pci_address.h"
#include "ident/smbios_scan.h"
#include "spd/smbus_discovery.h"
#include "spd/spd_reader.h"

namespace zm::app::capture {
namespace {

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

// --- CPUID ---

constexpr std::uint32_t kExtendedBase = 0x80000000;
constexpr std::uint32_t kBrandFirst = 0x80000002;
constexpr std::uint32_t kBrandLast = 0x80000004;
// Leaf 0 / 0x80000000 report the highest leaf; anything beyond these is not a real answer.
constexpr std::uint32_t kMaxStandardLeaves = 0x40;
constexpr std::uint32_t kMaxExtendedLeaves = 0x40;
constexpr std::uint32_t kMaxSubleaves = 64;

// How a leaf's sub-leaves are enumerated (Intel SDM vol. 2A "CPUID", AMD APM vol. 3 appendix E).
enum class Subleaves {
    UntilCacheTypeZero,  // EAX bits 4..0 = 0 ends the list (deterministic cache parameters)
    UntilLevelTypeZero,  // ECX bits 15..8 = 0 ends the list (topology enumeration)
    UpToEaxOfSubleaf0,   // sub-leaf 0 EAX = the highest sub-leaf
    Each,                // every sub-leaf up to the limit, the zero ones left out
};

struct SubleafLeaf {
    std::uint32_t leaf;
    Subleaves rule;
};

constexpr std::array<SubleafLeaf, 14> kSubleafLeaves{{
    {0x04, Subleaves::UntilCacheTypeZero},        // deterministic cache parameters
    {0x07, Subleaves::UpToEaxOfSubleaf0},         // structured extended features
    {0x0B, Subleaves::UntilLevelTypeZero},        // extended topology
    {0x0D, Subleaves::Each},                      // processor extended state
    {0x0F, Subleaves::Each},                      // resource director monitoring
    {0x10, Subleaves::Each},                      // resource director allocation
    {0x12, Subleaves::Each},                      // SGX
    {0x14, Subleaves::UpToEaxOfSubleaf0},         // processor trace
    {0x17, Subleaves::UpToEaxOfSubleaf0},         // SoC vendor attributes
    {0x18, Subleaves::UpToEaxOfSubleaf0},         // address translation
    {0x1D, Subleaves::UpToEaxOfSubleaf0},         // tile information
    {0x1F, Subleaves::UntilLevelTypeZero},        // V2 extended topology
    {0x8000001D, Subleaves::UntilCacheTypeZero},  // AMD cache topology
    {0x80000020, Subleaves::Each},                // AMD platform QoS
}};

bool IsZero(const hw::CpuidRegisters& r) {
    return (r.eax | r.ebx | r.ecx | r.edx) == 0;
}

std::optional<Subleaves> SubleafRule(std::uint32_t leaf) {
    for (const SubleafLeaf& s : kSubleafLeaves) {
        if (s.leaf == leaf) return s.rule;
    }
    return std::nullopt;
}

void ReadSubleaves(hw::Cpuid& cpuid, std::uint32_t leaf, Subleaves rule, sim::MachineCapture& out) {
    std::map<std::uint32_t, hw::CpuidRegisters> kept;
    std::uint32_t last = kMaxSubleaves - 1;
    if (rule == Subleaves::UpToEaxOfSubleaf0) last = std::min(cpuid.Query(leaf, 0).eax, last);
    for (std::uint32_t sub = 0; sub <= last; ++sub) {
        const hw::CpuidRegisters r = cpuid.Query(leaf, sub);
        const bool end = (rule == Subleaves::UntilCacheTypeZero && (r.eax & 0x1F) == 0) ||
                         (rule == Subleaves::UntilLevelTypeZero && ((r.ecx >> 8) & 0xFF) == 0);
        if (end) {
            // The closing entry is kept when it is not zeros: it shows where the list ends.
            if (!IsZero(r) && !kept.empty()) kept[sub] = r;
            break;
        }
        if (!IsZero(r)) kept[sub] = r;
    }
    if (kept.empty()) return;
    // A leaf written with sub-leaf 0 alone answers every sub-leaf with it; one more (zero)
    // sub-leaf tells the loader that the others answer zeros.
    if (kept.size() == 1 && kept.count(0)) kept[1] = hw::CpuidRegisters{};
    for (const auto& [sub, r] : kept) out.cpuid[{leaf, sub}] = r;
}

// The 48 bytes of leaves 0x80000002..4 as text, when they are printable ASCII up to a NUL and
// zeros after it: the form the profile's brand_string gives back exactly.
std::optional<std::string> BrandText(const std::array<hw::CpuidRegisters, 3>& leaves) {
    std::string bytes;
    for (const hw::CpuidRegisters& r : leaves) {
        for (std::uint32_t reg : {r.eax, r.ebx, r.ecx, r.edx}) {
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((reg >> (8 * i)) & 0xFF));
        }
    }
    const std::size_t end = bytes.find('\0');
    if (end == std::string::npos) return std::nullopt;  // 48 characters: no room for the NUL
    if (bytes.find_first_not_of('\0', end) != std::string::npos) return std::nullopt;
    const std::string text = bytes.substr(0, end);
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7E) return std::nullopt;
    }
    return text;
}

// --- memory ---

constexpr std::uint64_t k4GiB = 0x100000000ull;
constexpr std::uint64_t kBiosAreaStart = 0xF0000;
constexpr std::uint64_t kBiosAreaEnd = 0x100000;
constexpr std::uint64_t kEntryLengthByte = 5;
constexpr std::uint64_t kEntryTableLength = 0x16;   // word
constexpr std::uint64_t kEntryTableAddress = 0x18;  // dword
constexpr unsigned kEntryLength2x = 0x1F;
constexpr unsigned kMaxEntryLength = 0x40;
constexpr std::uint32_t kMaxTableLength = 0xFFFF;

// Intel chipset configuration block (LPC bridge register 0xF0) and the LGA 1156 host bridge's
// memory-controller window (host bridge register 0x48): both 16 KiB, 16 KiB aligned.
constexpr std::uint32_t kRcbaRegister = hw::PciConfigAddress(0, 31, 0, 0xF0);
constexpr std::uint32_t kWindowRegister = hw::PciConfigAddress(0, 0, 0, 0x48);
constexpr std::uint32_t kBlockMask = 0xFFFFC000;
constexpr std::uint32_t kBlockSize = 0x4000;
constexpr std::uint16_t kIntelVendor = 0x8086;

std::optional<std::uint32_t> MemoryDword(hw::HardwareAccess& hw, std::uint64_t address) {
    if (address + 4 > k4GiB) return std::nullopt;
    return hw.PhysRead(address);
}

std::optional<std::vector<std::uint8_t>> MemoryBytes(hw::HardwareAccess& hw, std::uint64_t address,
                                                     std::size_t count) {
    std::vector<std::uint8_t> bytes;
    for (std::uint64_t at = address; bytes.size() < count; at += 4) {
        const auto dword = MemoryDword(hw, at);
        if (!dword) return std::nullopt;
        for (int i = 0; i < 4 && bytes.size() < count; ++i)
            bytes.push_back(static_cast<std::uint8_t>(*dword >> (8 * i)));
    }
    return bytes;
}

// What a location held before the start-up's first write to it, if it wrote there.
std::optional<std::uint64_t> OriginalOf(const std::vector<hw::OriginalValue>& originals,
                                        hw::OriginalValue::Kind kind, std::uint64_t address,
                                        unsigned processor = 0) {
    for (const hw::OriginalValue& o : originals) {
        if (o.kind == kind && o.address == address && o.processor == processor) return o.value;
    }
    return std::nullopt;
}

std::uint32_t PciAsFound(hw::HardwareAccess& hw, const std::vector<hw::OriginalValue>& originals,
                         std::uint32_t address) {
    if (const auto value = OriginalOf(originals, hw::OriginalValue::Kind::Pci, address))
        return static_cast<std::uint32_t>(*value);
    return hw.PciConfigRead(address);
}

bool AnyReadIn(const std::set<std::uint64_t>& reads, std::uint64_t from, std::uint64_t to) {
    const auto it = reads.lower_bound(from);
    return it != reads.end() && *it < to;
}

void ReadSmbios(hw::HardwareAccess& hw, bool keepSerials, sim::MachineCapture& out, Missed& missed,
                Masking& masking) {
    if (!MemoryDword(hw, kBiosAreaStart)) {
        missed.push_back("SMBIOS: physical memory at 0xF0000 cannot be read");
        return;
    }
    const auto entry = ident::FindSmbiosEntryPoint(hw);
    if (!entry) return;  // the firmware has none: nothing to write down
    const auto header = MemoryBytes(hw, *entry, kEntryTableAddress + 4);
    if (!header) {
        missed.push_back("SMBIOS: the entry point at " + Hex(*entry) + " cannot be read whole");
        return;
    }
    const unsigned stated = (*header)[kEntryLengthByte];
    const unsigned entryLength =
        stated >= kEntryTableAddress + 4 && stated <= kMaxEntryLength ? stated : kEntryLength2x;
    const auto entryBytes = MemoryBytes(hw, *entry, entryLength);
    const std::uint32_t tableLength =
        (*header)[kEntryTableLength] | ((*header)[kEntryTableLength + 1] << 8);
    const std::uint32_t table = (*header)[kEntryTableAddress] |
                                ((*header)[kEntryTableAddress + 1] << 8) |
                                ((*header)[kEntryTableAddress + 2] << 16) |
                                (std::uint32_t{(*header)[kEntryTableAddress + 3]} << 24);
    if (table == 0 || tableLength == 0 || tableLength > kMaxTableLength ||
        std::uint64_t{table} + tableLength > k4GiB) {
        missed.push_back("SMBIOS: the entry point names no usable table (address " + Hex(table) +
                         ", length " + std::to_string(tableLength) + ")");
    } else if (auto bytes = MemoryBytes(hw, table, tableLength)) {
        if (!keepSerials) masking.smbiosFields += MaskSmbiosSerials(*bytes);
        out.memory.push_back({table, std::move(*bytes), 0, "SMBIOS structure table"});
    } else {
        missed.push_back("SMBIOS: the table at " + Hex(table) + " cannot be read");
    }
    if (entryBytes) {
        out.memory.push_back({*entry, *entryBytes, 0,
                              "SMBIOS 2.x entry point, where the scan from 0xF0000 finds it"});
    }
}

// The chipset configuration block registers that were read, with the values found.
void ReadChipsetBlock(hw::HardwareAccess& hw, const std::set<std::uint64_t>& reads,
                      const std::vector<hw::OriginalValue>& originals, sim::MachineCapture& out) {
    const bool lpcCaptured = std::any_of(out.pci.begin(), out.pci.end(), [](const auto& f) {
        return f.bus == 0 && f.device == 31 && f.function == 0;
    });
    if (!lpcCaptured) return;
    const std::uint32_t base = hw.PciConfigRead(kRcbaRegister) & kBlockMask;
    if (base == 0 || base == kBlockMask ||
        !AnyReadIn(reads, base, std::uint64_t{base} + kBlockSize))
        return;
    sim::CapturedChipsetBlock block{base, {}};
    for (auto it = reads.lower_bound(base); it != reads.end() && *it < base + kBlockSize; ++it) {
        const std::uint64_t address = *it & ~3ull;
        std::optional<std::uint64_t> value =
            OriginalOf(originals, hw::OriginalValue::Kind::Memory, address);
        if (!value) value = MemoryDword(hw, address);
        if (value)
            block.registers[static_cast<std::uint32_t>(address - base)] =
                static_cast<std::uint32_t>(*value);
    }
    out.rcba = std::move(block);
}

// The host bridge's memory-controller window, whole: a zero-filled block with the non-zero
// dwords over it in runs.
void ReadControllerWindow(hw::HardwareAccess& hw, const std::set<std::uint64_t>& reads,
                          const std::vector<hw::OriginalValue>& originals, sim::MachineCapture& out,
                          Missed& missed) {
    if ((hw.PciConfigRead(hw::PciConfigAddress(0, 0, 0, 0)) & 0xFFFF) != kIntelVendor) return;
    const std::uint32_t base = hw.PciConfigRead(kWindowRegister) & kBlockMask;
    if (base == 0 || base == kBlockMask ||
        !AnyReadIn(reads, base, std::uint64_t{base} + kBlockSize))
        return;
    std::vector<std::uint32_t> dwords;
    for (std::uint32_t offset = 0; offset < kBlockSize; offset += 4) {
        std::optional<std::uint64_t> value =
            OriginalOf(originals, hw::OriginalValue::Kind::Memory, base + offset);
        if (!value) value = MemoryDword(hw, base + offset);
        if (!value) {
            missed.push_back("memory-controller window at " + Hex(base) + " cannot be read");
            return;
        }
        dwords.push_back(static_cast<std::uint32_t>(*value));
    }
    out.memory.push_back({base,
                          {},
                          kBlockSize,
                          "memory-controller register window (16 KiB at the host bridge's 0x48 "
                          "base); the non-zero dwords follow"});
    for (std::size_t i = 0; i < dwords.size();) {
        if (dwords[i] == 0) {
            ++i;
            continue;
        }
        sim::CapturedMemoryBlock run{base + static_cast<std::uint32_t>(i * 4), {}, 0, {}};
        for (; i < dwords.size() && dwords[i] != 0; ++i) {
            for (int b = 0; b < 4; ++b)
                run.bytes.push_back(static_cast<std::uint8_t>(dwords[i] >> (8 * b)));
        }
        out.memory.push_back(std::move(run));
    }
}

}  // namespace

void ReadCpuid(hw::Cpuid& cpuid, sim::MachineCapture& out) {
    for (const std::uint32_t base : {0u, kExtendedBase}) {
        const std::uint32_t highest = cpuid.Query(base).eax;
        const std::uint32_t limit = base == 0 ? kMaxStandardLeaves : kMaxExtendedLeaves;
        if (highest < base || highest - base >= limit) {
            // No extended leaves (or a nonsense answer): only the leaf that says so.
            if (!IsZero(cpuid.Query(base))) out.cpuid[{base, std::nullopt}] = cpuid.Query(base);
            continue;
        }
        for (std::uint32_t leaf = base; leaf <= highest; ++leaf) {
            if (const auto rule = SubleafRule(leaf)) {
                ReadSubleaves(cpuid, leaf, *rule, out);
                continue;
            }
            const hw::CpuidRegisters r = cpuid.Query(leaf);
            if (!IsZero(r)) out.cpuid[{leaf, std::nullopt}] = r;
        }
    }
    const auto highestExtended = out.cpuid.find({kExtendedBase, std::nullopt});
    if (highestExtended == out.cpuid.end() || highestExtended->second.eax < kBrandLast) return;
    const std::array<hw::CpuidRegisters, 3> leaves{
        cpuid.Query(kBrandFirst), cpuid.Query(kBrandFirst + 1), cpuid.Query(kBrandLast)};
    if (const auto text = BrandText(leaves)) {
        out.brandString = *text;
        for (std::uint32_t leaf = kBrandFirst; leaf <= kBrandLast; ++leaf)
            out.cpuid.erase({leaf, std::nullopt});
    }
}

std::set<std::uint32_t> WindowMsrs(hw::Cpuid& cpuid) {
    const hw::CpuidRegisters vendor = cpuid.Query(0);
    // "GenuineIntel" / "AuthenticAMD": EBX holds the first four characters.
    constexpr std::uint32_t kGenu = 0x756E6547, kAuth = 0x68747541;
    if (vendor.ebx == kGenu) {
        return {
            0x19C,  // IA32_THERM_STATUS: the Monitor's core temperatures, per processor
        };
    }
    if (vendor.ebx == kAuth) {
        return {
            0xC0010062,                                                  // P-state control
            0xC0010063,                                                  // P-state status
            0xC0010064, 0xC0010065, 0xC0010066, 0xC0010067, 0xC0010068,  // P-states 0..4
            0xC0010070,  // COFVID control: the CPU settings window's Apply changes it per core
            0xC0010071,  // COFVID status
        };
    }
    return {};
}

void ReadMsrs(hw::HardwareAccess& hw, const std::set<std::uint32_t>& indices, unsigned processors,
              const std::vector<hw::OriginalValue>& originals, sim::MachineCapture& out,
              Missed& missed) {
    constexpr std::uint32_t kTimeStampCounter = 0x10;  // runs on its own in a simulated machine
    unsigned readable = 0;
    for (const std::uint32_t index : indices) {
        if (index == kTimeStampCounter) continue;
        std::map<unsigned, std::uint64_t> values;
        for (unsigned p = 0; p < processors; ++p) {
            const std::optional<hw::MsrValue> read = hw.MsrReadIfAny(index, p);
            if (!read) continue;
            std::uint64_t value = read->Value();
            const auto kind = hw::OriginalValue::Kind::Msr;
            if (auto before = OriginalOf(originals, kind, index, p)) {
                value = *before;
            } else if (auto current = OriginalOf(originals, kind, index,
                                                 hw::OriginalValue::kCurrentProcessor)) {
                // Written on "the current processor": the processor it ran on is unknown, so
                // the value found before is the best knowledge for each.
                value = *current;
            }
            values[p] = value;
        }
        if (values.empty()) continue;  // absent on this processor, as a real one faults
        ++readable;
        if (values.size() < processors) {
            missed.push_back("MSR " + Hex(index) + " read on " + std::to_string(values.size()) +
                             " of " + std::to_string(processors) + " processors only");
        }
        const std::uint64_t first = values.begin()->second;
        const bool same = values.size() == processors &&
                          std::all_of(values.begin(), values.end(),
                                      [&](const auto& v) { return v.second == first; });
        if (same) {
            out.msrAll[index] = first;
        } else {
            for (const auto& [p, value] : values) out.msrPerProcessor[p][index] = value;
        }
    }
    if (!indices.empty() && readable == 0) {
        missed.push_back("MSRs: none of the " + std::to_string(indices.size()) +
                         " registers the program reads could be read");
    }
}

void ReadPciFunctions(hw::HardwareAccess& hw, const std::set<hw::PciFunctionAddress>& functions,
                      const std::vector<hw::OriginalValue>& originals, sim::MachineCapture& out) {
    // AMD family 10h: F3x8C bit 14 lets the configuration address carry register bits 11..8.
    constexpr std::uint32_t kNbConfigHigh = hw::PciConfigAddress(0, 24, 3, 0x8C);
    constexpr hw::Field kEnableCf8ExtCfg = hw::Bit(14);
    constexpr std::uint16_t kAmdVendor = 0x1022;
    const bool extended =
        (hw.PciConfigRead(hw::PciConfigAddress(0, 24, 3, 0)) & 0xFFFF) == kAmdVendor &&
        kEnableCf8ExtCfg.Get(hw.PciConfigRead(kNbConfigHigh)) != 0;
    const unsigned size = extended ? 4096 : 256;
    for (const hw::PciFunctionAddress& f : functions) {
        if (hw.PciConfigRead(hw::PciConfigAddress(f.bus, f.device, f.function, 0)) ==
            hw::kPciNoDevice)
            continue;  // nothing answers there
        sim::CapturedPciFunction function{f.bus, f.device, f.function, {}, {}};
        for (unsigned reg = 0; reg < size; reg += 4) {
            const std::uint32_t dword =
                PciAsFound(hw, originals, hw::PciConfigAddress(f.bus, f.device, f.function, reg));
            for (int b = 0; b < 4; ++b)
                function.space.push_back(static_cast<std::uint8_t>(dword >> (8 * b)));
        }
        out.pci.push_back(std::move(function));
    }
}

void ReadMemory(hw::HardwareAccess& hw, const std::set<std::uint64_t>& reads,
                const std::vector<hw::OriginalValue>& originals, bool keepSerials,
                sim::MachineCapture& out, Missed& missed, Masking& masking) {
    if (AnyReadIn(reads, kBiosAreaStart, kBiosAreaEnd))
        ReadSmbios(hw, keepSerials, out, missed, masking);
    ReadChipsetBlock(hw, reads, originals, out);
    ReadControllerWindow(hw, reads, originals, out, missed);
}

void ReadSpd(hw::HardwareAccess& hw, bool keepSerials, sim::MachineCapture& out, Missed& missed,
             Masking& masking) {
    if (hw.SmbusBase() == 0) return;
    out.smbusBase = hw.SmbusBase();
    out.pmRegisters = spd::ReadSb800SmbusPmRegisters(hw);
    constexpr unsigned kImageBytes = 256;
    for (unsigned slot = 0; slot < spd::kSpdSlotCount; ++slot) {
        const std::uint8_t slave = *spd::SpdSlaveForSlot(slot);
        if (hw.SmbusReadByte(slave, 0) < 0) continue;  // an empty socket does not acknowledge
        std::vector<std::uint8_t> image;
        for (unsigned offset = 0; offset < kImageBytes; ++offset) {
            const int byte = hw.SmbusReadByte(slave, static_cast<std::uint8_t>(offset));
            if (byte < 0) {
                missed.push_back("SPD slot " + std::to_string(slot) + ": byte " +
                                 std::to_string(offset) + " cannot be read (SMBus error " +
                                 std::to_string(byte) + "); the module is left out");
                image.clear();
                break;
            }
            image.push_back(static_cast<std::uint8_t>(byte));
        }
        if (image.empty()) continue;
        if (!keepSerials) {
            const SpdMasking m = MaskSpdSerial(image);
            masking.spdSerials += m.masked;
            masking.spdCrcRecomputed += m.crcRecomputed;
            masking.spdCrcLeftWrong += m.crcLeftWrong;
        }
        out.spd[slot] = std::move(image);
    }
}

}  // namespace zm::app::capture
