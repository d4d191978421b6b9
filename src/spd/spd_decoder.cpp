#include "spd/spd_decoder.h"

#include "spd/spd_ddr2.h"
#include "spd/spd_ddr3.h"
#include "spd/spd_reader.h"

namespace zm::spd {

SpdModuleType DecodeModule(const SpdByteSource& read, SpdView& view,
                           const SpdDecodeOptions& options) {
    const auto type = static_cast<std::uint8_t>(read(kSpdMemoryType) & 0xFF);
    switch (type) {
        case kSpdNoModule:
            return SpdModuleType::Empty;
        case kSpdTypeDdr2:
            DecodeDdr2(read, view, options);
            return SpdModuleType::Ddr2;
        case kSpdTypeDdr3:
            DecodeDdr3(read, view, options);
            return SpdModuleType::Ddr3;
        default:
            return SpdModuleType::Other;
    }
}

SpdModuleType DecodeModule(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress, SpdView& view,
                           const SpdDecodeOptions& options) {
    return DecodeModule(
        [&](std::uint8_t offset) { return ReadSpdByte(hw, spdSlaveAddress, offset); }, view,
        options);
}

}  // namespace zm::spd
