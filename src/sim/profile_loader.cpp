// SPDX-License-Identifier: GPL-3.0-or-later
// Machine profiles: one JSON file describes a whole simulated machine (format in
// machines/README.md). Anything the loader does not understand is refused with the file and the
// JSON pointer of the offending place, so a typo never silently yields a different machine.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "os/bounded_file.h"
#include "sim/hex_dump.h"
#include "sim/machines_dir.h"
#include "sim/simulated_machine.h"

namespace zm::sim {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr unsigned kMaxProcessors = 64;
// Every file a profile brings in is read up to a limit well above any real one, so that a
// profile naming the wrong file (a disk image, /dev/zero) is refused instead of eating memory.
constexpr std::uint64_t kMiB = 1ull << 20;
constexpr std::uint64_t kMaxProfileFile = 16 * kMiB;
constexpr std::uint64_t kMaxLspciFile = 1 * kMiB;      // lspci -xxxx of a whole machine is ~100 KiB
constexpr std::uint64_t kMaxBinaryFile = 64 * kMiB;    // one memory block
constexpr std::uint64_t kMaxMemoryTotal = 256 * kMiB;  // all memory blocks together
constexpr std::uint64_t kMaxSpdImage = 4096;
constexpr std::uint64_t kMaxPhysicalAddress = (1ull << 40) - 1;
constexpr unsigned kConfigSpaceSize = 4096;
constexpr unsigned kChipsetBlockSize = 0x4000;
constexpr unsigned kMaxSmbusSlots = 8;
constexpr std::size_t kBrandStringBytes = 48;

std::string Escape(const std::string& key) {
    std::string out;
    for (char c : key) {
        if (c == '~') {
            out += "~0";
        } else if (c == '/') {
            out += "~1";
        } else {
            out += c;
        }
    }
    return out;
}

class ProfileReader {
public:
    ProfileReader(std::string origin, fs::path baseDir, SimulatedMachine& machine)
        : origin_(std::move(origin)), baseDir_(std::move(baseDir)), machine_(machine) {}

    void Read(const json& root, const std::string& defaultName) {
        Keys(root, "",
             {"name", "description", "cpu", "pci", "memory", "rcba", "smbus", "pm_registers", "os",
              "missing_library_files"});
        const std::string name = root.contains("name") ? Text(root["name"], "/name") : defaultName;
        const std::string description =
            root.contains("description") ? Text(root["description"], "/description") : "";
        machine_.SetIdentity(name, description);
        if (root.contains("cpu")) Cpu(root["cpu"], "/cpu");
        if (root.contains("pci")) Pci(root["pci"], "/pci");
        if (root.contains("memory")) Memory(root["memory"], "/memory");
        if (root.contains("rcba")) Rcba(root["rcba"], "/rcba");
        if (root.contains("smbus")) Smbus(root["smbus"], "/smbus");
        if (root.contains("pm_registers")) PmRegisters(root["pm_registers"], "/pm_registers");
        if (root.contains("os")) Os(root["os"], "/os");
        if (root.contains("missing_library_files")) MissingFiles(root["missing_library_files"]);
    }

private:
    [[noreturn]] void Fail(const std::string& where, const std::string& what) const {
        throw ProfileError(origin_ + ": " + (where.empty() ? "/" : where) + ": " + what);
    }

    // Every key must be known; "comment" is allowed everywhere for the author's notes.
    void Keys(const json& object, const std::string& where,
              std::initializer_list<const char*> allowed) const {
        if (!object.is_object()) Fail(where, "expected an object");
        for (const auto& item : object.items()) {
            if (item.key() == "comment") continue;
            const bool known = std::any_of(allowed.begin(), allowed.end(),
                                           [&](const char* k) { return item.key() == k; });
            if (!known) Fail(where + "/" + Escape(item.key()), "unknown key");
        }
    }

    void Object(const json& value, const std::string& where) const {
        if (!value.is_object()) Fail(where, "expected an object");
    }

    std::string Text(const json& value, const std::string& where) const {
        if (!value.is_string()) Fail(where, "expected a string");
        return value.get<std::string>();
    }

