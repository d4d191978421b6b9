// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/k10/k10_apply.h"

#include "timings/k10/k10_codec.h"

namespace zm::timings::k10 {

namespace {

// DCT n from channel n's indices.
void WriteController(hw::HardwareAccess& hw, const TimingModel& model, int dct,
                     const TimingLists& lists, DctRegisters& images, ApplyReport& report) {
    std::vector<TimingId> notEncoded;
    for (Register reg : kWriteOrder) {
        const std::uint32_t value =
            RebuildRegister(model, dct, reg, images[reg], lists, &notEncoded);
        hw.PciConfigWrite(RegisterAddress(reg, dct), value);
        images[reg] = value;
    }
    for (TimingId id : notEncoded) report.notEncoded.emplace_back(dct, id);
}

bool DctDiffers(const DctRegisters& a, const DctRegisters& b) {
    for (Register reg : kWriteOrder)
        if (a[reg] != b[reg]) return true;
    return false;
}

void WriteImages(hw::HardwareAccess& hw, int dct, DctRegisters& images, const DctRegisters& start) {
    for (Register reg : kWriteOrder) {
        images[reg] = start[reg];
        hw.PciConfigWrite(RegisterAddress(reg, dct), images[reg]);
    }
}

}  // namespace

bool ImagesDiffer(const ControllerState& state, const ControllerState& start) {
    return DctDiffers(state.dct[0], start.dct[0]) ||
           (state.dct1Read && DctDiffers(state.dct[1], start.dct[1]));
}

bool RestoreImages(hw::HardwareAccess& hw, ControllerState& state, const ControllerState& start) {
    const bool dct1 =
        WritesDct1(state, false) || (state.dct1Read && DctDiffers(state.dct[1], start.dct[1]));
    if (dct1) WriteImages(hw, 1, state.dct[1], start.dct[1]);
    WriteImages(hw, 0, state.dct[0], start.dct[0]);
    return dct1;
}

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
    // The registers go together, with whatever reads them back next.
    hw::HardwareAccess::WriteBatch batch(hw);
    const TimingLists lists = ControllerLists(state);
    if (WritesDct1(state, storedTimingsActive)) {
        WriteController(hw, indices, 1, lists, state.dct[1], report);
        report.dct1Written = true;
    }
    WriteController(hw, indices, 0, lists, state.dct[0], report);
    return report;
}

}  // namespace zm::timings::k10
