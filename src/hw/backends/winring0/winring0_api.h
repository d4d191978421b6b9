// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entry points of WinRing0.dll as the backend resolves them, with the library's own
// argument types (BYTE/WORD/DWORD/DWORD_PTR) and calling convention (WINAPI). A library that
// stands in for WinRing0.dll checks its exports against these types.

#include <windows.h>

#include "hw/backends/winring0/winring0_host.h"

namespace zm::hw {

struct WinRing0Host::Api {
    using Init = BOOL(WINAPI*)();
    using Deinit = VOID(WINAPI*)();
    using InByte = BYTE(WINAPI*)(WORD);
    using InDword = DWORD(WINAPI*)(WORD);
    using OutByte = VOID(WINAPI*)(WORD, BYTE);
    using OutDword = VOID(WINAPI*)(WORD, DWORD);
    using ReadMsr = BOOL(WINAPI*)(DWORD, PDWORD, PDWORD);
    using ReadMsrEx = BOOL(WINAPI*)(DWORD, PDWORD, PDWORD, DWORD_PTR);
    using WriteMsr = BOOL(WINAPI*)(DWORD, DWORD, DWORD);
    using WriteMsrEx = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD_PTR);
    using ReadTsc = BOOL(WINAPI*)(PDWORD, PDWORD, DWORD_PTR);
    using Physical = DWORD(WINAPI*)(DWORD_PTR, PBYTE, DWORD, DWORD);
    // Only a stand-in for a whole machine has these (see winring0_host.h).
    using StandInCpuid = BOOL(WINAPI*)(DWORD, DWORD, PDWORD, PDWORD, PDWORD, PDWORD);
    using StandInTickCount = DWORD(WINAPI*)();
    using StandInSleep = VOID(WINAPI*)(DWORD);

    HMODULE module = nullptr;
    Init initialize = nullptr;
    Deinit deinitialize = nullptr;
    InByte readIoPortByte = nullptr;
    InDword readIoPortDword = nullptr;
    OutByte writeIoPortByte = nullptr;
    OutDword writeIoPortDword = nullptr;
    ReadMsr rdmsr = nullptr;
    ReadMsrEx rdmsrEx = nullptr;
    WriteMsr wrmsr = nullptr;
    WriteMsrEx wrmsrEx = nullptr;
    ReadTsc rdtscEx = nullptr;
    Physical readPhysicalMemory = nullptr;
    Physical writePhysicalMemory = nullptr;
    StandInCpuid standInCpuid = nullptr;
    StandInTickCount standInTickCount = nullptr;
    StandInSleep standInSleep = nullptr;
};

}  // namespace zm::hw
