#include "timings/timing_session.h"

#include "timings/host_bridge_controller.h"
#include "timings/startup_guard.h"
#include "timings/timing_change.h"
#include "timings/uncore_controller.h"

namespace zm::timings {
namespace {

class UncoreWriter final : public TimingWriter {
public:
    UncoreWriter(hw::HardwareAccess& hw, std::uint32_t busOffset, const uncore::Images& images,
                 const ChannelFlags& active)
        : hw_(hw), busOffset_(busOffset), images_(images), active_(active) {}

    void Apply(const TimingModel& model, const TimingLists& lists, std::string_view selection,
               bool storedSetActive) override {
        const ChannelFlags rebuilt =
            ChannelsRebuiltOnApply(ControllerKind::Uncore, selection, storedSetActive, active_);
        // Channels that are not active were never read; their images hold nothing to write.
        uncore::Apply(hw_, busOffset_, images_, model, lists, rebuilt, active_);
    }

private:
    hw::HardwareAccess& hw_;
    std::uint32_t busOffset_;
    uncore::Images images_;
    ChannelFlags active_;
};

class HostBridgeWriter final : public TimingWriter {
public:
    HostBridgeWriter(hw::HardwareAccess& hw, std::uint32_t base, const host_bridge::Images& images,
                     const ChannelFlags& populated)
        : hw_(hw), base_(base), images_(images), populated_(populated) {}

    void Apply(const TimingModel& model, const TimingLists& lists, std::string_view selection,
               bool storedSetActive) override {
        const ChannelFlags rebuilt = ChannelsRebuiltOnApply(ControllerKind::HostBridge, selection,
                                                            storedSetActive, populated_);
        host_bridge::Apply(hw_, base_, images_, model, lists, rebuilt);
    }

private:
    hw::HardwareAccess& hw_;
    std::uint32_t base_;
    host_bridge::Images images_;
    ChannelFlags populated_;
};

void FinishStart(TimingSession& session) {
    session.selector = BuildChannelSelector(session.model, session.present);
    if (session.selector.error) {
        session.error = session.selector.error;
        return;
    }
    session.applyEnabled = StartupGuardPasses(session.model, session.lists, kChannelA);
}

// The stored set goes into all three channels, as Apply does with the set active. The inactive
// channels are read for it too (never shown), so that whatever the set does not name keeps
// their registers' values as well. Returns the set written, if the source gave one.
std::optional<TimingModel> WriteUncoreStoredSet(hw::HardwareAccess& hw, std::uint32_t busOffset,
                                                const TimingSession& session,
                                                const ChannelFlags& active,
                                                const StoredTimingsSource& stored) {
    uncore::Images images;
    TimingModel decoded = session.model;
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        uncore::ReadChannel(hw, busOffset, ch, images);
        if (!active[ch]) uncore::DecodeChannel(images, ch, decoded[ch]);
    }
    std::optional<TimingModel> set = stored(decoded);
    if (set) {
        const ChannelFlags every = ChannelsRebuiltOnApply(ControllerKind::Uncore, "", true, active);
        uncore::Apply(hw, busOffset, images, *set, session.lists, every, every);
    }
    return set;
}

}  // namespace

std::string TimingSession::Selection() const {
    const int i = selector.selectedItem;
    if (i < 0 || static_cast<std::size_t>(i) >= selector.items.size()) return {};
    return selector.items[static_cast<std::size_t>(i)];
}

bool TimingSession::ControlEnabled(TimingControl control) const {
    if (ControlAlwaysDisabled(model.kind, model.k10Mode, control)) return false;
    if (SingleChannelControl(model.kind) == control) return IsSingleChannelSelection(Selection());
    return true;
}

SelectionOutcome TimingSession::SelectItem(int item) {
    SelectionOutcome outcome = SelectChannels(model, selector.items, item);
    selector.selectedItem = outcome.selectedItem;
    return outcome;
}

void TimingSession::Change(TimingControl control, std::int32_t index) {
    RecordChange(model, control, index, Selection());
    pending[static_cast<int>(control)] = true;
}

