// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/simulated_machine.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <iterator>
#include <thread>

#include "hw/backends/port_io/port_operations.h"
#include "hw/bit_field.h"
#include "hw/pci_address.h"
#include "sim/msr_file.h"
#include "sim/pci_space.h"
#include "sim/physical_memory.h"
#include "sim/pm_registers.h"
#include "sim/smbus_host.h"

namespace zm::sim {

namespace {

constexpr std::uint16_t kDelayPort = 0x80;
constexpr std::uint16_t kPciDataEnd = hw::kPciDataPort + 3;

// Configuration address register (0xCF8) fields.
constexpr hw::Field kConfigEnable = hw::Bit(31);
constexpr hw::Field kExtendedRegister{27, 24};

// AMD family 10h north bridge, function 3 register 0x8C (NB configuration high): bit 14
// (EnableCf8ExtCfg) lets bits 27..24 of the 0xCF8 address reach registers 0x100..0xFFF.
constexpr PciFunctionId kAmdMiscControl{0, 24, 3};
constexpr unsigned kAmdNbConfigHigh = 0x8C;
constexpr hw::Field kEnableCf8ExtCfg = hw::Bit(14);

// Intel ICH / PCH: LPC bridge at 0:31.0 holds the root complex base address (RCBA) in 0xF0;
// the chipset configuration block it points at is 16 KiB; its function-disable register at
// 0x3418 hides the SMBus controller at 0:31.3 with bit 3.
constexpr PciFunctionId kLpcBridge{0, 31, 0};
constexpr PciFunctionId kSmbusFunction{0, 31, 3};
constexpr unsigned kRcbaRegister = 0xF0;
constexpr hw::Field kRcbaEnable = hw::Bit(0);
constexpr std::uint32_t kRcbaBaseMask = 0xFFFFC000;
constexpr std::uint32_t kRcbaSize = 0x4000;
constexpr std::uint32_t kFunctionDisable = 0x3418;
constexpr hw::Field kSmbusDisable = hw::Bit(3);

constexpr double kDefaultTscMhz = 1000.0;
constexpr std::uint64_t kHundredNsPerMicrosecond = 10;

std::uint32_t LoadLe32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

}  // namespace

struct SimulatedMachine::State {
    mutable std::mutex lock;

    std::string name = "empty";
    std::string description = "a machine with nothing in it";

    PciSpace pci;
    std::uint32_t latch = 0;
    std::thread::id latchThread;
    std::uint64_t interleavedPairs = 0;

    PhysicalMemory memory;
    std::vector<std::uint8_t> chipsetBlock;  // empty: the chipset has no configuration block

    std::optional<std::uint16_t> smbusBase;
    SmbusHost smbus;
    std::optional<PmRegisters> pm;  // SB800-series south bridges only

    MsrFile msrs;
    double tscMhz = kDefaultTscMhz;
    std::map<std::pair<std::uint32_t, std::uint32_t>, hw::CpuidRegisters> cpuid;

    os::MemoryStatus memoryStatus;
    std::vector<os::ProcessorTimes> startTimes;
    std::vector<double> loadPercent;
    std::vector<std::string> missingFiles;

    std::vector<WriteRecord> writes;
    AccessCounts counts;
    std::atomic<std::uint64_t> delayWrites{0};

    // Time. An injected clock only has millisecond ticks; without one, the host's steady clock
    // gives microseconds, so short measurements of the time-stamp counter come out smooth.
    std::shared_ptr<os::Clock> clock;
    bool clockInjected = false;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::uint32_t lastTick = 0;
    std::uint64_t elapsedFromTicks = 0;

