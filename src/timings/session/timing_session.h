// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The timings part of the main window's platform branch for the two Intel controller kinds,
// from the register read to the state the timing controls start in, and the Apply that
// follows. Windows and the report work from TimingSession; only the controller behind it
// touches the hardware.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "hw/hardware_access.h"
#include "timings/model/channel_selection.h"
#include "timings/model/timing_model.h"
#include "timings/model/value_lists.h"
#include "timings/session/read_back.h"

namespace zm::timings {

// Which channels a write went to.
struct WrittenChannels {
    ChannelFlags rebuilt{};  // rebuilt from the model
    ChannelFlags written{};  // written at all (rebuilt, or back from the images)
};

// Writes the model into one kind of controller, and reads it back.
class TimingWriter {
public:
    virtual ~TimingWriter() = default;
    // Apply: rebuild the registers of the channels the selection names (all of them while the
    // stored timing set is active, "AN" = "1") and write the controller's registers in its
    // fixed order.
    virtual WrittenChannels Apply(const TimingModel& model, const TimingLists& lists,
                                  ChannelSet selection, bool storedSetActive) = 0;
    // Reads the written registers again into the images and decodes them; what the model keeps
    // beside the registers (the uncore's spare values) comes from `model`.
    virtual TimingModel ReadBack(const TimingModel& model) = 0;
    // Writes the register images read at start-up back, through Apply's path and order.
    virtual WrittenChannels Restore() = 0;
    // The start-up images decoded (what Restore asks the controller to hold).
    virtual TimingModel StartTimings(const TimingModel& model) const = 0;
    // Whether a register the program writes holds something else than at start-up (as last
    // read back).
    virtual bool DiffersFromStart() const = 0;
};

struct TimingSession {
    TimingModel model;
    TimingLists lists;
    ChannelSelector selector;
    ChannelFlags present{};  // active (Uncore) or populated channels
    // The caption both timing groups show instead of theirs ("MC_CFG_space Locked."), if any.
    std::optional<std::string> groupCaption;
    // False when the start-up guard found a drop-down without an item.
    bool applyEnabled = true;
    // Set when the memory population is refused: shown with kErrorCaption, then the program
    // ends. The rest of the session is not usable then.
    std::optional<std::string> error;
    std::unique_ptr<TimingWriter> writer;
    // Timings the user changed (pending-change marker), by TimingId; never reset.
    std::array<bool, kTimingIdCount> pending{};
    // The timings the last write did not bring into the controller: the start-up's stored set,
    // then each Apply or Restore.
    std::vector<ReadBackMismatch> readBack;

    // The selector's current item; None when it shows none.
    ChannelSet Selection() const;
    // Whether the timing's drop-down is usable with the current selection.
    bool ControlEnabled(TimingId id) const;
    // ComboCHChange: select an item, returning what the drop-downs must show.
    SelectionOutcome SelectItem(int item);
    // A drop-down's change handler's model side: records the index and marks the timing.
    void Change(TimingId id, std::int32_t index);
    // Apply: writes, reads back and decodes; the model then holds what the controller holds.
    // Returns the timings that did not take (also kept in readBack).
    const std::vector<ReadBackMismatch>& Apply(bool storedSetActive);
    // "Restore start-up timings": the register images read at start-up written back as Apply
    // writes, then read back the same way.
    const std::vector<ReadBackMismatch>& Restore();
    // Restore is offered while a register holds something else than at start-up.
    bool RestoreOffered() const;
    // The message naming readBack, empty when everything took.
    std::string ReadBackText() const;
};

// The timing set the start-up writes into the controller before the controls show it (the
// settings file's stored set when its "AN" is "1"). It is asked for once the registers are
// decoded and is built on those timings, so whatever the set does not name keeps the value the
// controller holds; `present` is the channels that hold memory (Uncore: the active ones), so the
// source can tell whether the set was taken from this machine. An empty source, or one that
// returns nothing, writes nothing.
using StoredTimingsSource = std::function<std::optional<TimingModel>(const TimingModel& decoded,
                                                                     const ChannelFlags& present)>;

// A source that always gives `set` (nothing for nullptr), whatever the controller holds.
StoredTimingsSource FixedStoredTimings(const TimingModel* set);

// The uncore controller: labels and lists, lock check, the active channels read and decoded;
// a refused population ends here. With a stored set, every active channel is rebuilt from it
// and written as Apply does, then read and decoded again. Then the selector is built and the
// guard run.
TimingSession StartUncoreTimings(hw::HardwareAccess& hw, std::uint32_t busOffset,
                                 std::uint32_t uncoreDeviceId,
                                 const StoredTimingsSource& stored = {});
TimingSession StartUncoreTimings(hw::HardwareAccess& hw, std::uint32_t busOffset,
                                 std::uint32_t uncoreDeviceId, const TimingModel* stored);

// The controller behind host bridge 0x0040/0x0044, the same way (the populated channels are
// the ones a stored set rebuilds).
TimingSession StartHostBridgeTimings(hw::HardwareAccess& hw,
                                     const StoredTimingsSource& stored = {});
TimingSession StartHostBridgeTimings(hw::HardwareAccess& hw, const TimingModel* stored);

}  // namespace zm::timings
