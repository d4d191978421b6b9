// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux host backend on this very machine, on fixture trees, and with its device nodes
// missing.
#include "hw/backends/linux/linux_host.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "hw/backends/linux/linux_operations.h"
#include "hw/backends/linux/proc_files.h"
#include "hw/pci_address.h"
#include "support/scratch_folder.h"

namespace zm::hw {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(LinuxHostCpuid, VendorAndMaximumLeaf) {
    LinuxHost host;
    const CpuidRegisters leaf0 = host.Query(0);
    EXPECT_GE(leaf0.eax, 1u);
    char vendor[13] = {};
    std::memcpy(vendor, &leaf0.ebx, 4);
    std::memcpy(vendor + 4, &leaf0.edx, 4);
    std::memcpy(vendor + 8, &leaf0.ecx, 4);
    EXPECT_EQ(std::strlen(vendor), 12u) << vendor;
    const std::string known[] = {"GenuineIntel", "AuthenticAMD", "HygonGenuine", "CentaurHauls"};
    EXPECT_NE(std::find(std::begin(known), std::end(known), vendor), std::end(known)) << vendor;
}

// The time-stamp rate's reference: the kernel's own figure where it exposes one; in a virtual
// machine the "cpu MHz" line is the counter's rate. On bare metal that line follows the
// changing core clock, so there is nothing trustworthy to compare with.
std::optional<double> ReferenceTscMhz() {
    const std::string khz = ReadAll("/sys/devices/system/cpu/cpu0/tsc_freq_khz");
    if (!khz.empty()) return std::stod(khz) / 1000.0;
    const std::string cpuinfo = ReadAll("/proc/cpuinfo");
    std::smatch m;
    if (cpuinfo.find(" hypervisor") != std::string::npos &&
        cpuinfo.find("constant_tsc") != std::string::npos &&
        std::regex_search(cpuinfo, m, std::regex("cpu MHz\\s*:\\s*([0-9.]+)"))) {
        return std::stod(m[1].str());
    }
    return std::nullopt;
}

TEST(LinuxHostTsc, CountsAtTheKernelsRate) {
    LinuxHost host;
    LinuxOperations ops(host);
    const auto a = ops.ReadTsc(0);
    ASSERT_TRUE(a);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto b = ops.ReadTsc(0);
    ASSERT_TRUE(b);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_GT(*b, *a);
    const double us = std::chrono::duration<double, std::micro>(elapsed).count();
    const double mhz = static_cast<double>(*b - *a) / us;
    if (host.ProcessorCount() > 1) {
        EXPECT_TRUE(ops.ReadTsc(host.ProcessorCount() - 1));
    }
    EXPECT_FALSE(ops.ReadTsc(63)) << "no such processor";
    const auto reference = ReferenceTscMhz();
    if (!reference) GTEST_SKIP() << "no reference for the rate; measured " << mhz << " MHz";
    EXPECT_NEAR(mhz, *reference, *reference * 0.03);
}

TEST(LinuxHostPci, ConfigurationAddressesReachSysfs) {
    namespace fs = std::filesystem;
    const std::regex name("0000:([0-9a-f]{2}):([0-9a-f]{2})\\.([0-7])");
    std::error_code ec;
    int checked = 0;
    LinuxHost host;
    LinuxOperations ops(host);
    for (const auto& entry : fs::directory_iterator("/sys/bus/pci/devices", ec)) {
        std::smatch m;
        const std::string device = entry.path().filename().string();
        if (!std::regex_match(device, m, name)) continue;
        const unsigned vendor = std::stoul(ReadAll(entry.path() / "vendor"), nullptr, 16);
        const std::uint32_t address =
            PciConfigAddress(std::stoul(m[1].str(), nullptr, 16),
                             std::stoul(m[2].str(), nullptr, 16), std::stoul(m[3].str()), 0);
        EXPECT_EQ(ops.PciRead(address) & 0xFFFF, vendor) << device;
        ++checked;
    }
    if (checked == 0) GTEST_SKIP() << "no PCI devices visible";
    // A function that is not there answers all ones.
    if (!fs::exists("/sys/bus/pci/devices/0000:fe:1f.7")) {
        EXPECT_EQ(ops.PciRead(PciConfigAddress(0xFE, 31, 7, 0)), 0xFFFFFFFFu);
    }
    EXPECT_EQ(ops.PciRead(0x00000000), 0xFFFFFFFFu) << "enable bit clear";
}

// A fixture tree of an AMD family 10h north bridge: the extended registers of function 2 are
// reached only while F3x8C bit 14 allows the extended address form, and a byte write changes
// the addressed dword's lowest byte alone.
TEST(LinuxHostPci, ExtendedRegistersFollowTheNorthBridgesSwitch) {
    zm::testing::ScratchFolder root{"zm-linux-pci"};
    const std::filesystem::path devices = root / "sys/bus/pci/devices";
    auto writeConfig = [&](const std::string& function, unsigned reg, std::uint32_t value) {
        const std::filesystem::path file = devices / function / "config";
        std::filesystem::create_directories(file.parent_path());
        std::string config =
            std::filesystem::exists(file) ? ReadAll(file.string()) : std::string(4096, '\0');
        for (int i = 0; i < 4; ++i) config[reg + i] = static_cast<char>(value >> (8 * i));
        std::ofstream(file, std::ios::binary) << config;
    };
    writeConfig("0000:00:18.2", 0x10, 0x11111111);
    writeConfig("0000:00:18.2", 0x110, 0x22222222);
    const std::uint32_t extended = PciConfigAddress(0, 24, 2, 0x110);
    for (const bool enabled : {false, true}) {
        writeConfig("0000:00:18.3", 0x8C, enabled ? 1u << 14 : 0u);
        LinuxHost host(LinuxHostPaths::Under(root.string()));
        LinuxOperations ops(host);
        ops.Initialize();
        EXPECT_EQ(ops.PciRead(extended), enabled ? 0x22222222u : 0x11111111u);
        if (enabled) {
            ops.PciWriteByte(extended, 0xAB);
            EXPECT_EQ(ops.PciRead(extended), 0x222222ABu);
            ops.PciWrite(PciConfigAddress(0, 24, 2, 0x10), 0x12345678);
            EXPECT_EQ(ops.PciRead(PciConfigAddress(0, 24, 2, 0x10)), 0x12345678u);
        }
    }
}

TEST(LinuxHostSystem, TimesAndMemoryFromProc) {
    LinuxHost host;
    const auto before = host.ProcessorTimesSnapshot();
    ASSERT_EQ(before.size(), host.ProcessorCount());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto after = host.ProcessorTimesSnapshot();
    std::uint64_t grew = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_GE(after[i].kernel, after[i].idle);
        grew += (after[i].kernel + after[i].user) - (before[i].kernel + before[i].user);
    }
    EXPECT_GT(grew, 0u);
    const os::MemoryStatus memory = host.GlobalMemoryStatus();
    EXPECT_GT(memory.totalPhys, 0u);
    EXPECT_LE(memory.availPhys, memory.totalPhys);
    EXPECT_LE(memory.memoryLoad, 100u);
}