    std::uint64_t ElapsedMicroseconds() {
        if (!clockInjected) {
            return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                  std::chrono::steady_clock::now() - start)
                                                  .count());
        }
        const std::uint32_t tick = clock->TickCount();
        elapsedFromTicks += std::uint64_t{static_cast<std::uint32_t>(tick - lastTick)} * 1000;
        lastTick = tick;
        return elapsedFromTicks;
    }

    unsigned ProcessorCount() const { return msrs.ProcessorCount(); }

    // The processor an affinity mask selects (its lowest bit), if it exists.
    std::optional<unsigned> ProcessorOf(hw::AffinityMask mask) const {
        for (unsigned n = 0; n < 64 && n < ProcessorCount(); ++n) {
            if (mask & hw::ProcessorMask(n)) return n;
        }
        return std::nullopt;
    }

    // --- PCI ---
    bool ExtendedConfigEnabled() const {
        return pci.Exists(kAmdMiscControl) &&
               kEnableCf8ExtCfg.Get(pci.ReadDword(kAmdMiscControl, kAmdNbConfigHigh)) != 0;
    }

    bool SmbusFunctionHidden() const {
        return !chipsetBlock.empty() &&
               kSmbusDisable.Get(LoadLe32(&chipsetBlock[kFunctionDisable])) != 0;
    }

    // The function and register the latch addresses; nullopt when the enable bit is clear or
    // the function is hidden by the chipset.
    std::optional<std::pair<PciFunctionId, unsigned>> Latched() const {
        if (!kConfigEnable.Get(latch)) return std::nullopt;
        std::uint32_t address = latch;
        if (!ExtendedConfigEnabled()) address = kExtendedRegister.Set(address, 0);
        const hw::PciLocation where = hw::DecodePciAddress(address);
        const PciFunctionId id{where.bus, where.device, where.function};
        if (id == kSmbusFunction && SmbusFunctionHidden()) return std::nullopt;
        return std::make_pair(id, where.reg);
    }

    // The LGA 1366 uncore ignores writes to its channels' timing registers (devices 4..6,
    // function 0, on the uncore's bus 0x3F / 0x7F / 0xBF / 0xFF) while the firmware keeps the
    // memory controller's configuration locked: bits 1..0 of device 0, function 0, register
    // 0x88 hold 1 or 3. The write is logged; the register keeps its value.
    bool IgnoredWhileLocked(PciFunctionId id, unsigned reg) const {
        if ((id.bus & 0x3F) != 0x3F || id.device < 4 || id.device > 6 || id.function != 0)
            return false;
        static constexpr unsigned kTimingRegisters[] = {0x80, 0x84, 0x88, 0x8C, 0x90, 0xB8, 0xD4};
        if (std::find(std::begin(kTimingRegisters), std::end(kTimingRegisters), reg & ~3u) ==
            std::end(kTimingRegisters))
            return false;
        const PciFunctionId generic{id.bus, 0, 0};
        if (!pci.Exists(generic)) return false;
        const unsigned lock = pci.ReadDword(generic, 0x88) & 3;
        return lock == 1 || lock == 3;
    }

    void NoteDataPortAccess() {
        if (latchThread != std::this_thread::get_id()) ++interleavedPairs;
    }

    // --- physical memory with the chipset configuration block mapped in ---
    std::optional<std::uint32_t> ChipsetBlockBase() const {
        if (chipsetBlock.empty() || !pci.Exists(kLpcBridge)) return std::nullopt;
        const std::uint32_t reg = pci.ReadDword(kLpcBridge, kRcbaRegister);
        if (!kRcbaEnable.Get(reg)) return std::nullopt;
        return reg & kRcbaBaseMask;
    }

    std::uint8_t ReadMemoryByte(std::uint64_t address, std::optional<std::uint32_t> block) const {
        if (block && address >= *block && address < std::uint64_t{*block} + kRcbaSize) {
            return chipsetBlock[address - *block];
        }
        return memory.ReadByte(address);
    }

    void WriteMemoryByte(std::uint64_t address, std::uint8_t value,
                         std::optional<std::uint32_t> block) {
        if (block && address >= *block && address < std::uint64_t{*block} + kRcbaSize) {
            chipsetBlock[address - *block] = value;
            return;
        }
        memory.WriteByte(address, value);
    }

    // --- SMBus ---
    std::optional<unsigned> SmbusRegister(std::uint16_t port) const {
        if (!smbusBase || port < *smbusBase || port >= *smbusBase + SmbusHost::kRegisterCount) {
            return std::nullopt;
        }
        return port - *smbusBase;
    }

    void Log(WriteRecord::Kind kind, std::uint64_t address, std::uint64_t value, unsigned width,
             unsigned processor = 0) {
        writes.push_back(WriteRecord{kind, address, value, width, processor});
    }
};

