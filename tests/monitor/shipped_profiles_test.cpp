// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped simulated machines give the Monitor plausible figures: every measured logical
// processor has a temperature in a believable range and a usage between 0 and 100.
#include <gtest/gtest.h>

#include "hw/hardware_access.h"
#include "monitor/monitor_thread.h"
#include "monitor/thread_sampling.h"
#include "sim/simulated_machine.h"

namespace zm::monitor {
namespace {

struct Profile {
    const char* name;
    TemperatureSource source;
    int cores, threads;
};

TEST(MonitorProfiles, TemperaturesAndUsageArePlausible) {
    const Profile profiles[] = {
        {"x58-bloomfield", TemperatureSource::Intel, 4, 8},
        {"x58-gulftown", TemperatureSource::Intel, 6, 12},
        {"dual-xeon-5520", TemperatureSource::Intel, 8, 16},
        {"p55-lynnfield", TemperatureSource::Intel, 4, 8},
        {"h55-clarkdale", TemperatureSource::Intel, 2, 4},
        {"k10-am3-ddr3", TemperatureSource::AmdK10, 4, 4},
        {"k10-am2plus-ddr2", TemperatureSource::AmdK10, 4, 4},
        {"socketf-opteron", TemperatureSource::AmdK10, 4, 4},
    };
    for (const Profile& p : profiles) {
        SCOPED_TRACE(p.name);
        auto clock = std::make_shared<os::VirtualClock>(false);
        auto machine = sim::SimulatedMachine::Load(p.name, clock);
        hw::HardwareAccess hw(*machine);
        if (p.source == TemperatureSource::AmdK10) {
            // The extended configuration access the start-up opens does not matter for 0xA4.
            ASSERT_NE(machine->Pci(0, 24, 3, 0xA4), 0xFFFFFFFFu);
        }
        MonitorSettings settings;
        settings.CoreCount = p.cores;
        settings.ThreadCount = p.threads;
        settings.source = p.source;
        MonitorThread op(
            *machine, hw, *clock, settings, [](MonitorThread::Task) {},
            [](const ThreadResults&) {});
        ThreadResults r;
        ASSERT_TRUE(op.Measure(r));
        ASSERT_EQ(machine->ProcessorCount(), static_cast<unsigned>(p.threads));
        int busy = 0;
        for (int i = 0; i < p.threads; ++i) {
            EXPECT_LE(r.ThreadUsage[i], 100) << "thread " << i;
            busy += r.ThreadUsage[i];
            if (i < kMaxTemperatures) {
                EXPECT_GE(r.ThreadTemp[i], 25) << "thread " << i;
                EXPECT_LE(r.ThreadTemp[i], 85) << "thread " << i;
            }
        }
        EXPECT_GT(busy, 0) << "an idle machine shows no graph at all";
    }
}

}  // namespace
}  // namespace zm::monitor
