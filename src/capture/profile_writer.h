// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The other direction of the profile loader: what was read off a machine, written as one
// self-contained machine profile (the format of machines/README.md, binary images inline as hex),
// so that `--machine FILE` runs the program on a copy of that machine. Only what is present is
// written: a section left empty is left out of the file, never filled with made-up values.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hw/cpuid.h"
#include "os/system_info.h"

namespace zm::sim {

struct CapturedPciFunction {
    unsigned bus = 0, device = 0, function = 0;
    std::vector<std::uint8_t> space;  // 256 or 4096 bytes from offset 0
    std::string comment;
};

struct CapturedMemoryBlock {
    std::uint64_t address = 0;
    std::vector<std::uint8_t> bytes;  // empty with zeroSize > 0: a block of zeros
    std::uint64_t zeroSize = 0;
    std::string comment;
};

struct CapturedChipsetBlock {
    std::uint32_t base = 0;
    std::map<std::uint32_t, std::uint32_t> registers;  // offset -> value
};

struct MachineCapture {
    std::string name;
    std::string description;
    std::string comment;  // first key of the file: who captured it, what was masked or missed

    std::optional<unsigned> processors;
    std::optional<double> tscMhz;
    std::optional<std::string> brandString;  // leaves 0x80000002..4 are then not listed
    // (leaf, sub-leaf): sub-leaf nullopt for a leaf that ignores ECX.
    std::map<std::pair<std::uint32_t, std::optional<std::uint32_t>>, hw::CpuidRegisters> cpuid;
    std::map<std::uint32_t, std::uint64_t> msrAll;  // equal on every processor
    std::map<unsigned, std::map<std::uint32_t, std::uint64_t>> msrPerProcessor;

    std::vector<CapturedPciFunction> pci;
    std::optional<CapturedChipsetBlock> rcba;
    std::vector<CapturedMemoryBlock> memory;

    std::optional<std::uint16_t> smbusBase;
    std::map<std::uint8_t, std::uint8_t> pmRegisters;   // AMD SB800-series SMBus enable and base
    std::map<unsigned, std::vector<std::uint8_t>> spd;  // slot -> image

    std::optional<os::MemoryStatus> memoryStatus;
    std::vector<std::string> missingLibraryFiles;
};

// The profile text (JSON, two-space indentation, a final line feed).
std::string WriteProfile(const MachineCapture& capture);

// "22 10 00 11 ..." (upper-case digits, one space between bytes).
std::string HexBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace zm::sim
