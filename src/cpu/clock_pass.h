// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one measuring pass makes of the accepted time-stamp rate: the base clock, the current
// core multiplier read from the processor, the clocks of the "System Frequency" group, the two
// whole-MHz values for the Monitor and, on AMD K10, the live fields of the CPU settings window.
// It touches no widget; the measuring thread hands the result to the window thread.

#include <optional>
#include <string>
#include <vector>

#include "cpu/clock_state.h"
#include "hw/hardware_access.h"

namespace zm::cpu {

// The six fields of the "System Frequency" group.
struct FrequencyTexts {
    std::string coreMultiplier;  // "x 21.0" (AMD K10 below 10: "x 4.50")
    std::string bclk;            // "133.3 MHz"
    std::string cores;
    std::string uncore;
    std::string ht;
    std::string ram;
    bool operator==(const FrequencyTexts&) const = default;
};

// One column of the CPU settings window ("Cores" group): its speed field and the items its
// multiplier list (CpuFid) and divisor list (CpuDid) should show.
struct CoreSettingsFields {
    int core = 0;
    std::string speed;
    unsigned cpuFid = 0;
    unsigned cpuDid = 0;
};

// The CPU settings window's live fields. Only the lists whose hold flag was clear when the pass
// read them are present; the window checks the flags again when it applies them.
struct CpuSettingsFields {
    std::vector<CoreSettingsFields> cores;
    std::optional<std::string> uncoreSpeed;  // north-bridge clock
    std::optional<std::string> htSpeed;      // HyperTransport clock
    std::optional<unsigned> cpuVid;          // core voltage list item
    std::optional<unsigned> nbVid;           // uncore voltage list item
};

struct PassOutput {
    FrequencyTexts texts;
    // Intel: the item of the core-multiplier list (coreMultiplierList) to select, unless HoldCore0.
    std::optional<int> coreMultiplierItem;
    // AMD K10 with the CPU settings window created.
    std::optional<CpuSettingsFields> cpuSettings;
};

// Above this ratio the Intel performance status reports a turbo request rather than the ratio
// the core runs at; the running ratio is then the two-core turbo limit. A processor whose own
// maximum non-turbo ratio is higher (26 on the fastest parts) raises the threshold to it, so
// that its nominal ratio is not taken for turbo.
constexpr double kTurboStatusThreshold = 25.0;

// Whole MHz for the Monitor: truncated, and held inside the 16-bit range.
std::uint16_t TruncateMhz(double mhz);

class ClockPass {
public:
    explicit ClockPass(char decimalSeparator = '.') : separator_(decimalSeparator) {}

    // Steps after the rate of the pass is known: reads the core multiplier(s), updates
    // CoreMultiplier, CoreClockMhz and MemoryClockMhz in `state` and returns the texts.
    PassOutput Run(hw::HardwareAccess& hw, ClockState& state, double tscMhz);

private:
    struct K10Read {
        unsigned cpuFid = 0, cpuDid = 0, cpuVid = 0, nbVid = 0;
        double multiplier = 1.0;
    };

    void RunIntel(hw::HardwareAccess& hw, ClockState& state, double bclk, PassOutput& out);
    void RunK10(hw::HardwareAccess& hw, ClockState& state, double bclk, PassOutput& out);
    CpuSettingsFields RunK10Settings(hw::HardwareAccess& hw, ClockState& state, double bclk,
                                     const FrequencyTexts& texts);
    // COFVID status of one core; a reserved CpuDid keeps the divisor of the core read before.
    K10Read ReadK10Core(hw::HardwareAccess& hw, unsigned core);
    // The same from the core's COFVID status already read (its low dword).
    K10Read DecodeK10Core(std::uint32_t cofvidLow);
    std::string Mhz(double mhz) const;

    char separator_;
    int divisor_ = 1;
    // The last core-0 voltages, kept between passes for the voltage lists.
    std::optional<unsigned> lastCpuVid_;
    std::optional<unsigned> lastNbVid_;
};

}  // namespace zm::cpu
