// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// MonitorThread: the monitoring thread. It runs for the life of the program: each cycle takes two
// processor-time snapshots half a second apart, works out the usage per logical processor,
// reads the core temperatures, and then has its results published on the window thread while it
// waits.
//
// It never touches a widget. The hand-off goes through an injected dispatcher that queues a task
// for the window thread (a queued call in the Qt windows); the thread waits until that task has
// run. Stopping releases a thread that waits for a task the window thread has not run yet, and
// such a task then does nothing: so the window thread may stop the monitor from inside its own
// event handling without deadlock.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "hw/hardware_access.h"
#include "monitor/monitor_fields.h"
#include "os/clock.h"
#include "os/system_info.h"

namespace zm::monitor {

// The pause between the two snapshots, taken in steps so a stop is noticed quickly.
constexpr int kSnapshotSleepSteps = 10;
constexpr std::uint32_t kSnapshotSleepStepMs = 50;

class MonitorThread {
public:
    using Task = std::function<void()>;
    // Queues a task for the window thread; must not run it on the calling thread.
    using Dispatcher = std::function<void(Task)>;
    // The publication step, on the window thread.
    using Publisher = std::function<void(const ThreadResults&)>;

    MonitorThread(os::SystemInfo& system, hw::HardwareAccess& hw, os::Clock& clock,
                  const MonitorSettings& settings, Dispatcher dispatcher, Publisher publisher);
    ~MonitorThread();  // stops the thread
    MonitorThread(const MonitorThread&) = delete;
    MonitorThread& operator=(const MonitorThread&) = delete;

    void Start();  // once; later calls do nothing while it runs
    void Stop();   // returns within one sleep step plus a cycle's reads

    // One measuring cycle on the calling thread, without publication (also the benchmark's
    // unit). False when a stop was requested during the pause.
    bool Measure(ThreadResults& results);

    unsigned Cycles() const { return cycles_.load(); }  // published cycles

private:
    struct HandOff;
    void Run();
    bool SleepBetweenSnapshots();

    os::SystemInfo& system_;
    hw::HardwareAccess& hw_;
    os::Clock& clock_;
    const MonitorSettings& settings_;
    Dispatcher dispatcher_;
    Publisher publisher_;
    unsigned processorCount_ = 0;

    std::shared_ptr<HandOff> handOff_;
    std::atomic<bool> stop_{false};
    std::atomic<unsigned> cycles_{0};
    std::thread thread_;
};

}  // namespace zm::monitor
