// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/backends/linux/linux_host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "hw/backends/linux/dmi_tables.h"
#include "hw/backends/linux/proc_files.h"
#include "hw/backends/linux/sysfs_pci.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define ZM_X86 1
#else
#define ZM_X86 0
#endif

namespace zm::hw {

namespace {

constexpr std::uint64_t kUserAddressSpace = 1ull << 47;  // x86-64 user space, 128 TiB

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

LinuxHostPaths LinuxHostPaths::Under(const std::string& root) {
    LinuxHostPaths paths;
    for (std::string* path :
         {&paths.pciDevices, &paths.cpuDevices, &paths.memory, &paths.dmiTables, &paths.devices,
          &paths.modules, &paths.i2cDevClass, &paths.procStat, &paths.meminfo}) {
        *path = root + *path;
    }
    return paths;
}

LinuxHost::LinuxHost(LinuxHostPaths paths, DeviceNodes nodes)
    : paths_(std::move(paths)), nodes_(nodes) {}

std::shared_ptr<LinuxHost> MakeLinuxHost(DeviceNodes nodes) {
    return std::make_shared<LinuxHost>(LinuxHostPaths{}, nodes);
}

void LinuxHost::Note(const std::string& message) {
    std::lock_guard<std::mutex> guard(lock_);
    if (noted_.insert(message).second) diagnostics_.push_back(message);
}

std::vector<std::string> LinuxHost::Diagnostics() const {
    std::lock_guard<std::mutex> guard(lock_);
    return diagnostics_;
}

// --- prerequisites ---

std::vector<LibraryFile> LinuxHost::Files() const {
    if (::geteuid() != 0) {
        return {LibraryFile{"root rights", false,
                            "Zentrimo needs administrator rights to reach the hardware: start it "
                            "from the desktop menu (it asks for the administrator password) or "
                            "run: sudo zentrimo"}};
    }
    std::vector<LibraryFile> files;
    files.push_back(
        {paths_.pciDevices, linux_host::SysfsPci(paths_.pciDevices).Available(),
         "PCI configuration space cannot be reached (" + paths_.pciDevices + " is missing)."});
    const std::string msr = paths_.cpuDevices + "/0/msr";
    files.push_back({msr, Exists(msr),
                     Exists(paths_.modules + "/msr")
                         ? msr + " is missing although the msr module is loaded."
                         : "The msr kernel module is not loaded (run: sudo modprobe msr)."});

    // Physical memory: the first dword of the BIOS area, which every kernel that allows any
    // access to /dev/mem lets root read.
    const int fd = ::open(paths_.memory.c_str(), O_RDONLY | O_CLOEXEC);
    std::uint32_t probe = 0;
    const bool readable = fd >= 0 && ::pread(fd, &probe, sizeof probe, 0xF0000) == sizeof probe;
    const std::string why =
        Exists(paths_.memory) ? paths_.memory + " is restricted" : paths_.memory + " is missing";
    if (fd >= 0) ::close(fd);
    std::string ignored;
    const bool tables = linux_host::DmiTables::Load(paths_.dmiTables, ignored).has_value();
    LibraryFile memory{paths_.memory, readable,
                       tables ? "Physical memory is not readable (" + why +
                                    "); SMBIOS is read from " + paths_.dmiTables + " instead."
                              : "Physical memory is not readable (" + why +
                                    ") and the kernel publishes no SMBIOS tables in " +
                                    paths_.dmiTables +
                                    ": motherboard, BIOS and module sizes stay empty."};
    memory.required = false;
    files.push_back(memory);
    return files;
}

// --- cpuid ---

CpuidRegisters LinuxHost::Query(std::uint32_t leaf, std::uint32_t subleaf) {
    CpuidRegisters r;
#if ZM_X86
    __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
#else
    (void)leaf;
    (void)subleaf;
#endif
    return r;
}

// --- operating system ---

unsigned LinuxHost::ProcessorCount() {
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<unsigned>(n) : 1;
}

std::vector<os::ProcessorTimes> LinuxHost::ProcessorTimesSnapshot() {
    const auto text = linux_host::ReadTextFile(paths_.procStat);
    if (!text) {
        Note("cannot read " + paths_.procStat + ": processor usage unknown");
        return std::vector<os::ProcessorTimes>(ProcessorCount());
    }
    auto times = linux_host::ParseProcStat(*text, ::sysconf(_SC_CLK_TCK));
    if (times.size() < ProcessorCount()) times.resize(ProcessorCount());
    return times;
}

os::MemoryStatus LinuxHost::GlobalMemoryStatus() {
    os::MemoryStatus status;
    const auto text = linux_host::ReadTextFile(paths_.meminfo);
    const auto parsed = text ? linux_host::ParseMeminfo(*text) : std::nullopt;
    if (parsed) {
        status = *parsed;
    } else {
        Note("cannot read " + paths_.meminfo + ": memory status unknown");
    }
    status.totalVirtual = kUserAddressSpace;
    status.availVirtual = kUserAddressSpace;
    if (const auto statm = linux_host::ReadTextFile("/proc/self/statm")) {
        const std::uint64_t pages = std::strtoull(statm->c_str(), nullptr, 10);
        const std::uint64_t used = pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        if (used < kUserAddressSpace) status.availVirtual = kUserAddressSpace - used;
    }
    return status;
}

}  // namespace zm::hw