    // A number written as "0x..." (the profile's way) or as a plain non-negative integer.
    std::uint64_t Number(const json& value, const std::string& where, std::uint64_t max) const {
        if (value.is_number_unsigned()) {
            const auto n = value.get<std::uint64_t>();
            if (n > max) Fail(where, "value too large (at most " + Hex(max) + ")");
            return n;
        }
        if (value.is_string()) {
            if (const auto n = ParseHexNumber(value.get<std::string>(), max)) return *n;
            Fail(where, "expected a hexadecimal number like \"0x1F\" of at most " + Hex(max));
        }
        if (value.is_number()) {
            Fail(where, "expected a non-negative integer of at most " + Hex(max) +
                            " (a fraction, a negative number or one too large for 64 bits)");
        }
        Fail(where, "expected a number");
    }

    std::uint64_t Key(const std::string& key, const std::string& where, std::uint64_t max) const {
        if (const auto n = ParseHexNumber(key, max)) return *n;
        Fail(where, "expected a hexadecimal key like \"0x1F\" of at most " + Hex(max));
    }

    double Real(const json& value, const std::string& where, double min, double max) const {
        if (!value.is_number()) Fail(where, "expected a number");
        const double d = value.get<double>();
        if (!(d >= min && d <= max)) {
            Fail(where, "out of range " + std::to_string(min) + ".." + std::to_string(max));
        }
        return d;
    }

    static std::string Hex(std::uint64_t n) {
        std::ostringstream out;
        out << "0x" << std::uppercase << std::hex << n;
        return out.str();
    }

    // The contents of a file the profile names (relative to the profile's folder).
    std::string BoundedFile(const json& value, const std::string& where,
                            std::uint64_t limit) const {
        const fs::path path = baseDir_ / Text(value, where);
        os::BoundedRead read = os::ReadRegularFile(path, limit);
        if (!read.error.empty()) Fail(where, path.string() + ": " + read.error);
        return std::move(read.bytes);
    }

    std::vector<std::uint8_t> BinaryFile(const json& value, const std::string& where,
                                         std::uint64_t limit) const {
        const std::string bytes = BoundedFile(value, where, limit);
        if (bytes.empty()) Fail(where, "the file named here is empty");
        return {bytes.begin(), bytes.end()};
    }

    // --- cpu ---
    void Cpu(const json& cpu, const std::string& where) {
        Keys(cpu, where, {"processors", "tsc_mhz", "brand_string", "cpuid", "msr"});
        if (cpu.contains("processors")) {
            processors_ = static_cast<unsigned>(
                Number(cpu["processors"], where + "/processors", kMaxProcessors));
            if (processors_ == 0) Fail(where + "/processors", "at least one processor");
        }
        machine_.SetProcessorCount(processors_);
        if (cpu.contains("tsc_mhz")) {
            machine_.SetTscRateMhz(Real(cpu["tsc_mhz"], where + "/tsc_mhz", 1.0, 100000.0));
        }
        if (cpu.contains("cpuid")) Cpuid(cpu["cpuid"], where + "/cpuid");
        if (cpu.contains("brand_string")) BrandString(cpu["brand_string"], where + "/brand_string");
        if (cpu.contains("msr")) Msrs(cpu["msr"], where + "/msr");
    }

    void Cpuid(const json& leaves, const std::string& where) {
        Object(leaves, where);
        static const std::regex form("(0[xX][0-9a-fA-F]{1,8})(:([0-9]{1,3}))?");
        for (const auto& item : leaves.items()) {
            const std::string at = where + "/" + Escape(item.key());
            std::smatch m;
            if (!std::regex_match(item.key(), m, form)) {
                Fail(at, "expected a leaf like \"0x80000002\" or \"0x4:1\" (leaf:sub-leaf)");
            }
            const auto leaf = static_cast<std::uint32_t>(*ParseHexNumber(m[1].str(), 0xFFFFFFFF));
            const std::uint32_t subleaf = m[3].matched ? std::stoul(m[3].str()) : 0;
            const json& regs = item.value();
            if (!regs.is_array() || regs.size() != 4) {
                Fail(at, "expected four registers [eax, ebx, ecx, edx]");
            }
            std::uint32_t r[4];
            for (unsigned i = 0; i < 4; ++i) {
                r[i] = static_cast<std::uint32_t>(
                    Number(regs[i], at + "/" + std::to_string(i), 0xFFFFFFFF));
            }
            machine_.SetCpuid(leaf, subleaf, hw::CpuidRegisters{r[0], r[1], r[2], r[3]});
        }
    }

