#include "app/platform_probe.h"

namespace zm::app {

void ProbeUncore(hw::HardwareAccess& hw, PlatformFacts& facts) {
    for (const UncoreProbeSlot& probe : kUncoreProbes) {
        if (hw.PciConfigRead(probe.address) == hw::kPciNoDevice) continue;
        // The first read only tells that something answers; the id is taken from a second.
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
    facts.northBridgeDramId = hw.PciConfigRead(kNorthBridgeDramIdAddress);
    facts.hostBridgeId = hw.PciConfigRead(kHostBridgeIdAddress);
    facts.dualChannelUncore = facts.hostBridgeId == pci_id::kHostBridge0040 ||
                              facts.hostBridgeId == pci_id::kHostBridge0044;
}

}  // namespace zm::app
