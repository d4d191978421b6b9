// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/session.h"

#include "spd/smbus_discovery.h"
#include "startup/machine_identity.h"
#include "startup/shutdown.h"
#include "timings/stored/stored_timings.h"

namespace zm::app {

SessionSetup SetupFor(const CommandLine& line, std::string settingsPath,
                      std::string executableFolder) {
    SessionSetup setup;
    setup.settingsPath = std::move(settingsPath);
    setup.line = line;
    setup.executableFolder = std::move(executableFolder);
    // The report and the Monitor only read; the Monitor and the windows measure continuously.
    if (line.mode == RunMode::Report || line.mode == RunMode::Monitor)
        setup.mode = StartupMode::ReadOnlyReport;
    setup.measuringThread = line.mode == RunMode::Gui || line.mode == RunMode::Monitor;
    // A capture reads no settings file: no stored set applied, no SMBIOS place remembered from
    // an earlier run (the scan runs, so its reads are seen), nothing written to disk.
    setup.recordAccesses = line.mode == RunMode::Capture;
    if (setup.recordAccesses) setup.settingsPath.clear();
    return setup;
}

Session::Session(app::Backend backend, SessionSetup setup, std::unique_ptr<hw::Operations> front)
    : backend_(std::move(backend)),
      setup_(std::move(setup)),
      front_(std::move(front)),
      hw_(front_ ? *front_ : *backend_.operations),
      clock_(backend_.clock ? *backend_.clock : hostClock_),
      listener_(std::make_shared<std::function<void(const cpu::PassOutput&)>>()) {}

Session::~Session() {
    End();
}

void Session::Start(cpu::ClockMeasuringThread::Dispatcher dispatcher, char decimalSeparator) {
    if (started_) return;
    started_ = true;
    cpu::ClockMeasuringThread::Publisher publisher;
    if (dispatcher) {
        // What the thread hands on (a pass, the finished flag) is dropped once the session is
        // gone: the dispatcher's thread may run it later than that.
        dispatcher = [post = std::move(dispatcher),
                      alive = std::weak_ptr(listener_)](cpu::ClockMeasuringThread::Task task) {
            post([alive, task = std::move(task)] {
                if (alive.lock()) task();
            });
        };
        publisher = [listener = listener_.get()](const cpu::PassOutput& output) {
            if (*listener) (*listener)(output);
        };
    }
    clocks_.emplace(hw_, clock_, std::move(dispatcher), std::move(publisher), decimalSeparator);
    StartupContext context{backend_, hw_, setup_.settingsPath, &*clocks_};
    context.startMeasuringThread = setup_.measuringThread;
    context.mode = setup_.mode;
    startup_ = RunStartup(context);
}

void Session::SetClockListener(std::function<void(const cpu::PassOutput&)> listener) {
    *listener_ = std::move(listener);
}

void Session::End() {
    if (ended_) return;
    ended_ = true;
    // No thread may still be inside the hardware library when it closes.
    for (auto& step : stopSteps_) step();
    if (clocks_) clocks_->StopMeasuring();
    PlatformFacts release = startup_.facts;
    if (registersPutBack_) release.extendedConfigOpened = false;
    if (libraryOpenedLater_) release.libraryInitialised = true;
    ReleaseHardware(hw_, release);
}

void Session::WriteStoredSet(settings::Settings& file) {
    const timings::TimingSession* session = Timings();
    if (!session) return;
    spd::DiscoverSmbusController(hw_);
    timings::WriteStoredTimings(file, session->model, session->present,
                                ReadMachineIdentity(hw_, *backend_.cpuid, *session));
}

}  // namespace zm::app
