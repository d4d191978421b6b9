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

TimingSession StartUncoreTimings(hw::HardwareAccess& hw, std::uint32_t busOffset,
                                 std::uint32_t uncoreDeviceId, const TimingModel* stored) {
    TimingSession session;
    session.model.kind = ControllerKind::Uncore;
    session.lists = BuildTimingLists(ControllerKind::Uncore, std::nullopt);

    const uncore::LockCheck lock = uncore::CheckConfigurationLock(hw, busOffset, uncoreDeviceId);
    if (lock.locked) session.groupCaption = std::string(uncore::kLockedCaption);

    if (stored) uncore::ApplyStored(hw, busOffset, *stored, session.lists);

    uncore::Images images;
    const uncore::ReadResult read = uncore::ReadTimings(hw, busOffset, images, session.model);
    session.present = read.active;
    if (read.error) {
        session.error = read.error;
        return session;
    }
    FinishStart(session);
    session.writer = std::make_unique<UncoreWriter>(hw, busOffset, images, read.active);
    return session;
}

TimingSession StartHostBridgeTimings(hw::HardwareAccess& hw, const TimingModel* stored) {
    TimingSession session;
    session.model.kind = ControllerKind::HostBridge;
    session.lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt);

    const std::uint32_t base = host_bridge::OpenWindow(hw);
    host_bridge::Images images;
    host_bridge::ReadChannels(hw, base, images);
    if (stored) {
        // The lists have no 17th refresh-period item yet, so a stored index 16 (a period read
        // on some earlier start) is not written: its raw value is not known now.
        const ChannelFlags populated{
            host_bridge::kPopulated.Get(images.at(kChannelA, host_bridge::Reg::R260)) != 0,
            host_bridge::kPopulated.Get(images.at(kChannelB, host_bridge::Reg::R260)) != 0, false};
        const ChannelFlags rebuilt =
            ChannelsRebuiltOnApply(ControllerKind::HostBridge, "", true, populated);
        host_bridge::Apply(hw, base, images, *stored, session.lists, rebuilt);
        host_bridge::ReadChannels(hw, base, images);
    }

    const host_bridge::DecodeResult decoded = host_bridge::Decode(images, session.model);
    session.present = decoded.populated;
    if (decoded.error) {
        session.error = decoded.error;
        return session;
    }
    ListOptions options;
    options.unlistedRefreshPeriod = decoded.unlistedRefreshPeriod;
    session.lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt, options);
    FinishStart(session);
    session.writer = std::make_unique<HostBridgeWriter>(hw, base, images, decoded.populated);
    return session;
}

}  // namespace zm::timings
