// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Processor identification for the main window's "CPU" group and the processor facts the clock,
// power and monitoring code uses (combined family, core count, Intel ratio limits).

#include <cstdint>
#include <string>
#include <string_view>

#include "hw/cpuid.h"
#include "hw/hardware_access.h"

namespace zm::ident {

// cpuid leaf 1, EAX.
struct CpuSignature {
    unsigned stepping = 0;        // bits 3..0
    unsigned model = 0;           // bits 7..4 (the extended model is not used)
    unsigned family = 0;          // bits 11..8
    unsigned extendedFamily = 0;  // bits 27..20

    static CpuSignature FromLeaf1Eax(std::uint32_t eax);
    // family + extended family: 0x10 on AMD K10.
    unsigned CombinedFamily() const { return family + extendedFamily; }
    // One upper-case hex digit each of family, model, stepping: "6A5", "F42", "652".
    std::string Text() const;
};

CpuSignature ReadCpuSignature(hw::Cpuid& cpuid);

// The 48-byte brand string of leaves 0x80000002..4, as the processor gives it (leading blanks
// kept, cut at the first NUL).
std::string ReadBrandString(hw::Cpuid& cpuid);

// Which processor package the Intel uncore probe saw (device id of uncore device 3, function 4).
struct PackageFlags {
    bool lynnfield = false;   // 0x2C9C8086: LGA 1156, 45 nm
    bool bloomfield = false;  // 0x2C1C8086: LGA 1366, 45 nm
    bool gulftown = false;    // 0x2D9C8086: LGA 1366, 32 nm
};

// The texts of the CPU group and the facts other parts take from it.
struct CpuIdentity {
    std::string model;  // the brand string
    std::string cpuidText;
    std::string revision;  // empty for a signature outside the tables
    std::string socket;
    std::string technology;
    std::string coresThreads;  // "4 / 8"

    unsigned combinedFamily = 0;
    // Intel: the number of cores. AMD K10: the highest core index (cores - 1); loops over cores
    // must honour the difference.
    int coreCount = 0;
    int threadCount = 0;         // Intel only
    float maxNonTurboRatio = 0;  // Intel: MSR 0xCE bits 15..8
    int minRatio = 0;            // Intel: MSR 0xCE bits 47..40
};

// The part every machine that passed the platform gate runs: leaf 1 and the CPUID text.
CpuIdentity IdentifyCommon(hw::Cpuid& cpuid);

// AMD K10 branch. k10ModeText is the memory type the DRAM controller reports
// ("K10-DDR2-800", "K10-DDR2-1066" or "K10-DDR3").
void IdentifyK10(CpuIdentity& identity, hw::Cpuid& cpuid, hw::HardwareAccess& hw,
                 std::string_view k10ModeText);

// Intel, memory controller in the uncore (LGA 1366 / LGA 1156 with the uncore controller).
void IdentifyIntelUncore(CpuIdentity& identity, hw::Cpuid& cpuid, hw::HardwareAccess& hw,
                         const PackageFlags& package);

// Intel, memory controller behind host bridge 0x0040/0x0044 (32 nm LGA 1156).
void IdentifyIntelHostBridge(CpuIdentity& identity, hw::Cpuid& cpuid, hw::HardwareAccess& hw);

}  // namespace zm::ident
