// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/module_identity.h"

#include <cstdio>

#include "spd/spd_ddr2.h"
#include "spd/spd_ddr3.h"
#include "spd/spd_reader.h"

namespace zm::spd {
namespace {

// Where a generation keeps its identity bytes (first byte, count).
struct IdentityBytes {
    unsigned makerFirst, makerCount;
    unsigned partFirst, partCount;
    unsigned serialFirst, serialCount;
};
// DDR2: the JEDEC maker code with its continuation bytes (64..71).
constexpr IdentityBytes kDdr2Identity{ddr2::kManufacturerFirst,
                                      ddr2::kManufacturerLast - ddr2::kManufacturerFirst + 1,
                                      ddr2::kPartNumber,
                                      ddr2::kPartNumberLength,
                                      ddr2::kSerial,
                                      4};
// DDR3: the continuation count (117) and the maker (118).
constexpr IdentityBytes kDdr3Identity{
    ddr3::kManufacturer - 1, 2, ddr3::kPartNumber, ddr3::kPartNumberLength, ddr3::kSerial, 4};

// A failed read keeps its negative code's low byte: two reads that fail alike compare alike,
// and differ from a module that answers.
void AppendHex(std::string& text, hw::HardwareAccess& hw, std::uint8_t slave, unsigned first,
               unsigned count) {
    text += ':';
    for (unsigned i = 0; i < count; ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X",
                      ReadSpdByteLow(hw, slave, static_cast<std::uint8_t>(first + i)));
        text += digits;
    }
}

}  // namespace

std::string ReadModuleIdentity(hw::HardwareAccess& hw, unsigned slot) {
    const auto slave = SpdSlaveForSlot(slot);
    if (!slave || hw.SmbusBase() == 0) return {};
    const int type = ReadSpdByte(hw, *slave, kSpdMemoryType);
    const IdentityBytes* bytes = type == kSpdTypeDdr2   ? &kDdr2Identity
                                 : type == kSpdTypeDdr3 ? &kDdr3Identity
                                                        : nullptr;
    if (!bytes) return {};
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(type));
    std::string identity = text;
    AppendHex(identity, hw, *slave, bytes->makerFirst, bytes->makerCount);
    AppendHex(identity, hw, *slave, bytes->partFirst, bytes->partCount);
    AppendHex(identity, hw, *slave, bytes->serialFirst, bytes->serialCount);
    return identity;
}

}  // namespace zm::spd
