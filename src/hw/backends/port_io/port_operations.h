// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operations of hw/operations.h made of the thirteen port, MSR and memory operations of the
// ring-0 library (hw/hardware_library.h): WinRing0.dll and the simulated machine stand under it,
// so the simulator sees exactly the sequences a Windows machine sees.
//   - PCI configuration through configuration mechanism #1: the address to port 0xCF8, then the
//     dword (or byte) at 0xCFC, each pair under one lock whatever thread calls - the window
//     thread and both background threads share the port pair.
//   - The Intel-layout SMBus host controller's byte-data read (ATI/AMD south bridges use the same
//     layout), polled with an I/O delay between status reads.
//   - MSRs and the time-stamp counter on a chosen processor (affinity mask 1 << n).
//   - Physical memory a dword at a time; the index/data port pairs with the index put back.

#include <cstdint>
#include <mutex>

#include "hw/hardware_library.h"
#include "hw/operations.h"

namespace zm::hw {

constexpr std::uint16_t kPciAddressPort = 0xCF8;
constexpr std::uint16_t kPciDataPort = 0xCFC;
// The port a write to which only waits a moment (an I/O delay between SMBus polls).
constexpr std::uint16_t kIoDelayPort = 0x80;

// SMBus host controller registers, relative to its I/O base.
namespace smbus {
constexpr std::uint16_t kHostStatus = 0;
constexpr std::uint16_t kHostControl = 2;
constexpr std::uint16_t kHostCommand = 3;
constexpr std::uint16_t kTransmitSlaveAddress = 4;
constexpr std::uint16_t kHostData0 = 5;

constexpr std::uint8_t kStatusBusy = 0x01;
constexpr std::uint8_t kStatusInterrupt = 0x02;  // transaction done
constexpr std::uint8_t kStatusDeviceError = 0x04;
constexpr std::uint8_t kStatusBusCollision = 0x08;
constexpr std::uint8_t kStatusFailed = 0x10;
constexpr std::uint8_t kStatusAlert = 0x20;
constexpr std::uint8_t kStatusInUse = 0x40;
constexpr std::uint8_t kStatusByteDone = 0x80;
// Any of these ends a transaction: interrupt, device error, collision, failed, alert, byte done.
constexpr std::uint8_t kStatusFinishedMask = 0xBE;
// What is compared with "done only" once a transaction ended (in-use and alert ignored).
constexpr std::uint8_t kStatusResultMask = 0x9F;

constexpr std::uint8_t kControlInterruptEnable = 0x01;
constexpr std::uint8_t kControlKeepMask = 0xE3;
constexpr std::uint8_t kControlByteData = 0x08;  // command field bits 4..2 = 010
constexpr std::uint8_t kControlStart = 0x40;

constexpr int kPollRounds = 1'000'000;
}  // namespace smbus

class PortOperations final : public Operations {
public:
    explicit PortOperations(HardwareLibrary& library) : library_(library) {}

    bool Initialize() override { return library_.InitializeDll(); }
    void Deinitialize() override { library_.DeinitializeDll(); }

    std::uint32_t PciRead(std::uint32_t address) override;
    void PciReadMany(std::span<const std::uint32_t> addresses,
                     std::span<std::uint32_t> values) override;
    void PciWrite(std::uint32_t address, std::uint32_t value) override;
    void PciWriteByte(std::uint32_t address, std::uint8_t value) override;

    std::optional<std::uint64_t> MsrRead(std::uint32_t index, unsigned processor) override;
    void MsrWrite(std::uint32_t index, unsigned processor, std::uint64_t value) override;
    std::optional<std::uint64_t> ReadTsc(unsigned processor) override;

    bool PhysRead(std::uint64_t address, std::span<std::uint8_t> bytes) override;
    void PhysWrite(std::uint64_t address, std::uint32_t value) override;

    void IndexedRead(std::uint16_t indexPort, std::span<const std::uint8_t> indices,
                     std::span<std::uint8_t> values) override;
    void IndexedWrite(std::uint16_t indexPort, std::uint8_t index, std::uint8_t value) override;

    int SmbusReadByte(std::uint16_t base, std::uint8_t slave, std::uint8_t command) override;

    // The steps of the SMBus transaction: each polls the host's status with an I/O delay before
    // every read, up to smbus::kPollRounds times; 0, or -1 when the rounds ran out.
    int SmbusWaitIdle(std::uint16_t base);
    int SmbusWaitDone(std::uint16_t base);
    void IoDelay();

private:
    HardwareLibrary& library_;
    std::mutex pciLock_;
};

}  // namespace zm::hw
