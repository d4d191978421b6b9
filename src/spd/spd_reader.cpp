#include "spd/spd_reader.h"

namespace zm::spd {

int ReadSpdByte(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress, std::uint8_t offset) {
    return hw.SmbusReadByte(spdSlaveAddress, offset);
}

std::uint8_t ReadSpdByteLow(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress,
                            std::uint8_t offset) {
    return static_cast<std::uint8_t>(ReadSpdByte(hw, spdSlaveAddress, offset) & 0xFF);
}

}  // namespace zm::spd