    // The brand string fills leaves 0x80000002..0x80000004: 48 bytes, zero-padded.
    void BrandString(const json& value, const std::string& where) {
        const std::string brand = Text(value, where);
        if (brand.size() >= kBrandStringBytes) Fail(where, "at most 47 characters");
        std::uint8_t bytes[kBrandStringBytes] = {};
        std::copy(brand.begin(), brand.end(), bytes);
        for (std::uint32_t leaf = 0; leaf < 3; ++leaf) {
            std::uint32_t r[4];
            for (unsigned i = 0; i < 4; ++i) {
                const std::uint8_t* b = bytes + leaf * 16 + i * 4;
                r[i] = std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) |
                       (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24);
            }
            machine_.SetCpuid(0x80000002 + leaf, 0, hw::CpuidRegisters{r[0], r[1], r[2], r[3]});
        }
    }

    // "all" applies to every processor; "0", "1", ... to one. "all" is applied first, so a
    // processor's own entry overrides it whatever the order in the file.
    void Msrs(const json& msrs, const std::string& where) {
        Object(msrs, where);
        if (msrs.contains("all")) MsrSet(msrs["all"], where + "/all", std::nullopt);
        for (const auto& item : msrs.items()) {
            if (item.key() == "all" || item.key() == "comment") continue;
            const std::string at = where + "/" + Escape(item.key());
            static const std::regex digits("[0-9]{1,2}");
            if (!std::regex_match(item.key(), digits)) {
                Fail(at, "expected \"all\" or a processor number");
            }
            const unsigned processor = std::stoul(item.key());
            if (processor >= processors_) {
                Fail(at, "processor " + item.key() + " does not exist (" +
                             std::to_string(processors_) + " processors)");
            }
            MsrSet(item.value(), at, processor);
        }
    }

    void MsrSet(const json& set, const std::string& where, std::optional<unsigned> processor) {
        Object(set, where);
        for (const auto& item : set.items()) {
            if (item.key() == "comment") continue;
            const std::string at = where + "/" + Escape(item.key());
            const auto index = static_cast<std::uint32_t>(Key(item.key(), at, 0xFFFFFFFF));
            const std::uint64_t value = Number(item.value(), at, UINT64_MAX);
            if (processor) {
                machine_.SetMsr(*processor, index, value);
            } else {
                machine_.SetMsrAll(index, value);
            }
        }
    }

