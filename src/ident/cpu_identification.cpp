// SPDX-License-Identifier: GPL-3.0-or-later
#include "ident/cpu_identification.h"

#include <array>
#include <cstring>

#include "hw/bit_field.h"

namespace zm::ident {
namespace {

using hw::Field;

constexpr Field kStepping{3, 0};
constexpr Field kModel{7, 4};
constexpr Field kFamily{11, 8};
constexpr Field kExtendedFamily{27, 20};

// MSR 0xC001102A (AMD): bits 7..6 of the low dword hold the highest core index.
constexpr std::uint32_t kMsrAmdCoreIndex = 0xC001102A;
constexpr Field kAmdHighestCore{7, 6};
// cpuid 0x80000001 EBX bits 31..28: package type (0 = Socket F 1207).
constexpr Field kAmdPackageType{31, 28};

// MSR 0xCE (PLATFORM_INFO): maximum non-turbo ratio in the low dword, minimum ratio in the high.
constexpr std::uint32_t kMsrPlatformInfo = 0xCE;
constexpr Field kMaxNonTurboRatio{15, 8};
constexpr Field kMinRatioHigh{15, 8};
// MSR 0x35: thread count in bits 3..0, core count in bits 19..16.
constexpr std::uint32_t kMsrCoreThreadCount = 0x35;
constexpr Field kThreadCount{3, 0};
constexpr Field kCoreCount{19, 16};

struct RevisionRow {
    std::string_view cpuid, revision, technology;
};

constexpr std::array<RevisionRow, 8> kK10Revisions{{
    {"F2A", "BA", "65 nm"},
    {"F22", "B2", "65 nm"},
    {"F23", "B3", "65 nm"},
    {"F42", "C2", "45 nm"},
    {"F43", "C3", "45 nm"},
    {"F52", "C2", "45 nm"},
    {"F62", "C2", "45 nm"},
    {"F80", "D0", "45 nm"},
}};

constexpr std::array<RevisionRow, 7> kUncoreRevisions{{
    {"6A1", "A0", ""},
    {"6A2", "B0", ""},
    {"6A4", "C0", ""},
    {"6A5", "D0", ""},
    {"6C1", "B0", ""},
    {"6C2", "B1", ""},
    {"6E5", "B1", ""},
}};

constexpr std::array<RevisionRow, 2> kHostBridgeRevisions{{
    {"651", "C0", ""},
    {"652", "C2", ""},
}};

template <std::size_t N>
const RevisionRow* FindRevision(const std::array<RevisionRow, N>& table, std::string_view text) {
    for (const auto& row : table)
        if (row.cpuid == text) return &row;
    return nullptr;
}

std::string CoresThreadsText(int cores, int threads) {
    return std::to_string(cores) + " / " + std::to_string(threads);
}

// Brand string, ratio limits and core/thread counts: the same on both Intel kinds.
void IdentifyIntelCommon(CpuIdentity& identity, hw::Cpuid& cpuid, hw::HardwareAccess& hw) {
    identity.model = ReadBrandString(cpuid);

    const hw::HardwareAccess::MsrAt which[] = {{kMsrPlatformInfo, hw::kCurrentProcessor},
                                               {kMsrCoreThreadCount, hw::kCurrentProcessor}};
    hw::MsrValue values[2];
    hw.MsrReadMany(which, values);
    const hw::MsrValue platformInfo = values[0];
    identity.maxNonTurboRatio = static_cast<float>(kMaxNonTurboRatio.Get(platformInfo.lo));
    identity.minRatio = static_cast<int>(kMinRatioHigh.Get(platformInfo.hi));

    const hw::MsrValue counts = values[1];
    identity.threadCount = static_cast<int>(kThreadCount.Get(counts.lo));
    identity.coreCount = static_cast<int>(kCoreCount.Get(counts.lo));
    identity.coresThreads = CoresThreadsText(identity.coreCount, identity.threadCount);
}

}  // namespace

CpuSignature CpuSignature::FromLeaf1Eax(std::uint32_t eax) {
    return CpuSignature{kStepping.Get(eax), kModel.Get(eax), kFamily.Get(eax),
                        kExtendedFamily.Get(eax)};
}

std::string CpuSignature::Text() const {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string{kHex[family & 0xF], kHex[model & 0xF], kHex[stepping & 0xF]};
}

CpuSignature ReadCpuSignature(hw::Cpuid& cpuid) {
    return CpuSignature::FromLeaf1Eax(cpuid.Query(1).eax);
}

std::string ReadBrandString(hw::Cpuid& cpuid) {
    char buffer[49] = {};
    for (std::uint32_t i = 0; i < 3; ++i) {
        const hw::CpuidRegisters r = cpuid.Query(0x80000002 + i);
        const std::uint32_t words[4] = {r.eax, r.ebx, r.ecx, r.edx};
        std::memcpy(buffer + i * 16, words, sizeof words);
    }
    buffer[48] = '\0';
    return std::string(buffer);
}

CpuIdentity IdentifyCommon(hw::Cpuid& cpuid) {
    const CpuSignature signature = ReadCpuSignature(cpuid);
    CpuIdentity identity;
    identity.cpuidText = signature.Text();
    identity.combinedFamily = signature.CombinedFamily();
    return identity;
}

void IdentifyK10(CpuIdentity& identity, hw::Cpuid& cpuid, hw::HardwareAccess& hw,
                 std::string_view k10ModeText) {
    const int highestCore =
        static_cast<int>(kAmdHighestCore.Get(hw.MsrReadCurrent(kMsrAmdCoreIndex).lo));
    identity.coreCount = highestCore;
    identity.coresThreads = CoresThreadsText(highestCore + 1, highestCore + 1);

    if (const RevisionRow* row = FindRevision(kK10Revisions, identity.cpuidText)) {
        identity.revision = std::string(row->revision);
        identity.technology = std::string(row->technology);
    }

    if (k10ModeText == "K10-DDR2-800" || k10ModeText == "K10-DDR2-1066")
        identity.socket = "AM2+ (940)";
    else if (k10ModeText == "K10-DDR3")
        identity.socket = "AM3 (941)";
    if (kAmdPackageType.Get(cpuid.Query(0x80000001).ebx) == 0) identity.socket = "F (1207)";

    identity.model = ReadBrandString(cpuid);
}

void IdentifyIntelUncore(CpuIdentity& identity, hw::Cpuid& cpuid, hw::HardwareAccess& hw,
                         const PackageFlags& package) {
    if (const RevisionRow* row = FindRevision(kUncoreRevisions, identity.cpuidText))
        identity.revision = std::string(row->revision);

    // Later matches override earlier ones.
    if (package.lynnfield) identity.socket = "LGA 1156", identity.technology = "45 nm";
    if (package.bloomfield) identity.socket = "LGA 1366", identity.technology = "45 nm";
    if (package.gulftown) identity.socket = "LGA 1366", identity.technology = "32 nm";
    if (identity.cpuidText == "652") identity.socket = "Micro-FCPGA";

    IdentifyIntelCommon(identity, cpuid, hw);
}

void IdentifyIntelHostBridge(CpuIdentity& identity, hw::Cpuid& cpuid, hw::HardwareAccess& hw) {
    if (const RevisionRow* row = FindRevision(kHostBridgeRevisions, identity.cpuidText))
        identity.revision = std::string(row->revision);
    identity.socket = "LGA 1156";
    identity.technology = "32 nm";
    IdentifyIntelCommon(identity, cpuid, hw);
}

}  // namespace zm::ident
