#pragma once
// The timing model shared by the three memory-controller kinds: which timing drop-downs exist,
// the per-channel item indices (TimingIndex) with each kind's extras, and the channel numbering.
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

// The timing drop-downs of the main window, named as the controls are. 1..21 and 26..31.
enum class TimingControl : int {
    Combo1A, Combo2A, Combo3A, Combo4A, Combo5A, Combo6A, Combo7A, Combo8A, Combo9A,
    Combo10A, Combo11A, Combo12A, Combo13A, Combo14A, Combo15A, Combo16A, Combo17A,
    Combo18A, Combo19A, Combo20A, Combo21A,
    Combo26A, Combo27A, Combo28A, Combo29A, Combo30A, Combo31A,
};
constexpr int kTimingControlCount = 27;

// The control's number as in its name: Combo1A -> 1, Combo26A -> 26.
constexpr int ControlNumber(TimingControl control) {
    const int i = static_cast<int>(control);
    return i < 21 ? i + 1 : i + 5;
}
// "Combo7A"
std::string ControlName(TimingControl control);
constexpr TimingControl ControlAt(int i) { return static_cast<TimingControl>(i); }

// Channels A, B, C = 0, 1, 2 everywhere; on K10, A is DCT0 and B is DCT1.
constexpr int kMaxChannels = 3;
enum Channel : int { kChannelA = 0, kChannelB = 1, kChannelC = 2 };

// One channel's timings as item indices of the drop-downs (0 = first item), plus the values
// some kinds keep beside the index.
struct ChannelTimings {
    // TimingIndex, one signed 32-bit value per drop-down.
    std::array<std::int32_t, kTimingControlCount> index{};

    // HostBridge: the tRP slot (Combo3A) holds the tRP value's low three bits as read, or
    // index + 2 after a change; its bit 3 is kept here.
    std::int32_t trpHighBit = 0;

    // K10: the idle-cycle-limit enable bit (DRAM Configuration Low bit 20).
    std::int32_t idleCycleLimitEnable = 0;
    // K10 DDR3: the three turnaround timings (Combo10A..Combo12A) are a 2-bit low part (kept
    // in their index slots) and a 2-bit high part (kept here, in that order).
    std::array<std::int32_t, 3> turnaroundHigh{};

    std::int32_t& operator[](TimingControl c) { return index[static_cast<int>(c)]; }
    std::int32_t operator[](TimingControl c) const { return index[static_cast<int>(c)]; }
    bool operator==(const ChannelTimings&) const = default;
};

struct TimingModel {
    ControllerKind kind = ControllerKind::Uncore;
    std::optional<K10Mode> k10Mode;  // set on K10 only
    std::array<ChannelTimings, kMaxChannels> channels{};

    // HostBridge: the refresh period's raw 14-bit value, shared by both channels; Combo6A's
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
