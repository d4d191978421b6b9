// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/profile_writer.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

namespace zm::sim {
namespace {

// Keys in the order a reader expects them, as in the shipped profiles.
using Json = nlohmann::ordered_json;

std::string Hex(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// Keys: "0x1F", "0x80000008".
std::string HexKey(std::uint64_t value, int digits = 1) {
    return Hex(value, digits);
}

Json Cpu(const MachineCapture& c) {
    Json cpu = Json::object();
    if (c.processors) cpu["processors"] = *c.processors;
    // Kilohertz are as far as a measurement against a millisecond clock can be trusted.
    if (c.tscMhz) cpu["tsc_mhz"] = std::round(*c.tscMhz * 1000.0) / 1000.0;
    if (c.brandString) cpu["brand_string"] = *c.brandString;
    if (!c.cpuid.empty()) {
        Json leaves = Json::object();
        for (const auto& [key, r] : c.cpuid) {
            std::string name = HexKey(key.first);
            if (key.second) name += ":" + std::to_string(*key.second);
            leaves[name] =
                Json::array({Hex(r.eax, 8), Hex(r.ebx, 8), Hex(r.ecx, 8), Hex(r.edx, 8)});
        }
        cpu["cpuid"] = std::move(leaves);
    }
    if (!c.msrAll.empty() || !c.msrPerProcessor.empty()) {
        Json msr = Json::object();
        auto set = [](const std::map<std::uint32_t, std::uint64_t>& values) {
            Json out = Json::object();
            for (const auto& [index, value] : values) out[HexKey(index)] = Hex(value, 16);
            return out;
        };
        if (!c.msrAll.empty()) msr["all"] = set(c.msrAll);
        for (const auto& [processor, values] : c.msrPerProcessor) {
            if (!values.empty()) msr[std::to_string(processor)] = set(values);
        }
        cpu["msr"] = std::move(msr);
    }
    return cpu;
}

Json Pci(const MachineCapture& c) {
    Json pci = Json::object();
    for (const CapturedPciFunction& f : c.pci) {
        char location[16];
        std::snprintf(location, sizeof location, "%02x:%02x.%u", f.bus & 0xFF, f.device & 0x1F,
                      f.function & 0x7);
        Json function = Json::object();
        if (!f.comment.empty()) function["comment"] = f.comment;
        function["dump"] = HexBytes(f.space);
        pci[location] = std::move(function);
    }
    return pci;
}

Json Memory(const MachineCapture& c) {
    Json blocks = Json::array();
    for (const CapturedMemoryBlock& b : c.memory) {
        Json block = Json::object();
        if (!b.comment.empty()) block["comment"] = b.comment;
        block["address"] = Hex(b.address, 1);
        if (b.bytes.empty()) {
            block["size"] = Hex(b.zeroSize, 1);
        } else {
            block["hex"] = HexBytes(b.bytes);
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

Json Rcba(const CapturedChipsetBlock& rcba) {
    Json out = Json::object();
    out["base"] = Hex(rcba.base, 8);
    Json registers = Json::object();
    for (const auto& [offset, value] : rcba.registers) registers[Hex(offset, 4)] = Hex(value, 8);
    out["registers"] = std::move(registers);
    return out;
}

Json Smbus(const MachineCapture& c) {
    Json smbus = Json::object();
    smbus["io_base"] = Hex(*c.smbusBase, 4);
    Json slots = Json::object();
    for (const auto& [slot, image] : c.spd)
        slots[std::to_string(slot)] = {{"hex", HexBytes(image)}};
    smbus["slots"] = std::move(slots);
    return smbus;
}

Json Os(const os::MemoryStatus& m) {
    return {{"memory_status",
             {{"memory_load", m.memoryLoad},
              {"total_phys", m.totalPhys},
              {"avail_phys", m.availPhys},
              {"total_page_file", m.totalPageFile},
              {"avail_page_file", m.availPageFile},
              {"total_virtual", m.totalVirtual},
              {"avail_virtual", m.availVirtual}}}};
}

// A CPUID leaf's four registers on one line, as the shipped profiles write them: the dump puts
// every array element on a line of its own. Only arrays of plain strings are joined.
std::string JoinRegisterLists(const std::string& text) {
    static const std::regex element(R"(\s*"[^"\\]*",?)");
    static const std::regex closing(R"(\s*\],?)");
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::size_t end = i + 1;
        if (!lines[i].empty() && lines[i].back() == '[') {
            while (end < lines.size() && std::regex_match(lines[end], element)) ++end;
        }
        if (end > i + 1 && end < lines.size() && std::regex_match(lines[end], closing)) {
            std::string joined = lines[i];
            for (std::size_t k = i + 1; k < end; ++k) {
                const std::string& item = lines[k];
                joined += (k == i + 1 ? "" : " ") + item.substr(item.find('"'));
            }
            out += joined + lines[end].substr(lines[end].find(']')) + "\n";
            i = end;
            continue;
        }
        out += lines[i] + "\n";
    }
    if (!out.empty()) out.pop_back();
    return out;
}

}  // namespace

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

std::string WriteProfile(const MachineCapture& c) {
    Json root = Json::object();
    if (!c.comment.empty()) root["comment"] = c.comment;
    if (!c.name.empty()) root["name"] = c.name;
    root["description"] = c.description;
    if (Json cpu = Cpu(c); !cpu.empty()) root["cpu"] = std::move(cpu);
    if (!c.pci.empty()) root["pci"] = Pci(c);
    if (c.rcba) root["rcba"] = Rcba(*c.rcba);
    if (c.smbusBase) root["smbus"] = Smbus(c);
    if (!c.pmRegisters.empty()) {
        Json pm = Json::object();
        for (const auto& [index, value] : c.pmRegisters) pm[Hex(index, 2)] = Hex(value, 2);
        root["pm_registers"] = pm;
    }
    if (!c.memory.empty()) root["memory"] = Memory(c);
    if (c.memoryStatus) root["os"] = Os(*c.memoryStatus);
    if (!c.missingLibraryFiles.empty()) root["missing_library_files"] = c.missingLibraryFiles;
    // Texts read off firmware may hold bytes that are no UTF-8; write them replaced, not fail.
    return JoinRegisterLists(root.dump(2, ' ', false, Json::error_handler_t::replace)) + "\n";
}

}  // namespace zm::sim
