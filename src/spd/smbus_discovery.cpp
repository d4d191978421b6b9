// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/smbus_discovery.h"

#include <optional>

namespace zm::spd {
namespace {
using namespace smbus_pci;

std::uint16_t VendorOf(std::uint32_t identity) {
    return static_cast<std::uint16_t>(kVendorId.Get(identity));
}

// Intel: make sure the chipset configuration block is decoded and that the SMBus function is
// not hidden by the firmware. The block is only touched when the LPC bridge is an Intel one and
// reports a real base: enabling a block at 0 would lay the chipset registers over low RAM, and
// the function-disable write would then land there or, with an all-ones base, nowhere.
void ShowIntelSmbusFunction(hw::HardwareAccess& hw) {
    if (VendorOf(hw.PciConfigRead(kLpcIdentity)) != kIntelVendor) return;
    const std::uint32_t rcba = hw.PciConfigRead(kRootComplexBase);
    const std::uint32_t base = kRootComplexEnable.Set(rcba, 0);
    if (rcba == hw::kPciNoDevice || base == 0) return;
    hw::HardwareAccess::WriteBatch batch(hw);
    hw.ReachPciWrite(kRootComplexBase, kRootComplexEnable.Set(rcba, 1), rcba);
    const std::uint32_t disable = hw.MmioRead(base, kFunctionDisable);
    hw.ReachMmioWrite(base, kFunctionDisable, kSmbusFunctionDisabled.Set(disable, 0), disable);
}

bool IsSb800Family(hw::HardwareAccess& hw, std::uint32_t atiIdentity) {
    if (kDeviceId.Get(atiIdentity) != kAtiSmbusDevice) return false;
    return kRevisionId.Get(hw.PciConfigRead(kAtiSmbusRevision)) >= kSb800FirstRevision;
}

// The SMBus base from the power-management registers, or nullopt when the firmware left the
// controller disabled.
std::optional<std::uint16_t> Sb800SmbusBase(hw::HardwareAccess& hw) {
    using namespace sb800_pm;
    const std::uint8_t indices[] = {kSmbusControl, kSmbusBaseHigh};
    std::uint8_t values[2];
    hw.IndexedPortRead(kIndexPort, indices, values);
    const std::uint8_t control = values[0];
    const std::uint8_t high = values[1];
    const bool enabled = kSmbusEnabled.Get(control) != 0;
    if (enabled && kPortSelect.Get(control) != kSpdPort) {
        // A reach write: a read-only run puts the firmware's port choice back at the end.
        hw.ReachIndexedPortWrite(kIndexPort, kSmbusControl,
                                 static_cast<std::uint8_t>(kPortSelect.Set(control, kSpdPort)));
    }
    if (!enabled) return std::nullopt;
    return static_cast<std::uint16_t>(((high << 8) | control) & kBaseMask);
}

}  // namespace

std::map<std::uint8_t, std::uint8_t> ReadSb800SmbusPmRegisters(hw::HardwareAccess& hw) {
    using namespace sb800_pm;
    std::map<std::uint8_t, std::uint8_t> registers;
    const std::uint32_t atiIdentity = hw.PciConfigRead(kAtiSmbusIdentity);
    if (VendorOf(atiIdentity) != kAtiVendor || !IsSb800Family(hw, atiIdentity)) return registers;
    const std::uint8_t indices[] = {kSmbusControl, kSmbusBaseHigh};
    std::uint8_t values[2];
    hw.IndexedPortRead(kIndexPort, indices, values);
    for (std::size_t i = 0; i < 2; ++i) registers[indices[i]] = values[i];
    return registers;
}

bool DiscoverSmbusController(hw::HardwareAccess& hw) {
    const std::uint32_t addresses[] = {kAtiSmbusIdentity, kHostBridgeId};
    std::uint32_t ids[2];
    hw.PciConfigReadMany(addresses, ids);
    const std::uint32_t atiIdentity = ids[0];

    if (VendorOf(ids[1]) == kIntelVendor) ShowIntelSmbusFunction(hw);

    // The last base register read decides; the ATI function is looked at after the Intel one.
    std::optional<std::uint32_t> baseRegister;
    // The Intel base register as read here, while nothing else has been read or written since.
    std::optional<std::uint32_t> intelBaseRegister;
    if (VendorOf(hw.PciConfigRead(kIntelSmbusIdentity)) == kIntelVendor) {
        baseRegister = intelBaseRegister = hw.PciConfigRead(kIntelSmbusBase);
    }
    std::optional<std::uint16_t> base;
    if (VendorOf(atiIdentity) == kAtiVendor) intelBaseRegister.reset();
    if (VendorOf(atiIdentity) == kAtiVendor && IsSb800Family(hw, atiIdentity)) {
        base = Sb800SmbusBase(hw);
        if (!base) return false;  // the firmware left the controller off
    } else if (VendorOf(atiIdentity) == kAtiVendor) {
        baseRegister = hw.PciConfigRead(kAtiSmbusBase);
        if ((*baseRegister & kIoBaseMask) != kAtiUsualBase) {
            baseRegister = hw.PciConfigRead(kAtiSmbusBar);
        }
    }
    if (!base) {
        if (!baseRegister || *baseRegister == hw::kPciNoDevice) return false;
        base = static_cast<std::uint16_t>(*baseRegister & kIoBaseMask);
    }

    // A base of 0 would point the SMBus transaction at the DMA controller's ports 0..5.
    if (*base == 0) return false;

    hw.SetSmbusBase(*base);
    // The host's enable starts from the base register's value (the same register), where it
    // was the last thing read.
    if (intelBaseRegister)
        hw.SmbusEnableHost(*intelBaseRegister);
    else
        hw.SmbusEnableHost();
    return true;
}

}  // namespace zm::spd
