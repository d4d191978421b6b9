#pragma once
// Where each timing drop-down lives in a family 10h DRAM controller's registers, for each of the
// three layouts. One row per drop-down: register, field (bits hi..lo as the BKDG numbers them)
// with the offset between the field and the drop-down's item index (field = index + offset),
// and whether Apply writes it. The keep-mask of every register Apply rebuilds is derived from
// these rows, and checked below against the values worked out from the register layouts.

#include <array>
#include <cstdint>
#include <optional>

#include "hw/bit_field.h"
#include "timings/field_codec.h"
#include "timings/k10_registers.h"
#include "timings/timing_model.h"

namespace zm::timings::k10 {

enum class Encoding {
    Plain,           // index = field - offset
    IdleCycleLimit,  // F2x90 22..20: enable bit 20 and a 2-bit limit; index 0 = disabled
    Turnaround,      // DDR3: a 2-bit low part here and a 2-bit high part in F2x78
};

struct TimingField {
    TimingControl control;
    Register reg;
    FieldCodec codec;
    Encoding encoding;
    bool written;  // false: shown only (DDR2 CAS latency; tWR from the MRS copy)
};

using TC = TimingControl;
using R = Register;
using E = Encoding;
constexpr bool kRW = true;
constexpr bool kRO = false;

// DDR2 up to 800 MT/s.
constexpr std::array<TimingField, kTimingControlCount> kDdr2_800Fields{{
    {TC::Combo1A, R::TimingLow, Linear({2, 0}, 2), E::Plain, kRO},      // Tcl 010b = 3 clocks
    {TC::Combo2A, R::TimingLow, Linear({5, 4}, 0), E::Plain, kRW},      // Trcd 3..6
    {TC::Combo3A, R::TimingLow, Linear({9, 8}, 0), E::Plain, kRW},      // Trp 3..6
    {TC::Combo31A, R::TimingLow, Linear({11, 11}, 0), E::Plain, kRW},   // Trtp
    {TC::Combo4A, R::TimingLow, Linear({15, 12}, 0), E::Plain, kRW},    // Tras, 0010b = 5
    {TC::Combo26A, R::TimingLow, Linear({19, 16}, 0), E::Plain, kRW},   // Trc 11..26
    {TC::Combo29A, R::TimingLow, Linear({21, 20}, 0), E::Plain, kRW},   // Twr 3..6
    {TC::Combo28A, R::TimingLow, Linear({23, 22}, 0), E::Plain, kRW},   // Trrd 2..5
    {TC::Combo16A, R::TimingHigh, Linear({3, 0}, 0), E::Plain, kRW},    // TrwtWB 3..10
    {TC::Combo13A, R::TimingHigh, Linear({6, 4}, 0), E::Plain, kRW},    // TrwtTO 2..9
    {TC::Combo30A, R::TimingHigh, Linear({9, 8}, 1), E::Plain, kRW},    // Twtr 01b = 1
    {TC::Combo10A, R::TimingHigh, Linear({11, 10}, 0), E::Plain, kRW},  // Twrrd 1..4
    {TC::Combo11A, R::TimingHigh, Linear({13, 12}, 0), E::Plain, kRW},  // Twrwr 1..3, 11b reserved
    {TC::Combo12A, R::TimingHigh, Linear({15, 14}, 0), E::Plain, kRW},  // Trdrd 2..5
    {TC::Combo27A, R::TimingHigh, Linear({17, 16}, 1), E::Plain, kRW},  // Tref 01b = 15.6 us
    {TC::Combo6A, R::TimingHigh, Linear({22, 20}, 0), E::Plain, kRW},   // Trfc0
    {TC::Combo7A, R::TimingHigh, Linear({25, 23}, 0), E::Plain, kRW},   // Trfc1
    {TC::Combo8A, R::TimingHigh, Linear({28, 26}, 0), E::Plain, kRW},   // Trfc2
    {TC::Combo9A, R::TimingHigh, Linear({31, 29}, 0), E::Plain, kRW},   // Trfc3
    {TC::Combo18A, R::ConfigLow, Linear({22, 20}, 0), E::IdleCycleLimit, kRW},
    {TC::Combo14A, R::ConfigLow, Linear({23, 23}, 0), E::Plain, kRW},     // ForceAutoPchg
    {TC::Combo20A, R::ConfigLow, Linear({7, 7}, 0), E::Plain, kRW},       // DramDrvWeak
    {TC::Combo5A, R::ConfigHigh, Linear({20, 20}, 0), E::Plain, kRW},     // SlowAccessMode (2T)
    {TC::Combo21A, R::ConfigHigh, Linear({15, 15}, 0), E::Plain, kRW},    // PowerDownEn
    {TC::Combo15A, R::ConfigHigh, Linear({27, 24}, 0), E::Plain, kRW},    // DcqBypassMax
    {TC::Combo19A, R::ConfigHigh, Linear({31, 28}, 0), E::Plain, kRW},    // FourActWindow
    {TC::Combo17A, R::DramControl, Linear({31, 22}, 20), E::Plain, kRW},  // MaxRdLatency 20..200
}};

// DDR2-1066: wider CAS, tRCD, tRP and tRC fields; tWR lives in the MRS copy and is not written.
constexpr std::array<TimingField, kTimingControlCount> kDdr2_1066Fields{{
    {TC::Combo1A, R::TimingLow, Linear({3, 0}, 2), E::Plain, kRO},
    {TC::Combo2A, R::TimingLow, Linear({6, 4}, 0), E::Plain, kRW},     // Trcd 5..12
    {TC::Combo3A, R::TimingLow, Linear({9, 7}, 0), E::Plain, kRW},     // Trp 5..12
    {TC::Combo31A, R::TimingLow, Linear({11, 11}, 0), E::Plain, kRW},  // Trtp 4, 5
    {TC::Combo4A, R::TimingLow, Linear({15, 12}, 0), E::Plain, kRW},   // Tras 15..30
    {TC::Combo26A, R::TimingLow, Linear({20, 16}, 0), E::Plain, kRW},  // Trc 11..42
    {TC::Combo29A, R::DramMrs, Linear({6, 4}, 1), E::Plain, kRO},      // MRS Twr, 010b = 5
    {TC::Combo28A, R::TimingLow, Linear({23, 22}, 0), E::Plain, kRW},  // Trrd 4..7
    {TC::Combo16A, R::TimingHigh, Linear({3, 0}, 0), E::Plain, kRW},
    {TC::Combo13A, R::TimingHigh, Linear({7, 4}, 0), E::Plain, kRW},  // TrwtTO, 0000b reserved
    {TC::Combo30A, R::TimingHigh, Linear({9, 8}, 0), E::Plain, kRW},  // Twtr 4..7
    {TC::Combo10A, R::TimingHigh, Linear({11, 10}, 0), E::Plain, kRW},
    {TC::Combo11A, R::TimingHigh, Linear({13, 12}, 0), E::Plain, kRW},
    {TC::Combo12A, R::TimingHigh, Linear({15, 14}, 0), E::Plain, kRW},
    {TC::Combo27A, R::TimingHigh, Linear({17, 16}, 1), E::Plain, kRW},
    {TC::Combo6A, R::TimingHigh, Linear({22, 20}, 0), E::Plain, kRW},
    {TC::Combo7A, R::TimingHigh, Linear({25, 23}, 0), E::Plain, kRW},
    {TC::Combo8A, R::TimingHigh, Linear({28, 26}, 0), E::Plain, kRW},
    {TC::Combo9A, R::TimingHigh, Linear({31, 29}, 0), E::Plain, kRW},
    {TC::Combo18A, R::ConfigLow, Linear({22, 20}, 0), E::IdleCycleLimit, kRW},
    {TC::Combo14A, R::ConfigLow, Linear({23, 23}, 0), E::Plain, kRW},
    {TC::Combo20A, R::ConfigLow, Linear({7, 7}, 0), E::Plain, kRW},
    {TC::Combo5A, R::ConfigHigh, Linear({20, 20}, 0), E::Plain, kRW},
    {TC::Combo21A, R::ConfigHigh, Linear({15, 15}, 0), E::Plain, kRW},
    {TC::Combo15A, R::ConfigHigh, Linear({27, 24}, 0), E::Plain, kRW},
    {TC::Combo19A, R::ConfigHigh, Linear({31, 28}, 0), E::Plain, kRW},  // 16..32 step 2
    {TC::Combo17A, R::DramControl, Linear({31, 22}, 20), E::Plain, kRW},
}};

// DDR3: as DDR2-1066 with a 2-bit Trtp, longer turnaround lists whose high bits sit in F2x78,
// and the driver-weak bit left to the firmware. Tcl holds CL - 4 (0001b = 5 clocks .. 1000b =
// 12 clocks; the firmware programs CASL - 4), so the list 4..12 is the field itself. As on
// DDR2 it is shown only: the modules take their CAS latency from mode register 0, which the
// firmware programs once at training; a Tcl that no longer matches it makes the controller
// sample read data on the wrong clock.
constexpr std::array<TimingField, kTimingControlCount> kDdr3Fields{{
    {TC::Combo1A, R::TimingLow, Linear({3, 0}, 0), E::Plain, kRO},
    {TC::Combo2A, R::TimingLow, Linear({6, 4}, 0), E::Plain, kRW},
    {TC::Combo3A, R::TimingLow, Linear({9, 7}, 0), E::Plain, kRW},
    {TC::Combo31A, R::TimingLow, Linear({11, 10}, 0), E::Plain, kRW},  // Trtp 4..7
    {TC::Combo4A, R::TimingLow, Linear({15, 12}, 0), E::Plain, kRW},
    {TC::Combo26A, R::TimingLow, Linear({20, 16}, 0), E::Plain, kRW},
    {TC::Combo29A, R::DramMrs, Linear({6, 4}, 1), E::Plain, kRO},  // 5..8, 10, 12
    {TC::Combo28A, R::TimingLow, Linear({23, 22}, 0), E::Plain, kRW},
    {TC::Combo16A, R::TimingHigh, Linear({3, 0}, 0), E::Plain, kRW},  // 3..18
    {TC::Combo13A, R::TimingHigh, Linear({7, 4}, 0), E::Plain, kRW},  // 3..17
    {TC::Combo30A, R::TimingHigh, Linear({9, 8}, 0), E::Plain, kRW},
    {TC::Combo10A, R::TimingHigh, Linear({11, 10}, 0), E::Turnaround, kRW},  // Twrrd 2..10
    {TC::Combo11A, R::TimingHigh, Linear({13, 12}, 0), E::Turnaround, kRW},  // Twrwr 3..10
    {TC::Combo12A, R::TimingHigh, Linear({15, 14}, 0), E::Turnaround, kRW},  // Trdrd 2..10
    {TC::Combo27A, R::TimingHigh, Linear({17, 16}, 1), E::Plain, kRW},
    {TC::Combo6A, R::TimingHigh, Linear({22, 20}, 0), E::Plain, kRW},
    {TC::Combo7A, R::TimingHigh, Linear({25, 23}, 0), E::Plain, kRW},
    {TC::Combo8A, R::TimingHigh, Linear({28, 26}, 0), E::Plain, kRW},
    {TC::Combo9A, R::TimingHigh, Linear({31, 29}, 0), E::Plain, kRW},
    {TC::Combo18A, R::ConfigLow, Linear({22, 20}, 0), E::IdleCycleLimit, kRW},
    {TC::Combo14A, R::ConfigLow, Linear({23, 23}, 0), E::Plain, kRW},
    {TC::Combo20A, R::ConfigLow, Linear({7, 7}, 0), E::Plain, kRO},
    {TC::Combo5A, R::ConfigHigh, Linear({20, 20}, 0), E::Plain, kRW},
    {TC::Combo21A, R::ConfigHigh, Linear({15, 15}, 0), E::Plain, kRW},
    {TC::Combo15A, R::ConfigHigh, Linear({27, 24}, 0), E::Plain, kRW},
    {TC::Combo19A, R::ConfigHigh, Linear({31, 28}, 0), E::Plain, kRW},
    {TC::Combo17A, R::DramControl, Linear({31, 22}, 20), E::Plain, kRW},
}};

// DDR3 turnaround timings: the high part's field in F2x78, and its slot in
// ChannelTimings::turnaroundHigh. Index = high * 4 + low.
struct TurnaroundHigh {
    TimingControl control;
    int slot;
    hw::Field field;
};
constexpr std::array<TurnaroundHigh, 3> kDdr3TurnaroundHigh{{
    {TC::Combo10A, 0, {9, 8}},    // TwrrdHi
    {TC::Combo11A, 1, {11, 10}},  // TwrwrHi
    {TC::Combo12A, 2, {13, 12}},  // TrdrdHi
}};
constexpr int kTurnaroundLowBits = 2;

constexpr const std::array<TimingField, kTimingControlCount>& FieldMap(K10Mode mode) {
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

constexpr const TimingField& FieldOf(K10Mode mode, TimingControl control) {
    for (const TimingField& f : FieldMap(mode)) {
        if (f.control == control) return f;
    }
    return FieldMap(mode)[0];  // unreachable: every map has a row per control
}

constexpr std::optional<TurnaroundHigh> TurnaroundHighOf(TimingControl control) {
    for (const TurnaroundHigh& t : kDdr3TurnaroundHigh) {
        if (t.control == control) return t;
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

// Every drop-down has exactly one row, and no two written fields overlap.
constexpr bool WellFormed(K10Mode mode) {
    const auto& map = FieldMap(mode);
    for (int i = 0; i < kTimingControlCount; ++i) {
        int rows = 0;
        for (const TimingField& f : map) rows += f.control == ControlAt(i) ? 1 : 0;
        if (rows != 1) return false;
        for (int j = i + 1; j < kTimingControlCount; ++j) {
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
