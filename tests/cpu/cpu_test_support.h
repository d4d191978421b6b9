// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small machines and test doubles for the clock and CPU-control tests.

#include <atomic>
#include <cstdint>
#include <memory>

#include "hw/hardware_access.h"
#include "os/clock.h"
#include "sim/simulated_machine.h"
#include "support/forwarding_library.h"

namespace zm::cpu::test {

// Time that moves only when the code under test sleeps: passes run instantly and every interval
// is exactly as long as asked for.
class FakeClock final : public os::Clock {
public:
    explicit FakeClock(std::uint32_t start = 1000) : now_(start) {}
    std::uint32_t TickCount() override { return now_.load(); }
    void Sleep(std::uint32_t ms) override {
        now_ += ms;
        sleeps_ += 1;
    }
    void Advance(std::uint32_t ms) { now_ += ms; }
    std::uint64_t Sleeps() const { return sleeps_.load(); }

private:
    std::atomic<std::uint32_t> now_;
    std::atomic<std::uint64_t> sleeps_{0};
};

// A library that forwards to another and can make its counter reads fail.
class FlakyTscLibrary final : public testing::ForwardingLibrary {
public:
    using ForwardingLibrary::ForwardingLibrary;
    // Every n-th RdtscEx fails (0: none), leaving a wrong value in its outputs.
    void FailEvery(unsigned n) { failEvery_ = n; }

    bool RdtscEx(std::uint32_t& a, std::uint32_t& d, hw::AffinityMask m) override {
        const unsigned call = ++calls_;
        const bool ok = inner_.RdtscEx(a, d, m);
        if (failEvery_ != 0 && call % failEvery_ == 0) {
            // A failed read leaves a plausible-looking value behind: 20 million counts ahead,
            // enough to move a half-second rate by 40 MHz, inside the filter's window.
            const std::uint64_t bogus = ((std::uint64_t{d} << 32) | a) + 20'000'000;
            a = static_cast<std::uint32_t>(bogus);
            d = static_cast<std::uint32_t>(bogus >> 32);
            return false;
        }
        return ok;
    }

private:
    std::atomic<unsigned> failEvery_{0};
    std::atomic<unsigned> calls_{0};
};

// An LGA 1366 processor with the uncore on bus 0xFF (bus offset 0xC00000): four cores,
// ratios 12..20 (turbo 22/21), uncore x16, QPI x18, DRAM ratio code `dramCode`.
std::shared_ptr<sim::SimulatedMachine> IntelUncoreMachine(std::shared_ptr<os::Clock> clock,
                                                          unsigned dramCode = 8);

// A family 10h quad-core (core count 3) in the given DDR mode: P-state 0 FID 14 (x15),
// HyperTransport code 0x0B (x10), NbFid 6, MemClkFreq `memClk`, time-stamp rate 3000 MHz.
std::shared_ptr<sim::SimulatedMachine> K10Machine(std::shared_ptr<os::Clock> clock, bool ddr3,
                                                  unsigned memClk);

// Low dword of a COFVID status / P-state value.
constexpr std::uint64_t CofVid(unsigned fid, unsigned did, unsigned vid = 0, unsigned nbVid = 0) {
    return fid | (did << 6) | (vid << 9) | (std::uint64_t{nbVid} << 25);
}

}  // namespace zm::cpu::test
