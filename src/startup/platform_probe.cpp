// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/platform_probe.h"

#include <array>
#include <span>

namespace zm::app {

void ProbeUncore(hw::HardwareAccess& hw, PlatformFacts& facts) {
    // The first read of each slot only tells that something answers; the id is taken from a
    // second.
    std::array<std::uint32_t, kUncoreProbes.size()> addresses{}, answers{};
    for (std::size_t i = 0; i < kUncoreProbes.size(); ++i) addresses[i] = kUncoreProbes[i].address;
    hw.PciConfigReadMany(addresses, answers);
    for (std::size_t i = 0; i < kUncoreProbes.size(); ++i) {
        const UncoreProbeSlot& probe = kUncoreProbes[i];
        if (answers[i] == hw::kPciNoDevice) continue;
        facts.uncoreDeviceId = hw.PciConfigRead(probe.address);
        if ((facts.uncoreDeviceId & 0xFFFF) == pci_id::kVendorIntel) {
            ++facts.uncoreAnswers;
            facts.busOffset = probe.busOffset;
        }
    }
    if (facts.uncoreAnswers != 1) return;
    facts.package.lynnfield = facts.uncoreDeviceId == pci_id::kLynnfieldUncore;
    facts.package.bloomfield = facts.uncoreDeviceId == pci_id::kBloomfieldUncore;
    facts.package.gulftown = facts.uncoreDeviceId == pci_id::kGulftownUncore;
    facts.probedUncoreDeviceId = facts.uncoreDeviceId;
    facts.uncoreDeviceId = pci_id::kBloomfieldUncore;
}

void ReadBridgeIds(hw::HardwareAccess& hw, PlatformFacts& facts) {
    const std::uint32_t addresses[] = {kNorthBridgeDramIdAddress, kHostBridgeIdAddress};
    std::uint32_t ids[2];
    hw.PciConfigReadMany(addresses, ids);
    facts.northBridgeDramId = ids[0];
    facts.hostBridgeId = ids[1];
    facts.dualChannelUncore = facts.hostBridgeId == pci_id::kHostBridge0040 ||
                              facts.hostBridgeId == pci_id::kHostBridge0044;
}

}  // namespace zm::app
