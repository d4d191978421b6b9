// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/application.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>
#include <exception>

#include "settings/startup_launch.h"
#include "settings/write_notice.h"
#include "spd/smbus_discovery.h"
#include "startup/command_line.h"
#include "startup/machine_identity.h"
#include "timings/stored/stored_timings.h"
#include "ui/common/message_sink.h"
#include "ui/cpu/cpu_settings_window.h"
#include "ui/cpu/frequency_binder.h"
#include "ui/main/main_window.h"
#include "ui/main/shell_windows.h"
#include "ui/main/tray_icons.h"
#include "ui/monitor/monitor_window.h"
#include "ui/settings/boot_apply_timer.h"
#include "ui/settings/startup_window.h"
#include "ui/spd/spd_window.h"

namespace zm::ui {

ApplicationWindows::ApplicationWindows() = default;
ApplicationWindows::ApplicationWindows(ApplicationWindows&&) noexcept = default;
ApplicationWindows::~ApplicationWindows() = default;

namespace {

// The CPU settings window works on the main window's clock state and hardware; the measuring
// thread's live values reach it through the frequency binder.
std::unique_ptr<cpu::gui::CpuSettingsWindow> MakeCpuSettingsWindow(MainWindow& mainWindow,
                                                                   app::Backend& backend,
                                                                   MessageSink& messages) {
    cpu::gui::CpuSettingsSetup setup;
    auto* frequency = mainWindow.findChild<cpu::gui::FrequencyBinder*>();
    if (!mainWindow.TerminationRequested() && frequency) {
        setup.hw = &mainWindow.Hardware();
        setup.clocks = &frequency->Clocks();
    }
    setup.desktop = backend.desktop;
    setup.warn = [&messages](const std::string& text, const std::string& caption) {
        messages.Show({caption, text});
    };
    auto cpuSettingsWindow = std::make_unique<cpu::gui::CpuSettingsWindow>(std::move(setup));
    if (frequency) {
        frequency->SetCpuSettingsSink(
            [window = QPointer<cpu::gui::CpuSettingsWindow>(cpuSettingsWindow.get())](
                const cpu::CpuSettingsFields& fields) {
                if (window) window->ShowFields(fields);
            });
    }
    return cpuSettingsWindow;
}

// The Monitor: its thread measures from the start, on the facts the main window's start-up
// found, and reads the clocks the measuring thread publishes. It stops before the hardware is
// released at exit.
std::unique_ptr<monitor::gui::MonitorWindow> MakeMonitorWindow(MainWindow& mainWindow,
                                                               app::Backend& backend,
                                                               const std::string& settingsPath,
                                                               MessageSink& messages) {
    const app::StartupResult& startup = mainWindow.Startup();
    monitor::gui::MonitorContext context(mainWindow.Hardware(), *backend.system, *backend.clock,
                                         settingsPath);
    context.coreCount = startup.cpu.coreCount;
    context.threadCount = startup.cpu.threadCount;
    context.intelPlatform = startup.facts.intelPlatform == 1;
    context.amdPlatform = startup.facts.amdPlatform == 1;
    context.installedMb = startup.memory.totalMb;
    context.startThread = !mainWindow.TerminationRequested();
    if (auto* frequency = mainWindow.findChild<cpu::gui::FrequencyBinder*>()) {
        cpu::ClockState* state = &frequency->Clocks().State();
        context.clocks = [state] {
            return std::pair{state->CoreClockMhz.load(), state->MemoryClockMhz.load()};
        };
    }
    context.message = [&messages](const std::string& caption, const std::string& text) {
        messages.Show({caption, text});
    };
    context.setMonitorReady = [&mainWindow](bool ready) {
        mainWindow.Startup().facts.monitorReady = ready ? 1 : 0;
    };
    auto monitorWindow = std::make_unique<monitor::gui::MonitorWindow>(std::move(context));
    mainWindow.AddShutdownStep(
        [window = QPointer<monitor::gui::MonitorWindow>(monitorWindow.get())] {
            if (window) window->StopMonitoring();
        });
    return monitorWindow;
}

// The SPD window offers the memory slots the SMBIOS scan found; choosing one sets the main
// window's SpdSlaveAddress and runs its spd button action, which decodes the module.
std::unique_ptr<spd::gui::SpdWindow> MakeSpdWindow(MainWindow& mainWindow) {
    spd::gui::SpdWindowSetup setup;
    setup.slotCount = mainWindow.Startup().memory.devicesAccepted;
    setup.selectModule = [&mainWindow](std::uint8_t spdSlaveAddress) {
        mainWindow.Startup().facts.spdSlaveAddress = spdSlaveAddress;
        mainWindow.spdClick();
    };
    return std::make_unique<spd::gui::SpdWindow>(std::move(setup));
}

// The file this run would use without --settings: the autostart entry names another one only.
std::string DefaultSettingsFile(app::CommandLine line, const std::string& executableFolder) {
    line.settingsPath.clear();
    return app::SettingsLocationFor(line, executableFolder).file.string();
}

}  // namespace

ApplicationWindows CreateWindows(app::Backend& backend, const std::string& settingsPath,
                                 MessageSink& messages, const os::LaunchCommand& autostartLaunch) {
    ApplicationWindows windows;
    windows.mainWindow = std::make_unique<MainWindow>(backend, settingsPath, messages);
    if (windows.mainWindow->Startup().bootApplyRecorded) {
        // The stored set was written at this start: a minute from now it has been survived.
        static os::SteadyClock hostClock;
        new settings::gui::BootApplyTimer(settingsPath, backend.clock ? *backend.clock : hostClock,
                                          windows.mainWindow.get());
    }
    windows.aboutWindow = std::make_unique<AboutWindow>();
    windows.spdWindow = MakeSpdWindow(*windows.mainWindow);
    windows.cpuSettingsWindow = MakeCpuSettingsWindow(*windows.mainWindow, backend, messages);
    windows.monitorWindow = MakeMonitorWindow(*windows.mainWindow, backend, settingsPath, messages);
    settings::gui::StartupConfigSetup startUp;
    startUp.settingsPath = settingsPath;
    startUp.launch = autostartLaunch;
    if (backend.bootApply) {
        os::BootApplyService* service = backend.bootApply;
        startUp.bootService = [service, settingsPath](bool enable) {
            return enable ? service->Enable(settingsPath) : service->Disable(settingsPath);
        };
    }
    if (windows.mainWindow->Startup().timings) {
        // What the main window shows for every channel at the moment of Apply.
        MainWindow* mainWindow = windows.mainWindow.get();
        // The set is bound to this machine: its modules are read again, over an SMBus
        // controller looked for again as the spd button does.
        startUp.writeTimingSet = [mainWindow](settings::Settings& file) {
            const timings::TimingSession& session = *mainWindow->Startup().timings;
            spd::DiscoverSmbusController(mainWindow->Hardware());
            timings::WriteStoredTimings(
                file, session.model, session.present,
                app::ReadMachineIdentity(mainWindow->Hardware(), *mainWindow->Backend().cpuid,
                                         session));
        };
    }
    windows.startUpWindow = std::make_unique<settings::gui::StartUpWindow>(std::move(startUp));
    windows.mainWindow->SetWindows({windows.aboutWindow.get(), windows.spdWindow.get(),
                                    windows.cpuSettingsWindow.get(), windows.monitorWindow.get(),
                                    windows.startUpWindow.get()});
    return windows;
}

int RunApplication(int& argc, char** argv, app::Backend& backend, const std::string& settingsPath,
                   const std::string& executableFolder) {
    // The autostart entry starts the program the way it runs now (before Qt takes its own
    // arguments out of argv).
    const app::CommandLine line = app::ParseCommandLine({argv, argv + argc});
    const os::LaunchCommand autostartLaunch = settings::StartupLaunchCommand(
        executableFolder, line.machine, settingsPath, DefaultSettingsFile(line, executableFolder));
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Zentrimo"));
    // Process-wide objects before any window: the settings file's place (settingsPath, by
    // default ZM.ini in the executable's folder), the icon shared by the windows and the
    // notification area, and the executable's folder (the autostart entry's).
    const QIcon icon = QIcon::fromTheme(QStringLiteral("computer"),
                                        application.style()->standardIcon(QStyle::SP_ComputerIcon));
    application.setWindowIcon(icon);

    MessageBoxSink messages;
    // A settings write that did not happen is told once, the first time.
    settings::SetWriteProblemHandler([&messages](const settings::WriteProblem& problem) {
        messages.Show({"WARNING!", settings::DescribeWriteProblem(problem)});
    });
    struct HandlerReset {
        ~HandlerReset() { settings::SetWriteProblemHandler(nullptr); }
    } resetHandler;
    try {
        ApplicationWindows windows =
            CreateWindows(backend, settingsPath, messages, autostartLaunch);
        if (windows.mainWindow->TerminationRequested()) return 1;
        TrayIcons tray(*windows.mainWindow, icon);
        MainWindow::TimerHooks hooks;
        hooks.startMonitorHidden = [&windows] {
            windows.mainWindow->MonitorClick();
            // The Monitor's own Minimize: it keeps the window's place for the next show.
            if (auto* monitor =
                    qobject_cast<monitor::gui::MonitorWindow*>(windows.monitorWindow.get()))
                monitor->MinimizeClick();
            else
                windows.monitorWindow->hide();
        };
        hooks.showGauge = [&tray](int n) { tray.SetIcon(GaugeIcon(n)); };
        hooks.releaseIcon = [&tray] { tray.ReleaseIcon(); };
        if (auto* monitor =
                qobject_cast<monitor::gui::MonitorWindow*>(windows.monitorWindow.get())) {
            hooks.averageUsage = [monitor] { return monitor->Fields().AverageUsage; };
            monitor->SetTrayTemperatureHook(
                [&tray](int temperature) { tray.SetText(QString::number(temperature)); });
            tray.AddAction(monitor->logAction);
        }
        windows.mainWindow->SetTimerHooks(std::move(hooks));
        windows.mainWindow->show();
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("ERROR!"), QString::fromUtf8(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QStringLiteral("ERROR!"),
                              QStringLiteral("Unexpected error."));
    }
    return 1;
}

}  // namespace zm::ui
