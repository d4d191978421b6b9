// SPDX-License-Identifier: GPL-3.0-or-later
#include "ident/smbios_scan.h"

#include <algorithm>
#include <optional>

#include "hw/bit_field.h"
#include "util/display_text.h"

namespace zm::ident {
namespace {

// SMBIOS 2.x entry point ("_SM_", 16-byte aligned in 0xF0000..0xFFFFF; read every 4 bytes).
constexpr std::uint32_t kScanStart = 0xF0000;
constexpr unsigned kScanReads = 15000;
constexpr std::uint32_t kAnchor = 0x5F4D535F;  // "_SM_" little-endian
constexpr std::uint32_t kEntryLengthDword = 0x14;
constexpr hw::Field kEntryTableLength{31, 16};  // word at +0x16
constexpr std::uint32_t kEntryTableAddress = 0x18;

// Structure header dword.
constexpr hw::Field kType{7, 0};
constexpr hw::Field kLength{15, 8};
constexpr hw::Field kHandleLow{23, 16};
constexpr hw::Field kHandleHigh{31, 24};

constexpr unsigned kBiosType = 0;
constexpr unsigned kBaseboardType = 2;
// BIOS information: string numbers of the version and of the release date.
constexpr std::uint32_t kBiosVersionString = 0x05;
constexpr std::uint32_t kBiosDateString = 0x08;
constexpr unsigned kMemoryDeviceType = 17;

// Memory device (type 17): size in MB and form factor, in the dword at +0x0C.
constexpr std::uint32_t kMemorySizeOffset = 0x0C;
constexpr hw::Field kMemorySizeMb{15, 0};
constexpr hw::Field kFormFactor{23, 16};
constexpr unsigned kFormDimm = 0x09;
constexpr unsigned kFormSoDimm = 0x0D;
constexpr std::array<unsigned, 6> kPlausibleSizesMb{0, 0x100, 0x200, 0x400, 0x800, 0x1000};

// Search windows, in byte positions.
constexpr unsigned kBiosWindow = 150;
constexpr std::uint32_t kMemoryDevicesFrom = 0x200;  // into the table
constexpr unsigned kNextSlotWindow = 150;
constexpr std::uint32_t kNextSlotSkip = kMemorySizeOffset + 5;  // past the size field

// String lengths kept for display, and how far a string's terminator is looked for.
constexpr unsigned kBiosTextLength = 11;
constexpr unsigned kVendorLength = 40;
constexpr unsigned kModelLength = 30;
constexpr unsigned kStringLimit = 255;

constexpr std::uint64_t kAddressLimit = 0x100000000ull;

// Dword and byte reads of physical memory at 32-bit addresses. Nothing is read beyond 4 GiB:
// an address that would wrap around reads as all ones, like unmapped memory.
class Physical {
public:
    explicit Physical(hw::HardwareAccess& hw) : hw_(hw) {}
    std::uint32_t Dword(std::uint64_t address) {
        if (address + 4 > kAddressLimit) return 0xFFFFFFFF;
        return hw_.MmioRead(static_cast<std::uint32_t>(address), 0);
    }
    std::uint8_t Byte(std::uint64_t address) { return static_cast<std::uint8_t>(Dword(address)); }

private:
    hw::HardwareAccess& hw_;
};

struct String {
    std::string text;        // display text, cut to the length asked for
    std::uint64_t next = 0;  // the byte after the terminator
};

// The NUL-terminated string at address; nullopt when no terminator follows soon enough.
std::optional<String> ReadString(Physical& mem, std::uint64_t address, unsigned keep) {
    std::string bytes;
    for (unsigned i = 0; i < kStringLimit; ++i) {
        const std::uint8_t c = mem.Byte(address + i);
        if (c == 0) return String{util::DisplayText(bytes.substr(0, keep)), address + i + 1};
        bytes.push_back(static_cast<char>(c));
    }
    return std::nullopt;
}

bool HandleByteIn(unsigned byte, std::initializer_list<unsigned> allowed) {
    return std::find(allowed.begin(), allowed.end(), byte) != allowed.end();
}

bool MemoryHandleByte(unsigned byte) {
    return byte <= 0x03 || (byte >= 0x0D && byte <= 0x5F);
}

std::optional<std::uint64_t> Find(Physical& mem, std::uint64_t from, std::uint64_t positions,
                                  bool (*matches)(std::uint32_t)) {
    for (std::uint64_t i = 0; i < positions && from + i < kAddressLimit; ++i) {
        if (matches(mem.Dword(from + i))) return from + i;
    }
    return std::nullopt;
}

bool MemoryDeviceAt(Physical& mem, std::uint64_t address) {
    return IsMemoryDevice(mem.Dword(address), mem.Dword(address + kMemorySizeOffset));
}

std::optional<std::uint64_t> FindMemoryDevice(Physical& mem, std::uint64_t from,
                                              std::uint64_t positions) {
    for (std::uint64_t i = 0; i < positions && from + i < kAddressLimit; ++i) {
        if (MemoryDeviceAt(mem, from + i)) return from + i;
    }
    return std::nullopt;
}

unsigned SizeMbAt(Physical& mem, std::uint64_t device) {
    return kMemorySizeMb.Get(mem.Dword(device + kMemorySizeOffset));
}

// String number `index` (1-based) of the structure whose strings start at `strings`; empty for
// index 0, for an index past the structure's last string and for a string without terminator.
std::string StructureString(Physical& mem, std::uint64_t strings, unsigned index, unsigned keep) {
    if (index == 0) return {};
    std::uint64_t at = strings;
    for (unsigned n = 1;; ++n) {
        const auto s = ReadString(mem, at, keep);
        if (!s || s->next == at + 1) return {};  // no terminator, or the end of the strings
        if (n == index) return s->text;
        at = s->next;
    }
}

// BIOS information (type 0), looked for within the first positions of the table. The version
// and date are taken by the string numbers in the formatted area: some firmware leaves an unused
// string between the vendor and the version (a PowerEdge 1800 lists vendor, blank, "A05",
// "09/21/2005"). Returns where the header was found.
std::optional<std::uint64_t> ReadBios(Physical& mem, std::uint64_t table, SmbiosFacts& facts) {
    const auto at = Find(mem, table, kBiosWindow, IsBiosHeader);
    if (!at) return std::nullopt;
    const unsigned length = kLength.Get(mem.Dword(*at));
    const std::uint64_t strings = *at + length;
    const auto stringNumber = [&](std::uint32_t offset) -> unsigned {
        return offset < length ? mem.Byte(*at + offset) : 0;
    };
    facts.biosVersion =
        StructureString(mem, strings, stringNumber(kBiosVersionString), kBiosTextLength);
    facts.biosDate = StructureString(mem, strings, stringNumber(kBiosDateString), kBiosTextLength);
    return at;
}

// Baseboard (type 2) strings: maker, then product.
void ReadBaseboardStrings(Physical& mem, std::uint64_t strings, SmbiosFacts& facts) {
    const auto vendor = ReadString(mem, strings, kVendorLength);
    if (!vendor) return;
    facts.boardVendor = vendor->text;
    if (const auto model = ReadString(mem, vendor->next, kModelLength)) {
        facts.boardModel = model->text;
    }
}

// Slots 2..6, each searched a little past the previous one's size field. The first slot that
// is not found ends the search; it and the ones after it stay 0.
void ReadFurtherSlots(Physical& mem, std::uint64_t first, SmbiosFacts& facts) {
    std::uint64_t previous = first;
    for (unsigned slot = 1; slot < kSmbiosMemorySlots; ++slot) {
        const auto device = FindMemoryDevice(mem, previous + kNextSlotSkip, kNextSlotWindow);
        if (!device) return;
        facts.slotSizesMb[slot] = SizeMbAt(mem, *device);
        ++facts.devicesAccepted;
        previous = *device;
    }
}

void FirstSlot(Physical& mem, std::uint64_t device, SmbiosFacts& facts) {
    facts.slotSizesMb[0] = SizeMbAt(mem, device);
    facts.devicesAccepted = 1;
    ReadFurtherSlots(mem, device, facts);
}

std::optional<std::uint64_t> ScanForEntryPoint(Physical& mem) {
    for (unsigned i = 0; i < kScanReads; ++i) {
        const std::uint64_t at = kScanStart + 4ull * i;
        if (mem.Dword(at) == kAnchor) return at;
    }
    return std::nullopt;
}

SmbiosFacts FullScan(Physical& mem, settings::Settings& settings) {
    using A = settings::SmbiosCacheAddress;
    SmbiosFacts facts;
    const std::optional<std::uint64_t> entry = ScanForEntryPoint(mem);
    if (!entry) return facts;
    facts.tableFound = true;
    const std::uint32_t tableLength = kEntryTableLength.Get(mem.Dword(*entry + kEntryLengthDword));
    const std::uint32_t table = mem.Dword(*entry + kEntryTableAddress);
    settings.SetSmbiosCache(A::Table, table);

    const auto bios = ReadBios(mem, table, facts);
    if (const auto board = Find(mem, bios.value_or(table), tableLength, IsBaseboardHeader)) {
        const std::uint64_t strings = *board + kLength.Get(mem.Dword(*board));
        settings.SetSmbiosCache(A::BaseboardStrings, static_cast<std::uint32_t>(strings));
        ReadBaseboardStrings(mem, strings, facts);
        settings.SetSmbiosBoardVendor(facts.boardVendor);
    } else {
        // No baseboard in this table: a vendor left from an earlier board would make the cache
        // look valid and send the next start to that board's string address.
        settings.SetSmbiosBoardVendor("");
    }

    if (tableLength > kMemoryDevicesFrom) {
        const auto first = FindMemoryDevice(mem, std::uint64_t{table} + kMemoryDevicesFrom,
                                            tableLength - kMemoryDevicesFrom);
        if (first) {
            settings.SetSmbiosCache(A::FirstMemoryDevice, static_cast<std::uint32_t>(*first));
            settings.SetSmbiosCache(A::MemoryDeviceHeader, mem.Dword(*first));
            FirstSlot(mem, *first, facts);
        }
    }
    settings.SetSmbiosCache(A::EntryPoint, static_cast<std::uint32_t>(*entry));
    return facts;
}

// Whether the cached addresses may be read at all: the entry point lies where the scan looks
// for it and still carries the anchor, it names the cached table, and the cached strings and
// memory device lie inside that table. Reads nothing outside the BIOS area before it is sure.
bool CacheInsideTable(Physical& mem, std::uint32_t entry, std::uint32_t table,
                      std::uint32_t boardStrings, std::uint32_t firstDevice) {
    if (entry < kScanStart || entry >= kScanStart + 4ull * kScanReads || entry % 4 != 0)
        return false;
    if (mem.Dword(entry) != kAnchor || mem.Dword(entry + kEntryTableAddress) != table) return false;
    const std::uint64_t end =
        std::uint64_t{table} + kEntryTableLength.Get(mem.Dword(entry + kEntryLengthDword));
    const auto inside = [&](std::uint32_t address) { return address >= table && address < end; };
    return inside(boardStrings) && inside(firstDevice);
}

}  // namespace

bool IsBiosHeader(std::uint32_t header) {
    const unsigned length = kLength.Get(header);
    return kType.Get(header) == kBiosType && length > 7 && length < 0x20 &&
           HandleByteIn(kHandleLow.Get(header), {0, 1}) &&
           HandleByteIn(kHandleHigh.Get(header), {0, 1});
}

bool IsBaseboardHeader(std::uint32_t header) {
    const unsigned length = kLength.Get(header);
    return kType.Get(header) == kBaseboardType && length > 7 && length < 0x20 &&
           HandleByteIn(kHandleLow.Get(header), {0, 2, 3}) &&
           HandleByteIn(kHandleHigh.Get(header), {0, 2, 3});
}

bool IsMemoryDevice(std::uint32_t header, std::uint32_t sizeAndForm) {
    const unsigned length = kLength.Get(header);
    const unsigned size = kMemorySizeMb.Get(sizeAndForm);
    const unsigned form = kFormFactor.Get(sizeAndForm);
    return kType.Get(header) == kMemoryDeviceType && length > 0x14 && length < 0x23 &&
           MemoryHandleByte(kHandleLow.Get(header)) && MemoryHandleByte(kHandleHigh.Get(header)) &&
           std::find(kPlausibleSizesMb.begin(), kPlausibleSizesMb.end(), size) !=
               kPlausibleSizesMb.end() &&
           (form == kFormDimm || form == kFormSoDimm);
}

std::optional<std::uint64_t> FindSmbiosEntryPoint(hw::HardwareAccess& hw) {
    Physical mem(hw);
    return ScanForEntryPoint(mem);
}

SmbiosFacts ReadSmbios(hw::HardwareAccess& hw, settings::Settings& settings) {
    using A = settings::SmbiosCacheAddress;
    Physical mem(hw);

    const std::uint32_t fingerprint = settings.SmbiosCache(A::MemoryDeviceHeader);
    if (settings.SmbiosBoardVendor().empty() || fingerprint == 0) return FullScan(mem, settings);

    const std::uint32_t table = settings.SmbiosCache(A::Table);
    const std::uint32_t boardStrings = settings.SmbiosCache(A::BaseboardStrings);
    const std::uint32_t firstDevice = settings.SmbiosCache(A::FirstMemoryDevice);
    const std::uint32_t entry = settings.SmbiosCache(A::EntryPoint);
    if (!CacheInsideTable(mem, entry, table, boardStrings, firstDevice) ||
        mem.Dword(firstDevice) != fingerprint)
        return FullScan(mem, settings);

    SmbiosFacts facts;
    facts.fromCache = true;
    facts.tableFound = true;
    ReadBios(mem, table, facts);
    ReadBaseboardStrings(mem, boardStrings, facts);
    if (MemoryDeviceAt(mem, firstDevice)) FirstSlot(mem, firstDevice, facts);
    return facts;
}

}  // namespace zm::ident