// Nothing there: every operation answers ones or false, nothing crashes, and the reasons are
// there to show.
TEST(LinuxHostMissing, AnswersOnesAndExplains) {
    LinuxHost host(LinuxHostPaths::Under("/nonexistent"));
    LinuxOperations ops(host);
    const bool started = ops.Initialize();
    EXPECT_EQ(started, ops.PortIoEnabled()) << "no sysfs: only the ports could be there";
    EXPECT_FALSE(ops.MsrRead(0x10, 0));
    ops.MsrWrite(0x10, 0, 0);
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    EXPECT_FALSE(ops.PhysRead(0xF0000, bytes));
    EXPECT_EQ(bytes[0], 0xFF);
    if (!ops.PortIoEnabled()) {
        EXPECT_EQ(ops.PciRead(0x80000000), 0xFFFFFFFFu);
        EXPECT_EQ(ops.SmbusReadByte(0x400, 0x50, 0), smbus::kHostBusy);
        const std::uint8_t indices[2] = {0x24, 0x25};
        std::uint8_t values[2] = {0, 0};
        ops.IndexedRead(0xCD6, indices, values);
        EXPECT_EQ(values[1], 0xFF);
    }
    EXPECT_EQ(host.ProcessorTimesSnapshot().size(), host.ProcessorCount());
    EXPECT_EQ(host.GlobalMemoryStatus().totalPhys, 0u);

    // What start-up shows: each missing piece with what to do about it.
    const auto files = host.Files();
    auto advice = [&](std::size_t i) { return files.at(i).present ? "" : files.at(i).advice; };
    if (::geteuid() != 0) {
        ASSERT_EQ(files.size(), 1u);
        EXPECT_NE(advice(0).find("run: sudo zentrimo"), std::string::npos);
    } else {
        ASSERT_EQ(files.size(), 3u);
        EXPECT_EQ(advice(0),
                  "PCI configuration space cannot be reached "
                  "(/nonexistent/sys/bus/pci/devices is missing).");
        EXPECT_EQ(advice(1), "The msr kernel module is not loaded (run: sudo modprobe msr).");
        EXPECT_EQ(advice(2),
                  "Physical memory is not readable (/nonexistent/dev/mem is missing) "
                  "and the kernel publishes no SMBIOS tables in "
                  "/nonexistent/sys/firmware/dmi/tables: motherboard, BIOS and module "
                  "sizes stay empty.");
        EXPECT_TRUE(files[1].required);
        EXPECT_FALSE(files[2].required) << "the program goes on without physical memory";
    }

    const auto diagnostics = host.Diagnostics();
    auto mentions = [&](const std::string& what) {
        return std::any_of(diagnostics.begin(), diagnostics.end(),
                           [&](const std::string& d) { return d.find(what) != std::string::npos; });
    };
    EXPECT_TRUE(mentions("/nonexistent/dev/cpu/0/msr"));
    EXPECT_TRUE(mentions("/nonexistent/dev/mem"));
    EXPECT_TRUE(mentions("/nonexistent/proc/stat"));
    EXPECT_TRUE(mentions("/nonexistent/proc/meminfo"));
    // Each reason once, however often it struck.
    ops.MsrRead(0x10, 0);
    EXPECT_EQ(host.Diagnostics().size(), diagnostics.size());
}

