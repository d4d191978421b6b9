#include "timings/k10_controller.h"

namespace zm::timings::k10 {

namespace {

void ReadDct0(hw::HardwareAccess& hw, K10Mode mode, DctRegisters& regs) {
    for (Register reg : {Register::TimingLow, Register::TimingHigh, Register::ConfigLow,
                         Register::ConfigHigh, Register::BankAddressMapping}) {
        regs[reg] = hw.PciConfigRead(RegisterAddress(reg, 0));
    }
    if (mode != K10Mode::Ddr2_800) {
        regs[Register::DramMrs] = hw.PciConfigRead(RegisterAddress(Register::DramMrs, 0));
    }
    regs[Register::DramControl] = hw.PciConfigRead(RegisterAddress(Register::DramControl, 0));
}

void ReadDct1(hw::HardwareAccess& hw, K10Mode mode, DctRegisters& regs) {
    for (Register reg : {Register::BankAddressMapping, Register::TimingLow, Register::TimingHigh,
                         Register::ConfigLow, Register::ConfigHigh, Register::DramControl}) {
        regs[reg] = hw.PciConfigRead(RegisterAddress(reg, 1));
    }
    if (mode != K10Mode::Ddr2_800) {
        regs[Register::DramMrs] = hw.PciConfigRead(RegisterAddress(Register::DramMrs, 1));
    }
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
    ReadDct0(hw, state.mode, state.dct[0]);
    state.dct1Read = !state.ganged;
    if (state.dct1Read) ReadDct1(hw, state.mode, state.dct[1]);
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
