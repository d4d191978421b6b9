// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/k10/k10_controller.h"

#include <utility>
#include <vector>

namespace zm::timings::k10 {

namespace {

// The registers of each DCT in the order they are read.
using ReadOrder = std::vector<std::pair<Register, int>>;

void AddDct0(K10Mode mode, ReadOrder& order) {
    for (Register reg : {Register::TimingLow, Register::TimingHigh, Register::ConfigLow,
                         Register::ConfigHigh, Register::BankAddressMapping}) {
        order.emplace_back(reg, 0);
    }
    if (mode != K10Mode::Ddr2_800) order.emplace_back(Register::DramMrs, 0);
    order.emplace_back(Register::DramControl, 0);
}

void AddDct1(K10Mode mode, ReadOrder& order) {
    for (Register reg : {Register::BankAddressMapping, Register::TimingLow, Register::TimingHigh,
                         Register::ConfigLow, Register::ConfigHigh, Register::DramControl}) {
        order.emplace_back(reg, 1);
    }
    if (mode != K10Mode::Ddr2_800) order.emplace_back(Register::DramMrs, 1);
}

}  // namespace

bool Populated(const DctRegisters& regs) {
    return regs[Register::BankAddressMapping] != 0;
}

ControllerState ReadController(hw::HardwareAccess& hw, K10Mode mode) {
    ControllerState state;
    state.mode = mode;
    state.controllerSelectLow = hw.PciConfigRead(kControllerSelectLowAddress);
    state.ganged = f2x110::DctGangEn.Get(state.controllerSelectLow) == 1;
    RereadRegisters(hw, state);
    if (!state.ganged && Populated(state.dct[0]) && !Populated(state.dct[1])) {
        state.populatedCount = 1;
    }
    return state;
}

void RereadRegisters(hw::HardwareAccess& hw, ControllerState& state) {
    ReadOrder order;
    AddDct0(state.mode, order);
    state.dct1Read = !state.ganged;
    if (state.dct1Read) AddDct1(state.mode, order);
    std::vector<std::uint32_t> addresses, values(order.size());
    for (const auto& [reg, dct] : order) addresses.push_back(RegisterAddress(reg, dct));
    hw.PciConfigReadMany(addresses, values);
    for (std::size_t i = 0; i < order.size(); ++i)
        state.dct[order[i].second][order[i].first] = values[i];
}

std::optional<Refusal> PopulationRefusal(const ControllerState& state) {
    if (!state.ganged && !Populated(state.dct[0]) && Populated(state.dct[1])) {
        return kSingleDimmNotOnChannelA;
    }
    return std::nullopt;
}

bool UsesFourBeatTrtp(const ControllerState& state) {
    return f2x90::BurstLength32Width128.Get(state.dct[0][Register::ConfigLow]) ==
           f2x90::kFourBeatBursts;
}

}  // namespace zm::timings::k10