TEST(ProcFiles, ProcStatInWindowsTerms) {
    const std::string text =
        "cpu  100 5 50 1000 20 3 2 0 0 0\n"
        "cpu0 60 5 30 500 10 2 1 0 0 0\n"
        "cpu2 40 0 20 500 10 1 1\n"
        "intr 12345\n";
    const auto times = linux_host::ParseProcStat(text, 100);  // 100 ticks/s: 100,000 units each
    ASSERT_EQ(times.size(), 3u) << "processor 1 offline: a gap, not a shift";
    EXPECT_EQ(times[0].user, 65u * 100000);
    EXPECT_EQ(times[0].idle, 510u * 100000);
    EXPECT_EQ(times[0].kernel, (30u + 2 + 1 + 510) * 100000);
    EXPECT_EQ(times[1].kernel, 0u);
    EXPECT_EQ(times[2].idle, 510u * 100000);
    EXPECT_TRUE(linux_host::ParseProcStat(text, 0).empty());
}

TEST(ProcFiles, MeminfoAsAMemoryStatus) {
    const auto status = linux_host::ParseMeminfo(
        "MemTotal:        8000000 kB\nMemFree:  1000000 kB\nMemAvailable:    2000000 kB\n"
        "SwapTotal:       4000000 kB\nSwapFree:        3000000 kB\n");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->totalPhys, 8000000ull * 1024);
    EXPECT_EQ(status->availPhys, 2000000ull * 1024);
    EXPECT_EQ(status->memoryLoad, 75u);
    EXPECT_EQ(status->totalPageFile, 12000000ull * 1024);
    EXPECT_EQ(status->availPageFile, 5000000ull * 1024);
    // Old kernels without MemAvailable: free + buffers + cached.
    const auto old = linux_host::ParseMeminfo(
        "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->availPhys, 400u * 1024);
    EXPECT_FALSE(linux_host::ParseMeminfo("garbage"));
}

// Regular files standing in for /dev/cpu/0/msr and /dev/mem: both forms read them; only the
// read-write one writes them, the read-only one (the report's) leaves them as they are.
TEST(LinuxHostDeviceNodes, ReadOnlyNodesAreReadButNeverWritten) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zm-linux-nodes-" + std::to_string(::getpid()));
    for (DeviceNodes nodes : {DeviceNodes::ReadWrite, DeviceNodes::ReadOnly}) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir / "cpu" / "0");
        const std::string original(64, '\x5A');
        std::ofstream(dir / "cpu" / "0" / "msr", std::ios::binary) << original;
        std::ofstream(dir / "mem", std::ios::binary) << original;
        LinuxHostPaths paths;
        paths.cpuDevices = (dir / "cpu").string();
        paths.memory = (dir / "mem").string();
        const bool writable = nodes == DeviceNodes::ReadWrite;
        {
            LinuxHost host(paths, nodes);
            LinuxOperations ops(host);
            EXPECT_EQ(ops.MsrRead(0x10, 0), 0x5A5A5A5A5A5A5A5Aull);
            ops.MsrWrite(0x10, 0, 0x0000000200000001ull);
            EXPECT_EQ(ops.MsrRead(0x10, 0),
                      writable ? 0x0000000200000001ull : 0x5A5A5A5A5A5A5A5Aull);
            std::uint8_t bytes[4] = {0, 0, 0, 0};
            EXPECT_TRUE(ops.PhysRead(8, bytes));
            EXPECT_EQ(bytes[3], 0x5A);
            ops.PhysWrite(8, 0x04030201);
        }
        EXPECT_EQ(ReadAll((dir / "cpu" / "0" / "msr").string()) == original, !writable);
        EXPECT_EQ(ReadAll((dir / "mem").string()) == original, !writable);
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zm::hw