SimulatedMachine::SimulatedMachine(std::shared_ptr<os::Clock> clock)
    : state_(std::make_unique<State>()) {
    state_->clockInjected = clock != nullptr;
    state_->clock = clock ? std::move(clock) : std::make_shared<os::SteadyClock>();
    if (state_->clockInjected) state_->lastTick = state_->clock->TickCount();
}

SimulatedMachine::~SimulatedMachine() = default;

// --- set-up ---

void SimulatedMachine::SetPci(unsigned bus, unsigned device, unsigned function, unsigned reg,
                              std::uint32_t value) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->pci.Store(PciFunctionId{bus, device, function}, reg, value);
}

void SimulatedMachine::RemovePciFunction(unsigned bus, unsigned device, unsigned function) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->pci.Remove(PciFunctionId{bus, device, function});
}

std::uint32_t SimulatedMachine::Pci(unsigned bus, unsigned device, unsigned function,
                                    unsigned reg) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->pci.ReadDword(PciFunctionId{bus, device, function}, reg);
}

void SimulatedMachine::SetProcessorCount(unsigned count) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->msrs.SetProcessorCount(count);
}

void SimulatedMachine::SetMsr(unsigned processor, std::uint32_t index, std::uint64_t value) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->msrs.Set(processor, index, value);
}

void SimulatedMachine::SetMsrAll(std::uint32_t index, std::uint64_t value) {
    std::lock_guard<std::mutex> guard(state_->lock);
    for (unsigned n = 0; n < state_->ProcessorCount(); ++n) state_->msrs.Set(n, index, value);
}

std::uint64_t SimulatedMachine::Msr(unsigned processor, std::uint32_t index) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->msrs.Get(processor, index).value_or(0);
}

void SimulatedMachine::SetTscRateMhz(double mhz) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->tscMhz = mhz;
}

void SimulatedMachine::SetCpuid(std::uint32_t leaf, std::uint32_t subleaf,
                                hw::CpuidRegisters regs) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->cpuid[{leaf, subleaf}] = regs;
}

void SimulatedMachine::SetPhysicalMemory(std::uint64_t address,
                                         const std::vector<std::uint8_t>& bytes) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->memory.Map(address, bytes.data(), bytes.size());
}

std::uint32_t SimulatedMachine::PhysicalDword(std::uint64_t address) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    const auto block = state_->ChipsetBlockBase();
    std::uint8_t bytes[4];
    for (unsigned i = 0; i < 4; ++i) bytes[i] = state_->ReadMemoryByte(address + i, block);
    return LoadLe32(bytes);
}

void SimulatedMachine::SetRootComplexBase(std::uint32_t base) {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (state_->chipsetBlock.empty()) state_->chipsetBlock.assign(kRcbaSize, 0);
    state_->pci.Store(kLpcBridge, kRcbaRegister, kRcbaEnable.Set(base & kRcbaBaseMask, 1));
}

void SimulatedMachine::SetRootComplexRegister(std::uint32_t offset, std::uint32_t value) {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (state_->chipsetBlock.empty()) state_->chipsetBlock.assign(kRcbaSize, 0);
    const std::uint32_t at = offset & (kRcbaSize - 4);
    for (unsigned i = 0; i < 4; ++i) {
        state_->chipsetBlock[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t SimulatedMachine::RootComplexRegister(std::uint32_t offset) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (state_->chipsetBlock.empty()) return 0xFFFFFFFF;
    return LoadLe32(&state_->chipsetBlock[offset & (kRcbaSize - 4)]);
}

void SimulatedMachine::SetSmbusBase(std::uint16_t ioBase) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->smbusBase = ioBase;
}

void SimulatedMachine::SetSpd(unsigned slot, std::vector<std::uint8_t> image) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->smbus.SetSpd(slot, std::move(image));
}

