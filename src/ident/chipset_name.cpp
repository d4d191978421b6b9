// SPDX-License-Identifier: GPL-3.0-or-later
#include "ident/chipset_name.h"

#include <array>
#include <cstdio>

#include "hw/pci_address.h"

namespace zm::ident {
namespace {

struct Named {
    std::uint32_t id;
    const char* name;
};

constexpr std::array<Named, 8> kHostBridges{{
    {0x34008086, "Intel X58"},
    {0x34058086, "Intel X58"},
    {0x005E10DE, "NVIDIA nForce4"},
    {0x036910DE, "NVIDIA nForce 570"},
    {0x59561002, "ATI RD790"},
    {0x59571002, "ATI 770G"},
    {0x96001022, "AMD 780G"},
    {0x96011022, "AMD 785GX"},
}};

// Intel 5-series and 3400-series platform controller hubs.
constexpr std::array<Named, 12> kLpcBridges{{
    {0x3B028086, "Intel P55"},
    {0x3B038086, "Intel PM55"},
    {0x3B068086, "Intel H55"},
    {0x3B078086, "Intel QM57"},
    {0x3B088086, "Intel H57"},
    {0x3B098086, "Intel HM55"},
    {0x3B0A8086, "Intel Q57"},
    {0x3B0B8086, "Intel HM57"},
    {0x3B0F8086, "Intel QS57"},
    {0x3B128086, "Intel 3400"},
    {0x3B148086, "Intel 3420"},
    {0x3B168086, "Intel 3450"},
}};

constexpr std::uint32_t kLpcBridgeIdentity = hw::PciConfigAddress(0, 31, 0, 0x00);

template <std::size_t N>
std::string Lookup(const std::array<Named, N>& table, std::uint32_t id) {
    for (const Named& entry : table) {
        if (entry.id == id) return entry.name;
    }
    return {};
}

bool SpdCapableVendor(std::uint32_t hostBridgeId) {
    const std::uint32_t vendor = hostBridgeId & 0xFFFF;
    return vendor == 0x8086 || vendor == 0x1002 || vendor == 0x1022;
}

}  // namespace

std::string HostBridgeChipsetName(std::uint32_t hostBridgeId) {
    return Lookup(kHostBridges, hostBridgeId);
}

std::string LpcBridgeChipsetName(std::uint32_t lpcBridgeId) {
    return Lookup(kLpcBridges, lpcBridgeId);
}

ChipsetIdentity IdentifyChipset(hw::HardwareAccess& hw, std::uint32_t hostBridgeId) {
    ChipsetIdentity chipset;
    chipset.name = HostBridgeChipsetName(hostBridgeId);
    const std::uint32_t lpcBridgeId = hw.PciConfigRead(kLpcBridgeIdentity);
    if (std::string lpcName = LpcBridgeChipsetName(lpcBridgeId); !lpcName.empty()) {
        chipset.name = std::move(lpcName);
    }
    if (chipset.name.empty()) {
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(lpcBridgeId));
        chipset.name = hex;
    }
    chipset.spdButtonVisible = SpdCapableVendor(hostBridgeId);
    return chipset;
}

}  // namespace zm::ident
