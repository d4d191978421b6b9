// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The processor and north-bridge registers the clock, power and multiplier code reads and
// writes, as named fields that can be checked line by line against the Intel SDM (Nehalem /
// Westmere MSRs, uncore configuration space) and the AMD family 10h BKDG.

#include <array>
#include <cstdint>

#include "hw/bit_field.h"
#include "hw/register_access.h"

namespace zm::cpu::reg {

using hw::Field;
using hw::Field64;

// --- Intel MSRs -------------------------------------------------------------------------------

// IA32_PERF_STATUS: the ratio the core runs at now.
constexpr std::uint32_t kMsrPerfStatus = 0x198;
constexpr Field kPerfStatusRatio{7, 0};  // low dword

// IA32_PERF_CTL: the ratio the operating system asks for.
constexpr std::uint32_t kMsrPerfControl = 0x199;
constexpr Field kPerfControlRatio{7, 0};  // low dword

// IA32_MISC_ENABLE.
constexpr std::uint32_t kMsrMiscEnable = 0x1A0;
constexpr Field kEnhancedSpeedStepEnable{16, 16};  // low dword, MSR bit 16
constexpr Field kTurboModeDisable{6, 6};           // high dword, MSR bit 38

// MSR_TURBO_RATIO_LIMIT: the highest ratio with 1, 2, 3, 4 cores active.
constexpr std::uint32_t kMsrTurboRatioLimit = 0x1AD;
constexpr Field kTurboLimit1Core{7, 0};    // low dword
constexpr Field kTurboLimit2Cores{15, 8};  // low dword

// MSR_POWER_CTL.
constexpr std::uint32_t kMsrPowerControl = 0x1FC;
constexpr Field kC1eEnable{1, 1};  // low dword

// --- Intel uncore configuration space (addresses on bus 0x3F; add the bus offset) --------------

// Device 0, function 0, offset 0xC0: the uncore clock ratio in bits 6..0.
constexpr std::uint32_t kUncoreCurrentRatio = 0x803F00C0;
constexpr Field kUncoreRatio{6, 0};
// Device 2, function 1, offset 0x50: the QPI link ratio in bits 6..0.
constexpr std::uint32_t kQpiFrequency = 0x803F1150;
constexpr Field kQpiRatio{6, 0};
// Device 3, function 4, offset 0x50: the DRAM clock ratio code in bits 4..0.
constexpr std::uint32_t kMcDramClockRatio = 0x803F1C50;
constexpr Field kMcDramRatioCode{4, 0};

// Host bridge 0x0040/0x0044: the DRAM clock ratio code in the memory-controller window.
constexpr std::uint16_t kHostBridgeDramRatioOffset = 0x2C20;
constexpr Field kHostBridgeDramRatioCode{7, 0};

// --- AMD family 10h MSRs ----------------------------------------------------------------------

// HWCR: TscFreqSel (bit 24) makes the time-stamp counter run at the P-state 0 clock.
constexpr std::uint32_t kMsrHwcr = 0xC0010015;
constexpr Field kTscFreqSel{24, 24};  // low dword

// P-state 0 definition.
constexpr std::uint32_t kMsrPState0 = 0xC0010064;
// COFVID control: the P-state the core is asked to run at.
constexpr std::uint32_t kMsrCofVidControl = 0xC0010070;
// COFVID status: what the core runs at now, and the limits.
constexpr std::uint32_t kMsrCofVidStatus = 0xC0010071;
// COFVID control bits 18..16: the P-state the core is asked to change to.
constexpr Field kPstateId{18, 16};  // low dword

// Fields shared by P-state definitions, COFVID control and COFVID status (low dword).
constexpr Field kCpuFid{5, 0};
constexpr Field kCpuDid{8, 6};
// CpuDid 0..4 divide by 1, 2, 4, 8, 16; 5..7 are reserved.
constexpr unsigned kHighestCpuDid = 4;
constexpr Field kCpuVid{15, 9};
constexpr Field kNbDid{22, 22};
constexpr Field kNbVid{31, 25};
// Serial VID interface: VID 0 is 1.55 V, each step 12.5 mV lower; 0x7C..0x7F switch the supply
// off. (The parallel interface's six-bit VIDs lie below this too.)
constexpr unsigned kHighestSviVid = 0x7B;
// COFVID status only (whole 64-bit value).
constexpr Field64 kMaxCpuCof{54, 49};  // maximum core multiplier x 2
constexpr Field64 kMaxNbFid{63, 59};   // maximum north-bridge multiplier - 4

// --- AMD family 10h north bridge (bus 0, device 24) ------------------------------------------

// F0x88: HyperTransport link 0 frequency code in bits 11..8.
constexpr std::uint32_t kHtLinkFrequency = 0x8000C088;
constexpr Field kHtLinkFreqCode{11, 8};
// F3xA0: power control miscellaneous; PviMode (bit 8) set when the board's regulator takes the
// parallel VID interface instead of the serial one, which maps VIDs to other voltages.
constexpr std::uint32_t kPowerControlMisc = 0x8000C3A0;
constexpr Field kPviMode{8, 8};
// F3xD4: clock power/timing control 0, NbFid in bits 4..0.
constexpr std::uint32_t kNbClockControl = 0x8000C3D4;
constexpr Field kNbFid{4, 0};
// F2x94: DRAM configuration high of controller 0, MemClkFreq in bits 2..0.
constexpr std::uint32_t kDct0ConfigHigh = 0x8000C294;
constexpr Field kMemClkFreq{2, 0};

// --- Registers the program only reads, named where they are used elsewhere ------------------

constexpr std::uint32_t kMsrCoreThreadCount = 0x35;      // identification: cores and threads
constexpr std::uint32_t kMsrPlatformInfo = 0xCE;         // identification: ratio limits
constexpr std::uint32_t kMsrThermStatus = 0x19C;         // Monitor: core temperatures
constexpr std::uint32_t kMsrPStateControl = 0xC0010062;  // capture
constexpr std::uint32_t kMsrPStateStatus = 0xC0010063;   // capture
constexpr std::uint32_t kMsrPState4 = 0xC0010068;        // P-states 1..4: shown and captured
constexpr std::uint32_t kMsrAmdCoreIndex = 0xC001102A;   // identification: highest core index

// --- What the privileged helper lets through ------------------------------------------------

// Every MSR the program reads, with the bits it changes in those it writes: the EIST and turbo
// boxes (IA32_MISC_ENABLE bits 16 and 38), C1E (MSR_POWER_CTL bit 1), the core multiplier
// (IA32_PERF_CTL ratio byte), TscFreqSel, and on K10 the CPU settings' FID, DID and VIDs in
// P-state 0 and in COFVID control with its P-state switch. P-states 1..4 are never written.
constexpr std::uint64_t Low(Field f) {
    return f.Mask();
}
constexpr std::uint64_t High(Field f) {
    return std::uint64_t{f.Mask()} << 32;
}
constexpr hw::FieldCeiling AtMost(Field f, unsigned highest) {
    return hw::FieldCeiling{hw::Field64{f.hi, f.lo}, highest};
}
// The divisor and the VIDs the CPU settings offer: never a reserved divisor, never a VID that
// switches the supply off.
inline constexpr std::array<hw::FieldCeiling, 3> kPstateCeilings{AtMost(kCpuDid, kHighestCpuDid),
                                                                 AtMost(kCpuVid, kHighestSviVid),
                                                                 AtMost(kNbVid, kHighestSviVid)};
inline constexpr auto kMsrAccess = std::to_array<hw::MsrAccess>({
    {kMsrCoreThreadCount, 0},
    {kMsrPlatformInfo, 0},
    {kMsrPerfStatus, 0},
    {kMsrPerfControl, Low(kPerfControlRatio)},
    {kMsrThermStatus, 0},
    {kMsrMiscEnable, Low(kEnhancedSpeedStepEnable) | High(kTurboModeDisable)},
    {kMsrTurboRatioLimit, 0},
    {kMsrPowerControl, Low(kC1eEnable)},
    {kMsrHwcr, Low(kTscFreqSel)},
    {kMsrPStateControl, 0},
    {kMsrPStateStatus, 0},
    {kMsrPState0, Low(kCpuFid) | Low(kCpuDid) | Low(kCpuVid), kPstateCeilings},
    {kMsrPState0 + 1, 0},
    {kMsrPState0 + 2, 0},
    {kMsrPState0 + 3, 0},
    {kMsrPState4, 0},
    {kMsrCofVidControl, Low(kPstateId) | Low(kCpuFid) | Low(kCpuDid) | Low(kCpuVid) | Low(kNbVid),
     kPstateCeilings},
    {kMsrCofVidStatus, 0},
    {kMsrAmdCoreIndex, 0},
});
static_assert(kMsrPState4 == kMsrPState0 + 4);

// Configuration registers the clock code reads, and NbFid, the one field it writes (F3xD4 bits
// 4..0, tied to the family 10h north bridge's F3). Uncore rows hold for whichever uncore bus the
// probe finds.
constexpr std::uint32_t kNorthBridgeF0Id = 0x12001022;
constexpr std::uint32_t kNorthBridgeF2Id = 0x12021022;
constexpr std::uint32_t kNorthBridgeF3Id = 0x12031022;
inline constexpr std::array<hw::PciRegisterAccess, 7> kPciAccess{{
    {kHtLinkFrequency, 0, {hw::Device(kNorthBridgeF0Id)}},
    {kPowerControlMisc, 0, {hw::Device(kNorthBridgeF3Id)}},
    {kNbClockControl, kNbFid.Mask(), {hw::Device(kNorthBridgeF3Id)}},
    {kDct0ConfigHigh, 0, {hw::Device(kNorthBridgeF2Id)}},
    {kUncoreCurrentRatio, 0, {hw::AnyDeviceOf(0x8086)}, hw::PciBus::Uncore},
    {kQpiFrequency, 0, {hw::AnyDeviceOf(0x8086)}, hw::PciBus::Uncore},
    {kMcDramClockRatio, 0, {hw::AnyDeviceOf(0x8086)}, hw::PciBus::Uncore},
}};

// The host bridge's memory-controller window is read here, never written.
inline constexpr std::array<hw::WindowRegisterAccess, 1> kWindowAccess{{
    {kHostBridgeDramRatioOffset, 0},
}};

}  // namespace zm::cpu::reg
