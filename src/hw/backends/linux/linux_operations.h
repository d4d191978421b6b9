// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hardware operations (hw/operations.h) on a Linux machine, each answered the way the
// kernel offers it:
//   - PCI configuration through sysfs (/sys/bus/pci/devices/0000:BB:DD.F/config), the kernel
//     serialising it with its own configuration cycles; ports 0xCF8/0xCFC only where sysfs is
//     missing;
//   - MSRs through /dev/cpu/N/msr (the msr module), physical memory through /dev/mem, with the
//     SMBIOS tables from /sys/firmware/dmi/tables where the kernel publishes them;
//   - the SMBus host through the kernel's driver (/dev/i2c-N) when one is bound to it, else its
//     registers through I/O ports;
//   - the index/data port pairs through I/O ports (iopl() when the kernel allows it: root,
//     CAP_SYS_RAWIO);
//   - the time-stamp counter by rdtsc on the calling thread, pinned to the processor asked for.
// Whatever it cannot reach answers all ones (or false, or a failed SMBus read) and leaves a
// message in the host's Diagnostics().

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "hw/backends/linux/dmi_tables.h"
#include "hw/backends/linux/kernel_smbus.h"
#include "hw/backends/linux/linux_host.h"
#include "hw/backends/linux/sysfs_pci.h"
#include "hw/operations.h"
#include "hw/pci_address.h"

namespace zm::hw {

class PortOperations;

class LinuxOperations final : public Operations {
public:
    // The paths, the device nodes' form and the diagnostics are the host's.
    explicit LinuxOperations(LinuxHost& host, linux_host::IoctlFunction ioctl = {});
    ~LinuxOperations() override;
    LinuxOperations(const LinuxOperations&) = delete;
    LinuxOperations& operator=(const LinuxOperations&) = delete;

    bool Initialize() override;
    void Deinitialize() override;
    bool PortIoEnabled() const { return portIo_; }

    std::uint32_t PciRead(std::uint32_t address) override;
    void PciWrite(std::uint32_t address, std::uint32_t value) override;
    void PciWriteByte(std::uint32_t address, std::uint8_t value) override;

    std::optional<std::uint64_t> MsrRead(std::uint32_t index, unsigned processor) override;
    void MsrWrite(std::uint32_t index, unsigned processor, std::uint64_t value) override;
    std::optional<std::uint64_t> ReadTsc(unsigned processor) override;

    bool PhysRead(std::uint64_t address, std::span<std::uint8_t> bytes) override;
    void PhysWrite(std::uint64_t address, std::uint32_t value) override;

    void IndexedRead(std::uint16_t indexPort, std::span<const std::uint8_t> indices,
                     std::span<std::uint8_t> values) override;
    void IndexedWrite(std::uint16_t indexPort, std::uint8_t index, std::uint8_t value) override;

    int SmbusReadByte(std::uint16_t base, std::uint8_t slave, std::uint8_t command) override;

private:
    class RawPorts;

    // The function and register a configuration address names; nullopt with the enable bit
    // clear. Called with lock_ held.
    std::optional<PciLocation> Locate(std::uint32_t address);
    // A configuration write to a function a kernel SMBus driver owns is left out.
    bool LeftToKernel(const PciLocation& where);
    void PciWriteBytes(std::uint32_t address, const std::uint8_t* bytes, unsigned count);
    bool MsrAccess(bool write, unsigned processor, std::uint32_t index, std::uint64_t& value);
    int MsrFile(unsigned processor);
    int MemoryFile();
    // open() of a device node: read-write when allowed and possible, else read-only.
    int OpenNode(const std::string& path, int extraFlags);
    // The kernel-owned SMBus host whose registers include the port, or null.
    linux_host::KernelSmbusHost* KernelSmbusAt(std::uint16_t port);
    void Note(const std::string& message) { host_.Note(message); }

    LinuxHost& host_;
    const LinuxHostPaths& paths_;
    std::mutex lock_;
    std::atomic<bool> portIo_{false};
    linux_host::SysfsPci pci_;
    std::vector<int> msrFiles_;  // per processor; -2 not tried yet, -1 unavailable
    int memFile_ = -2;
    std::optional<linux_host::DmiTables> dmi_;
    linux_host::IoctlFunction ioctl_;
    std::vector<std::unique_ptr<linux_host::KernelSmbusHost>> kernelSmbus_;
    // The ports themselves, and the port-level sequences over them (the SMBus host protocol,
    // the index/data pairs, the PCI port pair where sysfs is missing).
    std::unique_ptr<RawPorts> rawPorts_;
    std::unique_ptr<PortOperations> ports_;
};

}  // namespace zm::hw
