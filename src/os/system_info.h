// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program takes from the operating system about processors and memory.

#include <cstdint>
#include <vector>

namespace zm::os {

// Accumulated times of one logical processor, in 100 ns units. Kernel time includes idle time,
// as the Windows call reports it.
struct ProcessorTimes {
    std::uint64_t idle = 0;
    std::uint64_t kernel = 0;
    std::uint64_t user = 0;
};

// The memory status as the Windows GlobalMemoryStatus call reports it (bytes, load in percent).
struct MemoryStatus {
    std::uint32_t memoryLoad = 0;
    std::uint64_t totalPhys = 0;
    std::uint64_t availPhys = 0;
    std::uint64_t totalPageFile = 0;
    std::uint64_t availPageFile = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availVirtual = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    virtual unsigned ProcessorCount() = 0;
    virtual std::vector<ProcessorTimes> ProcessorTimesSnapshot() = 0;
    virtual MemoryStatus GlobalMemoryStatus() = 0;
};

}  // namespace zm::os
