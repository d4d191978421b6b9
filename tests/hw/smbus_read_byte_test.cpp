// SPDX-License-Identifier: GPL-3.0-or-later
// SmbusReadByte against the simulated Intel-layout host controller: data, empty slots, the
// status bits the result is judged by, and the two time-outs.
#include <gtest/gtest.h>

#include <chrono>

#include "hw/backends/port_io/port_operations.h"
#include "hw/hardware_access.h"
#include "sim/simulated_machine.h"

namespace zm::hw {
namespace {

constexpr std::uint16_t kBase = 0x0400;

class SmbusReadByteTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (unsigned i = 0; i < 256; ++i) spd[i] = static_cast<std::uint8_t>(i * 7 + 3);
        spd[2] = 0x0B;
        machine.SetSmbusBase(kBase);
        machine.SetSpd(0, spd);
        machine.SetSpd(2, std::vector<std::uint8_t>(spd.begin(), spd.begin() + 117));
        access.SetSmbusBase(kBase);
    }
    std::uint8_t Status() { return machine.ReadIoPortByte(kBase); }

    std::vector<std::uint8_t> spd = std::vector<std::uint8_t>(256);
    sim::SimulatedMachine machine;
    HardwareAccess access{machine};
};

TEST_F(SmbusReadByteTest, ReadsEveryByteOfAPresentModule) {
    for (unsigned offset = 0; offset < 256; ++offset) {
        ASSERT_EQ(access.SmbusReadByte(0x50, static_cast<std::uint8_t>(offset)), spd[offset])
            << "offset " << offset;
    }
    // A short EEPROM image: past its end the bus reads ones.
    EXPECT_EQ(access.SmbusReadByte(0x52, 116), spd[116]);
    EXPECT_EQ(access.SmbusReadByte(0x52, 117), 0xFF);
}

TEST_F(SmbusReadByteTest, TransactionProgramsTheHostAsTheIntelLayoutWants) {
    machine.ClearWrites();
    ASSERT_EQ(access.SmbusReadByte(0x50, 0x80), spd[0x80]);
    std::vector<std::string> writes;
    for (const auto& w : machine.Writes()) writes.push_back(sim::Describe(w));
    // control without interrupt enable, address 0x50 read, command, byte-data protocol, status
    // cleared, data 0 cleared, start.
    const std::vector<std::string> expected = {
        "PORT 0x0402 <- 0x00", "PORT 0x0404 <- 0xA1", "PORT 0x0403 <- 0x80", "PORT 0x0402 <- 0x08",
        "PORT 0x0400 <- 0x40", "PORT 0x0405 <- 0x00", "PORT 0x0402 <- 0x48"};
    EXPECT_EQ(writes, expected);
}

// The in-use semaphore (bit 6) is set by the host once status was read, so a finished read
// typically ends with status 0x42; it is masked out and the data still counts.
TEST_F(SmbusReadByteTest, InUseBitDoesNotSpoilAGoodRead) {
    ASSERT_EQ(access.SmbusReadByte(0x50, 2), 0x0B);
    EXPECT_EQ(Status(), 0x42);
}

TEST_F(SmbusReadByteTest, EmptySlotEndsWithDeviceErrorAndMinusOne) {
    EXPECT_EQ(access.SmbusReadByte(0x51, 2), -1);
    const std::uint8_t status = Status();
    EXPECT_TRUE(status & 0x04) << "device error";
    EXPECT_FALSE(status & 0x02) << "no interrupt for a failed transaction";
    EXPECT_EQ(access.SmbusReadByte(0x51, 2) & 0xFF, 0xFF) << "what byte-storing callers see";
    // The next good read clears the stale error.
    EXPECT_EQ(access.SmbusReadByte(0x50, 2), 0x0B);
    for (std::uint8_t slave : {0x08, 0x37, 0x58, 0x7F}) {
        EXPECT_EQ(access.SmbusReadByte(slave, 0), -1) << "slave " << int(slave);
    }
}

struct TimeoutCase {
    sim::SmbusFault fault;
    int expected;
};

class SmbusTimeouts : public SmbusReadByteTest,
                      public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(SmbusTimeouts, EndWellUnderASecondWithTheirCode) {
    machine.SetSmbusFault(GetParam().fault);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(access.SmbusReadByte(0x50, 2), GetParam().expected);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 1000);
    EXPECT_GE(machine.Counts().portWrites, 1'000'000u) << "every poll round wrote the delay port";
    EXPECT_LT(machine.Writes().size(), 20u) << "delay-port writes are not logged";

    // Once the fault is gone the controller works again.
    machine.SetSmbusFault(sim::SmbusFault::None);
    EXPECT_EQ(access.SmbusReadByte(0x50, 2), 0x0B);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SmbusTimeouts,
    ::testing::Values(TimeoutCase{sim::SmbusFault::StuckBusy, smbus::kHostBusy},
                      TimeoutCase{sim::SmbusFault::NeverDone, smbus::kTimeout}));

TEST(SmbusHost, NoControllerAtTheBaseReadsAsTimeoutNotData) {
    sim::SimulatedMachine machine;  // nothing at the port: reads float high (busy set)
    HardwareAccess access(machine);
    access.SetSmbusBase(0x0500);
    EXPECT_EQ(access.SmbusReadByte(0x50, 2), smbus::kHostBusy);
}

}  // namespace
}  // namespace zm::hw
