// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading and writing the timings of the LGA 1366 uncore memory controller: the configuration
// lock, the active channels, each channel's registers and their decode into the timing model,
// and Apply, which rebuilds the registers from the images taken at start-up.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hw/hardware_access.h"
#include "timings/model/channel_selection.h"
#include "timings/model/timing_model.h"
#include "timings/model/value_lists.h"
#include "timings/uncore/uncore_registers.h"

namespace zm::timings::uncore {

// Caption both timing groups get while the controller's configuration is locked.
inline constexpr std::string_view kLockedCaption = "MC_CFG_space Locked.";

// RegisterImage: every channel's registers as read at start-up (and as last written).
struct Images {
    std::array<std::array<std::uint32_t, kRegCount>, kMaxChannels> reg{};
    std::uint32_t& at(int channel, Reg r) { return reg[channel][static_cast<int>(r)]; }
    std::uint32_t at(int channel, Reg r) const { return reg[channel][static_cast<int>(r)]; }
};

struct LockCheck {
    unsigned state = 0;        // bits 1..0 of the configuration lock register
    bool enableApply = false;  // Apply and StartUp may be enabled
    bool locked = false;       // show kLockedCaption on both timing groups
};

// Reads the lock state and writes the unlock registers the device needs:
//  0x2C1C8086 / 0x2D9C8086: state 0 -> usable; 2 -> unlock request, usable; 1, 3 -> locked.
//  0x2C9C8086: configuration unlock always; state 2 -> unlock request too, usable.
LockCheck CheckConfigurationLock(hw::HardwareAccess& hw, std::uint32_t busOffset,
                                 std::uint32_t uncoreDeviceId);

// Bits 10..8 of the controller control register, shifted down (bit 0 = channel A).
unsigned ReadActiveChannelMask(hw::HardwareAccess& hw, std::uint32_t busOffset);

// One channel's eight registers into its image, in the controller's read order.
void ReadChannel(hw::HardwareAccess& hw, std::uint32_t busOffset, int channel, Images& images);
// The same for every channel in `which`, channel A first, as one register image.
void ReadChannels(hw::HardwareAccess& hw, std::uint32_t busOffset, const ChannelFlags& which,
                  Images& images);
// A channel's images into its TimingIndex values.
void DecodeChannel(const Images& images, int channel, ChannelTimings& timings);

struct ReadResult {
    unsigned activeMask = 0;
    ChannelFlags active{};
    // Channel A inactive (masks 0, 2, 4, 6): nothing was read; the program must end.
    std::optional<std::string> error;
};

// The start-up read: active channels, then every active channel read and decoded, A, B, C.
ReadResult ReadTimings(hw::HardwareAccess& hw, std::uint32_t busOffset, Images& images,
                       TimingModel& model);

// A written register rebuilt from its image: the bits no timing owns are kept, every field
// whose index names an item of its list is set from the channel's timings, and a field whose
// index names no item keeps the image's bits.
std::uint32_t RebuildRegister(Reg reg, std::uint32_t image, const ChannelTimings& timings,
                              const TimingLists& lists);

// Apply: for every channel in `written` (A, B, C order) its seven registers, rebuilt when the
// channel is in `rebuilt`, else written back from the image. The images then hold what was
// written.
void Apply(hw::HardwareAccess& hw, std::uint32_t busOffset, Images& images,
           const TimingModel& model, const TimingLists& lists, const ChannelFlags& rebuilt,
           const ChannelFlags& written);

}  // namespace zm::timings::uncore
