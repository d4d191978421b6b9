// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where each K10 timing lives in a family 10h DRAM controller's registers, for each of the
// three layouts. One row per timing: register, field (bits hi..lo as the BKDG numbers them)
// with the offset between the field and the drop-down's item index (field = index + offset),
// and whether Apply writes it. The keep-mask of every register Apply rebuilds is derived from
// these rows, and checked below against the values worked out from the register layouts.

#include <array>
#include <cstdint>
#include <optional>

#include "hw/bit_field.h"
#include "timings/k10/k10_registers.h"
#include "timings/model/field_codec.h"
#include "timings/model/timing_model.h"

namespace zm::timings::k10 {

enum class Encoding {
    Plain,           // index = field - offset
    IdleCycleLimit,  // F2x90 22..20: enable bit 20 and a 2-bit limit; index 0 = disabled
    Turnaround,      // DDR3: a 2-bit low part here and a 2-bit high part in F2x78
};

struct TimingField {
    TimingId id;
    Register reg;
    FieldCodec codec;
    Encoding encoding;
    bool written;  // false: shown only (DDR2 CAS latency; tWR from the MRS copy)
};

using I = TimingId;
using R = Register;
using E = Encoding;
constexpr bool kRW = true;
constexpr bool kRO = false;

// DDR2 up to 800 MT/s.
constexpr std::array<TimingField, kKindTimingCount> kDdr2_800Fields{{
    {I::tCL, R::TimingLow, Linear({2, 0}, 2), E::Plain, kRO},            // Tcl 010b = 3 clocks
    {I::tRCD, R::TimingLow, Linear({5, 4}, 0), E::Plain, kRW},           // Trcd 3..6
    {I::tRP, R::TimingLow, Linear({9, 8}, 0), E::Plain, kRW},            // Trp 3..6
    {I::tRTP, R::TimingLow, Linear({11, 11}, 0), E::Plain, kRW},         // Trtp
    {I::tRAS, R::TimingLow, Linear({15, 12}, 0), E::Plain, kRW},         // Tras, 0010b = 5
    {I::tRC, R::TimingLow, Linear({19, 16}, 0), E::Plain, kRW},          // Trc 11..26
    {I::tWR, R::TimingLow, Linear({21, 20}, 0), E::Plain, kRW},          // Twr 3..6
    {I::tRRD, R::TimingLow, Linear({23, 22}, 0), E::Plain, kRW},         // Trrd 2..5
    {I::tRWWB, R::TimingHigh, Linear({3, 0}, 0), E::Plain, kRW},         // TrwtWB 3..10
    {I::tRWTO, R::TimingHigh, Linear({6, 4}, 0), E::Plain, kRW},         // TrwtTO 2..9
    {I::tWTR, R::TimingHigh, Linear({9, 8}, 1), E::Plain, kRW},          // Twtr 01b = 1
    {I::tWRRD, R::TimingHigh, Linear({11, 10}, 0), E::Plain, kRW},       // Twrrd 1..4
    {I::tWRWR, R::TimingHigh, Linear({13, 12}, 0), E::Plain, kRW},       // Twrwr 1..3, 11b reserved
    {I::tRDRD, R::TimingHigh, Linear({15, 14}, 0), E::Plain, kRW},       // Trdrd 2..5
    {I::tREFI, R::TimingHigh, Linear({17, 16}, 1), E::Plain, kRW},       // Tref 01b = 15.6 us
    {I::tRFC_DIMM0, R::TimingHigh, Linear({22, 20}, 0), E::Plain, kRW},  // Trfc0
    {I::tRFC_DIMM1, R::TimingHigh, Linear({25, 23}, 0), E::Plain, kRW},  // Trfc1
    {I::tRFC_DIMM2, R::TimingHigh, Linear({28, 26}, 0), E::Plain, kRW},  // Trfc2
    {I::tRFC_DIMM3, R::TimingHigh, Linear({31, 29}, 0), E::Plain, kRW},  // Trfc3
    {I::IdleCycleLimit, R::ConfigLow, Linear({22, 20}, 0), E::IdleCycleLimit, kRW},
    {I::ForceAutoPrecharge, R::ConfigLow, Linear({23, 23}, 0), E::Plain, kRW},  // ForceAutoPchg
    {I::DriverWeakMode, R::ConfigLow, Linear({7, 7}, 0), E::Plain, kRW},        // DramDrvWeak
    {I::CommandRate, R::ConfigHigh, Linear({20, 20}, 0), E::Plain, kRW},     // SlowAccessMode (2T)
    {I::PowerDownMode, R::ConfigHigh, Linear({15, 15}, 0), E::Plain, kRW},   // PowerDownEn
    {I::QueueBypassMax, R::ConfigHigh, Linear({27, 24}, 0), E::Plain, kRW},  // DcqBypassMax
    {I::tFAW, R::ConfigHigh, Linear({31, 28}, 0), E::Plain, kRW},            // FourActWindow
    {I::MaxReadLatency, R::DramControl, Linear({31, 22}, 20), E::Plain,
     kRW},  // MaxRdLatency 20..200
}};

// DDR2-1066: wider CAS, tRCD, tRP and tRC fields; tWR lives in the MRS copy and is not written.
constexpr std::array<TimingField, kKindTimingCount> kDdr2_1066Fields{{
    {I::tCL, R::TimingLow, Linear({3, 0}, 2), E::Plain, kRO},
    {I::tRCD, R::TimingLow, Linear({6, 4}, 0), E::Plain, kRW},    // Trcd 5..12
    {I::tRP, R::TimingLow, Linear({9, 7}, 0), E::Plain, kRW},     // Trp 5..12
    {I::tRTP, R::TimingLow, Linear({11, 11}, 0), E::Plain, kRW},  // Trtp 4, 5
    {I::tRAS, R::TimingLow, Linear({15, 12}, 0), E::Plain, kRW},  // Tras 15..30
    {I::tRC, R::TimingLow, Linear({20, 16}, 0), E::Plain, kRW},   // Trc 11..42
    {I::tWR, R::DramMrs, Linear({6, 4}, 1), E::Plain, kRO},       // MRS Twr, 010b = 5
    {I::tRRD, R::TimingLow, Linear({23, 22}, 0), E::Plain, kRW},  // Trrd 4..7
    {I::tRWWB, R::TimingHigh, Linear({3, 0}, 0), E::Plain, kRW},
    {I::tRWTO, R::TimingHigh, Linear({7, 4}, 0), E::Plain, kRW},  // TrwtTO, 0000b reserved
    {I::tWTR, R::TimingHigh, Linear({9, 8}, 0), E::Plain, kRW},   // Twtr 4..7
    {I::tWRRD, R::TimingHigh, Linear({11, 10}, 0), E::Plain, kRW},
    {I::tWRWR, R::TimingHigh, Linear({13, 12}, 0), E::Plain, kRW},
    {I::tRDRD, R::TimingHigh, Linear({15, 14}, 0), E::Plain, kRW},
    {I::tREFI, R::TimingHigh, Linear({17, 16}, 1), E::Plain, kRW},
    {I::tRFC_DIMM0, R::TimingHigh, Linear({22, 20}, 0), E::Plain, kRW},
    {I::tRFC_DIMM1, R::TimingHigh, Linear({25, 23}, 0), E::Plain, kRW},
    {I::tRFC_DIMM2, R::TimingHigh, Linear({28, 26}, 0), E::Plain, kRW},
    {I::tRFC_DIMM3, R::TimingHigh, Linear({31, 29}, 0), E::Plain, kRW},
    {I::IdleCycleLimit, R::ConfigLow, Linear({22, 20}, 0), E::IdleCycleLimit, kRW},
    {I::ForceAutoPrecharge, R::ConfigLow, Linear({23, 23}, 0), E::Plain, kRW},
    {I::DriverWeakMode, R::ConfigLow, Linear({7, 7}, 0), E::Plain, kRW},
    {I::CommandRate, R::ConfigHigh, Linear({20, 20}, 0), E::Plain, kRW},
    {I::PowerDownMode, R::ConfigHigh, Linear({15, 15}, 0), E::Plain, kRW},
    {I::QueueBypassMax, R::ConfigHigh, Linear({27, 24}, 0), E::Plain, kRW},
    {I::tFAW, R::ConfigHigh, Linear({31, 28}, 0), E::Plain, kRW},  // 16..32 step 2
    {I::MaxReadLatency, R::DramControl, Linear({31, 22}, 20), E::Plain, kRW},
}};

// DDR3: as DDR2-1066 with a 2-bit Trtp, longer turnaround lists whose high bits sit in F2x78,
// and the driver-weak bit left to the firmware. Tcl holds CL - 4 (0001b = 5 clocks .. 1000b =
// 12 clocks; the firmware programs CASL - 4), so the list 4..12 is the field itself. As on
// DDR2 it is shown only: the modules take their CAS latency from mode register 0, which the
// firmware programs once at training; a Tcl that no longer matches it makes the controller
// sample read data on the wrong clock.
constexpr std::array<TimingField, kKindTimingCount> kDdr3Fields{{
    {I::tCL, R::TimingLow, Linear({3, 0}, 0), E::Plain, kRO},
    {I::tRCD, R::TimingLow, Linear({6, 4}, 0), E::Plain, kRW},
    {I::tRP, R::TimingLow, Linear({9, 7}, 0), E::Plain, kRW},
    {I::tRTP, R::TimingLow, Linear({11, 10}, 0), E::Plain, kRW},  // Trtp 4..7
    {I::tRAS, R::TimingLow, Linear({15, 12}, 0), E::Plain, kRW},
    {I::tRC, R::TimingLow, Linear({20, 16}, 0), E::Plain, kRW},
    {I::tWR, R::DramMrs, Linear({6, 4}, 1), E::Plain, kRO},  // 5..8, 10, 12
    {I::tRRD, R::TimingLow, Linear({23, 22}, 0), E::Plain, kRW},
    {I::tRWWB, R::TimingHigh, Linear({3, 0}, 0), E::Plain, kRW},  // 3..18
    {I::tRWTO, R::TimingHigh, Linear({7, 4}, 0), E::Plain, kRW},  // 3..17
    {I::tWTR, R::TimingHigh, Linear({9, 8}, 0), E::Plain, kRW},
    {I::tWRRD, R::TimingHigh, Linear({11, 10}, 0), E::Turnaround, kRW},  // Twrrd 2..10
    {I::tWRWR, R::TimingHigh, Linear({13, 12}, 0), E::Turnaround, kRW},  // Twrwr 3..10
    {I::tRDRD, R::TimingHigh, Linear({15, 14}, 0), E::Turnaround, kRW},  // Trdrd 2..10
    {I::tREFI, R::TimingHigh, Linear({17, 16}, 1), E::Plain, kRW},
    {I::tRFC_DIMM0, R::TimingHigh, Linear({22, 20}, 0), E::Plain, kRW},
    {I::tRFC_DIMM1, R::TimingHigh, Linear({25, 23}, 0), E::Plain, kRW},
    {I::tRFC_DIMM2, R::TimingHigh, Linear({28, 26}, 0), E::Plain, kRW},
    {I::tRFC_DIMM3, R::TimingHigh, Linear({31, 29}, 0), E::Plain, kRW},
    {I::IdleCycleLimit, R::ConfigLow, Linear({22, 20}, 0), E::IdleCycleLimit, kRW},
    {I::ForceAutoPrecharge, R::ConfigLow, Linear({23, 23}, 0), E::Plain, kRW},
    {I::DriverWeakMode, R::ConfigLow, Linear({7, 7}, 0), E::Plain, kRO},
    {I::CommandRate, R::ConfigHigh, Linear({20, 20}, 0), E::Plain, kRW},
    {I::PowerDownMode, R::ConfigHigh, Linear({15, 15}, 0), E::Plain, kRW},
    {I::QueueBypassMax, R::ConfigHigh, Linear({27, 24}, 0), E::Plain, kRW},
    {I::tFAW, R::ConfigHigh, Linear({31, 28}, 0), E::Plain, kRW},
    {I::MaxReadLatency, R::DramControl, Linear({31, 22}, 20), E::Plain, kRW},
}};

// DDR3 turnaround timings: the high part's field in F2x78, and its slot in
// ChannelTimings::turnaroundHigh. Index = high * 4 + low.
struct TurnaroundHigh {
    TimingId id;
    int slot;
    hw::Field field;
};
constexpr std::array<TurnaroundHigh, 3> kDdr3TurnaroundHigh{{
    {I::tWRRD, 0, {9, 8}},    // TwrrdHi
    {I::tWRWR, 1, {11, 10}},  // TwrwrHi
    {I::tRDRD, 2, {13, 12}},  // TrdrdHi
}};
constexpr int kTurnaroundLowBits = 2;

constexpr const std::array<TimingField, kKindTimingCount>& FieldMap(K10Mode mode) {
    switch (mode) {
        case K10Mode::Ddr2_800:
            return kDdr2_800Fields;
        case K10Mode::Ddr2_1066:
            return kDdr2_1066Fields;
        case K10Mode::Ddr3:
            break;
    }
    return kDdr3Fields;
}

constexpr const TimingField& FieldOf(K10Mode mode, TimingId id) {
    for (const TimingField& f : FieldMap(mode)) {
        if (f.id == id) return f;
    }
    return FieldMap(mode)[0];  // unreachable for the K10 timings: every map has a row for each
}

constexpr std::optional<TurnaroundHigh> TurnaroundHighOf(TimingId id) {
    for (const TurnaroundHigh& t : kDdr3TurnaroundHigh) {
        if (t.id == id) return t;
    }
    return std::nullopt;
}

// Bits of a register that Apply owns in a layout: every written field, with the turnaround high
// parts in F2x78 on DDR3.
constexpr std::uint32_t OwnedBits(K10Mode mode, Register reg) {
    std::uint32_t owned = 0;
    for (const TimingField& f : FieldMap(mode)) {
        if (f.written && f.reg == reg) owned |= f.codec.field.Mask();
    }
    if (mode == K10Mode::Ddr3 && reg == Register::DramControl) {
        for (const TurnaroundHigh& t : kDdr3TurnaroundHigh) owned |= t.field.Mask();
    }
    return owned;
}

// What Apply keeps of a register's start-up copy.
constexpr std::uint32_t KeepMask(K10Mode mode, Register reg) {
    return ~OwnedBits(mode, reg);
}

// No timing has two rows, and no two written fields overlap. (That the rows are the K10
// timings of timing_descriptors.cpp is checked by the tests.)
constexpr bool WellFormed(K10Mode mode) {
    const auto& map = FieldMap(mode);
    for (int i = 0; i < kKindTimingCount; ++i) {
        for (int j = i + 1; j < kKindTimingCount; ++j) {
            if (map[i].id == map[j].id) return false;
            const bool both = map[i].written && map[j].written && map[i].reg == map[j].reg;
            if (both && (map[i].codec.field.Mask() & map[j].codec.field.Mask()) != 0) return false;
        }
    }
    return true;
}
static_assert(WellFormed(K10Mode::Ddr2_800));
static_assert(WellFormed(K10Mode::Ddr2_1066));
static_assert(WellFormed(K10Mode::Ddr3));

// Keep-masks as worked out from the register layouts. DDR2-800's F2x8C keeps bit 7 too: it is
// reserved in that layout (TrwtTO is only 6..4) and no drop-down owns it, so a rebuild must not
// clear what the firmware left there.
static_assert(KeepMask(K10Mode::Ddr2_800, R::TimingLow) == 0xFF0004CF);
static_assert(KeepMask(K10Mode::Ddr2_800, R::TimingHigh) == 0x000C0080);
static_assert(KeepMask(K10Mode::Ddr2_800, R::ConfigLow) == 0xFF0FFF7F);
static_assert(KeepMask(K10Mode::Ddr2_800, R::ConfigHigh) == 0x00EF7FFF);
static_assert(KeepMask(K10Mode::Ddr2_800, R::DramControl) == 0x003FFFFF);
static_assert(KeepMask(K10Mode::Ddr2_1066, R::TimingLow) == 0xFF20040F);
static_assert(KeepMask(K10Mode::Ddr2_1066, R::TimingHigh) == 0x000C0000);
static_assert(KeepMask(K10Mode::Ddr2_1066, R::ConfigLow) == 0xFF0FFF7F);
static_assert(KeepMask(K10Mode::Ddr2_1066, R::ConfigHigh) == 0x00EF7FFF);
static_assert(KeepMask(K10Mode::Ddr2_1066, R::DramControl) == 0x003FFFFF);
static_assert(KeepMask(K10Mode::Ddr3, R::TimingLow) == 0xFF20000F);
static_assert(KeepMask(K10Mode::Ddr3, R::TimingHigh) == 0x000C0000);
static_assert(KeepMask(K10Mode::Ddr3, R::ConfigLow) == 0xFF0FFFFF);
static_assert(KeepMask(K10Mode::Ddr3, R::ConfigHigh) == 0x00EF7FFF);
static_assert(KeepMask(K10Mode::Ddr3, R::DramControl) == 0x003FC0FF);
// Nothing is ever written into the MRS copy.
static_assert(OwnedBits(K10Mode::Ddr3, R::DramMrs) == 0 &&
              OwnedBits(K10Mode::Ddr2_1066, R::DramMrs) == 0);

// What the timing code reads and writes in the north bridge: both controllers' registers (a
// write may change only the bits some layout's drop-downs own: Apply rebuilds every other bit
// from the start-up copy, Restore writes that copy back), the controller-select register, and
// F3x8C, of which only EnableCf8ExtCfg is ever changed (set at start-up, cleared at the end).
constexpr std::uint32_t WritableBits(Register reg) {
    for (Register written : kWriteOrder) {
        if (written == reg) {
            return OwnedBits(K10Mode::Ddr2_800, reg) | OwnedBits(K10Mode::Ddr2_1066, reg) |
                   OwnedBits(K10Mode::Ddr3, reg);
        }
    }
    return 0;
}
inline constexpr auto kPciAccess = [] {
    constexpr hw::DeviceMatches kDram{hw::Device(kDramControllerId)};
    std::array<hw::PciRegisterAccess, kDctCount * kRegisterCount + 2> rows{};
    std::size_t n = 0;
    for (int dct = 0; dct < kDctCount; ++dct) {
        for (int r = 0; r < kRegisterCount; ++r) {
            const auto reg = static_cast<Register>(r);
            rows[n++] = {RegisterAddress(reg, dct), WritableBits(reg), kDram};
        }
    }
    rows[n++] = {kControllerSelectLowAddress, 0, kDram};
    rows[n++] = {kExtendedConfigAddress, kEnableCf8ExtCfg.Mask(), {hw::Device(kMiscControlId)}};
    return rows;
}();
static_assert(WritableBits(R::TimingLow) == 0x00FFFFF0 && WritableBits(R::DramMrs) == 0);

}  // namespace zm::timings::k10
