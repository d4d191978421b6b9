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
#include "startup/command_line.h"
#include "ui/common/message_sink.h"
#include "ui/common/qt_text.h"
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

// The CPU settings window works on the session's clock state and hardware; the measuring
// thread's live values reach it through the main window's frequency binder.
std::unique_ptr<cpu::gui::CpuSettingsWindow> MakeCpuSettingsWindow(app::Session& session,
                                                                   MainWindow& mainWindow,
                                                                   MessageSink& messages) {
    cpu::gui::CpuSettingsSetup setup;
    if (!session.Refused()) {
        setup.hw = &session.Hardware();
        setup.clocks = &session.Clocks();
    }
    setup.desktop = session.Backend().desktop;
    setup.warn = [&messages](const std::string& text, const std::string& caption) {
        messages.Show({caption, text});
    };
    auto cpuSettingsWindow = std::make_unique<cpu::gui::CpuSettingsWindow>(std::move(setup));
    mainWindow.Frequency().SetCpuSettingsSink(
        [window = QPointer<cpu::gui::CpuSettingsWindow>(cpuSettingsWindow.get())](
            const cpu::CpuSettingsFields& fields) {
            if (window) window->ShowFields(fields);
        });
    return cpuSettingsWindow;
}

// The Monitor: its thread measures from the start, on the facts the session's start-up found,
// and reads the clocks the measuring thread publishes. The session stops it before the
// hardware is released.
std::unique_ptr<monitor::gui::MonitorWindow> MakeMonitorWindow(app::Session& session,
                                                               MessageSink& messages) {
    const app::StartupResult& startup = session.Startup();
    app::Backend& backend = session.Backend();
    monitor::gui::MonitorContext context(session.Hardware(), *backend.system, session.Clock(),
                                         session.SettingsPath());
    context.coreCount = startup.cpu.coreCount;
    context.threadCount = startup.cpu.threadCount;
    context.intelPlatform = startup.facts.intelPlatform == 1;
    context.amdPlatform = startup.facts.amdPlatform == 1;
    context.installedMb = startup.memory.totalMb;
    context.startThread = !session.Refused();
    cpu::ClockState* state = &session.Clocks().State();
    context.clocks = [state] {
        return std::pair{state->CoreClockMhz.load(), state->MemoryClockMhz.load()};
    };
    context.message = [&messages](const std::string& caption, const std::string& text) {
        messages.Show({caption, text});
    };
    context.setMonitorReady = [&session](bool ready) {
        session.Live().monitorReady = ready ? 1 : 0;
    };
    auto monitorWindow = std::make_unique<monitor::gui::MonitorWindow>(std::move(context));
    session.AddStopStep([window = QPointer<monitor::gui::MonitorWindow>(monitorWindow.get())] {
        if (window) window->StopMonitoring();
    });
    return monitorWindow;
}

// The SPD window offers the memory slots the SMBIOS scan found; choosing one sets the module
// the session's SPD reads go to and runs the main window's spd button action, which decodes it.
std::unique_ptr<spd::gui::SpdWindow> MakeSpdWindow(app::Session& session, MainWindow& mainWindow) {
    spd::gui::SpdWindowSetup setup;
    setup.slotCount = session.Startup().memory.devicesAccepted;
    setup.selectModule = [&session, &mainWindow](std::uint8_t spdSlaveAddress) {
        session.Live().spdSlaveAddress = spdSlaveAddress;
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

void StartSession(app::Session& session) {
    // The passes run on the window thread, queued on the application object, which outlives
    // the measuring thread (RunApplication ends the session before it goes).
    session.Start(cpu::gui::FrequencyBinder::QueuedDispatcher(QCoreApplication::instance()),
                  DecimalSeparator());
}

ApplicationWindows CreateWindows(app::Session& session, MessageSink& messages,
                                 const os::LaunchCommand& autostartLaunch) {
    StartSession(session);
    const std::string& settingsPath = session.SettingsPath();
    app::Backend& backend = session.Backend();
    ApplicationWindows windows;
    windows.mainWindow = std::make_unique<MainWindow>(session, messages);
    if (session.Startup().bootApplyRecorded) {
        // The stored set was written at this start: a minute from now it has been survived.
        new settings::gui::BootApplyTimer(settingsPath, session.Clock(), windows.mainWindow.get());
    }
    windows.aboutWindow = std::make_unique<AboutWindow>();
    windows.spdWindow = MakeSpdWindow(session, *windows.mainWindow);
    windows.cpuSettingsWindow = MakeCpuSettingsWindow(session, *windows.mainWindow, messages);
    windows.monitorWindow = MakeMonitorWindow(session, messages);
    settings::gui::StartupConfigSetup startUp;
    startUp.settingsPath = settingsPath;
    startUp.launch = autostartLaunch;
    if (backend.bootApply) {
        os::BootApplyService* service = backend.bootApply;
        startUp.bootService = [service, settingsPath](bool enable) {
            return enable ? service->Enable(settingsPath) : service->Disable(settingsPath);
        };
    }
    if (session.Timings()) {
        // What the main window shows for every channel at the moment of Apply, bound to this
        // machine.
        startUp.writeTimingSet = [&session](settings::Settings& file) {
            session.WriteStoredSet(file);
        };
    }
    windows.startUpWindow = std::make_unique<settings::gui::StartUpWindow>(std::move(startUp));
    windows.mainWindow->SetWindows({windows.aboutWindow.get(), windows.spdWindow.get(),
                                    windows.cpuSettingsWindow.get(), windows.monitorWindow.get(),
                                    windows.startUpWindow.get()});
    return windows;
}

int RunApplication(int& argc, char** argv, app::Session& session) {
    // The autostart entry starts the program the way it runs now.
    const app::SessionSetup& setup = session.Setup();
    const os::LaunchCommand autostartLaunch = settings::StartupLaunchCommand(
        setup.executableFolder, setup.line.machine, setup.settingsPath,
        DefaultSettingsFile(setup.line, setup.executableFolder));
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
    // Before the application object goes: the session's threads post to it.
    struct Reset {
        app::Session& session;
        ~Reset() {
            session.End();
            settings::SetWriteProblemHandler(nullptr);
        }
    } reset{session};
    try {
        ApplicationWindows windows = CreateWindows(session, messages, autostartLaunch);
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
