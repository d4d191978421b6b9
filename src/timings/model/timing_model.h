// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The timing model shared by the three memory-controller kinds: the timings (TimingId), the
// per-channel item indices (TimingIndex) with each kind's extras, and the channel numbering.
// Register images and codecs live with each controller kind; value lists, labels and the
// channel-selector rules with the model's other files in this folder.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zm::timings {

enum class ControllerKind { Uncore, HostBridge, K10 };

// The register layout of an AMD family 10h DRAM controller.
enum class K10Mode { Ddr2_800, Ddr2_1066, Ddr3 };

// "K10-DDR2-800", "K10-DDR2-1066", "K10-DDR3".
std::string_view K10ModeText(K10Mode mode);

// The timings of the three controller kinds, one id per concept: tRFC is tRFC wherever a
// controller has it. A kind has 27 of them (timing_descriptors.h lists which, with their captions,
// short names and where the window and the settings file keep them). Rank-pair turnarounds are
// told apart by _SR (same rank), _DR (different ranks) and _DD (different DIMMs).
// clang-format off
enum class TimingId : int {
    tCL, tRCD, tRCD_W, tRP, tRAS, tRC, CommandRate, tRFC,
    tRFC_DIMM0, tRFC_DIMM1, tRFC_DIMM2, tRFC_DIMM3,
    tREFI, tRRD, tWR, tWTR, tRTP, tWTP, tFAW,
    tWRRD, tWRRD_SR, tWRRD_DR, tWRRD_DD,
    tRDWR_SR, tRDWR_DR, tRDWR_DD,
    tWRWR, tWRWR_SR, tWRWR_DR, tWRWR_DD,
    tRDRD, tRDRD_SR, tRDRD_DR, tRDRD_DD,
    tRWTO, tRWWB, tRD, tREF_REF, tPPD, tPALL_ACT, tPALL_REF,
    B2BCasDelay, RoundTripLatency, RankIdleLimit, IdleCycleLimit, MaxReadLatency,
    QueueBypassMax, ForceAutoPrecharge, PartialWriteTrip,
    MchOdtRead, DramOdtWrite, DramOdtRead, DriverWeakMode, PowerDownMode,
};
// clang-format on
constexpr int kTimingIdCount = static_cast<int>(TimingId::PowerDownMode) + 1;
// The timings of one kind.
constexpr int kKindTimingCount = 27;

// Channels A, B, C = 0, 1, 2 everywhere; on K10, A is DCT0 and B is DCT1.
constexpr int kMaxChannels = 3;
enum Channel : int { kChannelA = 0, kChannelB = 1, kChannelC = 2 };

// One channel's timings as item indices of their value lists (0 = first item), plus the values
// some kinds keep beside the index. Timings the kind does not have stay 0.
struct ChannelTimings {
    // TimingIndex, one signed 32-bit value per timing.
    std::array<std::int32_t, kTimingIdCount> index{};

    // HostBridge: tRP holds the tRP value's low three bits as read, or
    // index + 2 after a change; its bit 3 is kept here.
    std::int32_t trpHighBit = 0;

    // K10: the idle-cycle-limit enable bit (DRAM Configuration Low bit 20).
    std::int32_t idleCycleLimitEnable = 0;
    // K10 DDR3: the three turnaround timings (tWRRD, tWRWR, tRDRD) are a 2-bit low part (kept
    // in their index slots) and a 2-bit high part (kept here, in that order).
    std::array<std::int32_t, 3> turnaroundHigh{};

    std::int32_t& operator[](TimingId id) { return index[static_cast<int>(id)]; }
    std::int32_t operator[](TimingId id) const { return index[static_cast<int>(id)]; }
    bool operator==(const ChannelTimings&) const = default;
};

struct TimingModel {
    ControllerKind kind = ControllerKind::Uncore;
    std::optional<K10Mode> k10Mode;  // set on K10 only
    std::array<ChannelTimings, kMaxChannels> channels{};

    // HostBridge: the refresh period's raw 14-bit value, shared by both channels; tREFI's
    // index 16 stands for it when it is none of the listed periods.
    std::uint32_t refreshPeriodRaw = 0;

    // K10: DCT0 and DCT1 work as one 128-bit controller.
    bool ganged = false;

    // Uncore: one value per channel that the stored timing set in the settings file carries
    // beside the timings (its key 20). Nothing reads or sets it otherwise; it only goes back into
    // the file as it came out, so a fresh program keeps 0 there.
    std::array<std::int32_t, kMaxChannels> uncoreSpare{};

    ChannelTimings& operator[](int channel) { return channels[channel]; }
    const ChannelTimings& operator[](int channel) const { return channels[channel]; }
};

}  // namespace zm::timings
