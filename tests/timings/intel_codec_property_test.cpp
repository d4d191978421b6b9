// SPDX-License-Identifier: GPL-3.0-or-later
// Every item of every timing drop-down of the two Intel controller kinds survives a trip
// through the register: rebuild the register from an image with the item chosen, decode it
// again, and the same item comes back while every bit outside the timing's own field stays
// as it was in the image.

#include <gtest/gtest.h>

#include <array>

#include "timings/host_bridge/host_bridge_controller.h"
#include "timings/model/timing_change.h"
#include "timings/model/value_lists.h"
#include "timings/uncore/uncore_controller.h"

namespace zm::timings {
namespace {

using I = TimingId;

constexpr std::array<std::uint32_t, 4> kImages = {0x00000000, 0xFFFFFFFF, 0xA5A5A5A5, 0x5A5A5A5A};

TEST(UncoreCodecProperty, EveryItemRoundTripsAndLeavesOtherBits) {
    const TimingLists lists = BuildTimingLists(ControllerKind::Uncore, std::nullopt);
    for (const uncore::TimingField& f : uncore::kTimingFields) {
        if (!f.written) continue;
        const auto& items = lists[static_cast<int>(f.id)];
        ASSERT_FALSE(items.empty());
        for (std::uint32_t image : kImages) {
            for (std::size_t item = 0; item < items.size(); ++item) {
                ChannelTimings t;
                // Every other timing names no item, so only this field may change.
                t.index.fill(-1);
                t[f.id] = static_cast<std::int32_t>(item);
                const std::uint32_t written = uncore::RebuildRegister(f.reg, image, t, lists);
                SCOPED_TRACE(std::string(TimingShortName(ControllerKind::Uncore, f.id)) + " item " +
                             items[item]);
                EXPECT_EQ(f.codec.Decode(written), static_cast<std::int32_t>(item));
                EXPECT_EQ(written & ~f.codec.field.Mask(), image & ~f.codec.field.Mask());
            }
        }
    }
}

TEST(UncoreCodecProperty, ShownOnlyTimingsDecodeEveryItem) {
    // CAS latency and write recovery come from the mode-register value: every field value of
    // their 3-bit fields is one list item.
    const TimingLists lists = BuildTimingLists(ControllerKind::Uncore, std::nullopt);
    for (const uncore::TimingField& f : uncore::kTimingFields) {
        if (f.written) continue;
        for (std::uint32_t v = 0; v <= f.codec.field.Max(); ++v) {
            EXPECT_TRUE(IsListed(lists, f.id, f.codec.Decode(f.codec.field.Set(0, v))))
                << std::string(TimingShortName(ControllerKind::Uncore, f.id)) << " field " << v;
        }
    }
}

TEST(UncoreCodecProperty, EveryWrittenFieldValueDecodesToAnItemThatWritesItBack) {
    // The other direction: a register value read from the controller and written back
    // unchanged by Apply, for every field value that has an item.
    const TimingLists lists = BuildTimingLists(ControllerKind::Uncore, std::nullopt);
    for (const uncore::TimingField& f : uncore::kTimingFields) {
        if (!f.written) continue;
        for (std::uint32_t v = 0; v <= f.codec.field.Max(); ++v) {
            const std::uint32_t reg = f.codec.field.Set(0x12345678, v);
            const std::int32_t index = f.codec.Decode(reg);
            if (!IsListed(lists, f.id, index)) continue;
            ChannelTimings t;
            t.index.fill(-1);
            t[f.id] = index;
            const std::uint32_t rebuilt = uncore::RebuildRegister(f.reg, reg, t, lists);
            // The back-to-back CAS delay reads 1 and 2 as "Disab.", which writes 0.
            const bool b2bDisabled = f.id == I::B2BCasDelay && v > 0 && v < 3;
            EXPECT_EQ(rebuilt, b2bDisabled ? f.codec.field.Set(reg, 0) : reg)
                << std::string(TimingShortName(ControllerKind::Uncore, f.id)) << " field " << v;
        }
    }
}

TEST(HostBridgeCodecProperty, EveryItemRoundTripsAndLeavesOtherBits) {
    ListOptions options;
    options.unlistedRefreshPeriod = 0x1234;
    const TimingLists lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt, options);
    for (const host_bridge::TimingField& f : host_bridge::kTimingFields) {
        if (!f.written) continue;
        const auto& items = lists[static_cast<int>(f.id)];
        for (std::uint32_t image : kImages) {
            for (std::size_t item = 0; item < items.size(); ++item) {
                ChannelTimings t;
                t.index.fill(-1);
                t.trpHighBit = 7;  // with any slot value: no tRP item
                t[f.id] = static_cast<std::int32_t>(item);
                const std::uint32_t written =
                    host_bridge::RebuildRegister(f.reg, image, t, 0x1234, lists);
                SCOPED_TRACE(std::string(TimingShortName(ControllerKind::HostBridge, f.id)) +
                             " item " + items[item]);
                EXPECT_EQ(f.codec.Decode(written), static_cast<std::int32_t>(item));
                EXPECT_EQ(written & ~f.codec.field.Mask(), image & ~f.codec.field.Mask());
            }
        }
    }
}

TEST(HostBridgeCodecProperty, TrpItemsRoundTripThroughBothRegisters) {
    const TimingLists lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt);
    const auto& items = lists[static_cast<int>(I::tRP)];
    for (std::uint32_t image : kImages) {
        for (std::size_t item = 0; item < items.size(); ++item) {
            TimingModel model;
            model.kind = ControllerKind::HostBridge;
            model[0].index.fill(-1);
            StoreItem(model, 0, I::tRP, static_cast<std::int32_t>(item));
            host_bridge::Images images;
            images.at(0, host_bridge::Reg::R250) =
                host_bridge::RebuildRegister(host_bridge::Reg::R250, image, model[0], 0, lists);
            images.at(0, host_bridge::Reg::R254) =
                host_bridge::RebuildRegister(host_bridge::Reg::R254, image, model[0], 0, lists);
            SCOPED_TRACE("tRP item " + items[item]);
            EXPECT_EQ(images.at(0, host_bridge::Reg::R250) & ~host_bridge::kTrpLow.Mask(),
                      image & ~host_bridge::kTrpLow.Mask());
            EXPECT_EQ(images.at(0, host_bridge::Reg::R254) & ~host_bridge::kTrpHigh.Mask(),
                      image & ~host_bridge::kTrpHigh.Mask());
            TimingModel back;
            back.kind = ControllerKind::HostBridge;
            host_bridge::Decode(images, back);
            EXPECT_EQ(DisplayIndex(back, 0, I::tRP), static_cast<std::int32_t>(item));
        }
    }
}

