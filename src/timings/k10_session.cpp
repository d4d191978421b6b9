#include "timings/k10_session.h"

#include <memory>
#include <optional>
#include <string>

#include "timings/k10_apply.h"
#include "timings/k10_codec.h"
#include "timings/k10_controller.h"
#include "timings/startup_guard.h"

namespace zm::timings {
namespace {

class K10Writer final : public TimingWriter {
public:
    K10Writer(hw::HardwareAccess& hw, const k10::ControllerState& state) : hw_(hw), state_(state) {}

    // Both controllers are rebuilt from their own channel's indices whatever the selection:
    // a change was recorded only for the channels the selection named.
    void Apply(const TimingModel& model, const TimingLists& /*lists*/,
               std::string_view /*selection*/, bool storedSetActive) override {
        k10::ApplyTimings(hw_, model, state_, storedSetActive);
    }

private:
    hw::HardwareAccess& hw_;
    k10::ControllerState state_;  // holds the RegisterImage of both controllers
};

}  // namespace

TimingSession StartK10Timings(hw::HardwareAccess& hw, K10Mode mode,
                              const StoredTimingsSource& stored) {
    TimingSession session;
    session.model.kind = ControllerKind::K10;
    session.model.k10Mode = mode;

    k10::ControllerState state = k10::ReadController(hw, mode);
    session.model.ganged = state.ganged;
    // A pair the program refuses is not written to first: with DCT0 empty the stored set would
    // go into DCT1, which then holds the machine's only memory, just before the program ends.
    if (const auto refusal = k10::PopulationRefusal(state)) {
        session.error = std::string(refusal->text);
        return session;
    }
    k10::DecodeTimings(state, session.model);
    if (const std::optional<TimingModel> set = stored ? stored(session.model) : std::nullopt) {
        k10::ApplyTimings(hw, *set, state, /*storedTimingsActive=*/true);
        k10::RereadRegisters(hw, state);
        k10::DecodeTimings(state, session.model);
    }
    session.lists = k10::ControllerLists(state);
    session.present = {k10::Populated(state.dct[0]), state.dct1Read && k10::Populated(state.dct[1]),
                       false};
    session.selector = BuildChannelSelector(session.model, session.present);
    if (session.selector.error) {
        session.error = session.selector.error;
        return session;
    }
    session.applyEnabled = StartupGuardPasses(session.model, session.lists, kChannelA);
    session.writer = std::make_unique<K10Writer>(hw, state);
    return session;
}

TimingSession StartK10Timings(hw::HardwareAccess& hw, K10Mode mode, const TimingModel* stored) {
    return StartK10Timings(hw, mode, FixedStoredTimings(stored));
}

}  // namespace zm::timings
