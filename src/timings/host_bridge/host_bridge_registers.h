// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Register map of the memory controller behind Intel host bridge 0x0040/0x0044 (LGA 1156):
// dwords in a memory-mapped window whose base the host bridge holds at configuration
// register 0x48. Channel A's registers are at 0x2xx, channel B's at the same offset + 0x400.

#include <array>
#include <cstdint>

#include "hw/bit_field.h"
#include "hw/pci_address.h"
#include "hw/register_access.h"
#include "timings/model/field_codec.h"
#include "timings/model/timing_model.h"

namespace zm::timings::host_bridge {

using hw::Bit;
using hw::Field;
using I = TimingId;

// Bus 0, device 0, function 0, register 0x48: the window base; bit 0 enables the window.
constexpr std::uint32_t kWindowBaseRegister = hw::PciConfigAddress(0, 0, 0, 0x48);
static_assert(kWindowBaseRegister == 0x80000048);
constexpr std::uint32_t kWindowEnable = 0x1;
constexpr std::uint32_t kWindowBaseMask = 0xFFFFC000;

constexpr std::uint16_t kChannelStride = 0x400;

// Per-channel registers. The first seven are the ones Apply writes, in its write order; the
// last three are read only.
enum class Reg : int { R250, R254, R258, R264, R25C, R29C, R268, R220, R240, R260 };
constexpr int kRegCount = 10;
constexpr int kWrittenRegCount = 7;

constexpr std::array<std::uint16_t, kRegCount> kRegOffset = {0x250, 0x254, 0x258, 0x264, 0x25C,
                                                             0x29C, 0x268, 0x220, 0x240, 0x260};

// The order the registers are read in (ascending offsets).
constexpr std::array<Reg, kRegCount> kReadOrder = {Reg::R220, Reg::R240, Reg::R250, Reg::R254,
                                                   Reg::R258, Reg::R25C, Reg::R260, Reg::R264,
                                                   Reg::R268, Reg::R29C};

constexpr std::uint16_t RegisterOffset(int channel, Reg reg) {
    return static_cast<std::uint16_t>(kRegOffset[static_cast<int>(reg)] + channel * kChannelStride);
}
static_assert(RegisterOffset(kChannelB, Reg::R29C) == 0x69C);

// Timings that are a plain field of one register. Index = field value - offset.
struct TimingField {
    TimingId id;
    Reg reg;
    FieldCodec codec;
    bool written;
};

// Checked against what coreboot's Arrandale/Clarkdale memory init (src/northbridge/intel/
// nehalem/raminit.c, program_board_delay and write_26c) writes for DDR3-1066 7-7-7-20: every
// field below sits where it puts the matching timing, in plain clocks (0x240 bits 3..0 = CL - 3;
// 0x250: tWTP 10..6, tRFC 22..16, tRP in 28..25 and 31..29; 0x254: tRRD 4..1, tRCD 31..28;
// 0x258: tWTR 16..12, tRCD 20..17, tRFC again in 31..24; 0x25C: tRP 4..1, tRAS 12..8; ODT
// 0x29C = 0x77A; population 0x260 bits 21..20). Not settled by it: the tRTP field (0x250 bits
// 5..2) holds coreboot's fixed 5 while the list shows field - 2, and the refresh period, which
// coreboot writes as 0x820 << 9: read as bits 21..8 that is 0x1040 ("4160T"); bit 8 itself is
// never set by it (see kRefreshPeriods). The static read delay in 0x264 is trained firmware
// data coreboot restores as a byte (bits 23..16).
// clang-format off
constexpr std::array<TimingField, 25> kTimingFields{{
    {I::tCL, Reg::R240, Linear(Field{3, 0}), false},        // CAS latency
    {I::CommandRate, Reg::R220, Linear(Bit(4)), false},             // command rate
    {I::tPPD, Reg::R250, Linear(Field{1, 0}), true},        // precharge to precharge
    {I::tRTP, Reg::R250, Linear(Field{5, 2}, 3), true},     // tRTP
    {I::tWTP, Reg::R250, Linear(Field{10, 6}, 5), true},    // tWTP
    {I::tRFC, Reg::R250, Linear(Field{22, 16}), true},      // tRFC
    {I::tPALL_ACT, Reg::R250, Linear(Field{28, 25}, 2), true},    // all precharge to activate
    {I::tRRD, Reg::R254, Linear(Field{4, 1}, 1), true},     // tRRD
    {I::tRDWR_DR, Reg::R254, Linear(Field{19, 16}, 3), true},    // tRD_WR
    {I::tWRWR_DR, Reg::R254, Linear(Field{23, 20}), true},      // tWR_WR
    {I::tWRWR_SR, Reg::R254, Linear(Field{27, 24}), true},      // write to write same rank
    {I::tRCD_W, Reg::R254, Linear(Field{31, 28}, 2), true},   // tRCD-W
    {I::tRDRD_DR, Reg::R258, Linear(Field{3, 0}), true},        // tRD_RD
    {I::tRDRD_SR, Reg::R258, Linear(Field{7, 4}), true},        // read to read same rank
    {I::tWRRD_DR, Reg::R258, Linear(Field{11, 8}), true},       // tWR_RD
    {I::tWTR, Reg::R258, Linear(Field{16, 12}, 5), true},   // tWTR
    {I::tRCD, Reg::R258, Linear(Field{20, 17}, 2), true},    // tRCD-R
    // Refresh to refresh: written into bits 30..24, bit 31 kept; read from 31..24 (below).
    {I::tREF_REF, Reg::R258, Linear(Field{30, 24}), true},
    {I::PartialWriteTrip, Reg::R264, Linear(Field{12, 8}), true},       // partial write trip threshold
    {I::tRD, Reg::R264, Linear(Field{21, 16}), true},      // static read delay (tRD)
    {I::tPALL_REF, Reg::R25C, Linear(Field{4, 1}, 2), true},      // all precharge to refresh
    {I::tRAS, Reg::R25C, Linear(Field{12, 8}, 1), true},     // tRAS
    {I::MchOdtRead, Reg::R29C, Linear(Field{3, 0}), true},        // MCH ODT for read
    {I::DramOdtWrite, Reg::R29C, Linear(Field{7, 4}), true},        // DRAM ODT for write
    {I::DramOdtRead, Reg::R29C, Linear(Field{11, 8}), true},       // DRAM ODT for read
}};
// clang-format on

// tRP is split: its low three bits in 0x250, its bit 3 in 0x254.
constexpr Field kTrpLow{31, 29};        // in R250
constexpr Field kTrpHigh = Bit(0);      // in R254
constexpr std::int32_t kTrpOffset = 2;  // tRP value = index + 2
// Refresh to refresh (tREF_REF) is read as the whole byte 31..24, while a write sets only
// 30..24 and keeps bit 31. Its list ends at "127", so a register with bit 31 set reads as a
// value the list does not hold: the drop-down stays empty and the start-up guard keeps Apply
// off, instead of showing a value that leaves that bit out.
constexpr Field kRefreshToRefreshRead{31, 24};  // in R258
// Refresh period (tREFI): a 14-bit count of clocks, listed as the sixteen usual values.
// coreboot's memory init writes 0x820 << 9, which this field reads as 0x1040 (7.8 us at
// DDR3-1066); 4041, 4171 and 16383 are odd and set bit 8, which that firmware leaves clear.
constexpr Field kRefreshPeriod{21, 8};  // in R268
constexpr std::array<std::uint32_t, 16> kRefreshPeriods = {
    0x820,  0xA28,  0xC30,  0xE3C,  0xFC9,  0x1040, 0x104B, 0x1068,
    0x1450, 0x1500, 0x1A00, 0x2200, 0x2A00, 0x3200, 0x3900, 0x3FFF};
constexpr std::int32_t kUnlistedRefreshIndex = 16;
// Channel populated when these bits of 0x260 are non-zero.
constexpr Field kPopulated{23, 20};  // in R260

constexpr std::array<std::uint32_t, kWrittenRegCount> kKeepMask = {
    0x0180F800,  // 0x250
    0x0000FFE0,  // 0x254
    0x80E00000,  // 0x258
    0xFFC0E0FF,  // 0x264
    0xFFFFE0E1,  // 0x25C
    0xFFFFF000,  // 0x29C
    0xFFC000FF,  // 0x268
};

constexpr std::uint32_t OwnedBits(Reg reg) {
    std::uint32_t owned = 0;
    for (const auto& f : kTimingFields) {
        if (f.reg == reg && f.written) owned |= f.codec.field.Mask();
    }
    if (reg == Reg::R250) owned |= kTrpLow.Mask();
    if (reg == Reg::R254) owned |= kTrpHigh.Mask();
    if (reg == Reg::R268) owned |= kRefreshPeriod.Mask();
    return owned;
}
constexpr bool KeepMasksMatchFields() {
    for (int r = 0; r < kWrittenRegCount; ++r) {
        if (kKeepMask[r] != ~OwnedBits(static_cast<Reg>(r))) return false;
    }
    return true;
}
static_assert(KeepMasksMatchFields());

// What the timing code reads and writes: the window base register, of which only the enable bit
// is ever set (a base that moved would put the window over other memory), on the two host
// bridges with this controller; and in the window, each channel's timing registers, where a
// write changes only the fields the drop-downs own. Every other offset is read only.
constexpr std::uint32_t kWindowSize = ~kWindowBaseMask + 1;
constexpr std::array<std::uint32_t, 2> kHostBridgeIds = {0x00408086, 0x00448086};
inline constexpr std::array<hw::PciRegisterAccess, 1> kPciAccess{{
    {kWindowBaseRegister,
     kWindowEnable,
     {hw::Device(kHostBridgeIds[0]), hw::Device(kHostBridgeIds[1])}},
}};
inline constexpr auto kWindowAccess = [] {
    std::array<hw::WindowRegisterAccess, 2 * kRegCount> rows{};
    std::size_t n = 0;
    for (int ch = kChannelA; ch <= kChannelB; ++ch) {
        for (int r = 0; r < kRegCount; ++r) {
            const std::uint32_t writable = r < kWrittenRegCount ? ~kKeepMask[r] : 0;
            rows[n++] = {RegisterOffset(ch, static_cast<Reg>(r)), writable};
        }
    }
    return rows;
}();
static_assert(kWindowSize == 0x4000);

}  // namespace zm::timings::host_bridge
