// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/backends/winring0/winring0_host.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "hw/backends/winring0/winring0_api.h"

namespace zm::hw {

namespace {

template <typename Function>
bool Resolve(HMODULE module, Function& target, std::initializer_list<const char*> names,
             std::vector<std::string>& missing) {
    for (const char* name : names) {
        if (FARPROC address = ::GetProcAddress(module, name)) {
            target = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
            return true;
        }
    }
    missing.push_back(*names.begin());
    return false;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string ExecutableFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    const std::size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

WinRing0Host::WinRing0Host() : api_(std::make_unique<Api>()) {}

WinRing0Host::~WinRing0Host() {
    DeinitializeDll();
    if (api_->module) ::FreeLibrary(api_->module);
}

std::shared_ptr<WinRing0Host> MakeWinRing0Host() {
    return std::make_shared<WinRing0Host>();
}

void WinRing0Host::Note(const std::string& message) {
    if (std::find(diagnostics_.begin(), diagnostics_.end(), message) == diagnostics_.end()) {
        diagnostics_.push_back(message);
    }
}

std::vector<std::string> WinRing0Host::Diagnostics() const {
    std::lock_guard<std::mutex> guard(lock_);
    return diagnostics_;
}

std::vector<LibraryFile> WinRing0Host::Files() const {
    const std::string folder = ExecutableFolder();
    std::vector<LibraryFile> files;
    for (const char* name : {"WinRing0.dll", "WinRing0.sys", "WinRing0x64.sys"}) {
        files.push_back(LibraryFile{name, FileExists(folder + name)});
    }
    return files;
}

bool WinRing0Host::InitializeDll() {
    std::lock_guard<std::mutex> guard(lock_);
    Api& api = *api_;
    if (!api.module) {
        const std::string path = ExecutableFolder() + "WinRing0.dll";
        api.module = ::LoadLibraryA(path.c_str());
        if (!api.module) {
            Note("cannot load " + path + " (error " + std::to_string(::GetLastError()) + ")");
            return false;
        }
        std::vector<std::string> missing;
        // The library's own names for set-up and tear-down are InitializeOls/DeinitializeOls.
        Resolve(api.module, api.initialize, {"InitializeOls", "InitializeDll"}, missing);
        Resolve(api.module, api.deinitialize, {"DeinitializeOls", "DeinitializeDll"}, missing);
        Resolve(api.module, api.readIoPortByte, {"ReadIoPortByte"}, missing);
        Resolve(api.module, api.readIoPortDword, {"ReadIoPortDword"}, missing);
        Resolve(api.module, api.writeIoPortByte, {"WriteIoPortByte"}, missing);
        Resolve(api.module, api.writeIoPortDword, {"WriteIoPortDword"}, missing);
        Resolve(api.module, api.rdmsr, {"Rdmsr"}, missing);
        Resolve(api.module, api.rdmsrEx, {"RdmsrEx"}, missing);
        Resolve(api.module, api.wrmsr, {"Wrmsr"}, missing);
        Resolve(api.module, api.wrmsrEx, {"WrmsrEx"}, missing);
        Resolve(api.module, api.rdtscEx, {"RdtscEx"}, missing);
        Resolve(api.module, api.readPhysicalMemory, {"ReadPhysicalMemory"}, missing);
        Resolve(api.module, api.writePhysicalMemory, {"WritePhysicalMemory"}, missing);
        for (const std::string& name : missing) Note("WinRing0.dll has no function " + name);
        std::vector<std::string> notStandIn;  // the real library: nothing to note
        Resolve(api.module, api.standInCpuid, {"StandInCpuid"}, notStandIn);
        Resolve(api.module, api.standInTickCount, {"StandInTickCount"}, notStandIn);
        Resolve(api.module, api.standInSleep, {"StandInSleep"}, notStandIn);
    }
    if (!api.initialize) return false;
    initialized_ = true;
    if (!api.initialize()) {
        Note("WinRing0 could not start its driver (run as administrator)");
        return false;
    }
    return true;
}

// Once per set-up: shutdown calls it, and the destructor again for a run that ended otherwise.
void WinRing0Host::DeinitializeDll() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!initialized_) return;
    initialized_ = false;
    if (api_->deinitialize) api_->deinitialize();
}

std::uint8_t WinRing0Host::ReadIoPortByte(std::uint16_t port) {
    return api_->readIoPortByte ? api_->readIoPortByte(port) : 0xFF;
}

std::uint32_t WinRing0Host::ReadIoPortDword(std::uint16_t port) {
    return api_->readIoPortDword ? api_->readIoPortDword(port) : 0xFFFFFFFF;
}

void WinRing0Host::WriteIoPortByte(std::uint16_t port, std::uint8_t value) {
    if (api_->writeIoPortByte) api_->writeIoPortByte(port, value);
}

void WinRing0Host::WriteIoPortDword(std::uint16_t port, std::uint32_t value) {
    if (api_->writeIoPortDword) api_->writeIoPortDword(port, value);
}

bool WinRing0Host::Rdmsr(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx) {
    DWORD lo = 0, hi = 0;
    const bool ok = api_->rdmsr && api_->rdmsr(index, &lo, &hi);
    eax = lo;
    edx = hi;
    return ok;
}

bool WinRing0Host::RdmsrEx(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx,
                           AffinityMask mask) {
    DWORD lo = 0, hi = 0;
    const bool ok = api_->rdmsrEx && api_->rdmsrEx(index, &lo, &hi, static_cast<DWORD_PTR>(mask));
    eax = lo;
    edx = hi;
    return ok;
}

bool WinRing0Host::Wrmsr(std::uint32_t index, std::uint32_t eax, std::uint32_t edx) {
    return api_->wrmsr && api_->wrmsr(index, eax, edx);
}

bool WinRing0Host::WrmsrEx(std::uint32_t index, std::uint32_t eax, std::uint32_t edx,
                           AffinityMask mask) {
    return api_->wrmsrEx && api_->wrmsrEx(index, eax, edx, static_cast<DWORD_PTR>(mask));
}

bool WinRing0Host::RdtscEx(std::uint32_t& eax, std::uint32_t& edx, AffinityMask mask) {
    DWORD lo = 0, hi = 0;
    const bool ok = api_->rdtscEx && api_->rdtscEx(&lo, &hi, static_cast<DWORD_PTR>(mask));
    eax = lo;
    edx = hi;
    return ok;
}

std::uint32_t WinRing0Host::ReadPhysicalMemory(std::uint64_t address, std::uint8_t* buffer,
                                               std::uint32_t count, std::uint32_t unitSize) {
    if (!buffer) return 0;
    if (!api_->readPhysicalMemory) {
        std::memset(buffer, 0xFF, std::size_t{count} * unitSize);
        return 0;
    }
    return api_->readPhysicalMemory(static_cast<DWORD_PTR>(address), buffer, count, unitSize);
}

std::uint32_t WinRing0Host::WritePhysicalMemory(std::uint64_t address, const std::uint8_t* buffer,
                                                std::uint32_t count, std::uint32_t unitSize) {
    if (!buffer || !api_->writePhysicalMemory) return 0;
    // The library takes a non-const pointer but only reads from it.
    return api_->writePhysicalMemory(static_cast<DWORD_PTR>(address), const_cast<PBYTE>(buffer),
                                     count, unitSize);
}

std::uint32_t WinRing0Host::TickCount() {
    return api_->standInTickCount ? api_->standInTickCount() : ::GetTickCount();
}

void WinRing0Host::Sleep(std::uint32_t milliseconds) {
    if (api_->standInSleep)
        api_->standInSleep(milliseconds);
    else
        ::Sleep(milliseconds);
}

}  // namespace zm::hw
