// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped machines can tell a swapped field apart: in every timing register of every
// channel that holds memory, each field and the next one above it of the same width hold
// different values, so a codec that read or wrote one in place of the other would show or
// write something else.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "hw/hardware_access.h"
#include "sim/simulated_machine.h"
#include "timings/host_bridge/host_bridge_registers.h"
#include "timings/k10/k10_field_map.h"
#include "timings/k10/k10_mode.h"
#include "timings/model/timing_descriptors.h"
#include "timings/uncore/uncore_registers.h"

namespace zm::timings {
namespace {

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

struct NamedField {
    std::string name;
    hw::Field field;
};

// Returns the number of field pairs compared.
int ExpectSameWidthNeighboursDiffer(std::uint32_t value, std::vector<NamedField> fields,
                                    const std::string& where) {
    std::sort(fields.begin(), fields.end(),
              [](const NamedField& a, const NamedField& b) { return a.field.lo < b.field.lo; });
    int pairs = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        for (std::size_t j = i + 1; j < fields.size(); ++j) {
            if (fields[j].field.Width() != fields[i].field.Width()) continue;
            ++pairs;
            EXPECT_NE(fields[i].field.Get(value), fields[j].field.Get(value))
                << where << ": " << fields[i].name << " and " << fields[j].name;
            break;
        }
    }
    return pairs;
}

int CheckK10(sim::SimulatedMachine& m) {
    hw::HardwareAccess hw(m);
    const std::uint32_t eax = m.Query(1).eax;
    const auto decision = k10::DecideK10Mode(hw, ((eax >> 8) & 0xF) + ((eax >> 20) & 0xFF));
    if (!decision.mode) return -1;
    const K10Mode mode = *decision.mode;
    int pairs = 0;
    for (int dct = 0; dct < k10::kDctCount; ++dct) {
        if (m.Pci(0, 0x18, 2, k10::DctOffset(k10::Register::BankAddressMapping, dct)) == 0)
            continue;
        for (int r = 0; r < k10::kRegisterCount; ++r) {
            const auto reg = static_cast<k10::Register>(r);
            std::vector<NamedField> fields;
            for (const k10::TimingField& f : k10::FieldMap(mode)) {
                if (f.reg == reg)
                    fields.push_back(
                        {std::string(TimingShortName(ControllerKind::K10, f.id)), f.codec.field});
            }
            if (mode == K10Mode::Ddr3 && reg == k10::Register::DramControl) {
                for (const k10::TurnaroundHigh& t : k10::kDdr3TurnaroundHigh) {
                    fields.push_back(
                        {std::string(TimingShortName(ControllerKind::K10, t.id)) + " high part",
                         t.field});
                }
            }
            pairs += ExpectSameWidthNeighboursDiffer(
                m.Pci(0, 0x18, 2, k10::DctOffset(reg, dct)), fields,
                "DCT" + std::to_string(dct) + " F2x" + Hex(k10::RegisterOffset(reg)).substr(2));
        }
    }
    return pairs;
}

int CheckUncore(sim::SimulatedMachine& m, unsigned bus) {
    const unsigned active = uncore::kActiveChannels.Get(m.Pci(bus, 3, 0, 0x48));
    int pairs = 0;
    for (int ch = 0; ch < 3; ++ch) {
        if ((active & (1u << ch)) == 0) continue;
        for (int r = 0; r < uncore::kRegCount; ++r) {
            std::vector<NamedField> fields;
            for (const uncore::TimingField& f : uncore::kTimingFields) {
                if (static_cast<int>(f.reg) == r)
                    fields.push_back({std::string(TimingShortName(ControllerKind::Uncore, f.id)),
                                      f.codec.field});
            }
            const unsigned offset = uncore::kRegOffset[r];
            pairs += ExpectSameWidthNeighboursDiffer(
                m.Pci(bus, 4 + static_cast<unsigned>(ch), 0, offset), fields,
                "channel " + std::to_string(ch) + " register " + Hex(offset));
        }
    }
    return pairs;
}

int CheckHostBridge(sim::SimulatedMachine& m) {
    using host_bridge::Reg;
    const std::uint32_t base = m.Pci(0, 0, 0, 0x48) & host_bridge::kWindowBaseMask;
    int pairs = 0;
    for (int ch = 0; ch < 2; ++ch) {
        const auto at = [&](Reg reg) {
            return m.PhysicalDword(base + host_bridge::RegisterOffset(ch, reg));
        };
        if (host_bridge::kPopulated.Get(at(Reg::R260)) == 0) continue;
        for (int r = 0; r < host_bridge::kRegCount; ++r) {
            const auto reg = static_cast<Reg>(r);
            std::vector<NamedField> fields;
            for (const host_bridge::TimingField& f : host_bridge::kTimingFields) {
                if (f.reg == reg)
                    fields.push_back(
                        {std::string(TimingShortName(ControllerKind::HostBridge, f.id)),
                         f.codec.field});
            }
            if (reg == Reg::R250) fields.push_back({"tRP low bits", host_bridge::kTrpLow});
            if (reg == Reg::R254) fields.push_back({"tRP bit 3", host_bridge::kTrpHigh});
            if (reg == Reg::R268) fields.push_back({"refresh period", host_bridge::kRefreshPeriod});
            pairs += ExpectSameWidthNeighboursDiffer(at(reg), fields,
                                                     "channel " + std::to_string(ch) + " offset " +
                                                         Hex(host_bridge::RegisterOffset(ch, reg)));
        }
    }
    return pairs;
}

TEST(ShippedProfileFields, SameWidthNeighboursHoldDifferentValues) {
    int profilesChecked = 0;
    for (const auto& info : sim::SimulatedMachine::ShippedProfiles()) {
        SCOPED_TRACE(info.name);
        const auto m = sim::SimulatedMachine::Load(info.name);
        const auto files = m->Files();
        if (std::any_of(files.begin(), files.end(),
                        [](const hw::LibraryFile& f) { return !f.present; })) {
            continue;  // refused before any register is read
        }
        int pairs = -1;
        std::vector<unsigned> uncoreBuses;
        for (unsigned bus : {0x3Fu, 0x7Fu, 0xFFu}) {
            if ((m->Pci(bus, 3, 4, 0) & 0xFFFF) == 0x8086) uncoreBuses.push_back(bus);
        }
        const std::uint32_t hostBridge = m->Pci(0, 0, 0, 0);
        if (m->Pci(0, 0x18, 2, 0) == k10::kDramControllerId) {
            pairs = CheckK10(*m);
        } else if (uncoreBuses.size() == 1) {
            pairs = CheckUncore(*m, uncoreBuses[0]);
        } else if (hostBridge == 0x00408086 || hostBridge == 0x00448086) {
            pairs = CheckHostBridge(*m);
        }
        if (pairs < 0) continue;  // no memory controller the program drives
        EXPECT_GT(pairs, 0);
        ++profilesChecked;
    }
    EXPECT_GE(profilesChecked, 16);
}

}  // namespace
}  // namespace zm::timings
