// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Size" panel: the modules' sizes as SMBIOS lists them, written as "2 x 2048" for a
// matched set of modules or as a total ("3072 Mb") otherwise, and the operating system's
// memory total when SMBIOS gave nothing.

#include <array>
#include <cstdint>
#include <string>

#include "ident/smbios_scan.h"

namespace zm::ident {

using SlotSizes = std::array<unsigned, kSmbiosMemorySlots>;

// The LGA 1366 uncore (three channels, two slots each, slots listed channel by channel)
// versus every other platform (four slots looked at).
constexpr std::uint32_t kTripleChannelUncoreId = 0x2C1C8086;

// Sum of the six slots in MB.
unsigned TotalMb(const SlotSizes& slots);

// The panel text from the slot sizes: "0 Mb" when there are none.
std::string SlotSizeText(const SlotSizes& slots, bool tripleChannelUncore);

// The text shown from the operating system's total physical memory in bytes, rounded to the
// module sizes of the time.
std::string OsMemorySizeText(std::uint64_t totalPhysBytes);

}  // namespace zm::ident
