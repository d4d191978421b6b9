// SPDX-License-Identifier: GPL-3.0-or-later
// What the Monitor repeats: one cycle of the monitoring thread with its publication and the
// one-second tick with its history append (on a simulated eight-thread machine whose clock
// does not really sleep), one graph update as every tick makes it for eleven graphs, and one
// row of the Monitor's CSV log, queued and written to a file in the temporary folder.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "hw/hardware_access.h"
#include "monitor/history.h"
#include "monitor/monitor_log.h"
#include "monitor/monitor_thread.h"
#include "monitor/publication.h"
#include "monitor/thread_sampling.h"
#include "monitor/tick_sampling.h"
#include "sim/simulated_machine.h"
#include "ui/common/history_graph.h"

namespace {

using namespace zm;

void BM_MonitorTick(benchmark::State& state) {
    auto clock = std::make_shared<os::VirtualClock>(false);
    sim::SimulatedMachine machine(clock);
    machine.SetProcessorCount(8);
    machine.SetProcessorTimes(std::vector<os::ProcessorTimes>(8));
    machine.SetProcessorLoad({10, 20, 30, 40, 50, 60, 70, 80});
    machine.SetMsrAll(monitor::kMsrThermStatus, 0x88280000);
    hw::HardwareAccess hw(machine);
    monitor::MonitorSettings settings;
    settings.CoreCount = 4;
    settings.ThreadCount = 8;
    settings.source = monitor::TemperatureSource::Intel;
    monitor::MonitorThread op(
        machine, hw, *clock, settings, [](monitor::MonitorThread::Task) {},
        [](const monitor::ThreadResults&) {});
    monitor::Publication publication;
    monitor::TickSampler sampler;
    monitor::History history;
    monitor::MonitorFields fields;
    monitor::ThreadResults results;
    for (auto _ : state) {
        op.Measure(results);
        publication.Publish(results, 4, 8, monitor::TemperatureSource::Intel, fields);
        monitor::TickInputs in;
        in.memory = machine.GlobalMemoryStatus();
        in.installedMb = 6144;
        in.cpuMhz = 3200;
        in.memoryMhz = 800;
        in.coreCount = 4;
        history.Append(sampler.Sample(in, fields), 4, 4000);
    }
    benchmark::DoNotOptimize(history.Samples());
}
BENCHMARK(BM_MonitorTick);

void BM_MonitorLogRow(benchmark::State& state) {
    const auto file = std::filesystem::temp_directory_path() / "zm-bench-monitor-log.csv";
    std::string error;
    auto log = monitor::MonitorLog::Open(file, 4, nullptr, error);
    if (!log) {
        state.SkipWithError(error.c_str());
        return;
    }
    monitor::TickSample sample;
    sample.averageUsage = 45;
    sample.cpuMhz = 3200;
    sample.usedMb = 4096;
    const auto now = std::chrono::system_clock::now();
    for (auto _ : state) {
        log->Append(now, sample);
        log->WaitWritten(std::chrono::seconds(5));
    }
    state.counters["rows"] = static_cast<double>(log->Rows());
    log->Close();
    std::filesystem::remove(file);
}
BENCHMARK(BM_MonitorLogRow);

void BM_GraphUpdate(benchmark::State& state) {
    ui::HistoryGraphCanvas canvas(434, 85);
    canvas.SetGridSize(9);
    canvas.SetStepSize(2);
    int i = 0;
    for (auto _ : state) {
        canvas.SetScale(999);  // as the Monitor feeds it: a full redraw every tick
        canvas.DataPoint(Qt::yellow, 40 + (i % 50));
        canvas.DataPoint(QColor(0xA6, 0xCA, 0xF0), 55);
        canvas.Update();
        ++i;
    }
}
BENCHMARK(BM_GraphUpdate);

}  // namespace
