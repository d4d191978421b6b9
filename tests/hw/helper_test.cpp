// SPDX-License-Identifier: GPL-3.0-or-later
// The privileged helper's allow-list, between the window's client and a simulated machine:
// what lies outside the list is refused and never reaches the backend.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <thread>
#include <vector>

#include "helper/helper_client.h"
#include "helper/protocol.h"
#include "hw/backends/linux/linux_host.h"
#include "hw/backends/port_io/port_operations.h"
#include "hw/hardware_access.h"
#include "hw/helper_pair.h"
#include "hw/pci_address.h"
#include "sim/simulated_machine.h"
#include "spd/smbus_discovery.h"

namespace zm::hw {
namespace {

// Passes every call on and remembers the ones that could touch something: PCI data accesses
// (by latch), other ports, MSRs, memory.
class Recorder final : public HardwareLibrary {
public:
    explicit Recorder(HardwareLibrary& inner) : inner_(inner) {}
    std::vector<std::uint32_t> pciLatches;  // latch of every 0xCFC access
    std::vector<std::uint16_t> ports;
    std::vector<std::uint32_t> msrs;
    std::vector<std::uint64_t> memory;

    void Forget() {
        pciLatches.clear();
        ports.clear();
        msrs.clear();
        memory.clear();
    }