void TimingSession::Apply(bool storedSetActive) {
    if (writer) writer->Apply(model, lists, Selection(), storedSetActive);
}

StoredTimingsSource FixedStoredTimings(const TimingModel* set) {
    if (!set) return {};
    return [set](const TimingModel&) { return std::optional<TimingModel>(*set); };
}

TimingSession StartUncoreTimings(hw::HardwareAccess& hw, std::uint32_t busOffset,
                                 std::uint32_t uncoreDeviceId, const StoredTimingsSource& stored) {
    TimingSession session;
    session.model.kind = ControllerKind::Uncore;
    session.lists = BuildTimingLists(ControllerKind::Uncore, std::nullopt);

    const uncore::LockCheck lock = uncore::CheckConfigurationLock(hw, busOffset, uncoreDeviceId);
    if (lock.locked) session.groupCaption = std::string(uncore::kLockedCaption);

    uncore::Images images;
    uncore::ReadResult read = uncore::ReadTimings(hw, busOffset, images, session.model);
    // A refused population is not written to: the program ends right after the message.
    if (!read.error && stored) {
        if (const std::optional<TimingModel> set =
                WriteUncoreStoredSet(hw, busOffset, session, read.active, stored)) {
            session.model = TimingModel{};
            session.model.kind = ControllerKind::Uncore;
            session.model.uncoreSpare = set->uncoreSpare;
            read = uncore::ReadTimings(hw, busOffset, images, session.model);
        }
    }
    session.present = read.active;
    if (read.error) {
        session.error = read.error;
        return session;
    }
    FinishStart(session);
    session.writer = std::make_unique<UncoreWriter>(hw, busOffset, images, read.active);
    return session;
}

TimingSession StartUncoreTimings(hw::HardwareAccess& hw, std::uint32_t busOffset,
                                 std::uint32_t uncoreDeviceId, const TimingModel* stored) {
    return StartUncoreTimings(hw, busOffset, uncoreDeviceId, FixedStoredTimings(stored));
}

TimingSession StartHostBridgeTimings(hw::HardwareAccess& hw, const StoredTimingsSource& stored) {
    TimingSession session;
    session.model.kind = ControllerKind::HostBridge;

    const std::optional<std::uint32_t> window = host_bridge::OpenWindow(hw);
    if (!window) {
        session.error = std::string(kWindowNotSetUpError);
        return session;
    }
    const std::uint32_t base = *window;
    host_bridge::Images images;
    host_bridge::DecodeResult decoded = host_bridge::ReadTimings(hw, base, images, session.model);
    ListOptions options;
    options.unlistedRefreshPeriod = decoded.unlistedRefreshPeriod;
    session.lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt, options);
    std::optional<TimingModel> set;
    if (!decoded.error && stored) set = stored(session.model);
    if (set) {
        // The file holds no refresh period, only its list index: index 16 stands for the
        // unlisted period read now, and exists only when the period read now is unlisted.
        set->refreshPeriodRaw = session.model.refreshPeriodRaw;
        const ChannelFlags rebuilt =
            ChannelsRebuiltOnApply(ControllerKind::HostBridge, "", true, decoded.populated);
        host_bridge::Apply(hw, base, images, *set, session.lists, rebuilt);
        session.model = TimingModel{};
        session.model.kind = ControllerKind::HostBridge;
        decoded = host_bridge::ReadTimings(hw, base, images, session.model);
        options.unlistedRefreshPeriod = decoded.unlistedRefreshPeriod;
        session.lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt, options);
    }
    session.present = decoded.populated;
    // A refused population is not written to: the program ends right after the message.
    if (decoded.error) {
        session.error = decoded.error;
        return session;
    }
    FinishStart(session);
    session.writer = std::make_unique<HostBridgeWriter>(hw, base, images, decoded.populated);
    return session;
}

TimingSession StartHostBridgeTimings(hw::HardwareAccess& hw, const TimingModel* stored) {
    return StartHostBridgeTimings(hw, FixedStoredTimings(stored));
}

}  // namespace zm::timings
