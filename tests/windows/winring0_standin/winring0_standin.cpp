// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for WinRing0.dll: the real library's exports, calling convention (WINAPI) and
// argument widths, answered by a simulated machine instead of a kernel driver. It lets the
// Windows build run its WinRing0 backend where no driver can load (under Wine in CI).
//
//   ZM_WINRING0_STANDIN_PROFILE  machine profile (JSON file) to serve, loaded by InitializeOls
//   ZM_WINRING0_STANDIN_LOG      optional file that gets one line per call with its arguments
//
// Besides the real library's functions it exports StandInCpuid, StandInTickCount and
// StandInSleep, which the backend uses when present: the simulated processor is not the one
// running the program, and the machine's time-stamp counters run on a clock that moves only
// when the program sleeps, so a measured clock rate comes out exactly as the profile's (as in
// the Linux build's report on the same profile).
#include <windows.h>

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>

#include "hw/backends/winring0/winring0_api.h"
#include "os/clock.h"
#include "sim/simulated_machine.h"

namespace {

struct StandIn {
    std::mutex logLock;
    std::FILE* log = nullptr;
    std::shared_ptr<zm::os::VirtualClock> clock =
        std::make_shared<zm::os::VirtualClock>(/*realSleeps=*/false);
    std::shared_ptr<zm::sim::SimulatedMachine> machine;  // set by a successful InitializeOls
};

StandIn& Instance() {
    static StandIn instance;
    return instance;
}

// Before InitializeOls (or after a profile failed to load) every access answers as absent
// hardware does: all ones, failure.
zm::sim::SimulatedMachine* Machine() {
    return Instance().machine.get();
}

__attribute__((format(printf, 1, 2))) void Log(const char* format, ...) {
    StandIn& s = Instance();
    std::lock_guard<std::mutex> guard(s.logLock);
    if (!s.log) return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(s.log, format, arguments);
    va_end(arguments);
    std::fputc('\n', s.log);
}

void OpenLog() {
    StandIn& s = Instance();
    std::lock_guard<std::mutex> guard(s.logLock);
    const char* path = std::getenv("ZM_WINRING0_STANDIN_LOG");
    if (!s.log && path && *path) s.log = std::fopen(path, "w");
}

BOOL Initialize(const char* name) {
    OpenLog();
    StandIn& s = Instance();
    if (s.machine) {
        Log("%s() -> 1", name);
        return TRUE;
    }
    const char* profile = std::getenv("ZM_WINRING0_STANDIN_PROFILE");
    if (!profile || !*profile) {
        std::fprintf(stderr, "WinRing0 stand-in: ZM_WINRING0_STANDIN_PROFILE names no profile\n");
        Log("%s() -> 0 (no profile)", name);
        return FALSE;
    }
    try {
        s.machine = zm::sim::SimulatedMachine::FromProfileFile(profile, s.clock);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "WinRing0 stand-in: %s\n", error.what());
        Log("%s() -> 0 (%s)", name, error.what());
        return FALSE;
    }
    Log("%s() -> 1 (profile %s)", name, profile);
    return TRUE;
}

void Deinitialize(const char* name) {
    Log("%s()", name);
    StandIn& s = Instance();
    std::lock_guard<std::mutex> guard(s.logLock);
    if (s.log) std::fflush(s.log);
}

BOOL ReadMsrOn(const char* name, DWORD index, PDWORD eax, PDWORD edx, DWORD_PTR mask,
               bool current) {
    std::uint32_t lo = 0xFFFFFFFF, hi = 0xFFFFFFFF;
    bool ok = false;
    if (zm::sim::SimulatedMachine* m = Machine())
        ok = current ? m->Rdmsr(index, lo, hi) : m->RdmsrEx(index, lo, hi, mask);
    if (eax) *eax = lo;
    if (edx) *edx = hi;
    if (current)
        Log("%s(index=0x%08lX) -> %d eax=0x%08" PRIX32 " edx=0x%08" PRIX32, name, index, ok, lo,
            hi);
    else
        Log("%s(index=0x%08lX, mask=0x%" PRIX64 ") -> %d eax=0x%08" PRIX32 " edx=0x%08" PRIX32,
            name, index, static_cast<std::uint64_t>(mask), ok, lo, hi);
    return ok;
}

}  // namespace

