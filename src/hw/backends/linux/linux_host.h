// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's hardware and operating-system boundaries on a Linux machine:
//   - I/O ports through iopl() when the kernel allows it (root, CAP_SYS_RAWIO);
//   - PCI configuration through sysfs, behind an emulated 0xCF8 latch / 0xCFC data port pair
//     (raw ports only where sysfs is missing);
//   - MSRs through /dev/cpu/N/msr (the msr module), physical memory through /dev/mem, with the
//     SMBIOS tables from /sys/firmware/dmi/tables where the kernel publishes them;
//   - the SMBus host through the kernel's driver (/dev/i2c-N) when one is bound to it;
//   - the time-stamp counter by rdtsc on the calling thread, pinned to the processor asked for;
//   - cpuid executed directly; processor times and memory from /proc.
// Whatever it cannot reach answers all ones (or false) and leaves a message in Diagnostics().

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "hw/backends/linux/dmi_tables.h"
#include "hw/backends/linux/kernel_smbus.h"
#include "hw/backends/linux/sysfs_pci.h"
#include "hw/cpuid.h"
#include "hw/hardware_library.h"
#include "os/system_info.h"

namespace zm::hw {

struct LinuxHostPaths {
    // Every path below the given folder: "" is this machine; tests pass a fixture tree.
    static LinuxHostPaths Under(const std::string& root);

    std::string pciDevices = "/sys/bus/pci/devices";
    std::string cpuDevices = "/dev/cpu";  // /dev/cpu/N/msr
    std::string memory = "/dev/mem";
    std::string dmiTables = "/sys/firmware/dmi/tables";
    std::string devices = "/dev";         // /dev/i2c-N
    std::string modules = "/sys/module";  // /sys/module/msr while the msr module is loaded
    std::string i2cDevClass = "/sys/class/i2c-dev";  // while i2c-dev serves /dev/i2c-N
    std::string procStat = "/proc/stat";
    std::string meminfo = "/proc/meminfo";
};

// How the MSR and physical-memory device nodes are opened. A report opens them read-only, so
// that the kernel itself refuses any MSR or memory write, whatever part of the program asks.
enum class DeviceNodes { ReadWrite, ReadOnly };

class LinuxHost final : public HardwareLibrary,
                        public LibraryFiles,
                        public BackendNotes,
                        public Cpuid,
                        public os::SystemInfo {
public:
    explicit LinuxHost(LinuxHostPaths paths = {}, DeviceNodes nodes = DeviceNodes::ReadWrite,
                       linux_host::IoctlFunction ioctl = {});
    ~LinuxHost() override;

    // Messages about what could not be reached, each once, in the order they arose.
    std::vector<std::string> Diagnostics() const override;
    bool PortIoEnabled() const;

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

    // --- LibraryFiles: what this backend needs, present or not, each with what to do ---
    std::vector<LibraryFile> Files() const override;

    // --- Cpuid ---
    CpuidRegisters Query(std::uint32_t leaf, std::uint32_t subleaf = 0) override;

    // --- os::SystemInfo ---
    unsigned ProcessorCount() override;
    std::vector<os::ProcessorTimes> ProcessorTimesSnapshot() override;
    os::MemoryStatus GlobalMemoryStatus() override;

private:
    void Note(const std::string& message);
    // The PCI function and register the emulated latch addresses, nullopt when disabled.
    bool LatchedTarget(unsigned& bus, unsigned& device, unsigned& function, unsigned& reg);
    bool MsrAccess(bool write, unsigned processor, std::uint32_t index, std::uint64_t& value);
    int MsrFile(unsigned processor);
    int MemoryFile();
    // open() of a device node: read-write when allowed and possible, else read-only.
    int OpenNode(const std::string& path, int extraFlags);
    // The kernel-owned SMBus host whose registers include the port, or null.
    linux_host::KernelSmbusHost* KernelSmbusAt(std::uint16_t port);
    // A configuration write to a function a kernel SMBus driver owns is left out.
    bool LeftToKernel(unsigned bus, unsigned device, unsigned function);

    LinuxHostPaths paths_;
    DeviceNodes nodes_;
    mutable std::mutex lock_;
    std::vector<std::string> diagnostics_;
    std::set<std::string> noted_;
    bool portIo_ = false;
    std::uint32_t latch_ = 0;
    linux_host::SysfsPci pci_;
    std::vector<int> msrFiles_;  // per processor; -2 not tried yet, -1 unavailable
    int memFile_ = -2;
    std::optional<linux_host::DmiTables> dmi_;
    linux_host::IoctlFunction ioctl_;
    std::vector<std::unique_ptr<linux_host::KernelSmbusHost>> kernelSmbus_;
};

std::shared_ptr<LinuxHost> MakeLinuxHost(DeviceNodes nodes = DeviceNodes::ReadWrite);

}  // namespace zm::hw
