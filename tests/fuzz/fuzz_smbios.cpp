// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the SMBIOS scan: a firmware table of any content must be read without
// running away, reading outside 4 GiB or crashing, on the scanning and on the cached path.
//
// Input: the bytes of the BIOS area from 0xF0000 (a "_SM_" entry point in the first bytes is
// what the fuzzer usually finds). Everything else in physical memory reads as all ones.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "hw/hardware_access.h"
#include "ident/smbios_scan.h"
#include "settings/settings.h"

namespace {

constexpr std::uint64_t kArea = 0xF0000;
// The most one scan can read: 15000 anchor reads, a baseboard search and a two-dword memory-device
// search over a table of up to 0xFFFF bytes, and strings of up to 255 bytes up to string 255.
constexpr std::uint64_t kMaxReads = 15000 + 0xFFFF * 3 + 2 * 255 * 255 + 4096;

// Physical memory only; every other operation is never used by the scan.
class MemoryOnly final : public zm::hw::HardwareLibrary {
public:
    explicit MemoryOnly(std::vector<std::uint8_t> area) : area_(std::move(area)) {}
    std::uint64_t reads = 0;

    bool InitializeDll() override { return true; }
    void DeinitializeDll() override {}
    std::uint8_t ReadIoPortByte(std::uint16_t) override { std::abort(); }
    std::uint32_t ReadIoPortDword(std::uint16_t) override { std::abort(); }
    void WriteIoPortByte(std::uint16_t, std::uint8_t) override { std::abort(); }
    void WriteIoPortDword(std::uint16_t, std::uint32_t) override { std::abort(); }
    bool Rdmsr(std::uint32_t, std::uint32_t&, std::uint32_t&) override { std::abort(); }
    bool RdmsrEx(std::uint32_t, std::uint32_t&, std::uint32_t&, zm::hw::AffinityMask) override {
        std::abort();
    }
    bool Wrmsr(std::uint32_t, std::uint32_t, std::uint32_t) override { std::abort(); }
    bool WrmsrEx(std::uint32_t, std::uint32_t, std::uint32_t, zm::hw::AffinityMask) override {
        std::abort();
    }
    bool RdtscEx(std::uint32_t&, std::uint32_t&, zm::hw::AffinityMask) override { std::abort(); }
    std::uint32_t ReadPhysicalMemory(std::uint64_t address, std::uint8_t* buffer,
                                     std::uint32_t count, std::uint32_t unitSize) override {
        if (++reads > kMaxReads) std::abort();  // a scan that does not end
        if (address + count * unitSize > 0x100000000ull) std::abort();
        for (std::uint32_t i = 0; i < count * unitSize; ++i) {
            const std::uint64_t at = address + i;
            buffer[i] = (at >= kArea && at - kArea < area_.size()) ? area_[at - kArea] : 0xFF;
        }
        return count * unitSize;
    }
    std::uint32_t WritePhysicalMemory(std::uint64_t, const std::uint8_t*, std::uint32_t,
                                      std::uint32_t) override {
        std::abort();  // the scan never writes memory
    }

private:
    std::vector<std::uint8_t> area_;
};

const std::filesystem::path& SettingsPath() {
    // In memory where there is such a folder: every cache write syncs the file to disk.
    const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm")
                                             ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path();
    static const std::filesystem::path path =
        folder / ("fuzz_smbios-" + std::to_string(::getpid()) + ".ini");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0x10000) return 0;
    MemoryOnly memory(std::vector<std::uint8_t>(data, data + size));
    zm::hw::HardwareAccess hw(memory);
    std::filesystem::remove(SettingsPath());
    zm::settings::Settings settings(SettingsPath());

    const zm::ident::SmbiosFacts scanned = zm::ident::ReadSmbios(hw, settings);
    memory.reads = 0;
    // The second start takes the cached path whenever the scan left a usable cache.
    const zm::ident::SmbiosFacts again = zm::ident::ReadSmbios(hw, settings);
    if (again.fromCache && (again.boardVendor.empty() || scanned.devicesAccepted == 0)) {
        std::abort();  // a cache was used that the scan could not have validated
    }
    if (scanned.boardVendor.size() > 80 || scanned.biosVersion.size() > 22) std::abort();
    std::filesystem::remove(SettingsPath());
    return 0;
}
