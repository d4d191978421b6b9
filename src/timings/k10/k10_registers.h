// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The AMD family 10h north bridge's DRAM controller registers (bus 0, device 0x18, function 2)
// that the timing code reads and writes, with the bit fields that do not depend on the memory
// type. Each of the two DRAM controllers (DCT0, DCT1) has its own copy of the per-controller
// registers; DCT1's lies 0x100 above DCT0's and is reached through the extended-register form of
// the configuration address (bits 27..24 = register bits 11..8), which the processor honours only
// while F3x8C bit 14 (EnableCf8ExtCfg) is set.

#include <array>
#include <cstdint>

#include "hw/bit_field.h"
#include "hw/pci_address.h"
#include "hw/register_access.h"

namespace zm::timings::k10 {

constexpr unsigned kNorthBridgeBus = 0;
constexpr unsigned kNorthBridgeDevice = 0x18;
constexpr unsigned kDramFunction = 2;

// Vendor/device dword of the family 10h DRAM controller function (F2x00).
constexpr std::uint32_t kDramControllerId = 0x12021022;
constexpr std::uint32_t kDramIdAddress =
    hw::PciConfigAddress(kNorthBridgeBus, kNorthBridgeDevice, kDramFunction, 0x00);

// F3 (miscellaneous control) and its register 0x8C, whose bit 14 (EnableCf8ExtCfg) lets the
// configuration address carry register bits 11..8.
constexpr unsigned kMiscFunction = 3;
constexpr std::uint32_t kMiscControlId = 0x12031022;
constexpr std::uint32_t kExtendedConfigAddress =
    hw::PciConfigAddress(kNorthBridgeBus, kNorthBridgeDevice, kMiscFunction, 0x8C);
constexpr hw::Field kEnableCf8ExtCfg = hw::Bit(14);
static_assert(kExtendedConfigAddress == 0x8000C38C);

// The two DRAM controllers; channel A is DCT0, channel B is DCT1.
constexpr int kDctCount = 2;

// Per-controller registers, in no particular order; RegisterOffset gives DCT0's offset.
enum class Register : int {
    DramControl,         // F2x78
    BankAddressMapping,  // F2x80: non-zero when the controller has a DIMM
    DramMrs,             // F2x84: mode register set values (tWR in DDR2-1066 and DDR3)
    TimingLow,           // F2x88
    TimingHigh,          // F2x8C
    ConfigLow,           // F2x90
    ConfigHigh,          // F2x94
};
constexpr int kRegisterCount = 7;

constexpr unsigned RegisterOffset(Register reg) {
    constexpr std::array<unsigned, kRegisterCount> offsets{0x78, 0x80, 0x84, 0x88,
                                                           0x8C, 0x90, 0x94};
    return offsets[static_cast<int>(reg)];
}

// Offset of a controller's copy: DCT1's registers sit at DCT0's + 0x100.
constexpr unsigned DctOffset(Register reg, int dct) {
    return RegisterOffset(reg) + 0x100u * static_cast<unsigned>(dct);
}

// The configuration address of a controller's copy of a register.
constexpr std::uint32_t RegisterAddress(Register reg, int dct) {
    return hw::PciConfigAddress(kNorthBridgeBus, kNorthBridgeDevice, kDramFunction,
                                DctOffset(reg, dct));
}

static_assert(RegisterAddress(Register::TimingLow, 0) == 0x8000C288);
static_assert(RegisterAddress(Register::TimingHigh, 1) == 0x8100C28C);
static_assert(RegisterAddress(Register::DramControl, 1) == 0x8100C278);
static_assert(RegisterAddress(Register::BankAddressMapping, 1) == 0x8100C280);

// F2x110 DRAM Controller Select Low: one register for both controllers.
constexpr unsigned kControllerSelectLowOffset = 0x110;
constexpr std::uint32_t kControllerSelectLowAddress = hw::PciConfigAddress(
    kNorthBridgeBus, kNorthBridgeDevice, kDramFunction, kControllerSelectLowOffset);
static_assert(kControllerSelectLowAddress == 0x8100C210);

// Fields that mean the same thing whatever memory the controller drives.
namespace f2x110 {
constexpr hw::Field DctGangEn = hw::Bit(4);  // DCT0 and DCT1 form one 128-bit controller
}  // namespace f2x110

namespace f2x90 {
constexpr hw::Field DramDrvWeak = hw::Bit(7);
// Bit 10 BurstLength32, bit 11 Width128. The value 1 (32-byte bursts on a 64-bit controller)
// means 4-beat bursts, for which DDR2-800's Trtp bit selects 2 or 3 clocks instead of 4 or 5.
constexpr hw::Field BurstLength32Width128{11, 10};
constexpr std::uint32_t kFourBeatBursts = 1;
constexpr hw::Field IdleCycLimitEn = hw::Bit(20);
constexpr hw::Field IdleCycLimit{22, 21};  // 0..3 = 16, 32, 64, 96 clocks
constexpr hw::Field IdleCycLimitAll{22, 20};
constexpr hw::Field ForceAutoPchg = hw::Bit(23);
}  // namespace f2x90

namespace f2x94 {
// Memory clock: DDR2 000b..100b = 200, 266, 333, 400, 533 MHz (101b..111b reserved);
// DDR3 011b..110b = 400, 533, 667, 800 MHz (000b..010b and 111b reserved).
constexpr hw::Field MemClkFreq{2, 0};
constexpr std::uint32_t kMemClk533MHz = 4;  // DDR2-1066 on a DDR2 controller
constexpr std::uint32_t kDdr2MemClkLast = 4;
constexpr std::uint32_t kDdr3MemClkFirst = 3;
constexpr std::uint32_t kDdr3MemClkLast = 6;
constexpr hw::Field Ddr3Mode = hw::Bit(8);
constexpr hw::Field PowerDownEn = hw::Bit(15);
constexpr hw::Field SlowAccessMode = hw::Bit(20);  // 2T command rate
constexpr hw::Field DcqBypassMax{27, 24};
constexpr hw::Field FourActWindow{31, 28};
}  // namespace f2x94

namespace f2x78 {
constexpr hw::Field MaxRdLatency{31, 22};
}  // namespace f2x78

// One controller's registers as read: the start-up copy (RegisterImage) of the five registers
// Apply rebuilds, and the two read-only ones.
struct DctRegisters {
    std::array<std::uint32_t, kRegisterCount> value{};

    std::uint32_t& operator[](Register reg) { return value[static_cast<int>(reg)]; }
    std::uint32_t operator[](Register reg) const { return value[static_cast<int>(reg)]; }
    bool operator==(const DctRegisters&) const = default;
};

// The registers Apply writes, in the order it writes them for each controller.
constexpr std::array<Register, 5> kWriteOrder{Register::TimingLow, Register::TimingHigh,
                                              Register::ConfigLow, Register::ConfigHigh,
                                              Register::DramControl};

}  // namespace zm::timings::k10
