// SPDX-License-Identifier: GPL-3.0-or-later
// The measuring pass on this machine's real time-stamp counter, through the Linux host backend,
// against the rate the kernel calibrated at boot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "cpu/clock_measuring_thread.h"
#include "cpu/tsc_rate.h"
#include "hw/backends/linux/linux_host.h"
#include "hw/backends/linux/linux_operations.h"
#include "os/clock.h"

namespace zm::cpu {
namespace {

// The kernel's idea of the TSC rate, in MHz, and where it came from.
struct KernelTsc {
    double mhz;
    std::string source;
};

std::optional<KernelTsc> FromSysfs() {
    for (const char* path :
         {"/sys/devices/system/cpu/cpu0/tsc_freq_khz", "/sys/devices/system/cpu/tsc_khz"}) {
        std::ifstream file(path);
        double khz = 0;
        if (file >> khz && khz > 0) return KernelTsc{khz / 1000.0, path};
    }
    return std::nullopt;
}

// "tsc: Refined TSC clocksource calibration: 2596.098 MHz" beats the early
// "tsc: Detected 2596.120 MHz processor".
std::optional<KernelTsc> FromKernelLog() {
    FILE* pipe = ::popen("dmesg 2>/dev/null", "r");
    if (!pipe) return std::nullopt;
    std::string log;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) log.append(buffer, n);
    ::pclose(pipe);
    const std::regex refined(R"(tsc: Refined TSC clocksource calibration: ([0-9.]+) MHz)");
    const std::regex detected(R"(tsc: Detected ([0-9.]+) MHz processor)");
    std::smatch match;
    if (std::regex_search(log, match, refined)) {
        return KernelTsc{std::stod(match[1]), "dmesg refined calibration"};
    }
    if (std::regex_search(log, match, detected)) {
        return KernelTsc{std::stod(match[1]), "dmesg detected processor"};
    }
    return std::nullopt;
}

TEST(HostTsc, MeasuredRateAgreesWithTheKernelsCalibration) {
    std::optional<KernelTsc> kernel = FromSysfs();
    if (!kernel) kernel = FromKernelLog();
    if (!kernel)
        GTEST_SKIP() << "the kernel's TSC rate is not readable here (no tsc_khz, no dmesg)";

    hw::LinuxHost host;
    hw::LinuxOperations ops(host);
    hw::HardwareAccess hw(ops);
    if (!ReadTimeStamp(hw)) GTEST_SKIP() << "no time-stamp counter reachable on this host";
    os::SteadyClock clock;

    // Three passes; the median stands, so one pass disturbed by a busy machine does not decide.
    std::vector<double> passes;
    for (int i = 0; i < 3; ++i) {
        const auto readings = TakeTscReadings(hw, clock, [] { return false; });
        ASSERT_TRUE(readings.has_value());
        passes.push_back(NextTscMhz(0.0, *readings));
    }
    std::sort(passes.begin(), passes.end());
    const double measured = passes[1];
    std::printf(
        "time-stamp rate: measured %.3f MHz (passes %.3f, %.3f, %.3f), kernel %.3f MHz "
        "(%s)\n",
        measured, passes[0], passes[1], passes[2], kernel->mhz, kernel->source.c_str());
    EXPECT_NEAR(measured, kernel->mhz, kernel->mhz * 0.002);
}

}  // namespace
}  // namespace zm::cpu
