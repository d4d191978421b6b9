#include "timings/k10_apply.h"

#include "timings/k10_codec.h"

namespace zm::timings::k10 {

namespace {

// DCT n from channel n's indices.
void WriteController(hw::HardwareAccess& hw, const TimingModel& model, int dct,
                     const TimingLists& lists, DctRegisters& images, ApplyReport& report) {
    std::vector<TimingControl> notEncoded;
    for (Register reg : kWriteOrder) {
        const std::uint32_t value =
            RebuildRegister(model, dct, reg, images[reg], lists, &notEncoded);
        hw.PciConfigWrite(RegisterAddress(reg, dct), value);
        images[reg] = value;
    }
    for (TimingControl control : notEncoded) report.notEncoded.emplace_back(dct, control);
}

}  // namespace

bool WritesDct1(const ControllerState& state, bool storedTimingsActive) {
    return !state.ganged && state.dct1Read && (state.populatedCount == 2 || storedTimingsActive);
}

ApplyReport ApplyTimings(hw::HardwareAccess& hw, const TimingModel& model, ControllerState& state,
                         bool storedTimingsActive) {
    // The layout is the one the controller was read in, whatever the indices arrived with (a
    // stored set need not name it): fields encoded for another layout would land on other
    // timings' bits.
    TimingModel indices = model;
    indices.kind = ControllerKind::K10;
    indices.k10Mode = state.mode;
    indices.ganged = state.ganged;

    ApplyReport report;
    const TimingLists lists = ControllerLists(state);
    if (WritesDct1(state, storedTimingsActive)) {
        WriteController(hw, indices, 1, lists, state.dct[1], report);
        report.dct1Written = true;
    }
    WriteController(hw, indices, 0, lists, state.dct[0], report);
    return report;
}

}  // namespace zm::timings::k10
