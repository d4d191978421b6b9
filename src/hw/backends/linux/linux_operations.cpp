// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/backends/linux/linux_operations.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "hw/backends/port_io/port_operations.h"
#include "hw/bit_field.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#include <x86intrin.h>
#define ZM_X86 1
#else
#define ZM_X86 0
#endif

namespace zm::hw {

namespace {

constexpr Field kConfigEnable = Bit(31);
constexpr Field kExtendedRegister{27, 24};
// AMD family 10h F3x8C bit 14: address bits 27..24 reach registers 0x100..0xFFF.
constexpr Field kEnableCf8ExtCfg = Bit(14);

constexpr int kNotTried = -2;

std::string Errno() {
    return std::strerror(errno);
}

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

// The I/O ports themselves (in/out once iopl() allowed them), for the port-level sequences
// that have no kernel interface. Nothing else of the ring-0 library is reached through it.
class LinuxOperations::RawPorts final : public HardwareLibrary {
public:
    RawPorts(std::atomic<bool>& enabled, LinuxHost& host) : enabled_(enabled), host_(host) {}

    bool InitializeDll() override { return enabled_; }
    void DeinitializeDll() override {}
    std::uint8_t ReadIoPortByte(std::uint16_t port) override {
#if ZM_X86
        if (enabled_) return ::inb(port);
#endif
        (void)port;
        Dropped();
        return 0xFF;
    }
    std::uint32_t ReadIoPortDword(std::uint16_t port) override {
#if ZM_X86
        if (enabled_) return ::inl(port);
#endif
        (void)port;
        Dropped();
        return 0xFFFFFFFF;
    }
    void WriteIoPortByte(std::uint16_t port, std::uint8_t value) override {
#if ZM_X86
        if (enabled_) return ::outb(value, port);
#endif
        (void)port, (void)value;
        Dropped();
    }
    void WriteIoPortDword(std::uint16_t port, std::uint32_t value) override {
#if ZM_X86
        if (enabled_) return ::outl(value, port);
#endif
        (void)port, (void)value;
        Dropped();
    }
    bool Rdmsr(std::uint32_t, std::uint32_t&, std::uint32_t&) override {
        return false;
    }
    bool RdmsrEx(std::uint32_t, std::uint32_t&, std::uint32_t&, AffinityMask) override {
        return false;
    }
    bool Wrmsr(std::uint32_t, std::uint32_t, std::uint32_t) override {
        return false;
    }
    bool WrmsrEx(std::uint32_t, std::uint32_t, std::uint32_t, AffinityMask) override {
        return false;
    }
    bool RdtscEx(std::uint32_t&, std::uint32_t&, AffinityMask) override {
        return false;
    }
    std::uint32_t ReadPhysicalMemory(std::uint64_t, std::uint8_t*, std::uint32_t,
                                     std::uint32_t) override {
        return 0;
    }
    std::uint32_t WritePhysicalMemory(std::uint64_t, const std::uint8_t*, std::uint32_t,
                                      std::uint32_t) override {
        return 0;
    }

private:
    void Dropped() {
        host_.Note(
            "I/O port access is not enabled: port reads answer all ones, writes are dropped");
    }

