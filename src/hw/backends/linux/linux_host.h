// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's operating-system boundaries on a Linux machine, and what its hardware
// operations (hw/backends/linux/linux_operations.h) share: the paths of the device nodes, how
// they are opened, and the messages about what could not be reached.
//   - prerequisites: root, /sys/bus/pci, the msr module, /dev/mem or the SMBIOS tables;
//   - cpuid executed directly; processor times and memory from /proc.

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

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

class LinuxHost final : public LibraryFiles,
                        public BackendNotes,
                        public Cpuid,
                        public os::SystemInfo {
public:
    explicit LinuxHost(LinuxHostPaths paths = {}, DeviceNodes nodes = DeviceNodes::ReadWrite);

    const LinuxHostPaths& Paths() const { return paths_; }
    DeviceNodes Nodes() const { return nodes_; }

    // Messages about what could not be reached, each once, in the order they arose.
    std::vector<std::string> Diagnostics() const override;
    void Note(const std::string& message);

    // --- LibraryFiles: what this backend needs, present or not, each with what to do ---
    std::vector<LibraryFile> Files() const override;

    // --- Cpuid ---
    CpuidRegisters Query(std::uint32_t leaf, std::uint32_t subleaf = 0) override;

    // --- os::SystemInfo ---
    unsigned ProcessorCount() override;
    std::vector<os::ProcessorTimes> ProcessorTimesSnapshot() override;
    os::MemoryStatus GlobalMemoryStatus() override;

private:
    LinuxHostPaths paths_;
    DeviceNodes nodes_;
    mutable std::mutex lock_;
    std::vector<std::string> diagnostics_;
    std::set<std::string> noted_;
};

std::shared_ptr<LinuxHost> MakeLinuxHost(DeviceNodes nodes = DeviceNodes::ReadWrite);

}  // namespace zm::hw
