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
    hw.ReachPciWrite(kRootComplexBase, kRootComplexEnable.Set(rcba, 1));
    const std::uint32_t disable = hw.MmioRead(base, kFunctionDisable);
    hw.ReachMmioWrite(base, kFunctionDisable, kSmbusFunctionDisabled.Set(disable, 0));
}

}  // namespace

bool DiscoverSmbusController(hw::HardwareAccess& hw) {
    const std::uint32_t atiIdentity = hw.PciConfigRead(kAtiSmbusIdentity);

    if (VendorOf(hw.PciConfigRead(kHostBridgeId)) == kIntelVendor) ShowIntelSmbusFunction(hw);

    // The last base register read decides; the ATI function is looked at after the Intel one.
    std::optional<std::uint32_t> baseRegister;
    if (VendorOf(hw.PciConfigRead(kIntelSmbusIdentity)) == kIntelVendor) {
        baseRegister = hw.PciConfigRead(kIntelSmbusBase);
    }
    if (VendorOf(atiIdentity) == kAtiVendor) {
        baseRegister = hw.PciConfigRead(kAtiSmbusBase);
        if ((*baseRegister & kIoBaseMask) != kAtiUsualBase) {
            baseRegister = hw.PciConfigRead(kAtiSmbusBar);
        }
    }
    if (!baseRegister || *baseRegister == hw::kPciNoDevice) return false;

    // A base of 0 would point the SMBus transaction at the DMA controller's ports 0..5.
    const auto base = static_cast<std::uint16_t>(*baseRegister & kIoBaseMask);
    if (base == 0) return false;

    hw.SetSmbusBase(base);
    hw.SmbusEnableHost();
    return true;
}

}  // namespace zm::spd
