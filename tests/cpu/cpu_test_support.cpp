// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu_test_support.h"

#include "cpu/cpu_registers.h"

namespace zm::cpu::test {

std::shared_ptr<sim::SimulatedMachine> IntelUncoreMachine(std::shared_ptr<os::Clock> clock,
                                                          unsigned dramCode) {
    auto m = std::make_shared<sim::SimulatedMachine>(std::move(clock));
    m->SetProcessorCount(8);
    m->SetTscRateMhz(2666.0);
    // MSR 0xCE: max non-turbo 20 (bits 15..8), minimum 12 (bits 47..40).
    m->SetMsrAll(0xCE, (std::uint64_t{12} << 40) | (20u << 8));
    m->SetMsrAll(reg::kMsrPerfStatus, 20);
    m->SetMsrAll(reg::kMsrPerfControl, 20);
    m->SetMsrAll(reg::kMsrTurboRatioLimit, 0x15151516);  // 22 single core, 21 otherwise
    m->SetMsrAll(reg::kMsrMiscEnable, (std::uint64_t{0x00000040} << 32) | 0x00850089);
    m->SetMsrAll(reg::kMsrPowerControl, 0x0000005F);
    m->SetPci(0xFF, 0, 0, 0x00, 0x2C418086);
    m->SetPci(0xFF, 0, 0, 0xC0, 0x00000010);  // uncore ratio 16
    m->SetPci(0xFF, 2, 1, 0x00, 0x2C118086);
    m->SetPci(0xFF, 2, 1, 0x50, 0x00000012);  // QPI ratio 18
    m->SetPci(0xFF, 3, 4, 0x00, 0x2C188086);
    m->SetPci(0xFF, 3, 4, 0x50, 0x00000300 | dramCode);
    return m;
}

std::shared_ptr<sim::SimulatedMachine> K10Machine(std::shared_ptr<os::Clock> clock, bool ddr3,
                                                  unsigned memClk) {
    auto m = std::make_shared<sim::SimulatedMachine>(std::move(clock));
    m->SetProcessorCount(4);
    m->SetTscRateMhz(3000.0);
    m->SetMsrAll(reg::kMsrPState0, 0x8000000000000000ull | CofVid(14, 0, 16, 18));
    // COFVID status: running at P0; MaxCpuCof 0 (no limit), MaxNbFid 0.
    m->SetMsrAll(reg::kMsrCofVidStatus, CofVid(14, 0, 16, 18));
    m->SetMsrAll(reg::kMsrHwcr, 0x01000010);
    m->SetPci(0, 24, 0, 0x88, 0x00000B00 | 0x11);  // link 0: 2000 MHz
    m->SetPci(0, 24, 2, 0x00, 0x12021022);
    m->SetPci(0, 24, 2, 0x94, (ddr3 ? 0x100u : 0u) | memClk);
    m->SetPci(0, 24, 3, 0xD4, 0x00000006);  // NbFid 6
    return m;
}

}  // namespace zm::cpu::test
