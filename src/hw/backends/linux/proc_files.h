// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The kernel's processor-time and memory counters (/proc/stat, /proc/meminfo), turned into the
// Windows-shaped facts the program works with. The parsers take the files' text so they can be
// checked without the files.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "os/system_info.h"

namespace zm::hw::linux_host {

// Per-processor times from /proc/stat ("cpuN user nice system idle iowait irq softirq ..."),
// in clock ticks of ticksPerSecond, converted to 100 ns units. As Windows reports them, kernel
// time includes idle time; iowait counts as idle, nice as user. Processors are placed by their
// number; an offline processor missing from the file leaves zeros.
std::vector<os::ProcessorTimes> ParseProcStat(const std::string& text, long ticksPerSecond);

// Memory status from /proc/meminfo: physical total and available, the commit limit as "page
// file" (physical plus swap), load in percent. nullopt when MemTotal is missing.
std::optional<os::MemoryStatus> ParseMeminfo(const std::string& text);

// The whole file, or nullopt when it cannot be read.
std::optional<std::string> ReadTextFile(const std::string& path);

}  // namespace zm::hw::linux_host
