// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers shared by the identification tests: real dumps from tests/data laid into a simulated
// machine, and counting what the program did to it.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/simulated_machine.h"

namespace zm::ident::testing {

inline std::vector<std::uint8_t> ReadBinary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::uint8_t> TestData(const std::string& relative) {
    return ReadBinary(std::string(ZM_TESTDATA_DIR) + "/" + relative);
}

// A "dmidecode --dump-bin" file holds the 2.x entry point at 0 and the structure table at 0x20.
// Lays the entry point at entryAt and the table at tableAt, with the entry point's table address
// and both checksums brought up to date, as firmware would have them.
inline void PlaceSmbiosDump(sim::SimulatedMachine& machine, const std::vector<std::uint8_t>& dump,
                            std::uint32_t entryAt, std::uint32_t tableAt) {
    const std::size_t entryLength = dump.at(0x05);
    std::vector<std::uint8_t> entry(dump.begin(), dump.begin() + entryLength);
    const std::uint16_t tableLength = static_cast<std::uint16_t>(entry[0x16] | entry[0x17] << 8);
    for (int i = 0; i < 4; ++i) entry[0x18 + i] = static_cast<std::uint8_t>(tableAt >> (8 * i));
    // Intermediate checksum over 0x10..0x1E, then the whole entry point's.
    entry[0x15] = 0;
    std::uint8_t sum = 0;
    for (std::size_t i = 0x10; i < 0x1F; ++i) sum = static_cast<std::uint8_t>(sum + entry[i]);
    entry[0x15] = static_cast<std::uint8_t>(-sum);
    entry[0x04] = 0;
    sum = 0;
    for (std::uint8_t b : entry) sum = static_cast<std::uint8_t>(sum + b);
    entry[0x04] = static_cast<std::uint8_t>(-sum);

    machine.SetPhysicalMemory(entryAt, entry);
    machine.SetPhysicalMemory(
        tableAt, std::vector<std::uint8_t>(dump.begin() + 0x20, dump.begin() + 0x20 + tableLength));
}

// Read-byte transactions started on the SMBus host at ioBase (start bit written to host
// control).
inline unsigned SmbusTransactions(const sim::SimulatedMachine& machine, std::uint16_t ioBase) {
    unsigned count = 0;
    for (const sim::WriteRecord& w : machine.Writes()) {
        if (w.kind == sim::WriteRecord::Kind::Port && w.address == ioBase + 2u &&
            (w.value & 0x40)) {
            ++count;
        }
    }
    return count;
}

}  // namespace zm::ident::testing
