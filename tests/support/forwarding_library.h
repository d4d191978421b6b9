// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A library of the thirteen operations that hands every call to another one: a test derives
// from it and overrides only the call it watches or spoils.

#include <cstdint>

#include "hw/hardware_library.h"

namespace zm::testing {

class ForwardingLibrary : public hw::HardwareLibrary {
public:
    explicit ForwardingLibrary(hw::HardwareLibrary& inner) : inner_(inner) {}

    bool InitializeDll() override { return inner_.InitializeDll(); }
    void DeinitializeDll() override { inner_.DeinitializeDll(); }
    std::uint8_t ReadIoPortByte(std::uint16_t p) override { return inner_.ReadIoPortByte(p); }
    std::uint32_t ReadIoPortDword(std::uint16_t p) override { return inner_.ReadIoPortDword(p); }
    void WriteIoPortByte(std::uint16_t p, std::uint8_t v) override { inner_.WriteIoPortByte(p, v); }
    void WriteIoPortDword(std::uint16_t p, std::uint32_t v) override {
        inner_.WriteIoPortDword(p, v);
    }
    bool Rdmsr(std::uint32_t i, std::uint32_t& a, std::uint32_t& d) override {
        return inner_.Rdmsr(i, a, d);
    }
    bool RdmsrEx(std::uint32_t i, std::uint32_t& a, std::uint32_t& d, hw::AffinityMask m) override {
        return inner_.RdmsrEx(i, a, d, m);
    }
    bool Wrmsr(std::uint32_t i, std::uint32_t a, std::uint32_t d) override {
        return inner_.Wrmsr(i, a, d);
    }
    bool WrmsrEx(std::uint32_t i, std::uint32_t a, std::uint32_t d, hw::AffinityMask m) override {
        return inner_.WrmsrEx(i, a, d, m);
    }
    bool RdtscEx(std::uint32_t& a, std::uint32_t& d, hw::AffinityMask m) override {
        return inner_.RdtscEx(a, d, m);
    }
    std::uint32_t ReadPhysicalMemory(std::uint64_t at, std::uint8_t* b, std::uint32_t n,
                                     std::uint32_t unit) override {
        return inner_.ReadPhysicalMemory(at, b, n, unit);
    }
    std::uint32_t WritePhysicalMemory(std::uint64_t at, const std::uint8_t* b, std::uint32_t n,
                                      std::uint32_t unit) override {
        return inner_.WritePhysicalMemory(at, b, n, unit);
    }

protected:
    hw::HardwareLibrary& inner_;
};

}  // namespace zm::testing