#define STANDIN_EXPORT extern "C" __declspec(dllexport)

// The real library's names for set-up and tear-down, and the names the backend falls back to.
STANDIN_EXPORT BOOL WINAPI InitializeOls() {
    return Initialize("InitializeOls");
}
STANDIN_EXPORT VOID WINAPI DeinitializeOls() {
    Deinitialize("DeinitializeOls");
}
STANDIN_EXPORT BOOL WINAPI InitializeDll() {
    return Initialize("InitializeDll");
}
STANDIN_EXPORT VOID WINAPI DeinitializeDll() {
    Deinitialize("DeinitializeDll");
}

STANDIN_EXPORT BYTE WINAPI ReadIoPortByte(WORD port) {
    zm::sim::SimulatedMachine* m = Machine();
    const BYTE value = m ? m->ReadIoPortByte(port) : 0xFF;
    Log("ReadIoPortByte(port=0x%04X) -> 0x%02X", port, value);
    return value;
}

STANDIN_EXPORT DWORD WINAPI ReadIoPortDword(WORD port) {
    zm::sim::SimulatedMachine* m = Machine();
    const DWORD value = m ? m->ReadIoPortDword(port) : 0xFFFFFFFF;
    Log("ReadIoPortDword(port=0x%04X) -> 0x%08lX", port, value);
    return value;
}

STANDIN_EXPORT VOID WINAPI WriteIoPortByte(WORD port, BYTE value) {
    Log("WriteIoPortByte(port=0x%04X, value=0x%02X)", port, value);
    if (zm::sim::SimulatedMachine* m = Machine()) m->WriteIoPortByte(port, value);
}

STANDIN_EXPORT VOID WINAPI WriteIoPortDword(WORD port, DWORD value) {
    Log("WriteIoPortDword(port=0x%04X, value=0x%08lX)", port, value);
    if (zm::sim::SimulatedMachine* m = Machine()) m->WriteIoPortDword(port, value);
}

STANDIN_EXPORT BOOL WINAPI Rdmsr(DWORD index, PDWORD eax, PDWORD edx) {
    return ReadMsrOn("Rdmsr", index, eax, edx, 0, /*current=*/true);
}

STANDIN_EXPORT BOOL WINAPI RdmsrEx(DWORD index, PDWORD eax, PDWORD edx, DWORD_PTR mask) {
    return ReadMsrOn("RdmsrEx", index, eax, edx, mask, /*current=*/false);
}

STANDIN_EXPORT BOOL WINAPI Wrmsr(DWORD index, DWORD eax, DWORD edx) {
    zm::sim::SimulatedMachine* m = Machine();
    const bool ok = m && m->Wrmsr(index, eax, edx);
    Log("Wrmsr(index=0x%08lX, eax=0x%08lX, edx=0x%08lX) -> %d", index, eax, edx, ok);
    return ok;
}

STANDIN_EXPORT BOOL WINAPI WrmsrEx(DWORD index, DWORD eax, DWORD edx, DWORD_PTR mask) {
    zm::sim::SimulatedMachine* m = Machine();
    const bool ok = m && m->WrmsrEx(index, eax, edx, mask);
    Log("WrmsrEx(index=0x%08lX, eax=0x%08lX, edx=0x%08lX, mask=0x%" PRIX64 ") -> %d", index, eax,
        edx, static_cast<std::uint64_t>(mask), ok);
    return ok;
}

STANDIN_EXPORT BOOL WINAPI RdtscEx(PDWORD eax, PDWORD edx, DWORD_PTR mask) {
    std::uint32_t lo = 0, hi = 0;
    zm::sim::SimulatedMachine* m = Machine();
    const bool ok = m && m->RdtscEx(lo, hi, mask);
    if (eax) *eax = lo;
    if (edx) *edx = hi;
    Log("RdtscEx(mask=0x%" PRIX64 ") -> %d eax=0x%08" PRIX32 " edx=0x%08" PRIX32,
        static_cast<std::uint64_t>(mask), ok, lo, hi);
    return ok;
}

