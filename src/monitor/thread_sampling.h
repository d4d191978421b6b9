// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The monitoring thread's arithmetic: usage from two processor-time snapshots, sibling
// averaging with hyper-threading, and the two temperature readings.

#include <cstdint>
#include <string>
#include <vector>

#include "hw/bit_field.h"
#include "hw/hardware_access.h"
#include "monitor/monitor_fields.h"
#include "os/system_info.h"

namespace zm::monitor {

// IA32_THERM_STATUS: the digital readout is the distance below TjMax in whole degrees.
constexpr std::uint32_t kMsrThermStatus = 0x19C;
constexpr hw::Field kThermDigitalReadout{23, 16};
// TjMax list items are "90" .. "110".
constexpr int kTjMaxBase = 90;
constexpr int kTjMaxItems = 21;
// The Monitor's TjMax choice as the settings file keeps it: item
// 10 (100 degrees) when none is stored, an out-of-range index held to the list.
int StoredTjMaxIndex(const std::string& settingsPath);

// AMD family 10h, bus 0 device 24 function 3, register 0xA4 (reported temperature control):
// CurTmp in bits 31..21, in steps of 1/8 degree.
constexpr std::uint32_t kK10TemperatureAddress = 0x8000C3A4;
constexpr hw::Field kK10CurTmp{31, 21};

// Usage of each of the first `count` processors (at most 32) between snapshots a and b:
// 100 - idle * 100 / busy, busy being kernel + user time (kernel time includes idle). A
// processor without busy time between the snapshots, or missing from a snapshot, reads 0.
void MeasureUsage(const std::vector<os::ProcessorTimes>& a,
                  const std::vector<os::ProcessorTimes>& b, unsigned count, ThreadResults& results);

// With hyper-threading the even slot of each sibling pair (adjacent logical processors) takes
// the pair's mean; the odd slot keeps its own value.
void AverageSiblings(int threadCount, ThreadResults& results);

int IntelTemperature(std::uint32_t thermStatusLow, int tjMaxIndex);
int K10Temperature(std::uint32_t reportedTemperature);

// Reads the temperatures of the first `threadCount` logical processors (at most 16) into
// results: one MSR per processor on Intel, one PCI register for all on AMD K10.
void ReadTemperatures(hw::HardwareAccess& hw, TemperatureSource source, int threadCount,
                      int tjMaxIndex, ThreadResults& results);

}  // namespace zm::monitor
