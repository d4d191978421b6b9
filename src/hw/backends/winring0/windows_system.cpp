// SPDX-License-Identifier: GPL-3.0-or-later
// cpuid and the operating system's processor and memory facts on Windows.
#include <windows.h>

#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif

#include "hw/backends/winring0/winring0_api.h"
#include "hw/backends/winring0/winring0_host.h"

namespace zm::hw {

namespace {

// NtQuerySystemInformation class 8: one record per logical processor, times in 100 ns units.
constexpr ULONG kSystemProcessorPerformanceInformation = 8;

struct ProcessorPerformance {
    LARGE_INTEGER idleTime;
    LARGE_INTEGER kernelTime;  // includes idle time
    LARGE_INTEGER userTime;
    LARGE_INTEGER dpcTime;
    LARGE_INTEGER interruptTime;
    ULONG interruptCount;
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

}  // namespace

CpuidRegisters WinRing0Host::Query(std::uint32_t leaf, std::uint32_t subleaf) {
    CpuidRegisters r;
    if (api_->standInCpuid) {
        DWORD eax = 0, ebx = 0, ecx = 0, edx = 0;
        api_->standInCpuid(leaf, subleaf, &eax, &ebx, &ecx, &edx);
        return CpuidRegisters{eax, ebx, ecx, edx};
    }
#if defined(_MSC_VER)
    int regs[4];
    __cpuidex(regs, static_cast<int>(leaf), static_cast<int>(subleaf));
    r = CpuidRegisters{static_cast<std::uint32_t>(regs[0]), static_cast<std::uint32_t>(regs[1]),
                       static_cast<std::uint32_t>(regs[2]), static_cast<std::uint32_t>(regs[3])};
#else
    __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
#endif
    return r;
}

unsigned WinRing0Host::ProcessorCount() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.dwNumberOfProcessors ? info.dwNumberOfProcessors : 1;
}

std::vector<os::ProcessorTimes> WinRing0Host::ProcessorTimesSnapshot() {
    const unsigned count = ProcessorCount();
    std::vector<os::ProcessorTimes> times(count);
    static const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll"), "NtQuerySystemInformation")));
    if (!query) {
        std::lock_guard<std::mutex> guard(lock_);
        Note("ntdll has no NtQuerySystemInformation: processor usage unknown");
        return times;
    }
    std::vector<ProcessorPerformance> records(count);
    ULONG returned = 0;
    const LONG status =
        query(kSystemProcessorPerformanceInformation, records.data(),
              static_cast<ULONG>(records.size() * sizeof(ProcessorPerformance)), &returned);
    if (status < 0) {
        std::lock_guard<std::mutex> guard(lock_);
        Note("NtQuerySystemInformation failed: processor usage unknown");
        return times;
    }
    const std::size_t filled =
        std::min<std::size_t>(count, returned / sizeof(ProcessorPerformance));
    for (std::size_t i = 0; i < filled; ++i) {
        times[i].idle = static_cast<std::uint64_t>(records[i].idleTime.QuadPart);
        times[i].kernel = static_cast<std::uint64_t>(records[i].kernelTime.QuadPart);
        times[i].user = static_cast<std::uint64_t>(records[i].userTime.QuadPart);
    }
    return times;
}

os::MemoryStatus WinRing0Host::GlobalMemoryStatus() {
    MEMORYSTATUSEX m{};
    m.dwLength = sizeof m;
    os::MemoryStatus status;
    if (!::GlobalMemoryStatusEx(&m)) return status;
    status.memoryLoad = m.dwMemoryLoad;
    status.totalPhys = m.ullTotalPhys;
    status.availPhys = m.ullAvailPhys;
    status.totalPageFile = m.ullTotalPageFile;
    status.availPageFile = m.ullAvailPageFile;
    status.totalVirtual = m.ullTotalVirtual;
    status.availVirtual = m.ullAvailVirtual;
    return status;
}

}  // namespace zm::hw
