// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A family 10h north bridge on a simulated machine, set up register by register, and the
// helpers the K10 timing tests share.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "hw/hardware_access.h"
#include "sim/simulated_machine.h"
#include "timings/k10/k10_registers.h"
#include "timings/model/value_lists.h"

namespace zm::timings::k10::testing {

constexpr unsigned kF3x8C = 0x8C;
constexpr std::uint32_t kEnableCf8ExtCfg = 1u << 14;

// One controller's registers as a test writes them into the machine.
struct DctValues {
    std::uint32_t f88 = 0, f8c = 0, f90 = 0, f94 = 0, f78 = 0, f80 = 0, f84 = 0;
};

class K10Machine {
public:
    K10Machine() : machine_(std::make_shared<sim::SimulatedMachine>()), hw_(*machine_) {
        for (unsigned function = 0; function <= 4; ++function) {
            machine_->SetPci(0, kNorthBridgeDevice, function, 0, 0x12001022 + (function << 16));
        }
    }

    void SetDct(int dct, const DctValues& v) {
        Set(Register::TimingLow, dct, v.f88);
        Set(Register::TimingHigh, dct, v.f8c);
        Set(Register::ConfigLow, dct, v.f90);
        Set(Register::ConfigHigh, dct, v.f94);
        Set(Register::DramControl, dct, v.f78);
        Set(Register::BankAddressMapping, dct, v.f80);
        Set(Register::DramMrs, dct, v.f84);
    }
    void Set(Register reg, int dct, std::uint32_t value) {
        machine_->SetPci(0, kNorthBridgeDevice, kDramFunction, DctOffset(reg, dct), value);
    }
    std::uint32_t Get(Register reg, int dct) const {
        return machine_->Pci(0, kNorthBridgeDevice, kDramFunction, DctOffset(reg, dct));
    }
    void SetGanged(bool ganged) {
        machine_->SetPci(0, kNorthBridgeDevice, kDramFunction, kControllerSelectLowOffset,
                         ganged ? 0x00000510u : 0x00000504u);
    }
    // What start-up does before it reads the timings: open the extended-register form.
    void OpenExtendedConfig() {
        const std::uint32_t address = hw::PciConfigAddress(0, kNorthBridgeDevice, 3, kF3x8C);
        hw_.PciConfigWrite(address, hw_.PciConfigRead(address) | kEnableCf8ExtCfg);
        machine_->ClearWrites();
    }

    sim::SimulatedMachine& Machine() { return *machine_; }
    hw::HardwareAccess& Hw() { return hw_; }

    // Configuration writes that reached the north bridge's DRAM function, in order.
    std::vector<sim::WriteRecord> DramWrites() const {
        std::vector<sim::WriteRecord> out;
        for (const sim::WriteRecord& w : machine_->Writes()) {
            if (w.kind == sim::WriteRecord::Kind::Pci) out.push_back(w);
        }
        return out;
    }

private:
    std::shared_ptr<sim::SimulatedMachine> machine_;
    hw::HardwareAccess hw_;
};

// The index of an item text in a drop-down's list; -1 when absent.
inline int ItemIndex(const TimingLists& lists, TimingId control, std::string_view text) {
    const ValueList& list = lists[static_cast<int>(control)];
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == text) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace zm::timings::k10::testing
