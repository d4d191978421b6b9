// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/session/timing_session.h"

#include "timings/host_bridge/host_bridge_controller.h"
#include "timings/model/startup_guard.h"
#include "timings/model/timing_change.h"
#include "timings/uncore/uncore_controller.h"

namespace zm::timings {
namespace {

class UncoreWriter final : public TimingWriter {
public:
    UncoreWriter(hw::HardwareAccess& hw, std::uint32_t busOffset, const uncore::Images& images,
                 const uncore::Images& startImages, const ChannelFlags& active)
        : hw_(hw), busOffset_(busOffset), images_(images), start_(startImages), active_(active) {}

    WrittenChannels Apply(const TimingModel& model, const TimingLists& lists, ChannelSet selection,
                          bool storedSetActive) override {
        const ChannelFlags rebuilt =
            ChannelsRebuiltOnApply(ControllerKind::Uncore, selection, storedSetActive, active_);
        // Channels that are not active were never read; their images hold nothing to write.
        uncore::Apply(hw_, busOffset_, images_, model, lists, rebuilt, active_);
        return {rebuilt, active_};
    }

    TimingModel ReadBack(const TimingModel& model) override {
        TimingModel held = model;
        uncore::ReadChannels(hw_, busOffset_, active_, images_);
        for (int ch = 0; ch < kMaxChannels; ++ch) {
            if (active_[ch]) uncore::DecodeChannel(images_, ch, held[ch]);
        }
        return held;
    }

    WrittenChannels Restore() override {
        images_ = start_;
        uncore::Apply(hw_, busOffset_, images_, {}, {}, {}, active_);
        return {{}, active_};
    }

    TimingModel StartTimings(const TimingModel& model) const override {
        TimingModel start = model;
        for (int ch = 0; ch < kMaxChannels; ++ch)
            if (active_[ch]) uncore::DecodeChannel(start_, ch, start[ch]);
        return start;
    }

    bool DiffersFromStart() const override {
        for (int ch = 0; ch < kMaxChannels; ++ch) {
            if (!active_[ch]) continue;
            for (int r = 0; r < uncore::kWrittenRegCount; ++r) {
                const auto reg = static_cast<uncore::Reg>(r);
                if (images_.at(ch, reg) != start_.at(ch, reg)) return true;
            }
        }
        return false;
    }

private:
    hw::HardwareAccess& hw_;
    std::uint32_t busOffset_;
    uncore::Images images_;
    uncore::Images start_;  // as read before anything was written
    ChannelFlags active_;
};

class HostBridgeWriter final : public TimingWriter {
public:
    HostBridgeWriter(hw::HardwareAccess& hw, std::uint32_t base, const host_bridge::Images& images,
                     const host_bridge::Images& startImages, const ChannelFlags& populated)
        : hw_(hw), base_(base), images_(images), start_(startImages), populated_(populated) {}

    WrittenChannels Apply(const TimingModel& model, const TimingLists& lists, ChannelSet selection,
                          bool storedSetActive) override {
        const ChannelFlags rebuilt = ChannelsRebuiltOnApply(ControllerKind::HostBridge, selection,
                                                            storedSetActive, populated_);
        host_bridge::Apply(hw_, base_, images_, model, lists, rebuilt);
        return {rebuilt, populated_};
    }

    TimingModel ReadBack(const TimingModel& model) override {
        host_bridge::ReadChannels(hw_, base_, images_);
        TimingModel held = model;
        host_bridge::Decode(images_, held);
        return held;
    }

    WrittenChannels Restore() override {
        images_ = start_;
        host_bridge::Apply(hw_, base_, images_, {}, {}, {});
        return {{}, populated_};
    }

    TimingModel StartTimings(const TimingModel& model) const override {
        TimingModel start = model;
        host_bridge::Decode(start_, start);
        return start;
    }