    std::atomic<bool>& enabled_;
    LinuxHost& host_;
};

LinuxOperations::LinuxOperations(LinuxHost& host, linux_host::IoctlFunction ioctl)
    : host_(host),
      paths_(host.Paths()),
      pci_(paths_.pciDevices),
      ioctl_(std::move(ioctl)),
      rawPorts_(std::make_unique<RawPorts>(portIo_, host)),
      ports_(std::make_unique<PortOperations>(*rawPorts_)) {
    if (!ioctl_) {
        ioctl_ = [](int fd, unsigned long request, void* argument) {
            return ::ioctl(fd, request, argument);
        };
    }
}

LinuxOperations::~LinuxOperations() {
    Deinitialize();
}

bool LinuxOperations::Initialize() {
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

void LinuxOperations::Deinitialize() {
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

int LinuxOperations::OpenNode(const std::string& path, int extraFlags) {
    int fd = -1;
    if (host_.Nodes() == DeviceNodes::ReadWrite) {
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | extraFlags);
        if (fd >= 0 || (errno != EACCES && errno != EPERM)) return fd;
    }
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | extraFlags);
}

// --- PCI configuration ---

std::optional<PciLocation> LinuxOperations::Locate(std::uint32_t address) {
    if (!kConfigEnable.Get(address)) return std::nullopt;
    if (kExtendedRegister.Get(address) != 0) {
        // Like the north bridge itself, honour the extended form only while F3x8C bit 14 is set.
        std::string error;
        const auto nbConfigHigh = pci_.ReadDword(0, 24, 3, 0x8C, error);
        if (!nbConfigHigh || !kEnableCf8ExtCfg.Get(*nbConfigHigh)) {
            address = kExtendedRegister.Set(address, 0);
        }
    }
    return DecodePciAddress(address);
}

bool LinuxOperations::LeftToKernel(const PciLocation& where) {
    for (auto& host : kernelSmbus_) {
        if (host->OwnsFunction(where.bus, where.device, where.function)) {
            // The driver configured the host when it bound; the program's own enable writes
            // would only undo its settings.
            Note("configuration writes to the SMBus controller are left to the kernel's " +
                 host->Bus().driver + " driver");
            return true;
        }
    }
    return false;
}

std::uint32_t LinuxOperations::PciRead(std::uint32_t address) {
    if (!pci_.Available()) return ports_->PciRead(address);
    std::lock_guard<std::mutex> guard(lock_);
    const auto where = Locate(address);
    if (!where) return kPciNoDevice;
    std::string error;
    const auto value =
        pci_.ReadDword(where->bus, where->device, where->function, where->reg, error);
    if (!error.empty()) Note(error);
    return value.value_or(kPciNoDevice);
}

void LinuxOperations::PciWriteBytes(std::uint32_t address, const std::uint8_t* bytes,
                                    unsigned count) {
    std::lock_guard<std::mutex> guard(lock_);
    const auto where = Locate(address);
    if (!where || LeftToKernel(*where)) return;
    std::string error;
    pci_.Write(where->bus, where->device, where->function, where->reg, bytes, count, error);
    if (!error.empty()) Note(error);
}

void LinuxOperations::PciWrite(std::uint32_t address, std::uint32_t value) {
    if (!pci_.Available()) return ports_->PciWrite(address, value);
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    PciWriteBytes(address, bytes, 4);
}

void LinuxOperations::PciWriteByte(std::uint32_t address, std::uint8_t value) {
    if (!pci_.Available()) return ports_->PciWriteByte(address, value);
    PciWriteBytes(address, &value, 1);
}

// --- MSRs ---

int LinuxOperations::MsrFile(unsigned processor) {
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

bool LinuxOperations::MsrAccess(bool write, unsigned processor, std::uint32_t index,
                                std::uint64_t& value) {
    if (processor == kCurrentProcessor) {
        const int cpu = ::sched_getcpu();
        processor = cpu < 0 ? 0 : static_cast<unsigned>(cpu);
    }
    // The processors an affinity mask can name, as on the other backends.
    if (processor >= 64) return false;
    std::lock_guard<std::mutex> guard(lock_);
    if (write && host_.Nodes() == DeviceNodes::ReadOnly) {
        Note("MSR writes are refused: the MSR device nodes are open read-only");
        return false;
    }
    const int fd = MsrFile(processor);
    if (fd < 0) return false;
    const ssize_t done = write ? ::pwrite(fd, &value, sizeof value, index)
                               : ::pread(fd, &value, sizeof value, index);
    if (done != static_cast<ssize_t>(sizeof value)) {
        Note("MSR " + Hex(index) + " on processor " + std::to_string(processor) + " cannot be " +
             (write ? "written: " : "read: ") + Errno());
        return false;
    }
    return true;
}

std::optional<std::uint64_t> LinuxOperations::MsrRead(std::uint32_t index, unsigned processor) {
    std::uint64_t value = 0;
    if (!MsrAccess(false, processor, index, value)) return std::nullopt;
    return value;
}

void LinuxOperations::MsrWrite(std::uint32_t index, unsigned processor, std::uint64_t value) {
    MsrAccess(true, processor, index, value);
}

// --- time-stamp counter ---

std::optional<std::uint64_t> LinuxOperations::ReadTsc(unsigned processor) {
#if ZM_X86
    if (processor >= 64 || processor >= CPU_SETSIZE) return std::nullopt;
    // Run the instruction on the processor asked for: pin this thread there for the moment.
    cpu_set_t saved, pinned;
    const pthread_t self = ::pthread_self();
    if (::pthread_getaffinity_np(self, sizeof saved, &saved) != 0) return std::nullopt;
    CPU_ZERO(&pinned);
    CPU_SET(processor, &pinned);
    if (::pthread_setaffinity_np(self, sizeof pinned, &pinned) != 0) {
        Note("cannot run on processor " + std::to_string(processor) +
             " to read its time-stamp counter");
        return std::nullopt;
    }
    const std::uint64_t tsc = __rdtsc();
    ::pthread_setaffinity_np(self, sizeof saved, &saved);
    return tsc;
#else
    (void)processor;
    return std::nullopt;
#endif
}

// --- physical memory ---

int LinuxOperations::MemoryFile() {
    if (memFile_ != kNotTried) return memFile_;
    memFile_ = OpenNode(paths_.memory, O_SYNC);
    if (memFile_ < 0) {
        Note("cannot open " + paths_.memory + ": " + Errno() + " (needs root)");
        memFile_ = -1;
    }
    return memFile_;
}

bool LinuxOperations::PhysRead(std::uint64_t address, std::span<std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() % 4 != 0) return false;
    std::memset(bytes.data(), 0xFF, bytes.size());
    std::lock_guard<std::mutex> guard(lock_);
    if (dmi_ && dmi_->Read(address, bytes.data(), bytes.size())) return true;
    if (MemoryFile() < 0) return false;
    const ssize_t got = ::pread(memFile_, bytes.data(), bytes.size(), static_cast<off_t>(address));
    if (got != static_cast<ssize_t>(bytes.size())) {
        std::memset(bytes.data(), 0xFF, bytes.size());
        Note("physical memory at " + Hex(address) + " cannot be read: " + Errno() +
             " (a kernel with strict /dev/mem allows little)");
        return false;
    }
    return true;
}

void LinuxOperations::PhysWrite(std::uint64_t address, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    std::lock_guard<std::mutex> guard(lock_);
    if (host_.Nodes() == DeviceNodes::ReadOnly) {
        Note("physical memory writes are refused: " + paths_.memory + " is open read-only");
        return;
    }
    if (MemoryFile() < 0) return;
    if (::pwrite(memFile_, bytes, sizeof bytes, static_cast<off_t>(address)) !=
        static_cast<ssize_t>(sizeof bytes)) {
        Note("physical memory at " + Hex(address) + " cannot be written: " + Errno());
    }
}

// --- index/data port pairs ---

void LinuxOperations::IndexedRead(std::uint16_t indexPort, std::span<const std::uint8_t> indices,
                                  std::span<std::uint8_t> values) {
    if (portIo_) return ports_->IndexedRead(indexPort, indices, values);
    std::fill(values.begin(), values.end(), std::uint8_t{0xFF});
    Note("I/O port access is not enabled: port reads answer all ones");
}

void LinuxOperations::IndexedWrite(std::uint16_t indexPort, std::uint8_t index,
                                   std::uint8_t value) {
    if (portIo_) return ports_->IndexedWrite(indexPort, index, value);
    Note("I/O port writes are dropped: port access is not enabled");
}

// --- SMBus ---

linux_host::KernelSmbusHost* LinuxOperations::KernelSmbusAt(std::uint16_t port) {
    for (auto& host : kernelSmbus_)
        if (host->Owns(port)) return host.get();
    return nullptr;
}

int LinuxOperations::SmbusReadByte(std::uint16_t base, std::uint8_t slave, std::uint8_t command) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (linux_host::KernelSmbusHost* host = KernelSmbusAt(base)) {
            std::string note;
            const int result = host->ReadByte(slave, command, note);
            if (!note.empty()) Note(note);
            return result;
        }
    }
    // No driver bound: the program is the host's only master and drives its registers itself.
    if (portIo_) return ports_->SmbusReadByte(base, slave, command);
    Note("the SMBus host at " + Hex(base) + " cannot be reached: port access is not enabled");
    return smbus::kHostBusy;
}

}  // namespace zm::hw
