// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A whole machine emulated at register level, so the real access helpers run against it:
// PCI configuration spaces behind the 0xCF8/0xCFC pair, an Intel-layout SMBus host controller
// with SPD EEPROMs, sparse physical memory, MSRs and time-stamp counters per logical processor,
// CPUID leaves and the operating system's processor and memory facts. Every write is recorded
// in order, so tests can check what the program wrote and when.
//
// Thread-safe: the window thread and the background threads may use it at once.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "hw/cpuid.h"
#include "hw/hardware_library.h"
#include "os/clock.h"
#include "os/system_info.h"

namespace zm::sim {

// One write that reached the simulated hardware.
struct WriteRecord {
    enum class Kind {
        Port,    // an I/O port other than 0xCF8/0xCFC and the 0x80 delay port
        Pci,     // a configuration write through 0xCFC; address = the 0xCF8 latch
        Msr,     // processor = the logical processor written
        Memory,  // physical memory
    };
    Kind kind = Kind::Port;
    // Port, 0xCF8 latch value (plus the byte lane for a byte write to 0xCFD..0xCFF), MSR index
    // or physical address.
    std::uint64_t address = 0;
    std::uint64_t value = 0;
    unsigned width = 4;      // bytes: 1 or 4 (8 for MSRs)
    unsigned processor = 0;  // MSR writes only