TEST(HostBridgeCodecProperty, RefreshPeriodItemsRoundTripIncludingTheUnlistedOne) {
    ListOptions options;
    options.unlistedRefreshPeriod = 0x1234;
    const TimingLists lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt, options);
    const auto& items = lists[static_cast<int>(I::tREFI)];
    ASSERT_EQ(items.size(), 17u);
    for (std::uint32_t image : kImages) {
        for (std::size_t item = 0; item < items.size(); ++item) {
            ChannelTimings t;
            t.index.fill(-1);
            t[I::tREFI] = static_cast<std::int32_t>(item);
            host_bridge::Images images;
            images.at(0, host_bridge::Reg::R268) =
                host_bridge::RebuildRegister(host_bridge::Reg::R268, image, t, 0x1234, lists);
            images.at(0, host_bridge::Reg::R260) = 0x00300000;
            SCOPED_TRACE("refresh period item " + items[item]);
            EXPECT_EQ(images.at(0, host_bridge::Reg::R268) & ~host_bridge::kRefreshPeriod.Mask(),
                      image & ~host_bridge::kRefreshPeriod.Mask());
            TimingModel back;
            back.kind = ControllerKind::HostBridge;
            host_bridge::Decode(images, back);
            EXPECT_EQ(back[0][I::tREFI], static_cast<std::int32_t>(item));
        }
    }
}

}  // namespace
}  // namespace zm::timings