void SimulatedMachine::SetPmRegister(std::uint8_t index, std::uint8_t value) {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (!state_->pm) state_->pm.emplace();
    state_->pm->Set(index, value);
}

std::optional<std::uint8_t> SimulatedMachine::PmRegister(std::uint8_t index) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (!state_->pm) return std::nullopt;
    return state_->pm->Get(index);
}

std::optional<std::uint8_t> SimulatedMachine::PmIndex() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (!state_->pm) return std::nullopt;
    return state_->pm->Index();
}

void SimulatedMachine::SetSmbusFault(SmbusFault fault) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->smbus.SetFault(fault);
}

void SimulatedMachine::SetMemoryStatus(const os::MemoryStatus& status) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->memoryStatus = status;
}

void SimulatedMachine::SetProcessorTimes(const std::vector<os::ProcessorTimes>& times) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->startTimes = times;
}

void SimulatedMachine::SetProcessorLoad(const std::vector<double>& percent) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->loadPercent = percent;
}

void SimulatedMachine::SetMissingLibraryFiles(std::vector<std::string> names) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->missingFiles = std::move(names);
}

void SimulatedMachine::SetIdentity(std::string name, std::string description) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->name = std::move(name);
    state_->description = std::move(description);
}

// --- observation ---

std::vector<WriteRecord> SimulatedMachine::Writes() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->writes;
}

void SimulatedMachine::ClearWrites() {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->writes.clear();
}

AccessCounts SimulatedMachine::Counts() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    AccessCounts counts = state_->counts;
    counts.portWrites += state_->delayWrites.load();
    return counts;
}

std::uint64_t SimulatedMachine::InterleavedPciPairs() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->interleavedPairs;
}

const std::string& SimulatedMachine::Name() const {
    return state_->name;
}
const std::string& SimulatedMachine::Description() const {
    return state_->description;
}

std::shared_ptr<os::Clock> SimulatedMachine::Clock() const {
    return state_->clock;
}

// --- hw::HardwareLibrary ---

bool SimulatedMachine::InitializeDll() {
    return true;
}
void SimulatedMachine::DeinitializeDll() {}

std::uint8_t SimulatedMachine::ReadIoPortByte(std::uint16_t port) {
    State& s = *state_;
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.counts.portReads;
    if (port >= hw::kPciDataPort && port <= kPciDataEnd) {
        s.NoteDataPortAccess();
        const auto target = s.Latched();
        if (!target) return 0xFF;
        ++s.counts.pciReads;
        return s.pci.ReadByte(target->first, target->second + (port - hw::kPciDataPort));
    }
    if (const auto reg = s.SmbusRegister(port)) return s.smbus.Read(*reg);
    if (s.pm && PmRegisters::Decodes(port)) return s.pm->Read(port);
    return 0xFF;
}

std::uint32_t SimulatedMachine::ReadIoPortDword(std::uint16_t port) {
    State& s = *state_;
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.counts.portReads;
    if (port == hw::kPciAddressPort) return s.latch;
    if (port == hw::kPciDataPort) {
        s.NoteDataPortAccess();
        const auto target = s.Latched();
        if (!target) return hw::kPciNoDevice;
        ++s.counts.pciReads;
        return s.pci.ReadDword(target->first, target->second);
    }
    if (const auto reg = s.SmbusRegister(port)) {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < 4; ++i) {
            value |= std::uint32_t{s.smbus.Read(*reg + i)} << (8 * i);
        }
        return value;
    }
    return 0xFFFFFFFF;
}

