// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_decoder.h"

#include "hw/hardware_access.h"
#include "spd/spd_checksum.h"
#include "spd/spd_ddr2.h"
#include "spd/spd_ddr3.h"
#include "spd/spd_memory_type.h"
#include "spd/spd_reader.h"

namespace zm::spd {
namespace {

void ShowChecksum(const SpdByteSource& read, SpdModuleType type, SpdView& view,
                  const SpdDecodeOptions& options) {
    const ChecksumResult result = CheckModuleChecksum(read, type, options.bytesHeld);
    view.checksum = result.text;
    view.checksumMismatch = result.state == ChecksumState::Mismatch;
}

}  // namespace

SpdModuleType DecodeModule(const SpdByteSource& read, SpdView& view,
                           const SpdDecodeOptions& options) {
    if (options.bytesHeld <= kSpdMemoryType) {
        view.type = kEmptySlotText;
        return SpdModuleType::Empty;
    }
    const int typeByte = read(kSpdMemoryType);
    if (typeByte == hw::smbus::kTransactionError) {
        view.type = kEmptySlotText;
        return SpdModuleType::Empty;
    }
    if (typeByte < 0) {
        view.type = kReadFailedText;
        return SpdModuleType::ReadFailed;
    }
    switch (typeByte) {
        case kSpdTypeDdr2:
            DecodeDdr2(read, view, options);
            ShowChecksum(read, SpdModuleType::Ddr2, view, options);
            return SpdModuleType::Ddr2;
        case kSpdTypeDdr3:
            DecodeDdr3(read, view, options);
            ShowChecksum(read, SpdModuleType::Ddr3, view, options);
            return SpdModuleType::Ddr3;
        default:
            view.type = NotDecodedTypeText(static_cast<std::uint8_t>(typeByte));
            return SpdModuleType::Other;
    }
}

SpdModuleType DecodeModule(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress, SpdView& view,
                           const SpdDecodeOptions& options, const SpdFirstRun* firstRun) {
    SpdModuleBytes bytes(hw, spdSlaveAddress, firstRun);
    return DecodeModule([&](std::uint8_t offset) { return bytes(offset); }, view, options);
}

}  // namespace zm::spd