    // --- pci ---
    void Pci(const json& devices, const std::string& where) {
        Object(devices, where);
        static const std::regex form("([0-9a-fA-F]{2}):([0-9a-fA-F]{2})\\.([0-7])");
        for (const auto& item : devices.items()) {
            if (item.key() == "comment") continue;
            const std::string at = where + "/" + Escape(item.key());
            std::smatch m;
            if (!std::regex_match(item.key(), m, form)) {
                Fail(at, "expected a PCI function \"bus:device.function\" like \"00:1f.3\"");
            }
            const unsigned bus = std::stoul(m[1].str(), nullptr, 16);
            const unsigned device = std::stoul(m[2].str(), nullptr, 16);
            const unsigned function = std::stoul(m[3].str());
            if (device > 0x1F) Fail(at, "device number above 0x1f");
            std::string location = item.key();
            std::transform(location.begin(), location.end(), location.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (pciFunctions_.count(location)) Fail(at, "the same function appears twice");
            PciFunction(item.value(), at, location, bus, device, function);
        }
    }

    void PciFunction(const json& regs, const std::string& where, const std::string& location,
                     unsigned bus, unsigned device, unsigned function) {
        if (!regs.is_object()) Fail(where, "expected an object of registers");
        if (regs.contains("dump") && regs.contains("lspci_file")) {
            Fail(where, "give either \"dump\" or \"lspci_file\", not both");
        }
        std::vector<std::uint8_t> image;
        if (regs.contains("dump")) {
            const auto bytes = ParseHexBytes(Text(regs["dump"], where + "/dump"));
            if (!bytes) Fail(where + "/dump", "expected hex bytes");
            image = *bytes;
        } else if (regs.contains("lspci_file")) {
            const LspciDump dump = ParseLspciDump(
                BoundedFile(regs["lspci_file"], where + "/lspci_file", kMaxLspciFile), location);
            if (!dump.error.empty()) Fail(where + "/lspci_file", dump.error);
            image = dump.bytes;
        }
        if (image.size() > kConfigSpaceSize || image.size() % 4 != 0) {
            Fail(where, "a configuration dump has a multiple of 4 bytes, at most 4096");
        }
        // Creates the function even when only a dump or nothing at all was given.
        machine_.SetPci(bus, device, function, 0, 0);
        for (std::size_t i = 0; i < image.size(); i += 4) {
            const std::uint32_t dword =
                std::uint32_t{image[i]} | (std::uint32_t{image[i + 1]} << 8) |
                (std::uint32_t{image[i + 2]} << 16) | (std::uint32_t{image[i + 3]} << 24);
            machine_.SetPci(bus, device, function, static_cast<unsigned>(i), dword);
        }
        for (const auto& item : regs.items()) {
            const std::string& key = item.key();
            if (key == "comment" || key == "dump" || key == "lspci_file") continue;
            const std::string at = where + "/" + Escape(key);
            const auto reg = static_cast<unsigned>(Key(key, at, kConfigSpaceSize - 4));
            if (reg % 4 != 0) Fail(at, "register offsets are dword-aligned");
            machine_.SetPci(bus, device, function, reg,
                            static_cast<std::uint32_t>(Number(item.value(), at, 0xFFFFFFFF)));
        }
        pciFunctions_.insert(location);
    }

    // --- physical memory ---
    void Memory(const json& blocks, const std::string& where) {
        if (!blocks.is_array()) Fail(where, "expected an array of memory blocks");
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const std::string at = where + "/" + std::to_string(i);
            const json& block = blocks[i];
            Keys(block, at, {"address", "hex", "file", "size"});
            if (!block.contains("address")) Fail(at, "missing \"address\"");
            const int sources =
                block.contains("hex") + block.contains("file") + block.contains("size");
            if (sources != 1) Fail(at, "give exactly one of \"hex\", \"file\" and \"size\"");
            const std::uint64_t address =
                Number(block["address"], at + "/address", kMaxPhysicalAddress);
            std::vector<std::uint8_t> bytes;
            if (block.contains("hex")) {
                const auto parsed = ParseHexBytes(Text(block["hex"], at + "/hex"));
                if (!parsed || parsed->empty()) Fail(at + "/hex", "expected hex bytes");
                bytes = *parsed;
            } else if (block.contains("file")) {
                bytes = BinaryFile(block["file"], at + "/file", kMaxBinaryFile);
            } else {
                const std::uint64_t size = Number(block["size"], at + "/size", kMaxBinaryFile);
                if (size == 0) Fail(at + "/size", "an empty block");
                bytes.assign(size, 0);  // zero-filled memory, e.g. a register window
            }
            if (address + bytes.size() - 1 > kMaxPhysicalAddress) {
                Fail(at, "block extends past the physical address space");
            }
            memoryTotal_ += bytes.size();
            if (memoryTotal_ > kMaxMemoryTotal) {
                Fail(at, "the memory blocks hold more than " + os::SizeText(kMaxMemoryTotal) +
                             " in all");
            }
            machine_.SetPhysicalMemory(address, bytes);
        }
    }