    bool DiffersFromStart() const override {
        for (int ch = 0; ch < 2; ++ch) {
            for (int r = 0; r < host_bridge::kWrittenRegCount; ++r) {
                const auto reg = static_cast<host_bridge::Reg>(r);
                if (images_.at(ch, reg) != start_.at(ch, reg)) return true;
            }
        }
        return false;
    }

private:
    hw::HardwareAccess& hw_;
    std::uint32_t base_;
    host_bridge::Images images_;
    host_bridge::Images start_;  // as read before anything was written
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

// The set the start-up wrote against what the controller holds afterwards, on the channels
// that hold memory.
void CompareStartWrite(TimingSession& session, const TimingModel& set,
                       const ChannelFlags& rebuilt) {
    ChannelFlags compared{};
    for (int ch = 0; ch < kMaxChannels; ++ch) compared[ch] = rebuilt[ch] && session.present[ch];
    session.readBack = CompareReadBack(set, session.model, session.lists, rebuilt, compared);
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
    ChannelFlags every{};
    every.fill(true);
    uncore::ReadChannels(hw, busOffset, every, images);
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        if (!active[ch]) uncore::DecodeChannel(images, ch, decoded[ch]);
    }
    std::optional<TimingModel> set = stored(decoded, active);
    if (set) {
        ChannelFlags every =
            ChannelsRebuiltOnApply(ControllerKind::Uncore, ChannelSet::None, true, active);
        // A channel whose registers read all ones is not there (LGA 1156 processors have two):
        // its "image" is the bus's no-device answer, never something to write back.
        for (int ch = 0; ch < kMaxChannels; ++ch)
            every[ch] = every[ch] && images.at(ch, uncore::Reg::RankTimingA) != hw::kPciNoDevice;
        uncore::Apply(hw, busOffset, images, *set, session.lists, every, every);
    }
    return set;
}

}  // namespace

ChannelSet TimingSession::Selection() const {
    const int i = selector.selectedItem;
    if (i < 0 || static_cast<std::size_t>(i) >= selector.items.size()) return ChannelSet::None;
    return selector.items[static_cast<std::size_t>(i)];
}

bool TimingSession::ControlEnabled(TimingId id) const {
    if (ControlAlwaysDisabled(model.kind, model.k10Mode, id)) return false;
    if (SingleChannelTiming(model.kind) == id) return IsSingleChannelSelection(Selection());
    return true;
}

SelectionOutcome TimingSession::SelectItem(int item) {
    SelectionOutcome outcome = SelectChannels(model, selector.items, item);
    selector.selectedItem = outcome.selectedItem;
    return outcome;
}

void TimingSession::Change(TimingId id, std::int32_t index) {
    RecordChange(model, id, index, Selection());
    pending[static_cast<int>(id)] = true;
}

const std::vector<ReadBackMismatch>& TimingSession::Apply(bool storedSetActive) {
    readBack.clear();
    if (!writer) return readBack;
    const TimingModel wanted = model;
    const WrittenChannels written = writer->Apply(model, lists, Selection(), storedSetActive);
    model = writer->ReadBack(wanted);
    readBack = CompareReadBack(wanted, model, lists, written.rebuilt, written.written);
    return readBack;
}

const std::vector<ReadBackMismatch>& TimingSession::Restore() {
    readBack.clear();
    if (!writer) return readBack;
    const TimingModel start = writer->StartTimings(model);
    const WrittenChannels written = writer->Restore();
    model = writer->ReadBack(model);
    readBack = CompareReadBack(start, model, lists, written.written, written.written);
    return readBack;
}

bool TimingSession::RestoreOffered() const {
    return writer && writer->DiffersFromStart();
}

std::string TimingSession::ReadBackText() const {
    int channels = 0;
    for (bool p : present) channels += p ? 1 : 0;
    return ReadBackMessage(readBack, channels > 1 && !model.ganged);
}

StoredTimingsSource FixedStoredTimings(const TimingModel* set) {
    if (!set) return {};
    return
        [set](const TimingModel&, const ChannelFlags&) { return std::optional<TimingModel>(*set); };
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
    const uncore::Images startImages = images;
    std::optional<TimingModel> set;
    // A refused population is not written to: the program ends right after the message.
    if (!read.error && stored) {
        set = WriteUncoreStoredSet(hw, busOffset, session, read.active, stored);
        if (set) {
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
    if (set) {
        CompareStartWrite(
            session, *set,
            ChannelsRebuiltOnApply(ControllerKind::Uncore, ChannelSet::None, true, read.active));
    }
    FinishStart(session);
    session.writer =
        std::make_unique<UncoreWriter>(hw, busOffset, images, startImages, read.active);
    return session;
}

TimingSession StartUncoreTimings(hw::HardwareAccess& hw, std::uint32_t busOffset,
                                 std::uint32_t uncoreDeviceId, const TimingModel* stored) {
    return StartUncoreTimings(hw, busOffset, uncoreDeviceId, FixedStoredTimings(stored));
}

TimingSession StartHostBridgeTimings(hw::HardwareAccess& hw, const StoredTimingsSource& stored) {
    TimingSession session;
    session.model.kind = ControllerKind::HostBridge;

    // The window's enable travels with the first read of its registers.
    std::optional<hw::HardwareAccess::WriteBatch> opening(std::in_place, hw);
    const std::optional<std::uint32_t> window = host_bridge::OpenWindow(hw);
    if (!window) {
        session.error = std::string(kWindowNotSetUpError);
        return session;
    }
    const std::uint32_t base = *window;
    host_bridge::Images images;
    host_bridge::DecodeResult decoded = host_bridge::ReadTimings(hw, base, images, session.model);
    opening.reset();
    const host_bridge::Images startImages = images;
    ChannelFlags rebuilt{};
    ListOptions options;
    options.unlistedRefreshPeriod = decoded.unlistedRefreshPeriod;
    session.lists = BuildTimingLists(ControllerKind::HostBridge, std::nullopt, options);
    std::optional<TimingModel> set;
    if (!decoded.error && stored) set = stored(session.model, decoded.populated);
    if (set) {
        // The file holds no refresh period, only its list index: index 16 stands for the
        // unlisted period read now, and exists only when the period read now is unlisted.
        set->refreshPeriodRaw = session.model.refreshPeriodRaw;
        rebuilt = ChannelsRebuiltOnApply(ControllerKind::HostBridge, ChannelSet::None, true,
                                         decoded.populated);
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
    if (set) CompareStartWrite(session, *set, rebuilt);
    FinishStart(session);
    session.writer =
        std::make_unique<HostBridgeWriter>(hw, base, images, startImages, decoded.populated);
    return session;
}

TimingSession StartHostBridgeTimings(hw::HardwareAccess& hw, const TimingModel* stored) {
    return StartHostBridgeTimings(hw, FixedStoredTimings(stored));
}

}  // namespace zm::timings
