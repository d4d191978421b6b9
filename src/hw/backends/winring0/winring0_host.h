// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's hardware and operating-system boundaries on Windows: the thirteen operations
// come from WinRing0.dll (with its drivers WinRing0.sys / WinRing0x64.sys beside the
// executable), loaded at run time and resolved by name; cpuid is executed directly; processor
// times come from NtQuerySystemInformation in ntdll, the memory status from
// GlobalMemoryStatusEx, time from GetTickCount and Sleep. A missing DLL or function makes the
// operations answer all ones / false and leaves a message in Diagnostics().
//
// A library that stands in for a whole machine (the simulated one the Windows tests load in
// place of WinRing0.dll) also exports StandInCpuid, StandInTickCount and StandInSleep: its
// processor is not the one running the program and its time-stamp counters run on its own
// clock, so cpuid and time are then asked of the library too. The real library exports none
// of them.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hw/cpuid.h"
#include "hw/hardware_library.h"
#include "os/clock.h"
#include "os/system_info.h"

namespace zm::hw {

class WinRing0Host final : public HardwareLibrary,
                           public LibraryFiles,
                           public Cpuid,
                           public os::SystemInfo,
                           public os::Clock {
public:
    WinRing0Host();
    ~WinRing0Host() override;
    WinRing0Host(const WinRing0Host&) = delete;
    WinRing0Host& operator=(const WinRing0Host&) = delete;

    std::vector<std::string> Diagnostics() const;

    // --- HardwareLibrary ---
    bool InitializeDll() override;
    void DeinitializeDll() override;
    std::uint8_t ReadIoPortByte(std::uint16_t port) override;
    std::uint32_t ReadIoPortDword(std::uint16_t port) override;
    void WriteIoPortByte(std::uint16_t port, std::uint8_t value) override;
    void WriteIoPortDword(std::uint16_t port, std::uint32_t value) override;
    bool Rdmsr(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx) override;
    bool RdmsrEx(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx,
                 AffinityMask mask) override;
    bool Wrmsr(std::uint32_t index, std::uint32_t eax, std::uint32_t edx) override;
    bool WrmsrEx(std::uint32_t index, std::uint32_t eax, std::uint32_t edx,
                 AffinityMask mask) override;
    bool RdtscEx(std::uint32_t& eax, std::uint32_t& edx, AffinityMask mask) override;
    std::uint32_t ReadPhysicalMemory(std::uint64_t address, std::uint8_t* buffer,
                                     std::uint32_t count, std::uint32_t unitSize) override;
    std::uint32_t WritePhysicalMemory(std::uint64_t address, const std::uint8_t* buffer,
                                      std::uint32_t count, std::uint32_t unitSize) override;

    // --- LibraryFiles: "WinRing0.dll", "WinRing0.sys", "WinRing0x64.sys" beside the executable
    std::vector<LibraryFile> Files() const override;

    // --- Cpuid ---
    CpuidRegisters Query(std::uint32_t leaf, std::uint32_t subleaf = 0) override;

    // --- os::SystemInfo ---
    unsigned ProcessorCount() override;
    std::vector<os::ProcessorTimes> ProcessorTimesSnapshot() override;
    os::MemoryStatus GlobalMemoryStatus() override;

    // --- os::Clock ---
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;

    struct Api;  // the resolved entry points

private:
    void Note(const std::string& message);

    mutable std::mutex lock_;
    std::vector<std::string> diagnostics_;
    std::unique_ptr<Api> api_;
    bool initialized_ = false;  // the library's set-up ran and its tear-down has not yet
};

std::shared_ptr<WinRing0Host> MakeWinRing0Host();

// The executable's folder, ending with a path separator.
std::string ExecutableFolder();

}  // namespace zm::hw
