// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/backends/linux/linux_host.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "hw/backends/linux/proc_files.h"
#include "hw/backends/port_io/port_operations.h"
#include "hw/bit_field.h"
#include "hw/pci_address.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <sys/io.h>
#include <x86intrin.h>
#define ZM_X86 1
#else
#define ZM_X86 0
#endif

namespace zm::hw {

namespace {

constexpr std::uint16_t kDelayPort = 0x80;
constexpr std::uint16_t kPciDataEnd = kPciDataPort + 3;

constexpr Field kConfigEnable = Bit(31);
constexpr Field kExtendedRegister{27, 24};
// AMD family 10h F3x8C bit 14: address bits 27..24 reach registers 0x100..0xFFF.
constexpr Field kEnableCf8ExtCfg = Bit(14);

constexpr int kNotTried = -2;
constexpr std::uint64_t kUserAddressSpace = 1ull << 47;  // x86-64 user space, 128 TiB

std::string Errno() {
    return std::strerror(errno);
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::optional<unsigned> ProcessorOf(AffinityMask mask) {
    for (unsigned n = 0; n < 64; ++n) {
        if (mask & ProcessorMask(n)) return n;
    }
    return std::nullopt;
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

LinuxHost::LinuxHost(LinuxHostPaths paths, DeviceNodes nodes, linux_host::IoctlFunction ioctl)
    : paths_(std::move(paths)), nodes_(nodes), pci_(paths_.pciDevices), ioctl_(std::move(ioctl)) {
    if (!ioctl_) {
        ioctl_ = [](int fd, unsigned long request, void* argument) {
            return ::ioctl(fd, request, argument);
        };
    }
}

LinuxHost::~LinuxHost() {
    DeinitializeDll();
}

std::shared_ptr<LinuxHost> MakeLinuxHost(DeviceNodes nodes) {
    return std::make_shared<LinuxHost>(LinuxHostPaths{}, nodes);
}

int LinuxHost::OpenNode(const std::string& path, int extraFlags) {
    int fd = -1;
    if (nodes_ == DeviceNodes::ReadWrite) {
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | extraFlags);
        if (fd >= 0 || (errno != EACCES && errno != EPERM)) return fd;
    }
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | extraFlags);
}

void LinuxHost::Note(const std::string& message) {
    if (noted_.insert(message).second) diagnostics_.push_back(message);
}

std::vector<std::string> LinuxHost::Diagnostics() const {
    std::lock_guard<std::mutex> guard(lock_);
    return diagnostics_;
}

bool LinuxHost::PortIoEnabled() const {
    std::lock_guard<std::mutex> guard(lock_);
    return portIo_;
}

bool LinuxHost::InitializeDll() {
    std::lock_guard<std::mutex> guard(lock_);
#if ZM_X86
    if (!portIo_) {
        if (::iopl(3) == 0) {
            portIo_ = true;
        } else {
            Note("I/O ports unavailable (iopl: " + Errno() +
                 "): SMBus and port access need root on an x86 kernel that allows iopl");
        }
    }
#else
    Note("I/O ports exist only on x86 processors");
#endif
    if (!pci_.Available()) {
        Note("no PCI devices in " + paths_.pciDevices +
             (portIo_ ? ": PCI configuration goes through ports 0xCF8/0xCFC" : ""));
    }
    if (!dmi_) {
        std::string why;
        dmi_ = linux_host::DmiTables::Load(paths_.dmiTables, why);
        if (!why.empty()) Note(why + ": SMBIOS is read from " + paths_.memory);
    }
    if (kernelSmbus_.empty() && pci_.Available()) {
        for (linux_host::KernelSmbus& bus : linux_host::FindKernelSmbus(paths_.pciDevices, pci_)) {
            kernelSmbus_.push_back(std::make_unique<linux_host::KernelSmbusHost>(
                std::move(bus), paths_.devices, ioctl_));
        }
    }
    return portIo_ || pci_.Available();
}

void LinuxHost::DeinitializeDll() {
    std::lock_guard<std::mutex> guard(lock_);
#if ZM_X86
    if (portIo_) ::iopl(0);
#endif
    portIo_ = false;
    for (int& fd : msrFiles_) {
        if (fd >= 0) ::close(fd);
        fd = kNotTried;
    }
    if (memFile_ >= 0) ::close(memFile_);
    memFile_ = kNotTried;
}

// --- the SMBus host a kernel driver owns ---

linux_host::KernelSmbusHost* LinuxHost::KernelSmbusAt(std::uint16_t port) {
    for (auto& host : kernelSmbus_)
        if (host->Owns(port)) return host.get();
    return nullptr;
}

bool LinuxHost::LeftToKernel(unsigned bus, unsigned device, unsigned function) {
    for (auto& host : kernelSmbus_) {
        if (host->OwnsFunction(bus, device, function)) {
            // The driver configured the host when it bound; the program's own enable writes
            // would only undo its settings.
            Note("configuration writes to the SMBus controller are left to the kernel's " +
                 host->Bus().driver + " driver");
            return true;
        }
    }
    return false;
}

// --- I/O ports and the emulated PCI address/data pair ---

bool LinuxHost::LatchedTarget(unsigned& bus, unsigned& device, unsigned& function, unsigned& reg) {
    if (!kConfigEnable.Get(latch_)) return false;
    std::uint32_t address = latch_;
    if (kExtendedRegister.Get(address) != 0) {
        // Like the north bridge itself, honour the extended form only while F3x8C bit 14 is set.
        std::string error;
        const auto nbConfigHigh = pci_.ReadDword(0, 24, 3, 0x8C, error);
        if (!nbConfigHigh || !kEnableCf8ExtCfg.Get(*nbConfigHigh)) {
            address = kExtendedRegister.Set(address, 0);
        }
    }
    const PciLocation where = DecodePciAddress(address);
    bus = where.bus;
    device = where.device;
    function = where.function;
    reg = where.reg;
    return true;
}

std::uint8_t LinuxHost::ReadIoPortByte(std::uint16_t port) {
    std::lock_guard<std::mutex> guard(lock_);
    if (linux_host::KernelSmbusHost* host = KernelSmbusAt(port)) return host->Read(port);
    if (port >= kPciDataPort && port <= kPciDataEnd && pci_.Available()) {
        unsigned bus, device, function, reg;
        if (!LatchedTarget(bus, device, function, reg)) return 0xFF;
        std::string error;
        const auto value = pci_.ReadByte(bus, device, function, reg + (port - kPciDataPort), error);
        if (!error.empty()) Note(error);
        return value.value_or(0xFF);
    }
#if ZM_X86
    if (portIo_) {
        if (port >= kPciDataPort && port <= kPciDataEnd) ::outl(latch_, kPciAddressPort);
        return ::inb(port);
    }
#endif
    Note("I/O port reads return all ones: port access is not enabled");
    return 0xFF;
}

std::uint32_t LinuxHost::ReadIoPortDword(std::uint16_t port) {
    std::lock_guard<std::mutex> guard(lock_);
    if (port == kPciAddressPort) return latch_;
    if (port == kPciDataPort && pci_.Available()) {
        unsigned bus, device, function, reg;
        if (!LatchedTarget(bus, device, function, reg)) return kPciNoDevice;
        std::string error;
        const auto value = pci_.ReadDword(bus, device, function, reg, error);
        if (!error.empty()) Note(error);
        return value.value_or(kPciNoDevice);
    }
#if ZM_X86
    if (portIo_) {
        if (port == kPciDataPort) ::outl(latch_, kPciAddressPort);
        return ::inl(port);
    }
#endif
    Note("I/O port reads return all ones: port access is not enabled");
    return 0xFFFFFFFF;
}

void LinuxHost::WriteIoPortByte(std::uint16_t port, std::uint8_t value) {
    std::lock_guard<std::mutex> guard(lock_);
    if (linux_host::KernelSmbusHost* host = KernelSmbusAt(port)) {
        std::string note;
        host->Write(port, value, note);
        if (!note.empty()) Note(note);
        return;
    }
    if (port >= kPciDataPort && port <= kPciDataEnd && pci_.Available()) {
        unsigned bus, device, function, reg;
        if (!LatchedTarget(bus, device, function, reg)) return;
        if (LeftToKernel(bus, device, function)) return;
        std::string error;
        pci_.Write(bus, device, function, reg + (port - kPciDataPort), &value, 1, error);
        if (!error.empty()) Note(error);
        return;
    }
#if ZM_X86
    if (portIo_) {
        if (port >= kPciDataPort && port <= kPciDataEnd) ::outl(latch_, kPciAddressPort);
        ::outb(value, port);
        return;
    }
#endif
    if (port != kDelayPort) Note("I/O port writes are dropped: port access is not enabled");
}

void LinuxHost::WriteIoPortDword(std::uint16_t port, std::uint32_t value) {
    std::lock_guard<std::mutex> guard(lock_);
    if (port == kPciAddressPort) {
        latch_ = value;  // reaches the hardware together with its data access
        return;
    }
    if (port == kPciDataPort && pci_.Available()) {
        unsigned bus, device, function, reg;
        if (!LatchedTarget(bus, device, function, reg)) return;
        if (LeftToKernel(bus, device, function)) return;
        const std::uint8_t bytes[4] = {
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        std::string error;
        pci_.Write(bus, device, function, reg, bytes, 4, error);
        if (!error.empty()) Note(error);
        return;
    }
#if ZM_X86
    if (portIo_) {
        if (port == kPciDataPort) ::outl(latch_, kPciAddressPort);
        ::outl(value, port);
        return;
    }
#endif
    Note("I/O port writes are dropped: port access is not enabled");
}

// --- MSRs ---

int LinuxHost::MsrFile(unsigned processor) {
    if (msrFiles_.size() <= processor) msrFiles_.resize(processor + 1, kNotTried);
    int& fd = msrFiles_[processor];
    if (fd != kNotTried) return fd;
    const std::string path = paths_.cpuDevices + "/" + std::to_string(processor) + "/msr";
    fd = OpenNode(path, 0);
    if (fd < 0) {
        Note("cannot open " + path + ": " + Errno() +
             (errno == ENOENT ? " (load the msr module: modprobe msr)" : " (needs root)"));
        fd = -1;
    }
    return fd;
}

bool LinuxHost::MsrAccess(bool write, unsigned processor, std::uint32_t index,
                          std::uint64_t& value) {
    std::lock_guard<std::mutex> guard(lock_);
    if (write && nodes_ == DeviceNodes::ReadOnly) {
        Note("MSR writes are refused: the MSR device nodes are open read-only");
        return false;
    }
    const int fd = MsrFile(processor);
    if (fd < 0) return false;
    const ssize_t done = write ? ::pwrite(fd, &value, sizeof value, index)
                               : ::pread(fd, &value, sizeof value, index);
    if (done != static_cast<ssize_t>(sizeof value)) {
        char text[96];
        std::snprintf(text, sizeof text, "MSR 0x%X on processor %u cannot be %s: ", index,
                      processor, write ? "written" : "read");
        Note(text + Errno());
        return false;
    }
    return true;
}

bool LinuxHost::Rdmsr(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx) {
    const int cpu = ::sched_getcpu();
    return RdmsrEx(index, eax, edx, ProcessorMask(cpu < 0 ? 0 : static_cast<unsigned>(cpu)));
}

bool LinuxHost::RdmsrEx(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx,
                        AffinityMask mask) {
    eax = edx = 0;
    const auto processor = ProcessorOf(mask);
    std::uint64_t value = 0;
    if (!processor || !MsrAccess(false, *processor, index, value)) return false;
    eax = static_cast<std::uint32_t>(value);
    edx = static_cast<std::uint32_t>(value >> 32);
    return true;
}

bool LinuxHost::Wrmsr(std::uint32_t index, std::uint32_t eax, std::uint32_t edx) {
    const int cpu = ::sched_getcpu();
    return WrmsrEx(index, eax, edx, ProcessorMask(cpu < 0 ? 0 : static_cast<unsigned>(cpu)));
}

bool LinuxHost::WrmsrEx(std::uint32_t index, std::uint32_t eax, std::uint32_t edx,
                        AffinityMask mask) {
    const auto processor = ProcessorOf(mask);
    std::uint64_t value = (std::uint64_t{edx} << 32) | eax;
    return processor && MsrAccess(true, *processor, index, value);
}

// --- time-stamp counter ---

bool LinuxHost::RdtscEx(std::uint32_t& eax, std::uint32_t& edx, AffinityMask mask) {
    eax = edx = 0;
#if ZM_X86
    const auto processor = ProcessorOf(mask);
    if (!processor || *processor >= CPU_SETSIZE) return false;
    // Run the instruction on the processor asked for: pin this thread there for the moment.
    cpu_set_t saved, pinned;
    const pthread_t self = ::pthread_self();
    if (::pthread_getaffinity_np(self, sizeof saved, &saved) != 0) return false;
    CPU_ZERO(&pinned);
    CPU_SET(*processor, &pinned);
    if (::pthread_setaffinity_np(self, sizeof pinned, &pinned) != 0) {
        std::lock_guard<std::mutex> guard(lock_);
        Note("cannot run on processor " + std::to_string(*processor) +
             " to read its time-stamp counter");
        return false;
    }
    const std::uint64_t tsc = __rdtsc();
    ::pthread_setaffinity_np(self, sizeof saved, &saved);
    eax = static_cast<std::uint32_t>(tsc);
    edx = static_cast<std::uint32_t>(tsc >> 32);
    return true;
#else
    (void)mask;
    return false;
#endif
}

// --- physical memory ---

int LinuxHost::MemoryFile() {
    if (memFile_ != kNotTried) return memFile_;
    memFile_ = OpenNode(paths_.memory, O_SYNC);
    if (memFile_ < 0) {
        Note("cannot open " + paths_.memory + ": " + Errno() + " (needs root)");
        memFile_ = -1;
    }
    return memFile_;
}

std::uint32_t LinuxHost::ReadPhysicalMemory(std::uint64_t address, std::uint8_t* buffer,
                                            std::uint32_t count, std::uint32_t unitSize) {
    if (!buffer || (unitSize != 1 && unitSize != 2 && unitSize != 4)) return 0;
    const std::size_t bytes = std::size_t{count} * unitSize;
    std::memset(buffer, 0xFF, bytes);
    std::lock_guard<std::mutex> guard(lock_);
    if (dmi_ && dmi_->Read(address, buffer, bytes)) return static_cast<std::uint32_t>(bytes);
    if (MemoryFile() < 0) return 0;
    const ssize_t got = ::pread(memFile_, buffer, bytes, static_cast<off_t>(address));
    if (got != static_cast<ssize_t>(bytes)) {
        std::memset(buffer, 0xFF, bytes);
        char text[96];
        std::snprintf(text, sizeof text, "physical memory at 0x%llX cannot be read: ",
                      static_cast<unsigned long long>(address));
        Note(text + Errno() + " (a kernel with strict /dev/mem allows little)");
        return 0;
    }
    return static_cast<std::uint32_t>(bytes);
}

std::uint32_t LinuxHost::WritePhysicalMemory(std::uint64_t address, const std::uint8_t* buffer,
                                             std::uint32_t count, std::uint32_t unitSize) {
    if (!buffer || (unitSize != 1 && unitSize != 2 && unitSize != 4)) return 0;
    const std::size_t bytes = std::size_t{count} * unitSize;
    std::lock_guard<std::mutex> guard(lock_);
    if (nodes_ == DeviceNodes::ReadOnly) {
        Note("physical memory writes are refused: " + paths_.memory + " is open read-only");
        return 0;
    }
    if (MemoryFile() < 0) return 0;
    const ssize_t put = ::pwrite(memFile_, buffer, bytes, static_cast<off_t>(address));
    if (put != static_cast<ssize_t>(bytes)) {
        char text[96];
        std::snprintf(text, sizeof text, "physical memory at 0x%llX cannot be written: ",
                      static_cast<unsigned long long>(address));
        Note(text + Errno());
        return 0;
    }
    return static_cast<std::uint32_t>(bytes);
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
        {paths_.pciDevices, pci_.Available(),
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
        std::lock_guard<std::mutex> guard(lock_);
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
        std::lock_guard<std::mutex> guard(lock_);
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