    bool operator==(const WriteRecord&) const = default;
};

std::string Describe(const WriteRecord& record);  // "PCI 0x803F2088 <- 0x12345678"

// Counts of accesses, for tests that check what was (not) touched.
struct AccessCounts {
    std::uint64_t portReads = 0, portWrites = 0;  // every port access, 0x80 and 0xCF8/CFC too
    std::uint64_t pciReads = 0, pciWrites = 0;    // data-port accesses with a valid latch
    std::uint64_t msrReads = 0, msrWrites = 0;
    std::uint64_t memoryReads = 0, memoryWrites = 0;
    std::uint64_t Total() const {
        return portReads + portWrites + msrReads + msrWrites + memoryReads + memoryWrites;
    }
};

// Faults a test can inject into the SMBus host controller.
enum class SmbusFault { None, StuckBusy, NeverDone };

class ProfileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SimulatedMachine final : public hw::HardwareLibrary,
                               public hw::LibraryFiles,
                               public hw::Cpuid,
                               public os::SystemInfo {
public:
    // An empty machine: no PCI function answers, no memory, one processor. The clock drives
    // the time-stamp counters (the host's steady clock when none is given).
    explicit SimulatedMachine(std::shared_ptr<os::Clock> clock = nullptr);
    ~SimulatedMachine() override;

    // Profiles (machines/*.json). Throw ProfileError naming the file and the place.
    static std::shared_ptr<SimulatedMachine> FromProfileFile(
        const std::string& path, std::shared_ptr<os::Clock> clock = nullptr);
    static std::shared_ptr<SimulatedMachine> FromProfileText(
        const std::string& json, const std::string& origin,
        std::shared_ptr<os::Clock> clock = nullptr);
    // A shipped profile by name ("x58-bloomfield") or a path to a profile file.
    static std::shared_ptr<SimulatedMachine> Load(const std::string& nameOrPath,
                                                  std::shared_ptr<os::Clock> clock = nullptr);

    struct ProfileInfo {
        std::string name;         // file stem
        std::string description;  // one line
    };
    static std::vector<ProfileInfo> ShippedProfiles();

    // --- set-up (tests and the profile loader); not logged ---
    // PCI configuration dword; creates the function (filled with zeros) if it does not exist.
    void SetPci(unsigned bus, unsigned device, unsigned function, unsigned reg,
                std::uint32_t value);
    void RemovePciFunction(unsigned bus, unsigned device, unsigned function);
    // Current content of a register, 0xFFFFFFFF when the function does not exist.
    std::uint32_t Pci(unsigned bus, unsigned device, unsigned function, unsigned reg) const;

    void SetProcessorCount(unsigned count);
    void SetMsr(unsigned processor, std::uint32_t index, std::uint64_t value);
    void SetMsrAll(std::uint32_t index, std::uint64_t value);  // every processor
    std::uint64_t Msr(unsigned processor, std::uint32_t index) const;
    void SetTscRateMhz(double mhz);
    void SetCpuid(std::uint32_t leaf, std::uint32_t subleaf, hw::CpuidRegisters regs);

    void SetPhysicalMemory(std::uint64_t address, const std::vector<std::uint8_t>& bytes);
    std::uint32_t PhysicalDword(std::uint64_t address) const;  // 0xFFFFFFFF where unmapped

    // The chipset configuration block (RCBA). Its function-disable register at +0x3418
    // bit 3 hides (1) and shows (0) the SMBus function at bus 0, device 31, function 3.
    // SetRootComplexBase creates the block (16 KiB, zeros) and writes base | 1 (decode enabled)
    // into its base register at bus 0, device 31, function 0, register 0xF0 (which must exist).
    // The processor reaches the block in physical memory at (that register & ~0x3FFF) while
    // bit 0 is set, so a program that moves or enables the base sees the block move with it.
    void SetRootComplexBase(std::uint32_t base);
    void SetRootComplexRegister(std::uint32_t offset, std::uint32_t value);
    std::uint32_t RootComplexRegister(std::uint32_t offset) const;  // 0xFFFFFFFF: no block

    // SMBus host controller at an I/O base; SPD images answer at slave 0x50 + slot.
    void SetSmbusBase(std::uint16_t ioBase);
    void SetSpd(unsigned slot, std::vector<std::uint8_t> image);
    void SetSmbusFault(SmbusFault fault);

    // AMD SB800/SB900 power-management registers behind the index/data ports 0xCD6/0xCD7
    // (sim/pm_registers.h). The first register set creates the block; without one the ports
    // answer 0xFF like any port nothing decodes. PmRegister and PmIndex are nullopt then.
    void SetPmRegister(std::uint8_t index, std::uint8_t value);
    std::optional<std::uint8_t> PmRegister(std::uint8_t index) const;
    std::optional<std::uint8_t> PmIndex() const;  // what the index port holds now

    void SetMemoryStatus(const os::MemoryStatus& status);
    // Processor times at the machine's start (100 ns units). From then on the times advance
    // with the clock: each processor is busy the given percentage of the time (user time) and
    // idle the rest (idle time, counted in kernel time too, as Windows reports it).
    void SetProcessorTimes(const std::vector<os::ProcessorTimes>& times);
    void SetProcessorLoad(const std::vector<double>& percent);
    void SetMissingLibraryFiles(std::vector<std::string> names);

    // --- observation ---
    std::vector<WriteRecord> Writes() const;
    void ClearWrites();
    AccessCounts Counts() const;
    // Number of times a 0xCFC access followed a 0xCF8 write made by another thread (an
    // address/data pair broken up by a second thread).
    std::uint64_t InterleavedPciPairs() const;

    void SetIdentity(std::string name, std::string description);
    const std::string& Name() const;
    const std::string& Description() const;

    // --- hw::HardwareLibrary ---
    bool InitializeDll() override;
    void DeinitializeDll() override;
    std::uint8_t ReadIoPortByte(std::uint16_t port) override;
    std::uint32_t ReadIoPortDword(std::uint16_t port) override;
    void WriteIoPortByte(std::uint16_t port, std::uint8_t value) override;
    void WriteIoPortDword(std::uint16_t port, std::uint32_t value) override;
    bool Rdmsr(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx) override;
    bool RdmsrEx(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx,
                 hw::AffinityMask mask) override;
    bool Wrmsr(std::uint32_t index, std::uint32_t eax, std::uint32_t edx) override;
    bool WrmsrEx(std::uint32_t index, std::uint32_t eax, std::uint32_t edx,
                 hw::AffinityMask mask) override;
    bool RdtscEx(std::uint32_t& eax, std::uint32_t& edx, hw::AffinityMask mask) override;
    std::uint32_t ReadPhysicalMemory(std::uint64_t address, std::uint8_t* buffer,
                                     std::uint32_t count, std::uint32_t unitSize) override;
    std::uint32_t WritePhysicalMemory(std::uint64_t address, const std::uint8_t* buffer,
                                      std::uint32_t count, std::uint32_t unitSize) override;

    // --- hw::LibraryFiles ---
    std::vector<hw::LibraryFile> Files() const override;

    // --- hw::Cpuid ---
    hw::CpuidRegisters Query(std::uint32_t leaf, std::uint32_t subleaf = 0) override;

    // --- os::SystemInfo ---
    unsigned ProcessorCount() override;
    std::vector<os::ProcessorTimes> ProcessorTimesSnapshot() override;
    os::MemoryStatus GlobalMemoryStatus() override;

    std::shared_ptr<os::Clock> Clock() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zm::sim
