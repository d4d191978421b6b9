// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of the program on one machine: the backend and hardware access, the start-up's result,
// the CPU clocks with their measuring thread, the timing session, and the order in which all of
// it is let go. The launch code makes one from the parsed command line; the windows and the runs
// without windows work on it. The start-up's facts are fixed once Start returns; what changes
// later is owned by Clocks() (clocks, power features), Timings() (the registers) and Live().

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cpu/cpu_clocks.h"
#include "hw/hardware_access.h"
#include "os/clock.h"
#include "settings/settings.h"
#include "startup/backend.h"
#include "startup/command_line.h"
#include "startup/startup.h"

namespace zm::app {

// What one run does with the machine, from its command line.
struct SessionSetup {
    std::string settingsPath;
    StartupMode mode = StartupMode::Windows;
    // The windows and the Monitor measure the clocks on a background thread; the other runs
    // measure once, themselves.
    bool measuringThread = false;
    // Capture: no settings file is read or written (the capture puts its recording layer in
    // front of the backend's library).
    bool recordAccesses = false;
    CommandLine line;  // as parsed; the windows' autostart entry starts the program the same way
    std::string executableFolder;
};

// The setup the run mode of `line` asks for.
SessionSetup SetupFor(const CommandLine& line, std::string settingsPath,
                      std::string executableFolder = {});

// The choices of the windows that change while the program runs.
struct LiveState {
    // 7-bit SMBus address of the module the SPD window decodes (its slot choice).
    std::uint8_t spdSlaveAddress = kFirstSpdAddress;
    // The Monitor made its first pass: the boot-time choices may hide the windows.
    int monitorReady = 0;
};

class Session {
public:
    // `front`: a layer every hardware access goes through on its way to the backend's library
    // (a capture's recording); null: none.
    Session(app::Backend backend, SessionSetup setup,
            std::unique_ptr<hw::Operations> front = nullptr);
    ~Session();  // End()

    // Runs the start-up once (a second call does nothing). `dispatcher` runs a measuring pass's
    // result on the thread that shows it, later (the windows' queued call); without one the
    // passes are not shown.
    void Start(cpu::ClockMeasuringThread::Dispatcher dispatcher = nullptr,
               char decimalSeparator = '.');
    // Before Start: the settings file named another way (--apply-stored as root reads it by
    // its checked path).
    void UseSettingsPath(std::string path) { setup_.settingsPath = std::move(path); }
    // Where the shown passes go, on the dispatcher's thread; null stops showing them.
    void SetClockListener(std::function<void(const cpu::PassOutput&)> listener);

    // Other threads that use the hardware (the Monitor's): stopped first at End, in this order.
    void AddStopStep(std::function<void()> step) { stopSteps_.push_back(std::move(step)); }
    // Those threads stop, then the clock-measuring thread, then what the start-up changed in the
    // hardware is put back and the library closed. Once; the destructor calls it too.
    void End();

    app::Backend& Backend() { return backend_; }
    const SessionSetup& Setup() const { return setup_; }
    const std::string& SettingsPath() const { return setup_.settingsPath; }
    hw::HardwareAccess& Hardware() { return hw_; }
    os::Clock& Clock() { return clock_; }
    // Valid once started.
    cpu::CpuClocks& Clocks() { return *clocks_; }

    const StartupResult& Startup() const { return startup_; }
    bool Refused() const { return startup_.terminationRequested; }
    // What the report and the windows show; a run may complete it (the measured clocks, the SPD).
    MainView& View() { return startup_.view; }
    // The timing drop-downs' model and the registers' writes; null without a controller.
    timings::TimingSession* Timings() { return startup_.timings ? &*startup_.timings : nullptr; }
    LiveState& Live() { return live_; }

    // The StartUp window's "save": the timings the main window shows, bound to this machine
    // (its modules read again over an SMBus controller looked for again).
    void WriteStoredSet(settings::Settings& file);

    // Capture: it put back every register itself (the end only closes the library), and it
    // opened the library after a start-up that stopped before doing so.
    void RegistersPutBack() { registersPutBack_ = true; }
    void LibraryOpened() { libraryOpenedLater_ = true; }

private:
    app::Backend backend_;
    SessionSetup setup_;
    std::unique_ptr<hw::Operations> front_;
    hw::HardwareAccess hw_;
    os::SteadyClock hostClock_;  // where the backend brings no clock
    os::Clock& clock_;
    // Shared with the tasks the measuring thread queues: once it is gone they do nothing.
    std::shared_ptr<std::function<void(const cpu::PassOutput&)>> listener_;
    std::optional<cpu::CpuClocks> clocks_;
    StartupResult startup_;
    LiveState live_;
    std::vector<std::function<void()>> stopSteps_;
    bool started_ = false;
    bool ended_ = false;
    bool registersPutBack_ = false;
    bool libraryOpenedLater_ = false;
};

}  // namespace zm::app
