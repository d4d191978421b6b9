// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/uncore/uncore_controller.h"

#include <array>
#include <vector>

namespace zm::timings::uncore {

LockCheck CheckConfigurationLock(hw::HardwareAccess& hw, std::uint32_t busOffset,
                                 std::uint32_t uncoreDeviceId) {
    LockCheck result;
    result.state = kLockState.Get(hw.PciConfigRead(kConfigLock + busOffset));
    if (uncoreDeviceId == kDevice2C1C || uncoreDeviceId == kDevice2D9C) {
        if (result.state == 2) hw.PciConfigWrite(kUnlockRequest + busOffset, kUnlockValue);
        result.enableApply = result.state == 0 || result.state == 2;
        result.locked = result.state == 1 || result.state == 3;
    } else if (uncoreDeviceId == kDevice2C9C) {
        hw.PciConfigWrite(kConfigUnlock + busOffset, kUnlockValue);
        if (result.state == 2) {
            hw.PciConfigWrite(kUnlockRequest + busOffset, kUnlockValue);
            result.enableApply = true;
        }
    }
    return result;
}

unsigned ReadActiveChannelMask(hw::HardwareAccess& hw, std::uint32_t busOffset) {
    return kActiveChannels.Get(hw.PciConfigRead(kControllerControl + busOffset));
}

void ReadChannel(hw::HardwareAccess& hw, std::uint32_t busOffset, int channel, Images& images) {
    std::array<std::uint32_t, kRegCount> addresses{}, values{};
    for (int r = 0; r < kRegCount; ++r)
        addresses[r] = ChannelRegisterAddress(channel, static_cast<Reg>(r)) + busOffset;
    hw.PciConfigReadMany(addresses, values);
    for (int r = 0; r < kRegCount; ++r) images.at(channel, static_cast<Reg>(r)) = values[r];
}

void ReadChannels(hw::HardwareAccess& hw, std::uint32_t busOffset, const ChannelFlags& which,
                  Images& images) {
    std::vector<std::uint32_t> addresses;
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        if (!which[ch]) continue;
        for (int r = 0; r < kRegCount; ++r)
            addresses.push_back(ChannelRegisterAddress(ch, static_cast<Reg>(r)) + busOffset);
    }
    std::vector<std::uint32_t> values(addresses.size());
    hw.PciConfigReadMany(addresses, values);
    std::size_t next = 0;
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        if (!which[ch]) continue;
        for (int r = 0; r < kRegCount; ++r) images.at(ch, static_cast<Reg>(r)) = values[next++];
    }
}

void DecodeChannel(const Images& images, int channel, ChannelTimings& timings) {
    for (const TimingField& f : kTimingFields) {
        timings[f.id] = f.codec.Decode(images.at(channel, f.reg));
    }
    const auto a2 =
        static_cast<std::int32_t>(kCasLatencyA2.Get(images.at(channel, Reg::ModeRegister)));
    timings[I::tCL] += kCasLatencyA2Weight * a2;
}

ReadResult ReadTimings(hw::HardwareAccess& hw, std::uint32_t busOffset, Images& images,
                       TimingModel& model) {
    ReadResult result;
    result.activeMask = ReadActiveChannelMask(hw, busOffset);
    result.active = ChannelsFromMask(result.activeMask);
    if (!result.active[kChannelA]) {
        result.error = std::string(kChannelAEmptyMessage);
        return result;
    }
    ReadChannels(hw, busOffset, result.active, images);
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        if (result.active[ch]) DecodeChannel(images, ch, model[ch]);
    }
    return result;
}

std::uint32_t RebuildRegister(Reg reg, std::uint32_t image, const ChannelTimings& timings,
                              const TimingLists& lists) {
    std::uint32_t value = image;
    for (const TimingField& f : kTimingFields) {
        if (f.reg != reg || !f.written) continue;
        const std::int32_t index = timings[f.id];
        if (IsListed(lists, f.id, index)) value = f.codec.Encode(value, index);
    }
    return value;
}

void Apply(hw::HardwareAccess& hw, std::uint32_t busOffset, Images& images,
           const TimingModel& model, const TimingLists& lists, const ChannelFlags& rebuilt,
           const ChannelFlags& written) {
    // The registers go together, with whatever reads them back next.
    hw::HardwareAccess::WriteBatch batch(hw);
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        if (!written[ch]) continue;
        for (int r = 0; r < kWrittenRegCount; ++r) {
            const Reg reg = static_cast<Reg>(r);
            std::uint32_t& image = images.at(ch, reg);
            if (rebuilt[ch]) image = RebuildRegister(reg, image, model[ch], lists);
            hw.PciConfigWrite(ChannelRegisterAddress(ch, reg) + busOffset, image);
        }
    }
}

}  // namespace zm::timings::uncore
