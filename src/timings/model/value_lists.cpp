// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/model/value_lists.h"

#include <initializer_list>
#include <variant>

#include "timings/model/timing_descriptors.h"

namespace zm::timings {
namespace {

using I = TimingId;

// One piece of a list: a run of decimal numbers or a literal text.
struct Run {
    int first, last, step = 1;
};
using Piece = std::variant<Run, std::string_view>;

ValueList Items(std::initializer_list<Piece> pieces) {
    ValueList list;
    for (const Piece& piece : pieces) {
        if (const auto* run = std::get_if<Run>(&piece)) {
            for (int v = run->first; v <= run->last; v += run->step) {
                list.push_back(std::to_string(v));
            }
        } else {
            list.emplace_back(std::get<std::string_view>(piece));
        }
    }
    return list;
}

// The lists read best as tables: one drop-down a line.
// clang-format off
ValueList UncoreList(TimingId id) {
    switch (id) {
        // MR0 A6..A4 + 8 x A2: CL 12..14 set A2 (see uncore_registers.h).
        case I::tCL: return Items({Run{4, 14}});
        case I::tRCD: return Items({Run{2, 15}});
        case I::tRP: return Items({Run{2, 15}});
        case I::tRAS: return Items({Run{2, 31}});
        case I::CommandRate: return Items({"1N", "2N", "3N"});
        case I::tWTP: return Items({Run{5, 31}});
        // The field is 4 bits and the index is field - 2: "14" and "15" would need 16 and 17.
        case I::tRTP: return Items({Run{0, 13}});
        case I::tWRRD_DD: return Items({Run{1, 8}});
        case I::tWRRD_DR: return Items({Run{1, 8}});
        case I::tWRRD_SR: return Items({Run{10, 25}});
        case I::tRDWR_DD: return Items({Run{2, 14}});
        case I::tRDWR_DR: return Items({Run{2, 14}});
        case I::tRDWR_SR: return Items({"Res.", "Res.", "Res.", Run{5, 17}});
        case I::tRDRD_DD: return Items({Run{2, 9}});
        case I::tRDRD_DR: return Items({Run{2, 9}});
        case I::tRDRD_SR: return Items({"4", "6"});
        case I::tWRWR_DD: return Items({Run{2, 9}});
        case I::tWRWR_DR: return Items({Run{2, 9}});
        case I::tWRWR_SR: return Items({"4", "6"});
        case I::B2BCasDelay: return Items({"Disab.", Run{4, 32}});
        case I::RankIdleLimit: return Items({Run{0, 255}});
        // MR0 write recovery: 000 is 16 clocks.
        case I::tWR: return Items({"16", Run{5, 8}, "10", "12", "14"});
        // tRFC is the whole 9-bit field of the refresh timing register.
        case I::tRFC: return Items({Run{0, 511}});
        // The field is 3 bits: "8" and "9" do not fit.
        case I::tRRD: return Items({Run{0, 7}});
        // The field counts eight clocks: field 200..1023 is 1600..8184 clocks.
        case I::tREFI: return Items({Run{1600, 8184, 8}});
        case I::tFAW: return Items({Run{0, 63}});
        case I::RoundTripLatency: return Items({Run{0, 127}});
        default: break;  // not a timing of this kind
    }
    return {};
}

ValueList HostBridgeList(TimingId id, const ListOptions& options) {
    switch (id) {
        // 0x240 bits 3..0 hold CL - 3.
        case I::tCL: return Items({Run{3, 18}});
        case I::tRCD: return Items({Run{2, 14}});
        case I::tRP: return Items({Run{2, 14}});
        case I::tRAS: return Items({Run{1, 31}});
        case I::CommandRate: return Items({"1T", "2T"});
        case I::tREFI: {
            ValueList list = Items({"2080T", "2600T", "3120T", "3644T", "4041T", "4160T",
                                    "4171T", "4200T", "5200T", "5376T", "6656T", "8704T",
                                    "10752T", "12800T", "14592T", "16383T"});
            if (options.unlistedRefreshPeriod) {
                list.push_back(std::to_string(*options.unlistedRefreshPeriod));
            }
            return list;
        }
        case I::tPALL_ACT: return Items({Run{2, 15}});
        case I::tPALL_REF: return Items({Run{2, 15}});
        case I::tRDWR_DR: return Items({Run{3, 15}});
        case I::tPPD: return Items({Run{0, 3}});
        case I::tWRWR_SR: return Items({Run{0, 15}});
        case I::tWRWR_DR: return Items({Run{0, 15}});
        case I::tRDRD_SR: return Items({Run{0, 15}});
        case I::tRDRD_DR: return Items({Run{0, 15}});
        case I::tREF_REF: return Items({Run{0, 127}});
        case I::tRD: return Items({Run{0, 63}});
        case I::PartialWriteTrip: return Items({Run{0, 31}});
        case I::MchOdtRead: return Items({Run{0, 15}});
        case I::DramOdtWrite: return Items({Run{0, 15}});
        case I::tWRRD_DR: return Items({Run{0, 15}});
        case I::DramOdtRead: return Items({Run{0, 15}});
        case I::tRCD_W: return Items({Run{2, 14}});
        case I::tRFC: return Items({Run{0, 127}});
        case I::tRRD: return Items({Run{1, 15}});
        case I::tWTP: return Items({Run{5, 28}});
        case I::tWTR: return Items({Run{5, 24}});
        // The field is 4 bits and the index is field - 3: "14" and "15" would need 16 and 17.
        case I::tRTP: return Items({Run{1, 13}});
        default: break;  // not a timing of this kind
    }
    return {};
}

ValueList K10List(K10Mode mode, TimingId id, const ListOptions& options) {
    const bool ddr2_800 = mode == K10Mode::Ddr2_800;
    const bool ddr3 = mode == K10Mode::Ddr3;
    switch (id) {
        // DDR3: the item index is the Tcl field (CL - 4); 0..8 all fit its four bits.
        case I::tCL: return ddr3 ? Items({Run{4, 12}}) : Items({Run{3, 7}});
        case I::tRCD:
        case I::tRP: return ddr2_800 ? Items({Run{3, 6}}) : Items({Run{5, 12}});
        case I::tRAS:
            return ddr2_800 ? Items({"Res.(3)", "Res.(4)", Run{5, 18}}) : Items({Run{15, 30}});
        case I::CommandRate: return Items({"1T", "2T"});
        case I::tRFC_DIMM0:
        case I::tRFC_DIMM1:
        case I::tRFC_DIMM2:
        case I::tRFC_DIMM3:
            return ddr3 ? Items({"Reser.", "90 ns", "110 ns", "160 ns", "300 ns", "350 ns",
                                 "Reser."})
                        : Items({"75 ns", "105 ns", "127 ns", "195 ns", "327 ns", "Reser."});
        case I::tWRRD: return ddr3 ? Items({"Reser.", "Reser.", Run{2, 10}}) : Items({Run{1, 4}});
        case I::tWRWR:
            if (ddr3) return Items({"Reser.", "Reser.", Run{3, 10}});
            return ddr2_800 ? Items({Run{1, 3}}) : Items({Run{1, 4}});
        case I::tRDRD: return ddr3 ? Items({Run{2, 10}}) : Items({Run{2, 5}});
        case I::tRWTO:
            if (ddr2_800) return Items({Run{2, 9}});
            return ddr3 ? Items({"Reser.", Run{3, 17}}) : Items({"Reser.", Run{3, 9}});
        case I::ForceAutoPrecharge: return Items({"Disab.", "Enab."});
        case I::QueueBypassMax: return Items({Run{0, 15}});
        case I::tRWWB: return ddr3 ? Items({Run{3, 18}}) : Items({Run{3, 10}});
        case I::MaxReadLatency: return Items({Run{20, 200}});
        case I::IdleCycleLimit: return Items({"Disab.", "16", "32", "64", "96"});
        case I::tFAW:
            return ddr2_800 ? Items({"NoClock", Run{8, 20}})
                            : Items({"NoClock", Run{16, 32, 2}, "Reser.", "Reser."});
        case I::DriverWeakMode:
        case I::PowerDownMode: return Items({"Disab.", "Enab."});
        case I::tRC: return ddr2_800 ? Items({Run{11, 26}}) : Items({Run{11, 42}});
        // The micro sign, UTF-8.
        case I::tREFI: return Items({"*15,6\u00b5s", "7,8\u00b5s", "3,9\u00b5s"});
        case I::tRRD: return ddr2_800 ? Items({Run{2, 5}}) : Items({Run{4, 7}});
        case I::tWR:
            if (ddr2_800) return Items({Run{3, 6}});
            return ddr3 ? Items({Run{5, 8}, "10", "12"}) : Items({Run{5, 8}});
        case I::tWTR: return ddr2_800 ? Items({Run{1, 3}}) : Items({Run{4, 7}});
        case I::tRTP:
            if (ddr2_800) {
                return options.k10Dct0ConfigLowBits11To10 == 1 ? Items({"2", "3"})
                                                               : Items({"4", "5"});
            }
            return ddr3 ? Items({Run{4, 7}}) : Items({Run{4, 5}});
        default: break;  // not a timing of this kind
    }
    return {};
}

// clang-format on

}  // namespace

ValueList BuildValueList(ControllerKind kind, std::optional<K10Mode> mode, TimingId id,
                         const ListOptions& options) {
    switch (kind) {
        case ControllerKind::Uncore:
            return UncoreList(id);
        case ControllerKind::HostBridge:
            return HostBridgeList(id, options);
        case ControllerKind::K10:
            return K10List(mode.value_or(K10Mode::Ddr2_800), id, options);
    }
    return {};
}

TimingLists BuildTimingLists(ControllerKind kind, std::optional<K10Mode> mode,
                             const ListOptions& options) {
    TimingLists lists;
    for (const TimingDescriptor& d : Descriptors(kind)) {
        lists[static_cast<int>(d.id)] = BuildValueList(kind, mode, d.id, options);
    }
    return lists;
}

bool IsListed(const TimingLists& lists, TimingId id, std::int32_t index) {
    const auto& list = lists[static_cast<int>(id)];
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

std::string_view ItemText(const TimingLists& lists, TimingId id, std::int32_t index) {
    if (!IsListed(lists, id, index)) return {};
    return lists[static_cast<int>(id)][static_cast<std::size_t>(index)];
}

bool ControlAlwaysDisabled(ControllerKind kind, std::optional<K10Mode> mode, TimingId id) {
    if (id == I::tCL) return true;  // CAS latency is shown, never changed
    switch (kind) {
        case ControllerKind::Uncore:
            return id == I::tWR;
        case ControllerKind::HostBridge:
            return id == I::CommandRate;
        case ControllerKind::K10: {
            if (id == I::PowerDownMode) return true;
            const bool ddr2_800 = mode.value_or(K10Mode::Ddr2_800) == K10Mode::Ddr2_800;
            return !ddr2_800 && (id == I::DriverWeakMode || id == I::tWR);
        }
    }
    return false;
}

}  // namespace zm::timings