    bool InitializeDll() override { return inner_.InitializeDll(); }
    void DeinitializeDll() override { inner_.DeinitializeDll(); }
    std::uint8_t ReadIoPortByte(std::uint16_t p) override {
        Port(p);
        return inner_.ReadIoPortByte(p);
    }
    std::uint32_t ReadIoPortDword(std::uint16_t p) override {
        Port(p);
        return inner_.ReadIoPortDword(p);
    }
    void WriteIoPortByte(std::uint16_t p, std::uint8_t v) override {
        Port(p);
        inner_.WriteIoPortByte(p, v);
    }
    void WriteIoPortDword(std::uint16_t p, std::uint32_t v) override {
        if (p == kPciAddressPort)
            latch_ = v;
        else
            Port(p);
        inner_.WriteIoPortDword(p, v);
    }
    bool Rdmsr(std::uint32_t i, std::uint32_t& a, std::uint32_t& d) override {
        msrs.push_back(i);
        return inner_.Rdmsr(i, a, d);
    }
    bool RdmsrEx(std::uint32_t i, std::uint32_t& a, std::uint32_t& d, AffinityMask m) override {
        msrs.push_back(i);
        return inner_.RdmsrEx(i, a, d, m);
    }
    bool Wrmsr(std::uint32_t i, std::uint32_t a, std::uint32_t d) override {
        msrs.push_back(i);
        return inner_.Wrmsr(i, a, d);
    }
    bool WrmsrEx(std::uint32_t i, std::uint32_t a, std::uint32_t d, AffinityMask m) override {
        msrs.push_back(i);
        return inner_.WrmsrEx(i, a, d, m);
    }
    bool RdtscEx(std::uint32_t& a, std::uint32_t& d, AffinityMask m) override {
        return inner_.RdtscEx(a, d, m);
    }
    std::uint32_t ReadPhysicalMemory(std::uint64_t at, std::uint8_t* b, std::uint32_t c,
                                     std::uint32_t u) override {
        memory.push_back(at);
        return inner_.ReadPhysicalMemory(at, b, c, u);
    }
    std::uint32_t WritePhysicalMemory(std::uint64_t at, const std::uint8_t* b, std::uint32_t c,
                                      std::uint32_t u) override {
        memory.push_back(at);
        return inner_.WritePhysicalMemory(at, b, c, u);
    }

private:
    void Port(std::uint16_t p) {
        if (p >= kPciDataPort && p <= kPciDataPort + 3)
            pciLatches.push_back(latch_ & ~0xFFu);
        else
            ports.push_back(p);
    }
    HardwareLibrary& inner_;
    std::uint32_t latch_ = 0;
};

template <typename T>
bool Contains(const std::vector<T>& list, T value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

class HelperAllowList : public ::testing::Test {
protected:
    void SetUp() override {
        machine_ = sim::SimulatedMachine::Load("p55-lynnfield");
        recorder_ = std::make_unique<Recorder>(*machine_);
        pair_ = std::make_unique<testing::HelperPair>(*recorder_, machine_.get());
        ASSERT_TRUE(pair_->Client().Connected()) << pair_->Client().Failure();
        pair_->Client().Initialize();
        machine_->ClearWrites();
    }
    // The allow-list's own reads (current values, F3x8C) are not the refused request.
    void ForgetLearning() { recorder_->Forget(); }

    std::shared_ptr<sim::SimulatedMachine> machine_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<testing::HelperPair> pair_;
};

TEST_F(HelperAllowList, RequestsOutsideTheListAreRefusedAndNeverReachTheBackend) {
    HardwareAccess hw(pair_->Client());
    ForgetLearning();

    // A PCI write to a function the program never writes: the graphics device's first BAR.
    const std::uint32_t graphicsBar = PciConfigAddress(0, 2, 0, 0x10);
    hw.PciConfigWrite(graphicsBar, 0x12345678);
    // An SMBus base register may not move the base (only its I/O-space bit may change).
    const std::uint32_t smbusBase = PciConfigAddress(0, 31, 3, 0x20);
    const std::uint32_t base = hw.PciConfigRead(smbusBase);
    hw.PciConfigWrite(smbusBase, base + 0x100);
    // MSRs outside the list: the APIC base (read and write), and a write to one only read.
    EXPECT_EQ(hw.MsrRead(0x1B, 0).Value(), 0u);
    hw.MsrWrite(0x1B, MsrValue::From(0xFEE00900), 0);
    hw.MsrWrite(0xCE, MsrValue::From(0), 0);
    // Physical memory outside the windows found at start-up.
    EXPECT_EQ(hw.MmioRead(0x00100000, 0), 0xFFFFFFFFu);
    hw.MmioWrite(0x000F0000, 0, 0);  // the SMBIOS area is read only
    // An index/data pair that is no power-management block found here: the CMOS clock's.
    pair_->Client().IndexedWrite(0x70, 0x0F, 0xFE);
    // An SMBus transaction on ports that are no SMBus host: the keyboard controller's.
    EXPECT_EQ(pair_->Client().SmbusReadByte(0x60, 0x50, 0), smbus::kTransactionError);

    EXPECT_FALSE(Contains(recorder_->pciLatches, graphicsBar));
    EXPECT_EQ(hw.PciConfigRead(smbusBase), base);
    EXPECT_FALSE(Contains(recorder_->msrs, 0x1Bu));
    EXPECT_FALSE(Contains(recorder_->msrs, 0xCEu));
    EXPECT_FALSE(Contains<std::uint64_t>(recorder_->memory, 0x00100000));
    EXPECT_FALSE(Contains<std::uint64_t>(recorder_->memory, 0x000F0000));
    for (const std::uint16_t port : {0x60, 0x64, 0x70, 0x71})
        EXPECT_FALSE(Contains<std::uint16_t>(recorder_->ports, port)) << port;
    EXPECT_EQ(pair_->Close(), 9u);
    EXPECT_NE(pair_->Log().find("PCI 00:02.0 register 0x010"), std::string::npos) << pair_->Log();
}

TEST_F(HelperAllowList, WhatTheProgramUsesIsServed) {
    HardwareAccess hw(pair_->Client());
    const std::uint32_t lpcId = hw.PciConfigRead(PciConfigAddress(0, 31, 0, 0));
    EXPECT_EQ(lpcId & 0xFFFF, 0x8086u);
    // The SMBus host's ports are learnt from its base register; SPD reads go through.
    const std::uint16_t base =
        static_cast<std::uint16_t>(hw.PciConfigRead(PciConfigAddress(0, 31, 3, 0x20)) & 0xFFFE);
    hw.SetSmbusBase(base);
    EXPECT_EQ(hw.SmbusReadByte(0x50, 2), 11) << "DDR3 type byte";
    EXPECT_NE(hw.MsrRead(0x198, 0).Value(), 0u);
    EXPECT_EQ(pair_->Close(), 0u) << pair_->Log();
}

// Requests a program on the user's side could send to the helper, each just outside what the
// program itself writes: every one is refused, reaches nothing, and leaves the log unchanged.
struct Hostile {
    const char* name;
    const char* profile;
    std::function<void(sim::SimulatedMachine&)> setUp;  // before the helper starts
    // Requests the program might make too, then the hostile one (last).
    std::function<void(helper::HelperClient&, HardwareAccess&)> prepare, request;
};

std::uint64_t Msr(HardwareAccess& hw, std::uint32_t index) {
    return hw.MsrRead(index, 0).Value();
}

std::uint32_t WindowBase(HardwareAccess& hw, std::uint32_t baseRegister) {
    return hw.PciConfigRead(baseRegister) & 0xFFFFC000;
}

// The writes that change the machine: a power-management index selection, put back as found
// (reading a register behind the index port, as the helper's own check does), changes nothing.
std::vector<sim::WriteRecord> Changes(std::vector<sim::WriteRecord> writes) {
    std::erase_if(writes, [](const sim::WriteRecord& w) {
        return w.kind == sim::WriteRecord::Kind::Port && w.address == spd::sb800_pm::kIndexPort;
    });
    return writes;
}

TEST(HelperHostileRequests, AreRefusedAndLeaveTheMachineAsItWas) {
    const auto none = [](auto&...) {};
    const auto msrWrite = [](std::uint32_t index, auto value) {
        return [=](helper::HelperClient&, HardwareAccess& hw) {
            hw.MsrWrite(index, MsrValue::From(value(Msr(hw, index))), 0);
        };
    };
    const auto pciWrite = [](std::uint32_t address, auto value) {
        return [=](helper::HelperClient&, HardwareAccess& hw) {
            hw.PciConfigWrite(address, value(hw.PciConfigRead(address)));
        };
    };
    const auto toggle = [](std::uint64_t bits) {
        return [=](std::uint64_t v) { return v ^ bits; };
    };
    const auto all = [](std::uint64_t) { return ~std::uint64_t{0}; };
    const std::uint32_t uncoreChannelA = PciConfigAddress(0xFF, 4, 0, 0x80);
    const Hostile rows[] = {
        {"0x1A0: XD disable set, automatic thermal control cleared", "x58-bloomfield", none, none,
         msrWrite(0x1A0, toggle((std::uint64_t{1} << 34) | 0x8))},
        {"0x1FC all ones", "x58-bloomfield", none, none, msrWrite(0x1FC, all)},
        {"0x199 ratio and voltage byte", "x58-bloomfield", none, none,
         msrWrite(0x199, [](std::uint64_t) { return 0xFFFF; })},
        {"HWCR all ones", "k10-am3-ddr3", none, none, msrWrite(0xC0010015, all)},
        {"P-state 3, never written", "k10-am3-ddr3", none, none, msrWrite(0xC0010067, toggle(0x1))},
        {"P-state 0 enable bit", "k10-am3-ddr3", none, none,
         msrWrite(0xC0010064, toggle(std::uint64_t{1} << 63))},
        {"P-state 0: a VID that switches the supply off", "k10-am3-ddr3", none, none,
         msrWrite(0xC0010064, [](std::uint64_t v) { return (v & ~0xFE00ull) | (0x7Cull << 9); })},
        {"COFVID control: a reserved divisor", "k10-am3-ddr3", none, none,
         msrWrite(0xC0010070, [](std::uint64_t v) { return (v & ~0x1C0ull) | (5ull << 6); })},
        {"chipset function-disable: SATA, USB ... off", "p55-lynnfield", none, none,
         [](helper::HelperClient&, HardwareAccess& hw) {
             hw.MmioWrite(WindowBase(hw, PciConfigAddress(0, 31, 0, 0xF0)), 0x3418, 0xFFFFFFF7);
         }},
        {"memory-controller window: an offset never written", "h55-clarkdale", none, none,
         [](helper::HelperClient&, HardwareAccess& hw) {
             hw.MmioWrite(WindowBase(hw, PciConfigAddress(0, 0, 0, 0x48)), 0x100, 0);
         }},
        {"memory-controller window: a kept bit of a timing register", "h55-clarkdale", none, none,
         [](helper::HelperClient&, HardwareAccess& hw) {
             const std::uint32_t base = WindowBase(hw, PciConfigAddress(0, 0, 0, 0x48));
             hw.MmioWrite(base, 0x258, hw.MmioRead(base, 0x258) ^ 0x80000000);
         }},
        {"uncore: a function beside the memory controller's", "x58-bloomfield", none, none,
         [](helper::HelperClient&, HardwareAccess& hw) {
             hw.PciConfigWrite(PciConfigAddress(0xFF, 4, 1, 0x44), 0);
         }},
        {"uncore: a foreign device where a channel's timings would be", "x58-bloomfield",
         [](sim::SimulatedMachine& m) {
             m.RemovePciFunction(0xFF, 4, 0);
             m.SetPci(0xFF, 4, 0, 0x00, 0x123410DE);
             m.SetPci(0xFF, 4, 0, 0x80, 0x00001000);
         },
         none, pciWrite(uncoreChannelA, [](std::uint32_t v) { return v ^ 0x2; })},
        {"uncore: a channel register's kept bits", "x58-bloomfield", none, none,
         pciWrite(uncoreChannelA, [](std::uint32_t v) { return v ^ 0x80000000; })},
        {"K10 F3xD4 beyond NbFid", "k10-am3-ddr3", none, none,
         pciWrite(PciConfigAddress(0, 24, 3, 0xD4), [](std::uint32_t v) { return v ^ 0x100; })},
        {"K10 F3x8C beyond the extended-form bit", "k10-am3-ddr3", none, none,
         pciWrite(PciConfigAddress(0, 24, 3, 0x8C), [](std::uint32_t v) { return v ^ 0x1; })},
        {"a register that reads all ones (a function that is not there)", "k10-am3-ddr3", none,
         none, pciWrite(PciConfigAddress(0, 31, 3, 0x20), [](std::uint32_t) { return 0x401; })},
        {"an SMBus transaction run by the helper on ports that are no SMBus host", "x58-bloomfield",
         none, none,
         [](helper::HelperClient& c, HardwareAccess&) {
             EXPECT_EQ(c.SmbusReadByte(0x60, 0x50, 0), smbus::kTransactionError);
         }},
        {"a module's SPD bytes run by the helper on ports that are no SMBus host", "x58-bloomfield",
         none, none,
         [](helper::HelperClient& c, HardwareAccess&) {
             int results[256];
             EXPECT_EQ(c.SmbusReadBytes(0x60, 0x50, 0, results), 1u);
             EXPECT_EQ(results[0], smbus::kTransactionError);
         }},
        {"an Intel function at 0:31.3 that is no SMBus controller: its BAR is no host",
         "x58-bloomfield", [](sim::SimulatedMachine& m) { m.SetPci(0, 31, 3, 0x08, 0x04030000); },
         none,
         [](helper::HelperClient& c, HardwareAccess&) {
             EXPECT_EQ(c.SmbusReadByte(0x0400, 0x50, 0), smbus::kTransactionError);
         }},
        {"an Intel function at 0:31.3 that is no SMBus controller: its host enable",
         "x58-bloomfield", [](sim::SimulatedMachine& m) { m.SetPci(0, 31, 3, 0x08, 0x04030000); },
         none, pciWrite(PciConfigAddress(0, 31, 3, 0x40), [](std::uint32_t v) { return v ^ 0x1; })},
        {"SB850 power management: the SMBus control register beyond its port-select bits",
         "k10-am3-sb850", none, none,
         [](helper::HelperClient& c, HardwareAccess& hw) {
             using namespace spd::sb800_pm;
             const std::uint8_t index = kSmbusControl;
             std::uint8_t control = 0;
             hw.IndexedPortRead(kIndexPort, std::span(&index, 1), std::span(&control, 1));
             c.IndexedWrite(kIndexPort, kSmbusControl, control ^ 0x01);  // the SMBus enable
         }},
        {"SB850 power management: a register the program never writes", "k10-am3-sb850", none, none,
         [](helper::HelperClient& c, HardwareAccess&) {
             c.IndexedWrite(spd::sb800_pm::kIndexPort, 0x24, 0);  // an ACPI block's base
         }},
    };
    for (const Hostile& row : rows) {
        SCOPED_TRACE(row.name);
        const auto machine = sim::SimulatedMachine::Load(row.profile);
        row.setUp(*machine);
        testing::HelperPair pair(*machine, machine.get());
        ASSERT_TRUE(pair.Client().Connected());
        pair.Client().Initialize();
        HardwareAccess hw(pair.Client());
        row.prepare(pair.Client(), hw);
        const std::vector<sim::WriteRecord> before = Changes(machine->Writes());
        row.request(pair.Client(), hw);
        EXPECT_EQ(Changes(machine->Writes()), before);
        EXPECT_EQ(pair.Close(), 1u) << pair.Log();
    }
}

// The batched request, spoken by hand: served in order, each operation checked on its own; a
// batch holding an operation that cannot be batched is refused whole, before any of it runs.
TEST(HelperProtocol, ABatchIsServedInOrderEachOperationCheckedAlone) {
    using helper::Op;
    const auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
    int requests[2], replies[2];
    ASSERT_EQ(::pipe(requests), 0);
    ASSERT_EQ(::pipe(replies), 0);
    std::ostringstream log;
    PortOperations operations(*machine);
    std::thread server([&] {
        helper::Serve(requests[0], replies[1], {operations, machine.get(), nullptr}, log);
        ::close(replies[1]);
    });
    const auto op = [](Op o) { return helper::Writer().U8(static_cast<std::uint8_t>(o)); };
    const auto exchange = [&](const helper::Writer& request) {
        EXPECT_TRUE(helper::SendFrame(requests[1], request.Payload()));
        return helper::ReceiveFrame(replies[0]).value_or(std::vector<std::uint8_t>{});
    };
    const auto batch = [&](const std::vector<helper::Writer>& ops) {
        helper::Writer out = op(Op::Batch);
        out.U32(static_cast<std::uint32_t>(ops.size()));
        for (const helper::Writer& w : ops)
            out.U32(static_cast<std::uint32_t>(w.Payload().size()))
                .Bytes(w.Payload().data(), w.Payload().size());
        return exchange(out);
    };
    exchange(op(Op::Hello).U32(helper::kMagic).U16(helper::kProtocolVersion));
    exchange(op(Op::Initialize));
    machine->ClearWrites();

    const std::uint32_t lpcId = PciConfigAddress(0, 31, 0, 0);
    const std::uint32_t hostEnable = PciConfigAddress(0, 31, 3, 0x40);
    std::vector<std::uint8_t> reply = batch({
        op(Op::PciWriteByte).U32(hostEnable).U8(1),
        op(Op::MsrWrite).U32(0x1B).U32(0).U64(0),  // the APIC base: refused
        op(Op::PciRead).U32(lpcId),
    });
    helper::Reader in(reply);
    EXPECT_EQ(in.U8(), 0) << "the batch itself was served";
    EXPECT_EQ(in.U32(), 3u);
    const std::vector<std::uint8_t> write = in.Bytes(in.U32()), msr = in.Bytes(in.U32()),
                                    data = in.Bytes(in.U32());
    ASSERT_TRUE(in.Ok() && in.AtEnd());
    EXPECT_EQ(write, std::vector<std::uint8_t>{0});
    EXPECT_EQ(msr, std::vector<std::uint8_t>{1}) << "refused";
    helper::Reader value(data);
    EXPECT_EQ(value.U8(), 0);
    EXPECT_EQ(value.U32(), machine->Pci(0, 31, 0, 0));
    EXPECT_EQ(machine->Writes().size(), 1u) << "the host enable, and nothing of the MSR";
    machine->ClearWrites();

    for (Op inner : {Op::Hello, Op::Batch, Op::BootApply, Op::Files}) {
        reply = batch({op(Op::PciWriteByte).U32(hostEnable).U8(1), op(inner)});
        EXPECT_EQ(reply, std::vector<std::uint8_t>{2}) << helper::OpName(inner);
    }
    EXPECT_TRUE(machine->Writes().empty()) << "nothing of a refused batch ran";
    ::close(requests[1]);
    server.join();
    ::close(requests[0]);
    ::close(replies[0]);
}

// A module's SPD bytes, a register image and the MSRs of several processors, each in one round
// trip: served in order, each read as it would be alone; a module read stops at the first byte
// that fails (an empty socket costs one transaction), and a register outside the list reads all
// ones (an MSR 0) while the rest is served.
TEST(HelperProtocol, ModuleBytesAndRegisterImagesComeInOneRequestEachCheckedAlone) {
    const auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
    testing::HelperPair pair(*machine, machine.get());
    helper::HelperClient& client = pair.Client();
    ASSERT_TRUE(client.Connected());
    client.Initialize();
    HardwareAccess served(client), direct(*machine);
    const std::uint32_t smbusBase = PciConfigAddress(0, 31, 3, 0x20);
    const auto base = static_cast<std::uint16_t>(direct.PciConfigRead(smbusBase) & 0xFFFE);
    served.SetSmbusBase(base);
    direct.SetSmbusBase(base);

    std::uint64_t trips = client.RoundTrips();
    std::vector<int> module(256);
    ASSERT_EQ(served.SmbusReadBytes(0x50, 0, module), 256u);
    EXPECT_EQ(client.RoundTrips(), trips + 1);
    for (unsigned offset = 0; offset < 256; ++offset)
        ASSERT_EQ(module[offset], direct.SmbusReadByte(0x50, static_cast<std::uint8_t>(offset)))
            << offset;
    std::vector<int> empty(16, 0);
    EXPECT_EQ(served.SmbusReadBytes(0x55, 2, empty), 1u);
    EXPECT_EQ(empty[0], smbus::kTransactionError);

    const std::vector<std::uint32_t> addresses = {
        PciConfigAddress(0, 31, 0, 0), PciConfigAddress(0xFF, 4, 0, 0x80),
        PciConfigAddress(0, 26, 0, 0),  // a USB controller: not a function the program reads
        smbusBase};
    std::vector<std::uint32_t> values(addresses.size());
    trips = client.RoundTrips();
    served.PciConfigReadMany(addresses, values);
    EXPECT_EQ(client.RoundTrips(), trips + 1);
    EXPECT_EQ(values, (std::vector<std::uint32_t>{direct.PciConfigRead(addresses[0]),
                                                  direct.PciConfigRead(addresses[1]), kPciNoDevice,
                                                  direct.PciConfigRead(addresses[3])}));

    const std::vector<HardwareAccess::MsrAt> msrs = {{0x198, 0}, {0x198, 3}, {0x1B, 0}};
    std::vector<MsrValue> msrValues(msrs.size());
    trips = client.RoundTrips();
    served.MsrReadMany(msrs, msrValues);
    EXPECT_EQ(client.RoundTrips(), trips + 1);
    EXPECT_EQ(msrValues[0].Value(), direct.MsrRead(0x198, 0).Value());
    EXPECT_EQ(msrValues[1].Value(), direct.MsrRead(0x198, 3).Value());
    EXPECT_EQ(msrValues[2].Value(), 0u) << "the APIC base is not on the list";
    EXPECT_EQ(pair.Close(), 2u) << pair.Log();
    EXPECT_NE(pair.Log().find("PCI 00:1A.0"), std::string::npos) << pair.Log();
}

// Writes made in a write batch travel with the next read (a change and its read-back in one
// request) and reach the machine as the same writes, in order.
TEST(HelperProtocol, WritesInABatchGoWithTheNextRead) {
    const auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
    testing::HelperPair pair(*machine, machine.get());
    HardwareAccess hw(pair.Client());
    hw.Initialize();
    machine->ClearWrites();
    const std::uint32_t channelA = PciConfigAddress(0xFF, 4, 0, 0x80);
    const std::uint32_t value = hw.PciConfigRead(channelA);
    const std::uint64_t trips = pair.Client().RoundTrips();
    std::uint32_t readBack = 0;
    {
        HardwareAccess::WriteBatch batch(hw);
        hw.PciConfigWrite(channelA, value ^ 0x2);
        hw.PciConfigWrite(channelA, value);
        EXPECT_TRUE(machine->Writes().empty()) << "kept until a read or the batch's end";
        readBack = hw.PciConfigRead(channelA);
    }
    EXPECT_EQ(pair.Client().RoundTrips(), trips + 1);
    EXPECT_EQ(readBack, value);
    EXPECT_EQ(machine->Writes().size(), 2u);
    {
        HardwareAccess::WriteBatch batch(hw);
        hw.PciConfigWrite(channelA, value ^ 0x2);
    }
    EXPECT_EQ(machine->Writes().size(), 3u) << "the batch's end sends what it kept";
    EXPECT_EQ(pair.Close(), 0u) << pair.Log();
}

TEST(HelperProtocol, AHelperThatEndsBeforeItsHandshakeNamesTheReason) {
    EXPECT_EQ(helper::HelperClient::Launch({"sh", "-c", "exit 126"})->Failure(),
              helper::LaunchFailureText(helper::kPkexecDismissed));
    EXPECT_EQ(helper::LaunchFailureText(helper::kPkexecDismissed)
                  .rfind("Authentication was cancelled.", 0),
              0u);
    const auto missing = helper::HelperClient::Launch({"/nonexistent/zentrimo-helper"});
    EXPECT_FALSE(missing->Connected());
    const std::vector<LibraryFile> files = missing->Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_FALSE(files[0].present);
    EXPECT_NE(files[0].advice.find("could not be started"), std::string::npos) << files[0].advice;
    EXPECT_FALSE(missing->MsrRead(0x198, 0));
    EXPECT_EQ(missing->PciRead(PciConfigAddress(0, 0, 0, 0)), 0xFFFFFFFFu);
}

#ifdef ZM_HELPER_EXECUTABLE
// The installed program itself, started as the window starts it (without pkexec): it serves this
// machine's Linux host, refuses what is not listed, and a read-only helper switches nothing.
TEST(HelperExecutable, ServesThisMachineAndRefusesWhatIsNotListed) {
    const auto client =
        helper::HelperClient::Launch({ZM_HELPER_EXECUTABLE, helper::kReadOnlyArgument});
    ASSERT_TRUE(client->Connected()) << client->Failure();
    client->Initialize();
    const auto names = [](const std::vector<LibraryFile>& files) {
        std::vector<std::string> out;
        for (const LibraryFile& f : files) out.push_back(f.name + (f.present ? " present" : ""));
        return out;
    };
    LinuxHost local;  // the same machine and rights, in this process
    EXPECT_EQ(names(client->Files()), names(local.Files()));
    // The time-stamp counter is no MSR the program writes.
    client->MsrWrite(0x10, kCurrentProcessor, 0);
    EXPECT_FALSE(client->SetBootApply(true, "/etc/passwd"));
    const std::vector<std::string> notes = client->Diagnostics();
    EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [](const std::string& n) {
        return n.find("refused a MsrWrite") != std::string::npos;
    }));
    client->Deinitialize();
}
#endif

}  // namespace
}  // namespace zm::hw
