// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/host_bridge/host_bridge_controller.h"

#include <algorithm>
#include <array>

#include "hw/pci_address.h"

namespace zm::timings::host_bridge {

std::optional<std::uint32_t> OpenWindow(hw::HardwareAccess& hw) {
    const std::uint32_t value = hw.PciConfigRead(kWindowBaseRegister);
    const std::uint32_t base = value & kWindowBaseMask;
    // A firmware that never placed the window leaves 0 (an absent bridge answers all ones);
    // enabling it there would lay the controller's registers over ordinary memory, and every
    // Apply would write into that memory instead.
    if (value == hw::kPciNoDevice || base == 0) return std::nullopt;
    hw.ReachPciWrite(kWindowBaseRegister, value | kWindowEnable, value);
    return base;
}

void ReadChannels(hw::HardwareAccess& hw, std::uint32_t base, Images& images) {
    // Both channels' registers as one image.
    std::array<std::uint16_t, 2 * kReadOrder.size()> offsets{};
    std::array<std::uint32_t, 2 * kReadOrder.size()> values{};
    for (int ch = 0; ch < 2; ++ch) {
        for (std::size_t r = 0; r < kReadOrder.size(); ++r)
            offsets[ch * kReadOrder.size() + r] = RegisterOffset(ch, kReadOrder[r]);
    }
    hw.MmioReadMany(base, offsets, values);
    for (int ch = 0; ch < 2; ++ch) {
        for (std::size_t r = 0; r < kReadOrder.size(); ++r)
            images.at(ch, kReadOrder[r]) = values[ch * kReadOrder.size() + r];
    }
}

DecodeResult Decode(const Images& images, TimingModel& model) {
    DecodeResult result;
    for (int ch = 0; ch < 2; ++ch) {
        ChannelTimings& t = model[ch];
        for (const TimingField& f : kTimingFields) {
            t[f.id] = f.codec.Decode(images.at(ch, f.reg));
        }
        t[I::tREF_REF] =
            static_cast<std::int32_t>(kRefreshToRefreshRead.Get(images.at(ch, Reg::R258)));
        // tRP: the slot holds the low three bits as read, the high bit sits beside it.
        t[I::tRP] = static_cast<std::int32_t>(kTrpLow.Get(images.at(ch, Reg::R250)));
        t.trpHighBit = static_cast<std::int32_t>(kTrpHigh.Get(images.at(ch, Reg::R254)));

        const std::uint32_t period = kRefreshPeriod.Get(images.at(ch, Reg::R268));
        const auto* listed = std::find(kRefreshPeriods.begin(), kRefreshPeriods.end(), period);
        if (listed != kRefreshPeriods.end()) {
            t[I::tREFI] = static_cast<std::int32_t>(listed - kRefreshPeriods.begin());
        } else if (!result.unlistedRefreshPeriod || *result.unlistedRefreshPeriod == period) {
            t[I::tREFI] = kUnlistedRefreshIndex;
            result.unlistedRefreshPeriod = period;
            model.refreshPeriodRaw = period;
        } else {
            // Both channels hold a different unlisted period; the list has room for one. This
            // channel's shows nothing and is never rewritten with the other channel's value.
            t[I::tREFI] = -1;
        }
        result.populated[ch] = kPopulated.Get(images.at(ch, Reg::R260)) != 0;
    }
    if (!result.populated[kChannelA]) result.error = std::string(kChannelAEmptyMessage);
    return result;
}

DecodeResult ReadTimings(hw::HardwareAccess& hw, std::uint32_t base, Images& images,
                         TimingModel& model) {
    ReadChannels(hw, base, images);
    return Decode(images, model);
}

std::uint32_t RebuildRegister(Reg reg, std::uint32_t image, const ChannelTimings& timings,
                              std::uint32_t refreshPeriodRaw, const TimingLists& lists) {
    std::uint32_t value = image;
    for (const TimingField& f : kTimingFields) {
        if (f.reg != reg || !f.written) continue;
        const std::int32_t index = timings[f.id];
        if (IsListed(lists, f.id, index)) value = f.codec.Encode(value, index);
    }
    // tRP: the value is (high bit, low three bits of the slot); see DisplayIndex.
    const std::int32_t trpIndex = timings.trpHighBit * 8 + (timings[I::tRP] & 7) - kTrpOffset;
    if ((reg == Reg::R250 || reg == Reg::R254) && IsListed(lists, I::tRP, trpIndex)) {
        const auto trp = static_cast<std::uint32_t>(trpIndex + kTrpOffset);
        if (reg == Reg::R250) value = kTrpLow.Set(value, trp & 7);
        if (reg == Reg::R254) value = kTrpHigh.Set(value, trp >> 3);
    }
    if (reg == Reg::R268) {
        const std::int32_t index = timings[I::tREFI];
        if (IsListed(lists, I::tREFI, index)) {
            const std::uint32_t period = index == kUnlistedRefreshIndex
                                             ? refreshPeriodRaw
                                             : kRefreshPeriods[static_cast<std::size_t>(index)];
            if (kRefreshPeriod.Fits(period)) value = kRefreshPeriod.Set(value, period);
        }
    }
    return value;
}

void Apply(hw::HardwareAccess& hw, std::uint32_t base, Images& images, const TimingModel& model,
           const TimingLists& lists, const ChannelFlags& rebuilt) {
    // The registers go together, with whatever reads them back next.
    hw::HardwareAccess::WriteBatch batch(hw);
    for (int r = 0; r < kWrittenRegCount; ++r) {
        const Reg reg = static_cast<Reg>(r);
        for (int ch = 0; ch < 2; ++ch) {
            std::uint32_t& image = images.at(ch, reg);
            if (rebuilt[ch]) {
                image = RebuildRegister(reg, image, model[ch], model.refreshPeriodRaw, lists);
            }
            hw.MmioWrite(base, RegisterOffset(ch, reg), image);
        }
    }
}

}  // namespace zm::timings::host_bridge
