// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/model/timing_change.h"

namespace zm::timings {
namespace {

using I = TimingId;

bool IsK10Ddr3(const TimingModel& model) {
    return model.kind == ControllerKind::K10 && model.k10Mode == K10Mode::Ddr3;
}

// K10 DDR3 turnarounds: their place in ChannelTimings::turnaroundHigh, else -1.
int TurnaroundSlot(TimingId id) {
    switch (id) {
        case I::tWRRD:
            return 0;
        case I::tWRWR:
            return 1;
        case I::tRDRD:
            return 2;
        default:
            return -1;
    }
}

}  // namespace

ChannelFlags ChannelsForChange(const TimingModel& model, ChannelSet selection) {
    ChannelFlags to = ChannelsOf(selection);
    if (model.kind != ControllerKind::Uncore) to[kChannelC] = false;
    // A ganged K10 pair is one controller, driven through DCT0.
    if (model.kind == ControllerKind::K10 && model.ganged) {
        to[kChannelA] = true;
        to[kChannelB] = selection == ChannelSet::B;
    }
    return to;
}

void StoreItem(TimingModel& model, int channel, TimingId id, std::int32_t index) {
    ChannelTimings& ch = model[channel];
    if (model.kind == ControllerKind::HostBridge && id == I::tRP) {
        ch[id] = index + 2;  // the tRP value itself
        ch.trpHighBit = index > 5 ? 1 : 0;
        return;
    }
    if (model.kind == ControllerKind::K10 && id == I::IdleCycleLimit) {
        ch.idleCycleLimitEnable = index == 0 ? 0 : 1;
    }
    if (IsK10Ddr3(model) && TurnaroundSlot(id) >= 0) {
        ch[id] = index % 4;
        ch.turnaroundHigh[TurnaroundSlot(id)] = index / 4;
        return;
    }
    ch[id] = index;
}

void RecordChange(TimingModel& model, TimingId id, std::int32_t index, ChannelSet selection) {
    const ChannelFlags to = ChannelsForChange(model, selection);
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        if (to[ch]) StoreItem(model, ch, id, index);
    }
}

std::int32_t DisplayIndex(const TimingModel& model, int channel, TimingId id) {
    const ChannelTimings& ch = model[channel];
    if (model.kind == ControllerKind::HostBridge && id == I::tRP) {
        // tRP holds the low three bits as read, or the whole value after a change; the
        // high bit always comes from beside it.
        return ch.trpHighBit * 8 + (ch[id] & 7) - 2;
    }
    if (IsK10Ddr3(model) && TurnaroundSlot(id) >= 0) {
        return ch.turnaroundHigh[TurnaroundSlot(id)] * 4 + ch[id];
    }
    return ch[id];
}

}  // namespace zm::timings
