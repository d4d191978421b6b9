// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/k10/k10_codec.h"

#include <algorithm>

#include "timings/k10/k10_controller.h"
#include "timings/model/timing_change.h"

namespace zm::timings::k10 {

namespace {

constexpr int kTurnaroundPartLimit = 1 << kTurnaroundLowBits;

int IdleCycleLimitIndex(std::uint32_t configLow) {
    if (f2x90::IdleCycLimitEn.Get(configLow) == 0) return 0;
    return static_cast<int>(f2x90::IdleCycLimit.Get(configLow)) + 1;
}

// F2x90 22..20 for an idle-cycle-limit item: 0 for "Disab.", else enable and item - 1.
std::uint32_t EncodeIdleCycleLimit(std::uint32_t configLow, int index) {
    if (index == 0) return f2x90::IdleCycLimitAll.Set(configLow, 0);
    configLow = f2x90::IdleCycLimitEn.Set(configLow, 1);
    return f2x90::IdleCycLimit.Set(configLow, static_cast<std::uint32_t>(index - 1));
}

bool IsPart(int value) {
    return value >= 0 && value < kTurnaroundPartLimit;
}

bool Encodable(const TimingModel& model, int channel, const TimingField& f,
               const TimingLists& lists) {
    const ChannelTimings& ch = model[channel];
    if (f.encoding == Encoding::Turnaround) {
        // Both parts must be 2-bit values, or high * 4 + low would not name what they hold.
        const auto high = TurnaroundHighOf(f.id);
        if (!high || !IsPart(ch[f.id]) || !IsPart(ch.turnaroundHigh[high->slot])) {
            return false;
        }
    }
    const std::int32_t index = DisplayIndex(model, channel, f.id);
    if (!IsListed(lists, f.id, index)) return false;
    return f.encoding != Encoding::Plain || f.codec.FieldValue(index).has_value();
}

void NoteNotEncoded(std::vector<TimingId>* notEncoded, TimingId id) {
    if (notEncoded == nullptr) return;
    if (std::find(notEncoded->begin(), notEncoded->end(), id) == notEncoded->end()) {
        notEncoded->push_back(id);
    }
}

}  // namespace

void DecodeChannel(K10Mode mode, const DctRegisters& regs, ChannelTimings& channel) {
    for (const TimingField& f : FieldMap(mode)) {
        const std::uint32_t reg = regs[f.reg];
        switch (f.encoding) {
            case Encoding::Plain:
                channel[f.id] = f.codec.Decode(reg);
                break;
            case Encoding::IdleCycleLimit:
                channel[f.id] = IdleCycleLimitIndex(reg);
                channel.idleCycleLimitEnable =
                    static_cast<std::int32_t>(f2x90::IdleCycLimitEn.Get(reg));
                break;
            case Encoding::Turnaround:
                channel[f.id] = static_cast<std::int32_t>(f.codec.field.Get(reg));
                if (const auto high = TurnaroundHighOf(f.id)) {
                    channel.turnaroundHigh[high->slot] =
                        static_cast<std::int32_t>(high->field.Get(regs[Register::DramControl]));
                }
                break;
        }
    }
}

void DecodeTimings(const ControllerState& state, TimingModel& model) {
    model.kind = ControllerKind::K10;
    model.k10Mode = state.mode;
    model.ganged = state.ganged;
    DecodeChannel(state.mode, state.dct[0], model[kChannelA]);
    if (state.dct1Read) {
        DecodeChannel(state.mode, state.dct[1], model[kChannelB]);
    } else {
        model[kChannelB] = model[kChannelA];
    }
}

TimingLists ControllerLists(const ControllerState& state) {
    ListOptions options;
    options.k10Dct0ConfigLowBits11To10 =
        f2x90::BurstLength32Width128.Get(state.dct[0][Register::ConfigLow]);
    return BuildTimingLists(ControllerKind::K10, state.mode, options);
}

std::uint32_t RebuildRegister(const TimingModel& model, int channel, Register reg,
                              std::uint32_t image, const TimingLists& lists,
                              std::vector<TimingId>* notEncoded) {
    const K10Mode mode = model.k10Mode.value_or(K10Mode::Ddr2_800);
    const ChannelTimings& ch = model[channel];
    std::uint32_t value = image;
    for (const TimingField& f : FieldMap(mode)) {
        if (!f.written) continue;
        const bool highPartHere =
            f.encoding == Encoding::Turnaround && reg == Register::DramControl;
        if (f.reg != reg && !highPartHere) continue;
        if (!Encodable(model, channel, f, lists)) {
            NoteNotEncoded(notEncoded, f.id);
            continue;
        }
        switch (f.encoding) {
            case Encoding::Plain:
                value = f.codec.Encode(value, DisplayIndex(model, channel, f.id));
                break;
            case Encoding::IdleCycleLimit:
                value = EncodeIdleCycleLimit(value, DisplayIndex(model, channel, f.id));
                break;
            case Encoding::Turnaround: {
                const auto high = TurnaroundHighOf(f.id);
                value = highPartHere
                            ? high->field.Set(
                                  value, static_cast<std::uint32_t>(ch.turnaroundHigh[high->slot]))
                            : f.codec.field.Set(value, static_cast<std::uint32_t>(ch[f.id]));
                break;
            }
        }
    }
    // Every bit outside the owned fields comes from the start-up copy.
    const std::uint32_t keep = KeepMask(mode, reg);
    return (image & keep) | (value & ~keep);
}

}  // namespace zm::timings::k10
