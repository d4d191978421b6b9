// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/model/timing_descriptors.h"

#include <array>

namespace zm::timings {
namespace {

// clang-format off
constexpr std::array<TimingDescriptor, kKindTimingCount> kUncoreTimings{{
    {TimingId::tCL, 1, 0, "tCL", "CAS# Latency (CL) ......................"},
    {TimingId::tRCD, 2, 2, "tRCD", "RAS# to CAS# Delay (tRCD) ........."},
    {TimingId::tRP, 3, 3, "tRP", "RAS# Precharge (tRP) .................."},
    {TimingId::tRAS, 4, 4, "tRAS", "Precharge Delay (tRAS) .............."},
    {TimingId::CommandRate, 5, 5, "CR", "Command Rate (CR) ....................."},
    {TimingId::tWTP, 6, 6, "tWTP", "Write to Precharge (tWTP) ............"},
    {TimingId::tRTP, 7, 7, "tRTP", "Read to Precharge (tRTP) ..............."},
    {TimingId::tWRRD_DD, 8, 8, "tWRRD_DD", "Write to Read (different dimms) .."},
    {TimingId::tWRRD_DR, 9, 9, "tWRRD_DR", "Write to Read (different ranks) .."},
    {TimingId::tWRRD_SR, 10, 10, "tWRRD_SR", "Write to Read (same rank) ..........."},
    {TimingId::tRDWR_DD, 11, 11, "tRDWR_DD", "Read to Write (different dimms) ..."},
    {TimingId::tRDWR_DR, 12, 12, "tRDWR_DR", "Read to Write (different ranks) ...."},
    {TimingId::tRDWR_SR, 13, 13, "tRDWR_SR", "Read to Write (same rank) ..........."},
    {TimingId::tRDRD_DD, 14, 14, "tRDRD_DD", "Read to Read (different dimms) .."},
    {TimingId::tRDRD_DR, 15, 15, "tRDRD_DR", "Read to Read (different ranks) ..."},
    {TimingId::tRDRD_SR, 16, 16, "tRDRD_SR", "Read to Read (same rank) .........."},
    {TimingId::tWRWR_DD, 17, 17, "tWRWR_DD", "Write to Write (different dimms) .."},
    {TimingId::tWRWR_DR, 18, 18, "tWRWR_DR", "Write to Write (different ranks) ..."},
    {TimingId::tWRWR_SR, 19, 19, "tWRWR_SR", "Write to Write (same rank) ..........."},
    {TimingId::B2BCasDelay, 20, 26, "B2BCasDelay", "B2B CAS# Delay ........................."},
    {TimingId::RankIdleLimit, 21, 27, "tRANKIDLE", "Idle Cycle limit (tRANKIDLE) ........."},
    {TimingId::tWR, 26, 0, "tWR", "Write Recovery time (tWR) ..........."},
    {TimingId::tRFC, 27, 21, "tRFC", "Refresh Cycle Time (tRFC) .............."},
    {TimingId::tRRD, 28, 22, "tRRD", "Ras# to Ras# Delay (tRRD) ..........."},
    {TimingId::tREFI, 29, 23, "tREFI", "Refresh Interval (tREFI) .............."},
    {TimingId::tFAW, 30, 24, "tFAW", "Four Activate Window (tFAW) ....."},
    {TimingId::RoundTripLatency, 31, 25, "RTL", "Round Trip Latency (RTL) ................"},
}};

constexpr std::array<TimingDescriptor, kKindTimingCount> kHostBridgeTimings{{
    {TimingId::tCL, 1, 0, "tCL", "CAS# Latency (CL) ......................"},
    {TimingId::tRCD, 2, 2, "tRCD_R", "RAS# to CAS# Delay (tRCD-R) ......"},
    {TimingId::tRP, 3, 3, "tRP", "RAS# Precharge (tRP) .................."},
    {TimingId::tRAS, 4, 4, "tRAS", "Precharge Delay (tRAS) .............."},
    {TimingId::CommandRate, 5, 0, "CR", "Command Rate (CR) ....................."},
    {TimingId::tREFI, 6, 22, "tREF", "Refresh Period (tREF) ....................."},
    {TimingId::tPALL_ACT, 7, 10, "tPALL_ACT", "All Precharge to Activate ................."},
    {TimingId::tPALL_REF, 8, 13, "tPALL_REF", "All Precharge to Refresh ............."},
    {TimingId::tRDWR_DR, 9, 12, "tRDWR_DR", "Read to Write dif. rank (tRD_WR) ."},
    {TimingId::tPPD, 10, 23, "tPPD", "Precharge to Precharge delay .........."},
    {TimingId::tWRWR_SR, 11, 18, "tWRWR_SR", "Write to Write same rank ............"},
    {TimingId::tWRWR_DR, 12, 17, "tWRWR_DR", "Write to Write dif. rank (tWR_WR)"},
    {TimingId::tRDRD_SR, 13, 16, "tRDRD_SR", "Read to Read same rank ............."},
    {TimingId::tRDRD_DR, 14, 15, "tRDRD_DR", "Read to Read dif. rank (tRD_RD) .."},
    {TimingId::tREF_REF, 15, 19, "tREF_REF", "Refresh to Refresh delay ............"},
    {TimingId::tRD, 16, 24, "tRD", "Static Read Delay (tRD) ..............."},
    {TimingId::PartialWriteTrip, 17, 25, "PartialWriteTrip", "Partial Write Trip Threshold .......... "},
    {TimingId::MchOdtRead, 18, 26, "MchOdtRead", "MCH ODT for Read command ........ "},
    {TimingId::DramOdtWrite, 19, 27, "DramOdtWrite", "DRAM ODT for Write command ...... "},
    {TimingId::tWRRD_DR, 20, 9, "tWRRD_DR", "Write to Read dif. rank (tWR_RD) ."},
    {TimingId::DramOdtRead, 21, 28, "DramOdtRead", "DRAM ODT for Read command ........ "},
    {TimingId::tRCD_W, 26, 8, "tRCD_W", "RAS# to CAS# Delay (tRCD-W) ......"},
    {TimingId::tRFC, 27, 20, "tRFC", "Refresh Cycle Time (tRFC) .............."},
    {TimingId::tRRD, 28, 21, "tRRD", "Act. to Act. Delayed (tRRD) ............"},
    {TimingId::tWTP, 29, 6, "tWTP", "Write to Precharge Delay (tWTP) ............"},
    {TimingId::tWTR, 30, 14, "tWTR", "Write to Read Delay (tWTR) ............"},
    {TimingId::tRTP, 31, 7, "tRTP", "Read to Precharge (tRTP) .............."},
}};

constexpr std::array<TimingDescriptor, kKindTimingCount> kK10Timings{{
    {TimingId::tCL, 1, 1, "tCL", "CAS# Latency (CL) ......................"},
    {TimingId::tRCD, 2, 2, "tRCD", "RAS# to CAS# Delay (tRCD) ........."},
    {TimingId::tRP, 3, 3, "tRP", "RAS# Precharge (tRP) .................."},
    {TimingId::tRAS, 4, 4, "tRAS", "Precharge Delay (tRAS) .............."},
    {TimingId::CommandRate, 5, 5, "CR", "Command Rate (CR) ....................."},
    {TimingId::tRFC_DIMM0, 6, 6, "tRFC_DIMM0", "Refresh Cycle Time  DIMM 0 ........."},
    {TimingId::tRFC_DIMM1, 7, 7, "tRFC_DIMM1", "Refresh Cycle Time  DIMM 1 ........."},
    {TimingId::tRFC_DIMM2, 8, 8, "tRFC_DIMM2", "Refresh Cycle Time  DIMM 2 ........."},
    {TimingId::tRFC_DIMM3, 9, 9, "tRFC_DIMM3", "Refresh Cycle Time  DIMM 3 ........."},
    {TimingId::tWRRD, 10, 10, "tWRRD", "Write to Read Delay (tWRRD) ......."},
    {TimingId::tWRWR, 11, 11, "tWRWR", "Write to Write Delay (tWRWR) ......."},
    {TimingId::tRDRD, 12, 12, "tRDRD", "Read to Read Delay (tRDRD) ........."},
    {TimingId::tRWTO, 13, 13, "tRWTO", "Read to Write Delay (tRW-TO) ......."},
    {TimingId::ForceAutoPrecharge, 14, 14, "ForceAutoPrecharge", "Force Auto-Precharge ..................."},
    {TimingId::QueueBypassMax, 15, 15, "QueueBypassMax", "Queue Bypass Max ......................."},
    {TimingId::tRWWB, 16, 16, "tRWWB", "Read to Write Burst. (tRW-WB) ....."},
    {TimingId::MaxReadLatency, 17, 17, "MaxReadLatency", "Maximum Read Latency ................."},
    {TimingId::IdleCycleLimit, 18, 18, "IdleCycleLimit", "Idle Cycle Limit ................................"},
    {TimingId::tFAW, 19, 19, "tFAW", "Four Activate Window (tFAW) ......."},
    {TimingId::DriverWeakMode, 20, 26, "DriverWeakMode", "Driver Weak Mode ......................"},
    {TimingId::PowerDownMode, 21, 27, "PowerDownMode", "Power Down Mode ......................."},
    {TimingId::tRC, 26, 20, "tRC", "Row Cycle time (tRC) ..................."},
    {TimingId::tREFI, 27, 21, "RefreshMode", "Refresh Mode Select ...................."},
    {TimingId::tRRD, 28, 22, "tRRD", "Ras# to Ras# Delay (tRRD) .........."},
    {TimingId::tWR, 29, 23, "tWR", "Write Recovery time (tWR) ..........."},
    {TimingId::tWTR, 30, 24, "tWTR", "Write to Read Delay (tWTR) .........."},
    {TimingId::tRTP, 31, 25, "tRTP", "Read to Precharge (tRTP) ............."},
}};
// clang-format on

// The window lays the drop-downs out by position in these tables.
constexpr bool SlotsAscend(const std::array<TimingDescriptor, kKindTimingCount>& table) {
    for (std::size_t i = 1; i < table.size(); ++i) {
        if (table[i].slot <= table[i - 1].slot) return false;
    }
    return true;
}
static_assert(SlotsAscend(kUncoreTimings) && SlotsAscend(kHostBridgeTimings) &&
              SlotsAscend(kK10Timings));

}  // namespace

std::span<const TimingDescriptor> Descriptors(ControllerKind kind) {
    switch (kind) {
        case ControllerKind::Uncore:
            return kUncoreTimings;
        case ControllerKind::HostBridge:
            return kHostBridgeTimings;
        case ControllerKind::K10:
            break;
    }
    return kK10Timings;
}

const TimingDescriptor* FindDescriptor(ControllerKind kind, TimingId id) {
    for (const TimingDescriptor& d : Descriptors(kind)) {
        if (d.id == id) return &d;
    }
    return nullptr;
}

std::string_view TimingShortName(ControllerKind kind, TimingId id) {
    const TimingDescriptor* d = FindDescriptor(kind, id);
    return d ? d->shortName : std::string_view{};
}

std::string ControlName(ControllerKind kind, TimingId id) {
    const TimingDescriptor* d = FindDescriptor(kind, id);
    return d ? "Combo" + std::to_string(d->slot) + "A" : std::string{};
}

}  // namespace zm::timings