    // --- chipset configuration block ---
    void Rcba(const json& rcba, const std::string& where) {
        Keys(rcba, where, {"base", "registers"});
        if (!pciFunctions_.count("00:1f.0")) {
            Fail(where,
                 "the chipset configuration block needs the LPC bridge \"00:1f.0\" in \"pci\"");
        }
        if (!rcba.contains("base")) Fail(where, "missing \"base\"");
        const std::uint64_t base = Number(rcba["base"], where + "/base", 0xFFFFFFFF);
        if (base % kChipsetBlockSize != 0) Fail(where + "/base", "must be 16 KiB aligned");
        machine_.SetRootComplexBase(static_cast<std::uint32_t>(base));
        if (!rcba.contains("registers")) return;
        const json& regs = rcba["registers"];
        Object(regs, where + "/registers");
        for (const auto& item : regs.items()) {
            if (item.key() == "comment") continue;
            const std::string at = where + "/registers/" + Escape(item.key());
            const auto offset =
                static_cast<std::uint32_t>(Key(item.key(), at, kChipsetBlockSize - 4));
            if (offset % 4 != 0) Fail(at, "register offsets are dword-aligned");
            machine_.SetRootComplexRegister(
                offset, static_cast<std::uint32_t>(Number(item.value(), at, 0xFFFFFFFF)));
        }
    }

    // --- SMBus ---
    void Smbus(const json& smbus, const std::string& where) {
        Keys(smbus, where, {"io_base", "slots"});
        if (!smbus.contains("io_base")) Fail(where, "missing \"io_base\"");
        machine_.SetSmbusBase(
            static_cast<std::uint16_t>(Number(smbus["io_base"], where + "/io_base", 0xFFF0)));
        if (!smbus.contains("slots")) return;
        const json& slots = smbus["slots"];
        Object(slots, where + "/slots");
        for (const auto& item : slots.items()) {
            if (item.key() == "comment") continue;
            const std::string at = where + "/slots/" + Escape(item.key());
            static const std::regex digit("[0-7]");
            if (!std::regex_match(item.key(), digit)) {
                Fail(at, "expected a slot number 0.." + std::to_string(kMaxSmbusSlots - 1));
            }
            if (item.value().is_null()) continue;  // an empty slot, written down for clarity
            machine_.SetSpd(std::stoul(item.key()), SpdImage(item.value(), at));
        }
    }

    // A file name, or {"hex": "92 10 0B ..."} for an image held in the profile itself (a
    // captured machine is one file).
    std::vector<std::uint8_t> SpdImage(const json& value, const std::string& where) const {
        if (!value.is_object()) return BinaryFile(value, where, kMaxSpdImage);
        Keys(value, where, {"hex"});
        if (!value.contains("hex")) Fail(where, "missing \"hex\"");
        const auto bytes = ParseHexBytes(Text(value["hex"], where + "/hex"));
        if (!bytes || bytes->empty() || bytes->size() > kMaxSpdImage) {
            Fail(where + "/hex", "expected 1.." + std::to_string(kMaxSpdImage) + " hex bytes");
        }
        return *bytes;
    }

    // --- AMD SB800-series power-management registers (index/data ports 0xCD6/0xCD7) ---
    void PmRegisters(const json& registers, const std::string& where) {
        Object(registers, where);
        for (const auto& item : registers.items()) {
            if (item.key() == "comment") continue;
            const std::string at = where + "/" + Escape(item.key());
            const auto index = static_cast<std::uint8_t>(Key(item.key(), at, 0xFF));
            machine_.SetPmRegister(index,
                                   static_cast<std::uint8_t>(Number(item.value(), at, 0xFF)));
        }
    }

