#include "timings/value_lists.h"

#include <initializer_list>
#include <variant>

namespace zm::timings {
namespace {

using C = TimingControl;

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
ValueList UncoreList(C control) {
    switch (control) {
        // MR0 A6..A4 + 8 x A2: CL 12..14 set A2 (see uncore_registers.h).
        case C::Combo1A: return Items({Run{4, 14}});
        case C::Combo2A: return Items({Run{2, 15}});
        case C::Combo3A: return Items({Run{2, 15}});
        case C::Combo4A: return Items({Run{2, 31}});
        case C::Combo5A: return Items({"1N", "2N", "3N"});
        case C::Combo6A: return Items({Run{5, 31}});
        // The field is 4 bits and the index is field - 2: "14" and "15" would need 16 and 17.
        case C::Combo7A: return Items({Run{0, 13}});
        case C::Combo8A: return Items({Run{1, 8}});
        case C::Combo9A: return Items({Run{1, 8}});
        case C::Combo10A: return Items({Run{10, 25}});
        case C::Combo11A: return Items({Run{2, 14}});
        case C::Combo12A: return Items({Run{2, 14}});
        case C::Combo13A: return Items({"Res.", "Res.", "Res.", Run{5, 17}});
        case C::Combo14A: return Items({Run{2, 9}});
        case C::Combo15A: return Items({Run{2, 9}});
        case C::Combo16A: return Items({"4", "6"});
        case C::Combo17A: return Items({Run{2, 9}});
        case C::Combo18A: return Items({Run{2, 9}});
        case C::Combo19A: return Items({"4", "6"});
        case C::Combo20A: return Items({"Disab.", Run{4, 32}});
        case C::Combo21A: return Items({Run{0, 255}});
        // MR0 write recovery: 000 is 16 clocks.
        case C::Combo26A: return Items({"16", Run{5, 8}, "10", "12", "14"});
        // tRFC is the whole 9-bit field of the refresh timing register.
        case C::Combo27A: return Items({Run{0, 511}});
        // The field is 3 bits: "8" and "9" do not fit.
        case C::Combo28A: return Items({Run{0, 7}});
        // The field counts eight clocks: field 200..1023 is 1600..8184 clocks.
        case C::Combo29A: return Items({Run{1600, 8184, 8}});
        case C::Combo30A: return Items({Run{0, 63}});
        case C::Combo31A: return Items({Run{0, 127}});
    }
    return {};
}

ValueList HostBridgeList(C control, const ListOptions& options) {
    switch (control) {
        // 0x240 bits 3..0 hold CL - 3.
        case C::Combo1A: return Items({Run{3, 18}});
        case C::Combo2A: return Items({Run{2, 14}});
        case C::Combo3A: return Items({Run{2, 14}});
        case C::Combo4A: return Items({Run{1, 31}});
        case C::Combo5A: return Items({"1T", "2T"});
        case C::Combo6A: {
            ValueList list = Items({"2080T", "2600T", "3120T", "3644T", "4041T", "4160T",
                                    "4171T", "4200T", "5200T", "5376T", "6656T", "8704T",
                                    "10752T", "12800T", "14592T", "16383T"});
            if (options.unlistedRefreshPeriod) {
                list.push_back(std::to_string(*options.unlistedRefreshPeriod));
            }
            return list;
        }
        case C::Combo7A: return Items({Run{2, 15}});
        case C::Combo8A: return Items({Run{2, 15}});
        case C::Combo9A: return Items({Run{3, 15}});
        case C::Combo10A: return Items({Run{0, 3}});
        case C::Combo11A: return Items({Run{0, 15}});
        case C::Combo12A: return Items({Run{0, 15}});
        case C::Combo13A: return Items({Run{0, 15}});
        case C::Combo14A: return Items({Run{0, 15}});
        case C::Combo15A: return Items({Run{0, 127}});
        case C::Combo16A: return Items({Run{0, 63}});
        case C::Combo17A: return Items({Run{0, 31}});
        case C::Combo18A: return Items({Run{0, 15}});
        case C::Combo19A: return Items({Run{0, 15}});
        case C::Combo20A: return Items({Run{0, 15}});
        case C::Combo21A: return Items({Run{0, 15}});
        case C::Combo26A: return Items({Run{2, 14}});
        case C::Combo27A: return Items({Run{0, 127}});
        case C::Combo28A: return Items({Run{1, 15}});
        case C::Combo29A: return Items({Run{5, 28}});
        case C::Combo30A: return Items({Run{5, 24}});
        // The field is 4 bits and the index is field - 3: "14" and "15" would need 16 and 17.
        case C::Combo31A: return Items({Run{1, 13}});
    }
    return {};
}

ValueList K10List(K10Mode mode, C control, const ListOptions& options) {
    const bool ddr2_800 = mode == K10Mode::Ddr2_800;
    const bool ddr3 = mode == K10Mode::Ddr3;
    switch (control) {
        // DDR3: the item index is the Tcl field (CL - 4); 0..8 all fit its four bits.
        case C::Combo1A: return ddr3 ? Items({Run{4, 12}}) : Items({Run{3, 7}});
        case C::Combo2A:
        case C::Combo3A: return ddr2_800 ? Items({Run{3, 6}}) : Items({Run{5, 12}});
        case C::Combo4A:
            return ddr2_800 ? Items({"Res.(3)", "Res.(4)", Run{5, 18}}) : Items({Run{15, 30}});
        case C::Combo5A: return Items({"1T", "2T"});
        case C::Combo6A:
        case C::Combo7A:
        case C::Combo8A:
        case C::Combo9A:
            return ddr3 ? Items({"Reser.", "90 ns", "110 ns", "160 ns", "300 ns", "350 ns",
                                 "Reser."})
                        : Items({"75 ns", "105 ns", "127 ns", "195 ns", "327 ns", "Reser."});
        case C::Combo10A: return ddr3 ? Items({"Reser.", "Reser.", Run{2, 10}}) : Items({Run{1, 4}});
        case C::Combo11A:
            if (ddr3) return Items({"Reser.", "Reser.", Run{3, 10}});
            return ddr2_800 ? Items({Run{1, 3}}) : Items({Run{1, 4}});
        case C::Combo12A: return ddr3 ? Items({Run{2, 10}}) : Items({Run{2, 5}});
        case C::Combo13A:
            if (ddr2_800) return Items({Run{2, 9}});
            return ddr3 ? Items({"Reser.", Run{3, 17}}) : Items({"Reser.", Run{3, 9}});
        case C::Combo14A: return Items({"Disab.", "Enab."});
        case C::Combo15A: return Items({Run{0, 15}});
        case C::Combo16A: return ddr3 ? Items({Run{3, 18}}) : Items({Run{3, 10}});
        case C::Combo17A: return Items({Run{20, 200}});
        case C::Combo18A: return Items({"Disab.", "16", "32", "64", "96"});
        case C::Combo19A:
            return ddr2_800 ? Items({"NoClock", Run{8, 20}})
                            : Items({"NoClock", Run{16, 32, 2}, "Reser.", "Reser."});
        case C::Combo20A:
        case C::Combo21A: return Items({"Disab.", "Enab."});
        case C::Combo26A: return ddr2_800 ? Items({Run{11, 26}}) : Items({Run{11, 42}});
        // The micro sign, UTF-8.
        case C::Combo27A: return Items({"*15,6\u00b5s", "7,8\u00b5s", "3,9\u00b5s"});
        case C::Combo28A: return ddr2_800 ? Items({Run{2, 5}}) : Items({Run{4, 7}});
        case C::Combo29A:
            if (ddr2_800) return Items({Run{3, 6}});
            return ddr3 ? Items({Run{5, 8}, "10", "12"}) : Items({Run{5, 8}});
        case C::Combo30A: return ddr2_800 ? Items({Run{1, 3}}) : Items({Run{4, 7}});
        case C::Combo31A:
            if (ddr2_800) {
                return options.k10Dct0ConfigLowBits11To10 == 1 ? Items({"2", "3"})
                                                               : Items({"4", "5"});
            }
            return ddr3 ? Items({Run{4, 7}}) : Items({Run{4, 5}});
    }
    return {};
}

// clang-format on

struct LabelEntry {
    std::string_view name;
    std::string_view layoutCaption;
    std::string_view uncoreCaption;
    std::string_view hostBridgeCaption;  // empty: keeps the layout caption
};

// In TimingControl order: Combo1A..Combo21A, Combo26A..Combo31A.
// clang-format off
constexpr std::array<LabelEntry, kTimingControlCount> kLabels{{
    {"Label1", "CAS# Latency (CL) ......................", "CAS# Latency (CL) ......................", ""},
    {"Label2", "RAS# to CAS# Delay (tRCD) .........", "RAS# to CAS# Delay (tRCD) .........", "RAS# to CAS# Delay (tRCD-R) ......"},
    {"Label3", "RAS# Precharge (tRP) ..................", "RAS# Precharge (tRP) ..................", ""},
    {"Label4", "Precharge Delay (tRAS) ..............", "Precharge Delay (tRAS) ..............", ""},
    {"Label5", "Command Rate (CR) .....................", "Command Rate (CR) .....................", ""},
    {"Label6", "Refresh Cycle Time  DIMM 0 .........", "Write to Precharge (tWTP) ............", "Refresh Period (tREF) ....................."},
    {"Label7", "Refresh Cycle Time  DIMM 1 .........", "Read to Precharge (tRTP) ...............", "All Precharge to Activate ................."},
    {"Label8", "Refresh Cycle Time  DIMM 2 .........", "Write to Read (different dimms) ..", "All Precharge to Refresh ............."},
    {"Label9", "Refresh Cycle Time  DIMM 3 .........", "Write to Read (different ranks) ..", "Read to Write dif. rank (tRD_WR) ."},
    {"Label10", "Write to Read Delay (tWRRD) .......", "Write to Read (same rank) ...........", "Precharge to Precharge delay .........."},
    {"Label11", "Write to Write Delay (tWRWR) .......", "Read to Write (different dimms) ...", "Write to Write same rank ............"},
    {"Label12", "Read to Read Delay (tRDRD) .........", "Read to Write (different ranks) ....", "Write to Write dif. rank (tWR_WR)"},
    {"Label13", "Read to Write Delay (tRW-TO) .......", "Read to Write (same rank) ...........", "Read to Read same rank ............."},
    {"Label14", "Force Auto-Precharge ...................", "Read to Read (different dimms) ..", "Read to Read dif. rank (tRD_RD) .."},
    {"Label15", "Queue Bypass Max .......................", "Read to Read (different ranks) ...", "Refresh to Refresh delay ............"},
    {"Label16", "Read to Write Burst. (tRW-WB) .....", "Read to Read (same rank) ..........", "Static Read Delay (tRD) ..............."},
    {"Label17", "Maximum Read Latency .................", "Write to Write (different dimms) ..", "Partial Write Trip Threshold .......... "},
    {"Label18A", "Idle Cycle Limit ................................", "Write to Write (different ranks) ...", "MCH ODT for Read command ........ "},
    {"Label19A", "Four Activate Window (tFAW) .......", "Write to Write (same rank) ...........", "DRAM ODT for Write command ...... "},
    {"Label27", "B2B CAS# Delay .........................", "B2B CAS# Delay .........................", "Write to Read dif. rank (tWR_RD) ."},
    {"Label28", "Idle Cycle limit (tRANKIDLE) .........", "Idle Cycle limit (tRANKIDLE) .........", "DRAM ODT for Read command ........ "},
    {"Label26A", "Row Cycle time (tRC) ...................", "Write Recovery time (tWR) ...........", "RAS# to CAS# Delay (tRCD-W) ......"},
    {"Label27A", "Refresh Mode Select ....................", "Refresh Cycle Time (tRFC) ..............", "Refresh Cycle Time (tRFC) .............."},
    {"Label28A", "Ras# to Ras# Delay (tRRD) ..........", "Ras# to Ras# Delay (tRRD) ...........", "Act. to Act. Delayed (tRRD) ............"},
    {"Label29A", "Write Recovery time (tWR) ...........", "Refresh Interval (tREFI) ..............", "Write to Precharge Delay (tWTP) ............"},
    {"Label30A", "Write to Read Delay (tWTR) ..........", "Four Activate Window (tFAW) .....", "Write to Read Delay (tWTR) ............"},
    {"Label31A", "Read to Precharge (tRTP) .............", "Round Trip Latency (RTL) ................", "Read to Precharge (tRTP) .............."},
}};
// clang-format on

// The stable short name of each drop-down per kind, as the JSON report keys a timing: the
// datasheet abbreviation where the caption has one, otherwise the caption in a word. Timings
// of one rank pair are told apart by _SR (same rank), _DR (different ranks) and _DD (different
// DIMMs). A name never changes once shipped: scripts compare reports by it.
struct ShortNames {
    std::string_view k10;  // every K10 layout: the drop-downs mean the same in each
    std::string_view uncore;
    std::string_view hostBridge;
};

// In TimingControl order, like kLabels.
// clang-format off
constexpr std::array<ShortNames, kTimingControlCount> kShortNames{{
    //  K10                    Uncore            HostBridge
    {"tCL",                  "tCL",            "tCL"},
    {"tRCD",                 "tRCD",           "tRCD_R"},
    {"tRP",                  "tRP",            "tRP"},
    {"tRAS",                 "tRAS",           "tRAS"},
    {"CR",                   "CR",             "CR"},
    {"tRFC_DIMM0",           "tWTP",           "tREF"},
    {"tRFC_DIMM1",           "tRTP",           "tPALL_ACT"},
    {"tRFC_DIMM2",           "tWRRD_DD",       "tPALL_REF"},
    {"tRFC_DIMM3",           "tWRRD_DR",       "tRDWR_DR"},
    {"tWRRD",                "tWRRD_SR",       "tPPD"},
    {"tWRWR",                "tRDWR_DD",       "tWRWR_SR"},
    {"tRDRD",                "tRDWR_DR",       "tWRWR_DR"},
    {"tRWTO",                "tRDWR_SR",       "tRDRD_SR"},
    {"ForceAutoPrecharge",   "tRDRD_DD",       "tRDRD_DR"},
    {"QueueBypassMax",       "tRDRD_DR",       "tREF_REF"},
    {"tRWWB",                "tRDRD_SR",       "tRD"},
    {"MaxReadLatency",       "tWRWR_DD",       "PartialWriteTrip"},
    {"IdleCycleLimit",       "tWRWR_DR",       "MchOdtRead"},
    {"tFAW",                 "tWRWR_SR",       "DramOdtWrite"},
    {"DriverWeakMode",       "B2BCasDelay",    "tWRRD_DR"},
    {"PowerDownMode",        "tRANKIDLE",      "DramOdtRead"},
    {"tRC",                  "tWR",            "tRCD_W"},
    {"RefreshMode",          "tRFC",           "tRFC"},
    {"tRRD",                 "tRRD",           "tRRD"},
    {"tWR",                  "tREFI",          "tWTP"},
    {"tWTR",                 "tFAW",           "tWTR"},
    {"tRTP",                 "RTL",            "tRTP"},
}};
// clang-format on

const LabelEntry& Entry(TimingControl control) {
    return kLabels[static_cast<int>(control)];
}

}  // namespace

ValueList BuildValueList(ControllerKind kind, std::optional<K10Mode> mode, TimingControl control,
                         const ListOptions& options) {
    switch (kind) {
        case ControllerKind::Uncore:
            return UncoreList(control);
        case ControllerKind::HostBridge:
            return HostBridgeList(control, options);
        case ControllerKind::K10:
            return K10List(mode.value_or(K10Mode::Ddr2_800), control, options);
    }
    return {};
}

TimingLists BuildTimingLists(ControllerKind kind, std::optional<K10Mode> mode,
                             const ListOptions& options) {
    TimingLists lists;
    for (int i = 0; i < kTimingControlCount; ++i) {
        lists[i] = BuildValueList(kind, mode, ControlAt(i), options);
    }
    return lists;
}

bool IsListed(const TimingLists& lists, TimingControl control, std::int32_t index) {
    const auto& list = lists[static_cast<int>(control)];
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

std::string_view ItemText(const TimingLists& lists, TimingControl control, std::int32_t index) {
    if (!IsListed(lists, control, index)) return {};
    return lists[static_cast<int>(control)][static_cast<std::size_t>(index)];
}

std::string_view LabelName(TimingControl control) {
    return Entry(control).name;
}

std::string_view LayoutCaption(TimingControl control) {
    return Entry(control).layoutCaption;
}

std::string_view TimingLabel(ControllerKind kind, TimingControl control) {
    const LabelEntry& e = Entry(control);
    switch (kind) {
        case ControllerKind::Uncore:
            return e.uncoreCaption;
        case ControllerKind::HostBridge:
            return e.hostBridgeCaption.empty() ? e.layoutCaption : e.hostBridgeCaption;
        case ControllerKind::K10:
            if (control == C::Combo20A) return "Driver Weak Mode ......................";
            if (control == C::Combo21A) return "Power Down Mode .......................";
            return e.layoutCaption;
    }
    return e.layoutCaption;
}

std::string_view TimingShortName(ControllerKind kind, TimingControl control) {
    const ShortNames& names = kShortNames[static_cast<int>(control)];
    switch (kind) {
        case ControllerKind::Uncore:
            return names.uncore;
        case ControllerKind::HostBridge:
            return names.hostBridge;
        case ControllerKind::K10:
            return names.k10;
    }
    return names.k10;
}

bool ControlAlwaysDisabled(ControllerKind kind, std::optional<K10Mode> mode,
                           TimingControl control) {
    if (control == C::Combo1A) return true;  // CAS latency is shown, never changed
    switch (kind) {
        case ControllerKind::Uncore:
            return control == C::Combo26A;
        case ControllerKind::HostBridge:
            return control == C::Combo5A;
        case ControllerKind::K10: {
            if (control == C::Combo21A) return true;
            const bool ddr2_800 = mode.value_or(K10Mode::Ddr2_800) == K10Mode::Ddr2_800;
            return !ddr2_800 && (control == C::Combo20A || control == C::Combo29A);
        }
    }
    return false;
}

}  // namespace zm::timings
