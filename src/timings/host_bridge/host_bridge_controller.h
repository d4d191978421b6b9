// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading and writing the timings of the LGA 1156 memory controller behind host bridge
// 0x0040/0x0044: the register window, both channels' registers and their decode, the
// populated channels, and Apply's fourteen writes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "hw/hardware_access.h"
#include "timings/host_bridge/host_bridge_registers.h"
#include "timings/model/channel_selection.h"
#include "timings/model/timing_model.h"
#include "timings/model/value_lists.h"

namespace zm::timings::host_bridge {

// RegisterImage of both channels.
struct Images {
    std::array<std::array<std::uint32_t, kRegCount>, 2> reg{};
    std::uint32_t& at(int channel, Reg r) { return reg[channel][static_cast<int>(r)]; }
    std::uint32_t at(int channel, Reg r) const { return reg[channel][static_cast<int>(r)]; }
};

// Reads the window base from the host bridge, writes it back with the window enabled and
// returns the base address.
// Nothing (and no write) when the firmware left no window in place.
std::optional<std::uint32_t> OpenWindow(hw::HardwareAccess& hw);

// Every register of both channels, A then B, into the images.
void ReadChannels(hw::HardwareAccess& hw, std::uint32_t base, Images& images);

struct DecodeResult {
    ChannelFlags populated{};
    // The refresh period read when it is none of the sixteen listed ones: becomes tREFI's
    // 17th item and model.refreshPeriodRaw.
    std::optional<std::uint32_t> unlistedRefreshPeriod;
    // Channel A empty: the program must end.
    std::optional<std::string> error;
};

// Both channels' images into the model, the refresh periods and the populated flags.
DecodeResult Decode(const Images& images, TimingModel& model);

// The whole start-up read: window, registers, decode.
DecodeResult ReadTimings(hw::HardwareAccess& hw, std::uint32_t base, Images& images,
                         TimingModel& model);

// A written register rebuilt from its image; a timing whose index names no item of its list
// keeps the image's bits.
std::uint32_t RebuildRegister(Reg reg, std::uint32_t image, const ChannelTimings& timings,
                              std::uint32_t refreshPeriodRaw, const TimingLists& lists);

// Apply: the fourteen writes 0x250, 0x650, 0x254, 0x654, ... 0x268, 0x668; a channel in
// `rebuilt` is rebuilt from the model, the other written back from its image. The images then
// hold what was written.
void Apply(hw::HardwareAccess& hw, std::uint32_t base, Images& images, const TimingModel& model,
           const TimingLists& lists, const ChannelFlags& rebuilt);

}  // namespace zm::timings::host_bridge
