// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/session/k10_session.h"

#include <memory>
#include <optional>
#include <string>

#include "timings/k10/k10_apply.h"
#include "timings/k10/k10_codec.h"
#include "timings/k10/k10_controller.h"
#include "timings/model/startup_guard.h"

namespace zm::timings {
namespace {

// The controllers a write went to: DCT0, and DCT1 when it was written too.
WrittenChannels K10Channels(bool dct1Written) {
    const ChannelFlags flags{true, dct1Written, false};
    return {flags, flags};
}

class K10Writer final : public TimingWriter {
public:
    K10Writer(hw::HardwareAccess& hw, const k10::ControllerState& state,
              const k10::ControllerState& start)
        : hw_(hw), state_(state), start_(start) {}

    // Both controllers are rebuilt from their own channel's indices whatever the selection:
    // a change was recorded only for the channels the selection named.
    WrittenChannels Apply(const TimingModel& model, const TimingLists& /*lists*/,
                          ChannelSet /*selection*/, bool storedSetActive) override {
        return K10Channels(k10::ApplyTimings(hw_, model, state_, storedSetActive).dct1Written);
    }

    TimingModel ReadBack(const TimingModel& model) override {
        k10::RereadRegisters(hw_, state_);
        TimingModel held = model;
        k10::DecodeTimings(state_, held);
        return held;
    }

    WrittenChannels Restore() override {
        return K10Channels(k10::RestoreImages(hw_, state_, start_));
    }

    TimingModel StartTimings(const TimingModel& model) const override {
        TimingModel start = model;
        k10::DecodeTimings(start_, start);
        return start;
    }

    bool DiffersFromStart() const override { return k10::ImagesDiffer(state_, start_); }

private:
    hw::HardwareAccess& hw_;
    k10::ControllerState state_;  // holds the RegisterImage of both controllers
    k10::ControllerState start_;  // as read before anything was written
};

}  // namespace

TimingSession StartK10Timings(hw::HardwareAccess& hw, K10Mode mode,
                              const StoredTimingsSource& stored) {
    TimingSession session;
    session.model.kind = ControllerKind::K10;
    session.model.k10Mode = mode;

    k10::ControllerState state = k10::ReadController(hw, mode);
    const k10::ControllerState start = state;
    session.model.ganged = state.ganged;
    // A pair the program refuses is not written to first: with DCT0 empty the stored set would
    // go into DCT1, which then holds the machine's only memory, just before the program ends.
    if (const auto refusal = k10::PopulationRefusal(state)) {
        session.error = std::string(refusal->text);
        return session;
    }
    k10::DecodeTimings(state, session.model);
    const ChannelFlags present = {k10::Populated(state.dct[0]),
                                  state.dct1Read && k10::Populated(state.dct[1]), false};
    const std::optional<TimingModel> set = stored ? stored(session.model, present) : std::nullopt;
    bool dct1Written = false;
    if (set) {
        dct1Written = k10::ApplyTimings(hw, *set, state, /*storedTimingsActive=*/true).dct1Written;
        k10::RereadRegisters(hw, state);
        k10::DecodeTimings(state, session.model);
    }
    session.lists = k10::ControllerLists(state);
    session.present = present;
    if (set) {
        const ChannelFlags written{true, dct1Written && present[kChannelB], false};
        session.readBack = CompareReadBack(*set, session.model, session.lists, written, written);
    }
    session.selector = BuildChannelSelector(session.model, session.present);
    if (session.selector.error) {
        session.error = session.selector.error;
        return session;
    }
    session.applyEnabled = StartupGuardPasses(session.model, session.lists, kChannelA);
    session.writer = std::make_unique<K10Writer>(hw, state, start);
    return session;
}

TimingSession StartK10Timings(hw::HardwareAccess& hw, K10Mode mode, const TimingModel* stored) {
    return StartK10Timings(hw, mode, FixedStoredTimings(stored));
}

}  // namespace zm::timings