    // --- operating system ---
    void Os(const json& os, const std::string& where) {
        Keys(os, where, {"memory_status", "processor_times", "processor_load"});
        if (os.contains("memory_status"))
            MemoryStatus(os["memory_status"], where + "/memory_status");
        if (os.contains("processor_times")) {
            const json& list = os["processor_times"];
            const std::string at = where + "/processor_times";
            if (!list.is_array() || list.size() > processors_) {
                Fail(at, "expected an array of at most one entry per processor");
            }
            std::vector<os::ProcessorTimes> times;
            for (std::size_t i = 0; i < list.size(); ++i) {
                const std::string entry = at + "/" + std::to_string(i);
                Keys(list[i], entry, {"idle", "kernel", "user"});
                os::ProcessorTimes t;
                if (list[i].contains("idle"))
                    t.idle = Number(list[i]["idle"], entry + "/idle", UINT64_MAX);
                if (list[i].contains("kernel")) {
                    t.kernel = Number(list[i]["kernel"], entry + "/kernel", UINT64_MAX);
                }
                if (list[i].contains("user"))
                    t.user = Number(list[i]["user"], entry + "/user", UINT64_MAX);
                if (t.idle > t.kernel)
                    Fail(entry, "idle time is part of kernel time: idle <= kernel");
                times.push_back(t);
            }
            machine_.SetProcessorTimes(times);
        }
        if (os.contains("processor_load")) {
            const json& list = os["processor_load"];
            const std::string at = where + "/processor_load";
            if (!list.is_array() || list.size() > processors_) {
                Fail(at, "expected an array of at most one percentage per processor");
            }
            std::vector<double> load;
            for (std::size_t i = 0; i < list.size(); ++i) {
                load.push_back(Real(list[i], at + "/" + std::to_string(i), 0.0, 100.0));
            }
            machine_.SetProcessorLoad(load);
        }
    }

    void MemoryStatus(const json& status, const std::string& where) {
        Keys(status, where,
             {"memory_load", "total_phys", "avail_phys", "total_page_file", "avail_page_file",
              "total_virtual", "avail_virtual"});
        os::MemoryStatus m;
        auto field = [&](const char* key, std::uint64_t& out) {
            if (status.contains(key)) out = Number(status[key], where + "/" + key, UINT64_MAX);
        };
        std::uint64_t load = 0;
        field("memory_load", load);
        if (load > 100) Fail(where + "/memory_load", "a percentage 0..100");
        m.memoryLoad = static_cast<std::uint32_t>(load);
        field("total_phys", m.totalPhys);
        field("avail_phys", m.availPhys);
        field("total_page_file", m.totalPageFile);
        field("avail_page_file", m.availPageFile);
        field("total_virtual", m.totalVirtual);
        field("avail_virtual", m.availVirtual);
        if (m.availPhys > m.totalPhys || m.availPageFile > m.totalPageFile ||
            m.availVirtual > m.totalVirtual) {
            Fail(where, "an available amount exceeds its total");
        }
        machine_.SetMemoryStatus(m);
    }

    void MissingFiles(const json& list) {
        const std::string where = "/missing_library_files";
        if (!list.is_array()) Fail(where, "expected an array of file names");
        std::vector<std::string> names;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string at = where + "/" + std::to_string(i);
            const std::string name = Text(list[i], at);
            if (name != "WinRing0.dll" && name != "WinRing0.sys" && name != "WinRing0x64.sys") {
                Fail(at, "not one of \"WinRing0.dll\", \"WinRing0.sys\", \"WinRing0x64.sys\"");
            }
            names.push_back(name);
        }
        machine_.SetMissingLibraryFiles(names);
    }

    std::string origin_;
    fs::path baseDir_;
    SimulatedMachine& machine_;
    unsigned processors_ = 1;
    std::set<std::string> pciFunctions_;
    std::uint64_t memoryTotal_ = 0;
};

// Follows the parser through the document, so that an error the parser itself finds in a value
// (a number too large for any type, "1e400") can name that value's JSON pointer like every
// other loader error does.
class PointerTracker {
public:
    bool operator()(int /*depth*/, json::parse_event_t event, json& parsed) {
        switch (event) {
            case json::parse_event_t::object_start:
                frames_.push_back({false, 0, {}});
                break;
            case json::parse_event_t::array_start:
                frames_.push_back({true, 0, {}});
                break;
            case json::parse_event_t::key:
                if (!frames_.empty() && parsed.is_string()) frames_.back().key = parsed;
                break;
            case json::parse_event_t::object_end:
            case json::parse_event_t::array_end:
                if (!frames_.empty()) frames_.pop_back();
                ValueDone();
                break;
            case json::parse_event_t::value:
                ValueDone();
                break;
        }
        return true;
    }

