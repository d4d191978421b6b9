// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/k10_settings_lists.h"

#include <algorithm>
#include <cmath>

#include "cpu/number_format.h"

namespace zm::cpu {
namespace {

std::string Times(int k) {
    return " x " + std::to_string(k);
}

// m in its shortest form: "8", "8.5".
std::string Times(int twiceM, char separator) {
    std::string text = " x " + std::to_string(twiceM / 2);
    if (twiceM % 2 != 0) text += std::string(1, separator) + "5";
    return text;
}

}  // namespace

int VoltageCount(bool pviMode) {
    return pviMode ? kPviVoltageCount : kVoltageCount;
}

double VidVoltage(int vid, bool pviMode) {
    if (!pviMode) return 1.55 - 0.0125 * vid;
    return vid < 0x20 ? 1.55 - 0.025 * vid : 0.7625 - 0.0125 * (vid - 0x20);
}

CpuSettingsLists BuildCpuSettingsLists(const K10Limits& limits, double linkMultiplier,
                                       char separator) {
    CpuSettingsLists lists;

    const int fidsToLimit = 2 * (limits.maxCoreMultiplier - kLowestCoreMultiplier) + 1;
    const int fids = std::clamp(fidsToLimit, 0, kCpuFidCount);
    for (int fid = 0; fid < fids; ++fid)
        lists.coreMultiplier.push_back(Times(2 * kLowestCoreMultiplier + fid, separator));

    lists.divisor = {" none", " / 2", " / 4", " / 8", " / 16"};

    for (int vid = 0; vid < VoltageCount(limits.pviMode); ++vid)
        lists.voltage.push_back(FormatFixed(VidVoltage(vid, limits.pviMode), 4, separator) + " V");

    for (int k = kLowestNbMultiplier; k <= limits.maxNbMultiplier; ++k)
        lists.uncoreMultiplier.push_back(Times(k));
    for (int k = 0; k < kHtMultiplierCount; ++k) lists.htMultiplier.push_back(Times(k));

    lists.uncoreStartIndex = limits.startNbIndex;
    lists.htIndex = static_cast<int>(std::trunc(linkMultiplier));
    return lists;
}

int AcceptedUncoreMultiplier(int chosen, int htIndex, int startIndex) {
    // NbFid + 4 < HT multiplier.
    return chosen < htIndex - kLowestNbMultiplier ? startIndex : chosen;
}

void HoldOpenedList(ClockState& state, CpuSettingsList list, int column, bool allCores) {
    switch (list) {
        case CpuSettingsList::CoreMultiplierOrDivisor:
            if (column == 0 && allCores) {
                for (auto& hold : state.HoldCore) hold = 1;
            } else if (column >= 0 && column < static_cast<int>(state.HoldCore.size())) {
                state.HoldCore[column] = 1;
            }
            break;
        case CpuSettingsList::CoreVoltage:
            state.HoldCpuVid = 1;
            break;
        case CpuSettingsList::UncoreVoltage:
            state.HoldNbVid = 1;
            break;
    }
}

int UsableCoreColumns(int coreCount) {
    return std::clamp(coreCount + 1, 1, 4);
}

}  // namespace zm::cpu
