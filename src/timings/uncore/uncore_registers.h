// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Register map of the memory controller in the Intel LGA 1366 uncore (PCI bus 0x3F, 0x7F or
// 0xFF; device 3 = controller, devices 4, 5, 6 = channel A, B, C, function 0 each).
// Addresses are formed for bus 0x3F; the bus offset found by the uncore probe (0, 0x400000 or
// 0xC00000) is added before use.

#include <array>
#include <cstdint>

#include "hw/bit_field.h"
#include "hw/pci_address.h"
#include "hw/register_access.h"
#include "timings/model/field_codec.h"
#include "timings/model/timing_model.h"

namespace zm::timings::uncore {

using hw::Bit;
using hw::Field;
using I = TimingId;

constexpr unsigned kBus = 0x3F;

// Controller-wide registers.
constexpr std::uint32_t kConfigLock = hw::PciConfigAddress(kBus, 0, 0, 0x88);     // bits 1..0
constexpr std::uint32_t kUnlockRequest = hw::PciConfigAddress(kBus, 0, 0, 0x90);  // written 2
// Only on uncore device 0x2C9C8086.
constexpr std::uint32_t kConfigUnlock = hw::PciConfigAddress(kBus, 3, 0, 0x68);  // written 2
constexpr std::uint32_t kControllerControl = hw::PciConfigAddress(kBus, 3, 0, 0x48);

constexpr Field kLockState{1, 0};
constexpr std::uint32_t kUnlockValue = 2;
// bit 8 channel A, bit 9 B, bit 10 C
constexpr Field kActiveChannels{10, 8};

// The uncore device ids whose lock state is honoured, and the one that needs an unlock write.
constexpr std::uint32_t kDevice2C1C = 0x2C1C8086;
constexpr std::uint32_t kDevice2D9C = 0x2D9C8086;
constexpr std::uint32_t kDevice2C9C = 0x2C9C8086;

// Per-channel registers, in the order they are read; the first seven are the ones Apply
// writes, in this order too. The mode-register value is read only.
enum class Reg : int {
    RankTimingA,
    BankTiming,
    CommandRate,
    RoundTripLatency,
    RankTimingB,
    RefreshTiming,
    RankIdle,
    ModeRegister,
};
constexpr int kRegCount = 8;
constexpr int kWrittenRegCount = 7;

constexpr std::array<unsigned, kRegCount> kRegOffset = {0x80, 0x88, 0xB8, 0xD4,
                                                        0x84, 0x8C, 0x90, 0x70};

// The configuration address of a channel's register, bus 0x3F form.
constexpr std::uint32_t ChannelRegisterAddress(int channel, Reg reg) {
    return hw::PciConfigAddress(kBus, 4 + static_cast<unsigned>(channel), 0,
                                kRegOffset[static_cast<int>(reg)]);
}
static_assert(ChannelRegisterAddress(kChannelA, Reg::RankTimingA) == 0x803F2080);
static_assert(ChannelRegisterAddress(kChannelB, Reg::RankTimingA) == 0x803F2880);
static_assert(ChannelRegisterAddress(kChannelC, Reg::RankTimingA) == 0x803F3080);
static_assert(ChannelRegisterAddress(kChannelC, Reg::ModeRegister) == 0x803F3070);
static_assert(ChannelRegisterAddress(kChannelA, Reg::RoundTripLatency) == 0x803F20D4);
static_assert(kControllerControl == 0x803F1848 && kConfigUnlock == 0x803F1868);
static_assert(kConfigLock == 0x803F0088 && kUnlockRequest == 0x803F0090);

// Where each timing sits. Index = field value - offset (see FieldCodec).
struct TimingField {
    TimingId id;
    Reg reg;
    FieldCodec codec;
    bool written;  // false: shown only (the mode-register value)
};

// Checked against public sources, field by field:
// - Bit positions of rank timing A/B, bank timing, refresh timing, the rank idle byte of the
//   CKE timing register (0x90) and the command-rate bits of the scheduler register (0xB8): the
//   field names and layouts of the Xeon 5500 datasheet vol. 2 (321322) as reproduced in the
//   Nehalem register unions of the Linux CPU monitor CoreFreq; the register offsets also match
//   the channel-control map of a public uncore capture script built on Linux i7core_edac. The
//   drop-downs' offsets (read-read "2 +", write-read same rank "10 +", ...) are the ones
//   CoreFreq adds when it shows these fields. The scheduler register's 2N/3N field is two
//   bits (4..3), the rank idle limit a whole byte (31..24).
// - The refresh interval field is named tREFI_8 there: it counts eight clocks, so its list
//   shows field x 8 (a field of 650 is 5200 clocks, 7.8 us at DDR3-1333). Writes are unchanged.
// - 0x70 holds the MR0 value sent to the modules (JEDEC DDR3 layout, checked against
//   coreboot's DDR3 MR0 helpers in src/device/dram/ddr3.c): CL is A6..A4 plus A2 worth 8
//   (see kCasLatencyA2), tWR is A11..A9 with 000 = 16.
// - Round-trip latency (0xD4 bits 7..0) and the tRTP offset of 2 were not found in any public
//   source; they are kept as they were (the tRTP offset errs towards the longer delay).
// clang-format off
constexpr std::array<TimingField, 27> kTimingFields{{
    {I::tCL, Reg::ModeRegister, Linear(Field{6, 4}), false},   // CAS latency A6..A4
    {I::tWR, Reg::ModeRegister, Linear(Field{11, 9}), false}, // write recovery
    {I::tRCD, Reg::BankTiming, Linear(Field{12, 9}, 2), true},  // tRCD
    {I::tRP, Reg::BankTiming, Linear(Field{3, 0}, 2), true},   // tRP
    {I::tRAS, Reg::BankTiming, Linear(Field{8, 4}, 2), true},   // tRAS
    {I::tWTP, Reg::BankTiming, Linear(Field{21, 17}, 5), true}, // tWTP
    {I::tRTP, Reg::BankTiming, Linear(Field{16, 13}, 2), true}, // tRTP
    {I::CommandRate, Reg::CommandRate, Linear(Field{4, 3}), true},     // 00 1N, 01 2N, 10 3N
    {I::RoundTripLatency, Reg::RoundTripLatency, Linear(Field{7, 0}), true},
    {I::tFAW, Reg::RankTimingB, Linear(Field{5, 0}), true},    // tFAW
    {I::tRRD, Reg::RankTimingB, Linear(Field{8, 6}), true},    // tRRD
    {I::tWRWR_SR, Reg::RankTimingB, Linear(Bit(9)), true},         // write-write same rank
    {I::tWRWR_DR, Reg::RankTimingB, Linear(Field{12, 10}), true},  // write-write diff. ranks
    {I::tWRWR_DD, Reg::RankTimingB, Linear(Field{15, 13}), true},  // write-write diff. DIMMs
    {I::B2BCasDelay, Reg::RankTimingB,                                // back-to-back CAS delay
     FieldCodec{Field{20, 16}, 2, FieldCodec::Rule::ZeroIsDisabled}, true},
    {I::tRFC, Reg::RefreshTiming, Linear(Field{8, 0}), true},      // tRFC
    {I::tREFI, Reg::RefreshTiming, Linear(Field{18, 9}, 200), true},// tREFI / 8
    {I::RankIdleLimit, Reg::RankIdle, Linear(Field{31, 24}), true},         // rank idle limit
    {I::tRDRD_SR, Reg::RankTimingA, Linear(Bit(0)), true},         // read-read same rank
    {I::tRDRD_DR, Reg::RankTimingA, Linear(Field{3, 1}), true},    // read-read diff. ranks
    {I::tRDRD_DD, Reg::RankTimingA, Linear(Field{6, 4}), true},    // read-read diff. DIMMs
    {I::tRDWR_SR, Reg::RankTimingA, Linear(Field{10, 7}), true},   // read-write same rank
    {I::tRDWR_DR, Reg::RankTimingA, Linear(Field{14, 11}), true},  // read-write diff. ranks
    {I::tRDWR_DD, Reg::RankTimingA, Linear(Field{18, 15}), true},  // read-write diff. DIMMs
    {I::tWRRD_SR, Reg::RankTimingA, Linear(Field{22, 19}), true},  // write-read same rank
    {I::tWRRD_DR, Reg::RankTimingA, Linear(Field{25, 23}), true},   // write-read diff. ranks
    {I::tWRRD_DD, Reg::RankTimingA, Linear(Field{28, 26}), true},   // write-read diff. DIMMs
}};
// clang-format on

// MR0 bit A2 is the high bit of CL - 4: CL 12, 13, 14 are A6..A4 = 000, 001, 010 with A2 set.
// The CAS latency's item index is A6..A4 + 8 x A2 (list "4".."14").
constexpr Field kCasLatencyA2 = Bit(2);
constexpr std::int32_t kCasLatencyA2Weight = 8;

// What a rebuild keeps of each written register's image.
constexpr std::array<std::uint32_t, kWrittenRegCount> kKeepMask = {
    0xE0000000,  // rank timing A
    0xFFC00000,  // bank timing
    0xFFFFFFE7,  // command rate
    0xFFFFFF00,  // round-trip latency
    0xFFE00000,  // rank timing B
    0xFFF80000,  // refresh timing
    0x00FFFFFF,  // rank idle
};

// The keep-masks are exactly the bits no timing field owns.
constexpr std::uint32_t OwnedBits(Reg reg) {
    std::uint32_t owned = 0;
    for (const auto& f : kTimingFields) {
        if (f.reg == reg && f.written) owned |= f.codec.field.Mask();
    }
    return owned;
}
constexpr bool KeepMasksMatchFields() {
    for (int r = 0; r < kWrittenRegCount; ++r) {
        if (kKeepMask[r] != ~OwnedBits(static_cast<Reg>(r))) return false;
    }
    return true;
}
static_assert(KeepMasksMatchFields());

// What the timing code reads and writes in the uncore, for whichever uncore bus the probe finds.
// The channel registers are tied to the memory controller's channel-control functions of the
// Nehalem (2C2x/2C3x: LGA 1366, 2CAx: LGA 1156) and Westmere (2DAx/2DBx) uncores, so a device of
// another kind at the same place is never written. A rebuild changes only the timing fields; the
// two unlock registers only take the request (bits 1..0, written 2).
constexpr hw::DeviceMatch kUncoreGlobal[] = {{0x2C408086, 0xFFC0FFFF}, {0x2D808086, 0xFFF0FFFF}};
constexpr hw::DeviceMatches kControllerDevices{hw::Device(0x2C188086), hw::Device(0x2C988086),
                                               hw::Device(0x2D988086)};
constexpr std::array<hw::DeviceMatches, kMaxChannels> kChannelDevices{{
    {hw::Device(0x2C208086), hw::Device(0x2CA08086), hw::Device(0x2DA08086)},
    {hw::Device(0x2C288086), hw::Device(0x2CA88086), hw::Device(0x2DA88086)},
    {hw::Device(0x2C308086), hw::Device(0x2CB08086), hw::Device(0x2DB08086)},
}};
inline constexpr auto kPciAccess = [] {
    constexpr hw::DeviceMatches global{kUncoreGlobal[0], kUncoreGlobal[1]};
    std::array<hw::PciRegisterAccess, 4 + kMaxChannels * kRegCount> rows{};
    std::size_t n = 0;
    rows[n++] = {kConfigLock, 0, global, hw::PciBus::Uncore};
    rows[n++] = {kUnlockRequest, kLockState.Mask(), global, hw::PciBus::Uncore};
    rows[n++] = {kControllerControl, 0, kControllerDevices, hw::PciBus::Uncore};
    rows[n++] = {kConfigUnlock, kLockState.Mask(), kControllerDevices, hw::PciBus::Uncore};
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        for (int r = 0; r < kRegCount; ++r) {
            const std::uint32_t writable = r < kWrittenRegCount ? ~kKeepMask[r] : 0;
            rows[n++] = {ChannelRegisterAddress(ch, static_cast<Reg>(r)), writable,
                         kChannelDevices[ch], hw::PciBus::Uncore};
        }
    }
    return rows;
}();
static_assert(kUnlockValue == kLockState.Mask() - 1, "the request fits the unlock rows' mask");

}  // namespace zm::timings::uncore
