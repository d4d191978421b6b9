// SPDX-License-Identifier: GPL-3.0-or-later
#include "timings/model/timing_model.h"

namespace zm::timings {

std::string_view K10ModeText(K10Mode mode) {
    switch (mode) {
        case K10Mode::Ddr2_800:
            return "K10-DDR2-800";
        case K10Mode::Ddr2_1066:
            return "K10-DDR2-1066";
        case K10Mode::Ddr3:
            return "K10-DDR3";
    }
    return {};
}

}  // namespace zm::timings
