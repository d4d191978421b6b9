// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Register values a family 10h BIOS leaves in DCT0 for typical memory, one set per layout.
// Decoded by hand against the register layouts in the comments.

#include "k10_test_machine.h"

namespace zm::timings::k10::testing {

// DDR2-800 5-5-5-18 1T: tRTP 4, tRC 23, tWR 6, tRRD 3; tRW-WB 5, tRW-TO 4, tWTR 3, tWRRD 2,
// tWRWR 2, tRDRD 3, 7.8 us refresh, tRFC 127 ns on DIMMs 0/1; idle limit 32, tFAW 15,
// max read latency 80, DcqBypassMax 15.
constexpr DctValues kDdr2_800{0x3C7CF224, 0x01225722, 0x00310010, 0x8F40807B,
                              0x14000006, 0x00000055, 0x00000021};

// DDR2-1066 5-5-5-18: tRTP 4, tRC 22, tRRD 4, tWR 8 (MRS); tFAW 20, max read latency 96.
constexpr DctValues kDdr2_1066{0x000B3004, 0x01225522, 0x00310010, 0x3F40807C,
                               0x18000006, 0x00000055, 0x00000041};

// DDR3-1333 9-9-9-24: tRTP 5, tRC 33, tRRD 4, tWR 10 (MRS); tRW-WB 5, tRW-TO 6, tWTR 5,
// tWRRD 3, tWRWR 5 (high part 1), tRDRD 4, tRFC 160 ns on DIMMs 0/1, tFAW 30, max read
// latency 128.
constexpr DctValues kDdr3{0x00169645, 0x01B28D42, 0x00310010, 0x8F40817D,
                          0x20000406, 0x00000066, 0x00200050};

}  // namespace zm::timings::k10::testing