STANDIN_EXPORT DWORD WINAPI ReadPhysicalMemory(DWORD_PTR address, PBYTE buffer, DWORD count,
                                               DWORD unitSize) {
    zm::sim::SimulatedMachine* m = Machine();
    const DWORD moved = m ? m->ReadPhysicalMemory(address, buffer, count, unitSize) : 0;
    std::uint32_t first = 0xFFFFFFFF;
    if (buffer && moved >= 4) std::memcpy(&first, buffer, 4);
    Log("ReadPhysicalMemory(address=0x%08" PRIX64 ", count=%lu, unitSize=%lu) -> %lu [0x%08" PRIX32
        "]",
        static_cast<std::uint64_t>(address), count, unitSize, moved, first);
    return moved;
}

STANDIN_EXPORT DWORD WINAPI WritePhysicalMemory(DWORD_PTR address, PBYTE buffer, DWORD count,
                                                DWORD unitSize) {
    std::uint32_t first = 0;
    if (buffer && count * unitSize >= 4) std::memcpy(&first, buffer, 4);
    zm::sim::SimulatedMachine* m = Machine();
    const DWORD moved = m ? m->WritePhysicalMemory(address, buffer, count, unitSize) : 0;
    Log("WritePhysicalMemory(address=0x%08" PRIX64 ", count=%lu, unitSize=%lu, [0x%08" PRIX32
        "]) -> %lu",
        static_cast<std::uint64_t>(address), count, unitSize, first, moved);
    return moved;
}

// --- the stand-in's own: the simulated processor's cpuid and the machine's time ---

STANDIN_EXPORT BOOL WINAPI StandInCpuid(DWORD leaf, DWORD subleaf, PDWORD eax, PDWORD ebx,
                                        PDWORD ecx, PDWORD edx) {
    zm::hw::CpuidRegisters r;
    if (zm::sim::SimulatedMachine* m = Machine()) r = m->Query(leaf, subleaf);
    *eax = r.eax;
    *ebx = r.ebx;
    *ecx = r.ecx;
    *edx = r.edx;
    Log("StandInCpuid(leaf=0x%08lX, subleaf=%lu) -> %08" PRIX32 " %08" PRIX32 " %08" PRIX32
        " %08" PRIX32,
        leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
    return Machine() != nullptr;
}

STANDIN_EXPORT DWORD WINAPI StandInTickCount() {
    const DWORD ms = Instance().clock->TickCount();
    Log("StandInTickCount() -> %lu", ms);
    return ms;
}

STANDIN_EXPORT VOID WINAPI StandInSleep(DWORD milliseconds) {
    Log("StandInSleep(ms=%lu)", milliseconds);
    Instance().clock->Sleep(milliseconds);
}

// Each export has exactly the type the backend calls it through.
namespace {
using Api = zm::hw::WinRing0Host::Api;
static_assert(std::is_same_v<decltype(&InitializeOls), Api::Init>);
static_assert(std::is_same_v<decltype(&DeinitializeOls), Api::Deinit>);
static_assert(std::is_same_v<decltype(&InitializeDll), Api::Init>);
static_assert(std::is_same_v<decltype(&DeinitializeDll), Api::Deinit>);
static_assert(std::is_same_v<decltype(&ReadIoPortByte), Api::InByte>);
static_assert(std::is_same_v<decltype(&ReadIoPortDword), Api::InDword>);
static_assert(std::is_same_v<decltype(&WriteIoPortByte), Api::OutByte>);
static_assert(std::is_same_v<decltype(&WriteIoPortDword), Api::OutDword>);
static_assert(std::is_same_v<decltype(&Rdmsr), Api::ReadMsr>);
static_assert(std::is_same_v<decltype(&RdmsrEx), Api::ReadMsrEx>);
static_assert(std::is_same_v<decltype(&Wrmsr), Api::WriteMsr>);
static_assert(std::is_same_v<decltype(&WrmsrEx), Api::WriteMsrEx>);
static_assert(std::is_same_v<decltype(&RdtscEx), Api::ReadTsc>);
static_assert(std::is_same_v<decltype(&ReadPhysicalMemory), Api::Physical>);
static_assert(std::is_same_v<decltype(&WritePhysicalMemory), Api::Physical>);
static_assert(std::is_same_v<decltype(&StandInCpuid), Api::StandInCpuid>);
static_assert(std::is_same_v<decltype(&StandInTickCount), Api::StandInTickCount>);
static_assert(std::is_same_v<decltype(&StandInSleep), Api::StandInSleep>);
}  // namespace