    std::string Pointer() const {
        std::string pointer;
        for (const Frame& frame : frames_) {
            pointer += "/" + (frame.array ? std::to_string(frame.index) : Escape(frame.key));
        }
        return pointer.empty() ? "/" : pointer;
    }

private:
    struct Frame {
        bool array;
        std::size_t index;  // elements completed so far: the index of the one being read
        std::string key;    // the member being read
    };

    void ValueDone() {
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
    }

    std::vector<Frame> frames_;
};

json ParseJson(const std::string& text, const std::string& origin) {
    PointerTracker tracker;
    try {
        return json::parse(text, std::ref(tracker));
    } catch (const json::parse_error& error) {
        // Turn the byte position into a line and column a person can find.
        std::size_t line = 1, column = 1;
        for (std::size_t i = 0; i + 1 < error.byte && i < text.size(); ++i) {
            if (text[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        throw ProfileError(origin + ": line " + std::to_string(line) + ", column " +
                           std::to_string(column) + ": not valid JSON");
    } catch (const json::out_of_range&) {
        throw ProfileError(origin + ": " + tracker.Pointer() +
                           ": number out of range (numbers are \"0x...\" texts or integers)");
    } catch (const json::exception&) {
        throw ProfileError(origin + ": " + tracker.Pointer() + ": not valid JSON");
    }
}

std::string ReadFile(const std::string& path) {
    os::BoundedRead read = os::ReadRegularFile(path, kMaxProfileFile);
    if (!read.error.empty()) throw ProfileError(path + ": cannot read the profile: " + read.error);
    return std::move(read.bytes);
}

}  // namespace

std::shared_ptr<SimulatedMachine> SimulatedMachine::FromProfileText(
    const std::string& text, const std::string& origin, std::shared_ptr<os::Clock> clock) {
    const json root = ParseJson(text, origin);
    // Files a profile names are relative to the profile's own folder.
    const fs::path originPath(origin);
    fs::path baseDir = originPath.parent_path();
    std::error_code ec;
    if (baseDir.empty() || !fs::is_directory(baseDir, ec)) baseDir = MachinesDirectory();
    auto machine = std::make_shared<SimulatedMachine>(std::move(clock));
    ProfileReader(origin, baseDir, *machine).Read(root, originPath.stem().string());
    return machine;
}

std::shared_ptr<SimulatedMachine> SimulatedMachine::FromProfileFile(
    const std::string& path, std::shared_ptr<os::Clock> clock) {
    return FromProfileText(ReadFile(path), path, std::move(clock));
}

std::shared_ptr<SimulatedMachine> SimulatedMachine::Load(const std::string& nameOrPath,
                                                         std::shared_ptr<os::Clock> clock) {
    const bool isPath = nameOrPath.find('/') != std::string::npos ||
                        nameOrPath.find('\\') != std::string::npos ||
                        fs::path(nameOrPath).extension() == ".json";
    if (isPath) return FromProfileFile(nameOrPath, std::move(clock));
    const fs::path shipped = fs::path(MachinesDirectory()) / (nameOrPath + ".json");
    std::error_code ec;
    if (!fs::is_regular_file(shipped, ec)) {
        throw ProfileError(nameOrPath + ": no such machine in " + MachinesDirectory() +
                           " (--list-machines shows them)");
    }
    return FromProfileFile(shipped.string(), std::move(clock));
}

std::vector<SimulatedMachine::ProfileInfo> SimulatedMachine::ShippedProfiles() {
    std::vector<ProfileInfo> profiles;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(MachinesDirectory(), ec)) {
        if (entry.path().extension() != ".json") continue;
        ProfileInfo info{entry.path().stem().string(), {}};
        try {
            const json root = ParseJson(ReadFile(entry.path().string()), entry.path().string());
            if (root.is_object() && root.contains("description") &&
                root["description"].is_string()) {
                info.description = root["description"].get<std::string>();
            }
        } catch (const ProfileError& error) {
            info.description = std::string("unreadable profile: ") + error.what();
        }
        profiles.push_back(std::move(info));
    }
    std::sort(profiles.begin(), profiles.end(),
              [](const ProfileInfo& a, const ProfileInfo& b) { return a.name < b.name; });
    return profiles;
}

}  // namespace zm::sim
