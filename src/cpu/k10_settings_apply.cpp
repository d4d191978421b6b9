// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/k10_settings_apply.h"

#include "cpu/cpu_registers.h"
#include "cpu/k10_settings_lists.h"
#include "hw/pci_address.h"

namespace zm::cpu {
namespace {

// A list index is written only when it names a code the field holds and the processor defines.
bool Valid(int index, const hw::Field& field, int count) {
    return index >= 0 && index < count && field.Fits(static_cast<std::uint32_t>(index));
}

bool ValidFidDid(int fid, int did) {
    return Valid(fid, reg::kCpuFid, kCpuFidCount) && Valid(did, reg::kCpuDid, kDivisorCount);
}

std::uint32_t FidDid(std::uint32_t low, int fid, int did) {
    low = reg::kCpuFid.Set(low, static_cast<std::uint32_t>(fid));
    return reg::kCpuDid.Set(low, static_cast<std::uint32_t>(did));
}

template <typename Change>
void ModifyLow(hw::HardwareAccess& hw, std::uint32_t msr, unsigned core, Change change) {
    hw.MsrModify(msr, core, [&](hw::MsrValue& v) { v.lo = change(v.lo); });
}

unsigned Cores(const ClockState& state) {
    const int highest = state.coreCount.load();
    return highest < 0 ? 1u : static_cast<unsigned>(highest) + 1;
}

std::string CoreName(int core) {
    return "core " + std::to_string(core) + " multiplier";
}

}  // namespace

void SwitchPState(hw::HardwareAccess& hw, unsigned core) {
    ModifyLow(hw, reg::kMsrCofVidControl, core,
              [](std::uint32_t lo) { return reg::kPstateId.Set(lo, 1); });
    ModifyLow(hw, reg::kMsrCofVidControl, core,
              [](std::uint32_t lo) { return reg::kPstateId.Set(lo, 0); });
}

CpuSettingsApplyResult ApplyCpuSettings(hw::HardwareAccess& hw, ClockState& state,
                                        const CpuSettingsChoice& choice, int startNbFid) {
    CpuSettingsApplyResult result;
    if (state.platform.load() != CpuPlatform::AmdK10) return result;
    const unsigned cores = Cores(state);

    // 1. Core voltage: the running setting and P-state 0, on every core.
    if (state.HoldCpuVid.load() == 1) {
        if (Valid(choice.cpuVid, reg::kCpuVid, VoltageCount(choice.pviMode))) {
            const auto vid = static_cast<std::uint32_t>(choice.cpuVid);
            for (unsigned k = 0; k < cores; ++k) {
                ModifyLow(hw, reg::kMsrCofVidControl, k,
                          [&](std::uint32_t lo) { return reg::kCpuVid.Set(lo, vid); });
                ModifyLow(hw, reg::kMsrPState0, k,
                          [&](std::uint32_t lo) { return reg::kCpuVid.Set(lo, vid); });
                SwitchPState(hw, k);
            }
        } else {
            result.refused.push_back("core voltage");
        }
        state.HoldCpuVid = 0;
    }

    if (choice.allCores) {
        // 2. Every core from column 0, and P-state 0 with it.
        if (state.HoldCore[0].load() == 1) {
            if (ValidFidDid(choice.cpuFid[0], choice.cpuDid[0])) {
                for (unsigned k = 0; k < cores; ++k) {
                    auto set = [&](std::uint32_t lo) {
                        return FidDid(lo, choice.cpuFid[0], choice.cpuDid[0]);
                    };
                    ModifyLow(hw, reg::kMsrCofVidControl, k, set);
                    ModifyLow(hw, reg::kMsrPState0, k, set);
                    SwitchPState(hw, k);
                }
            } else {
                result.refused.push_back("multiplier");
            }
            for (auto& hold : state.HoldCore) hold = 0;
        }
    } else {
        // 3. Each held column on its own core; P-state 0 stays as it is.
        for (int n = 0; n < 4; ++n) {
            if (state.HoldCore[n].load() != 1) continue;
            if (n != 0 && state.coreCount.load() < n) continue;
            if (ValidFidDid(choice.cpuFid[n], choice.cpuDid[n])) {
                const auto core = static_cast<unsigned>(n);
                ModifyLow(hw, reg::kMsrCofVidControl, core, [&](std::uint32_t lo) {
                    return FidDid(lo, choice.cpuFid[n], choice.cpuDid[n]);
                });
                SwitchPState(hw, core);
            } else {
                result.refused.push_back(CoreName(n));
            }
            state.HoldCore[n] = 0;
        }
    }

    // 4. North-bridge voltage, on every core.
    if (state.HoldNbVid.load() == 1) {
        if (Valid(choice.nbVid, reg::kNbVid, VoltageCount(choice.pviMode))) {
            const auto vid = static_cast<std::uint32_t>(choice.nbVid);
            for (unsigned k = 0; k < cores; ++k) {
                ModifyLow(hw, reg::kMsrCofVidControl, k,
                          [&](std::uint32_t lo) { return reg::kNbVid.Set(lo, vid); });
                SwitchPState(hw, k);
            }
        } else {
            result.refused.push_back("uncore voltage");
        }
        state.HoldNbVid = 0;
    }

    // 5. North-bridge multiplier: the north bridge takes a new NbFid only at reset.
    if (state.HoldNbMultiplier.load() == 1) {
        if (Valid(choice.nbFid, reg::kNbFid, static_cast<int>(reg::kNbFid.Max()) + 1)) {
            const std::uint32_t value = hw.PciConfigRead(reg::kNbClockControl);
            if (value == hw::kPciNoDevice) {
                // Nothing answers: writing would put all ones into whatever appears there.
                result.refused.push_back("uncore multiplier");
            } else {
                hw.PciConfigWrite(reg::kNbClockControl,
                                  reg::kNbFid.Set(value, static_cast<std::uint32_t>(choice.nbFid)));
                result.restartNeeded = choice.nbFid != startNbFid;
            }
        } else {
            result.refused.push_back("uncore multiplier");
        }
        state.HoldNbMultiplier = 0;
    }
    return result;
}

}  // namespace zm::cpu
