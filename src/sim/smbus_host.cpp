// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/smbus_host.h"

#include "sim/simulated_machine.h"

namespace zm::sim {

namespace {
constexpr unsigned kStatus = 0, kControl = 2, kCommand = 3, kSlaveAddress = 4, kData0 = 5,
                   kData1 = 6;

constexpr std::uint8_t kBusy = 0x01, kInterrupt = 0x02, kDeviceError = 0x04, kInUse = 0x40;
constexpr std::uint8_t kWriteOneToClear = 0xBE;  // bits 1..5 and 7

constexpr std::uint8_t kStart = 0x40, kKill = 0x02;
constexpr unsigned kProtocolShift = 2, kProtocolMask = 0x7;
enum Protocol : unsigned { kQuick = 0, kByte = 1, kByteData = 2, kWordData = 3 };
}  // namespace

void SmbusHost::SetSpd(unsigned slot, std::vector<std::uint8_t> image) {
    if (slot < kMaxSlots) spd_[slot] = std::move(image);
}

void SmbusHost::SetFault(SmbusFault fault) {
    fault_ = fault;
    if (fault != SmbusFault::NeverDone && hung_) {
        hung_ = false;
        Finish();
    }
}

std::uint8_t SmbusHost::Read(unsigned reg) {
    reg %= kRegisterCount;
    if (reg == kStatus) {
        if (busy_ && !hung_ && busyReadsLeft_ > 0 && --busyReadsLeft_ == 0) Finish();
        std::uint8_t status = regs_[kStatus] & static_cast<std::uint8_t>(~(kBusy | kInUse));
        if (busy_ || fault_ == SmbusFault::StuckBusy) status |= kBusy;
        if (inUse_) status |= kInUse;
        inUse_ = true;  // the semaphore is taken by this read
        return status;
    }
    if (reg == kControl) return regs_[kControl] & static_cast<std::uint8_t>(~kStart);
    return regs_[reg];
}

void SmbusHost::Write(unsigned reg, std::uint8_t value) {
    reg %= kRegisterCount;
    switch (reg) {
        case kStatus:
            regs_[kStatus] &= static_cast<std::uint8_t>(~(value & kWriteOneToClear));
            if (value & kInUse) inUse_ = false;
            return;
        case kControl:
            regs_[kControl] = value & static_cast<std::uint8_t>(~kStart);
            if ((value & kKill) && busy_) {
                // Kill: the transaction stops and is reported as failed.
                busy_ = hung_ = false;
                regs_[kStatus] |= 0x10;
            } else if ((value & kStart) && !busy_ && fault_ != SmbusFault::StuckBusy) {
                Start();
            }
            return;
        default:
            regs_[reg] = value;
    }
}

void SmbusHost::Start() {
    busy_ = true;
    hung_ = fault_ == SmbusFault::NeverDone;
    busyReadsLeft_ = kBusyReads;
}

void SmbusHost::Finish() {
    busy_ = false;
    regs_[kStatus] |= Execute();
}

std::uint8_t SmbusHost::Execute() {
    const unsigned protocol = (regs_[kControl] >> kProtocolShift) & kProtocolMask;
    const unsigned address = regs_[kSlaveAddress] >> 1;
    const bool read = regs_[kSlaveAddress] & 1;
    const unsigned slot = address - kFirstSpdAddress;
    // No device at the address: nobody acknowledges, the host reports a device error.
    if (address < kFirstSpdAddress || slot >= kMaxSlots || spd_[slot].empty()) return kDeviceError;
    const std::vector<std::uint8_t>& image = spd_[slot];
    auto byteAt = [&](unsigned offset) -> std::uint8_t {
        return offset < image.size() ? image[offset] : 0xFF;
    };
    std::uint8_t& pointer = eepromPointer_[slot];
    if (protocol == kQuick) return kInterrupt;
    // SPD EEPROMs of DDR2/DDR3 modules are write-protected here: data writes are refused.
    if (!read) return kDeviceError;
    switch (protocol) {
        case kByte:
            regs_[kData0] = byteAt(pointer++);
            return kInterrupt;
        case kByteData:
            regs_[kData0] = byteAt(regs_[kCommand]);
            pointer = static_cast<std::uint8_t>(regs_[kCommand] + 1);
            return kInterrupt;
        case kWordData:
            regs_[kData0] = byteAt(regs_[kCommand]);
            regs_[kData1] = byteAt(regs_[kCommand] + 1u);
            pointer = static_cast<std::uint8_t>(regs_[kCommand] + 2);
            return kInterrupt;
        default:
            return kDeviceError;  // block and process-call protocols: no such device here
    }
}

}  // namespace zm::sim