void SimulatedMachine::WriteIoPortByte(std::uint16_t port, std::uint8_t value) {
    State& s = *state_;
    if (port == kDelayPort) {
        // The delay port does nothing and is written a million times by a timed-out SMBus
        // poll: count it without the lock and keep it out of the log.
        s.delayWrites.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.counts.portWrites;
    if (port >= hw::kPciDataPort && port <= kPciDataEnd) {
        s.NoteDataPortAccess();
        const unsigned lane = port - hw::kPciDataPort;
        s.Log(WriteRecord::Kind::Pci, s.latch + lane, value, 1);
        if (const auto target = s.Latched()) {
            ++s.counts.pciWrites;
            if (!s.IgnoredWhileLocked(target->first, target->second))
                s.pci.WriteByte(target->first, target->second + lane, value);
        }
        return;
    }
    s.Log(WriteRecord::Kind::Port, port, value, 1);
    if (const auto reg = s.SmbusRegister(port)) s.smbus.Write(*reg, value);
    if (s.pm && PmRegisters::Decodes(port)) s.pm->Write(port, value);
}

void SimulatedMachine::WriteIoPortDword(std::uint16_t port, std::uint32_t value) {
    State& s = *state_;
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.counts.portWrites;
    if (port == hw::kPciAddressPort) {
        s.latch = value;
        s.latchThread = std::this_thread::get_id();
        return;
    }
    if (port == hw::kPciDataPort) {
        s.NoteDataPortAccess();
        s.Log(WriteRecord::Kind::Pci, s.latch, value, 4);
        if (const auto target = s.Latched()) {
            ++s.counts.pciWrites;
            if (!s.IgnoredWhileLocked(target->first, target->second))
                s.pci.WriteDword(target->first, target->second, value);
        }
        return;
    }
    s.Log(WriteRecord::Kind::Port, port, value, 4);
    if (const auto reg = s.SmbusRegister(port)) {
        for (unsigned i = 0; i < 4; ++i) {
            s.smbus.Write(*reg + i, static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
}

bool SimulatedMachine::Rdmsr(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx) {
    return RdmsrEx(index, eax, edx, hw::ProcessorMask(0));
}

bool SimulatedMachine::RdmsrEx(std::uint32_t index, std::uint32_t& eax, std::uint32_t& edx,
                               hw::AffinityMask mask) {
    State& s = *state_;
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.counts.msrReads;
    eax = edx = 0;
    const auto processor = s.ProcessorOf(mask);
    if (!processor) return false;
    std::optional<std::uint64_t> value;
    if (index == msr::kTimeStampCounter) {
        value = static_cast<std::uint64_t>(s.tscMhz * static_cast<double>(s.ElapsedMicroseconds()));
    } else {
        value = s.msrs.Get(*processor, index);
    }
    if (!value) return false;
    eax = static_cast<std::uint32_t>(*value);
    edx = static_cast<std::uint32_t>(*value >> 32);
    return true;
}

bool SimulatedMachine::Wrmsr(std::uint32_t index, std::uint32_t eax, std::uint32_t edx) {
    return WrmsrEx(index, eax, edx, hw::ProcessorMask(0));
}

bool SimulatedMachine::WrmsrEx(std::uint32_t index, std::uint32_t eax, std::uint32_t edx,
                               hw::AffinityMask mask) {
    State& s = *state_;
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.counts.msrWrites;
    const auto processor = s.ProcessorOf(mask);
    if (!processor) return false;
    const std::uint64_t value = (std::uint64_t{edx} << 32) | eax;
    s.Log(WriteRecord::Kind::Msr, index, value, 8, *processor);
    return s.msrs.Write(*processor, index, value);
}

bool SimulatedMachine::RdtscEx(std::uint32_t& eax, std::uint32_t& edx, hw::AffinityMask mask) {
    State& s = *state_;
    std::lock_guard<std::mutex> guard(s.lock);
    eax = edx = 0;
    if (!s.ProcessorOf(mask)) return false;
    // Every core's counter runs from the machine's start at the same constant rate, as the
    // synchronised, invariant counters of these processors do.
    const auto tsc =
        static_cast<std::uint64_t>(s.tscMhz * static_cast<double>(s.ElapsedMicroseconds()));
    eax = static_cast<std::uint32_t>(tsc);
    edx = static_cast<std::uint32_t>(tsc >> 32);
    return true;
}

std::uint32_t SimulatedMachine::ReadPhysicalMemory(std::uint64_t address, std::uint8_t* buffer,
                                                   std::uint32_t count, std::uint32_t unitSize) {
    if (!buffer || (unitSize != 1 && unitSize != 2 && unitSize != 4)) return 0;
    State& s = *state_;
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.counts.memoryReads;
    const std::uint64_t bytes = std::uint64_t{count} * unitSize;
    const auto block = s.ChipsetBlockBase();
    for (std::uint64_t i = 0; i < bytes; ++i) buffer[i] = s.ReadMemoryByte(address + i, block);
    return static_cast<std::uint32_t>(bytes);
}

std::uint32_t SimulatedMachine::WritePhysicalMemory(std::uint64_t address,
                                                    const std::uint8_t* buffer, std::uint32_t count,
                                                    std::uint32_t unitSize) {
    if (!buffer || (unitSize != 1 && unitSize != 2 && unitSize != 4)) return 0;
    State& s = *state_;
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.counts.memoryWrites;
    const auto block = s.ChipsetBlockBase();
    for (std::uint32_t unit = 0; unit < count; ++unit) {
        const std::uint64_t at = address + std::uint64_t{unit} * unitSize;
        std::uint64_t value = 0;
        for (unsigned i = 0; i < unitSize; ++i) {
            const std::uint8_t byte = buffer[std::uint64_t{unit} * unitSize + i];
            value |= std::uint64_t{byte} << (8 * i);
            s.WriteMemoryByte(at + i, byte, block);
        }
        s.Log(WriteRecord::Kind::Memory, at, value, unitSize);
    }
    return count * unitSize;
}

// --- hw::LibraryFiles ---

std::vector<hw::LibraryFile> SimulatedMachine::Files() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    std::vector<hw::LibraryFile> files;
    for (const char* name : {"WinRing0.dll", "WinRing0.sys", "WinRing0x64.sys"}) {
        bool present = true;
        for (const std::string& missing : state_->missingFiles) present &= missing != name;
        files.push_back(hw::LibraryFile{name, present});
    }
    return files;
}

// --- hw::Cpuid ---

hw::CpuidRegisters SimulatedMachine::Query(std::uint32_t leaf, std::uint32_t subleaf) {
    std::lock_guard<std::mutex> guard(state_->lock);
    const auto& leaves = state_->cpuid;
    if (const auto it = leaves.find({leaf, subleaf}); it != leaves.end()) return it->second;
    // Leaves without sub-leaves ignore ECX: answer with sub-leaf 0 unless the profile gave
    // this leaf sub-leaves of its own.
    const auto next = leaves.lower_bound({leaf, 1});
    const bool hasSubleaves = next != leaves.end() && next->first.first == leaf;
    if (const auto it = leaves.find({leaf, 0}); it != leaves.end() && !hasSubleaves) {
        return it->second;
    }
    return hw::CpuidRegisters{};
}

// --- os::SystemInfo ---

unsigned SimulatedMachine::ProcessorCount() {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->ProcessorCount();
}

std::vector<os::ProcessorTimes> SimulatedMachine::ProcessorTimesSnapshot() {
    State& s = *state_;
    std::lock_guard<std::mutex> guard(s.lock);
    const std::uint64_t elapsed = s.ElapsedMicroseconds() * kHundredNsPerMicrosecond;
    std::vector<os::ProcessorTimes> times(s.ProcessorCount());
    for (unsigned n = 0; n < times.size(); ++n) {
        if (n < s.startTimes.size()) times[n] = s.startTimes[n];
        double load = n < s.loadPercent.size() ? s.loadPercent[n] : 0.0;
        load = load < 0.0 ? 0.0 : (load > 100.0 ? 100.0 : load);
        const auto busy = static_cast<std::uint64_t>(static_cast<double>(elapsed) * load / 100.0);
        times[n].user += busy;
        times[n].idle += elapsed - busy;
        times[n].kernel += elapsed - busy;  // kernel time includes the idle time
    }
    return times;
}

os::MemoryStatus SimulatedMachine::GlobalMemoryStatus() {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->memoryStatus;
}

}  // namespace zm::sim
