// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cpuid instruction, behind a boundary so a simulated machine can answer it.

#include <cstdint>

namespace zm::hw {

struct CpuidRegisters {
    std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

class Cpuid {
public:
    virtual ~Cpuid() = default;
    virtual CpuidRegisters Query(std::uint32_t leaf, std::uint32_t subleaf = 0) = 0;
};

}  // namespace zm::hw
