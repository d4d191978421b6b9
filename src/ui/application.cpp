#include "ui/application.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>
#include <exception>

#include "app/command_line.h"
#include "cpu/gui/frequency_binder.h"
#include "cpu/gui/tform5.h"
#include "monitor/gui/tform6.h"
#include "settings/gui/tform7.h"
#include "settings/startup_launch.h"
#include "timings/stored_timings.h"
#include "spd/gui/tform4.h"
#include "ui/message_sink.h"
#include "ui/shell_windows.h"
#include "ui/tform1.h"
#include "ui/tray_icons.h"

namespace zm::ui {

ApplicationWindows::ApplicationWindows() = default;
ApplicationWindows::ApplicationWindows(ApplicationWindows&&) noexcept = default;
ApplicationWindows::~ApplicationWindows() = default;

namespace {

// The CPU settings window works on the main window's clock state and hardware; the measuring
// thread's live values reach it through the frequency binder.
std::unique_ptr<cpu::gui::TForm5> MakeCpuSettingsWindow(TForm1& form1, app::Backend& backend,
                                                        MessageSink& messages) {
    cpu::gui::CpuSettingsSetup setup;
    auto* frequency = form1.findChild<cpu::gui::FrequencyBinder*>();
    if (!form1.TerminationRequested() && frequency) {
        setup.hw = &form1.Hardware();
        setup.clocks = &frequency->Clocks();
    }
    setup.desktop = backend.desktop;
    setup.warn = [&messages](const std::string& text, const std::string& caption) {
        messages.Show({caption, text});
    };
    auto form5 = std::make_unique<cpu::gui::TForm5>(std::move(setup));
    if (frequency) {
        frequency->SetCpuSettingsSink([window = QPointer<cpu::gui::TForm5>(form5.get())](
                                          const cpu::CpuSettingsFields& fields) {
            if (window) window->ShowFields(fields);
        });
    }
    return form5;
}

// The Monitor: its thread measures from the start, on the facts the main window's start-up
// found, and reads the clocks the measuring thread publishes. It stops before the hardware is
// released at exit.
std::unique_ptr<monitor::gui::TForm6> MakeMonitorWindow(TForm1& form1, app::Backend& backend,
                                                        const std::string& settingsPath) {
    const app::StartupResult& startup = form1.Startup();
    monitor::gui::MonitorContext context(form1.Hardware(), *backend.system, *backend.clock,
                                         settingsPath);
    context.coreCount = startup.cpu.coreCount;
    context.threadCount = startup.cpu.threadCount;
    context.intelPlatform = startup.facts.intelPlatform == 1;
    context.amdPlatform = startup.facts.amdPlatform == 1;
    context.installedMb = startup.memory.totalMb;
    context.startThread = !form1.TerminationRequested();
    if (auto* frequency = form1.findChild<cpu::gui::FrequencyBinder*>()) {
        cpu::ClockState* state = &frequency->Clocks().State();
        context.clocks = [state] {
            return std::pair{state->CoreClockMhz.load(), state->MemoryClockMhz.load()};
        };
    }
    context.setMonitorReady = [&form1](bool ready) {
        form1.Startup().facts.monitorReady = ready ? 1 : 0;
    };
    auto form6 = std::make_unique<monitor::gui::TForm6>(std::move(context));
    form1.AddShutdownStep([window = QPointer<monitor::gui::TForm6>(form6.get())] {
        if (window) window->StopMonitoring();
    });
    return form6;
}

// The SPD window offers the memory slots the SMBIOS scan found; choosing one sets the main
// window's SpdSlaveAddress and runs its spd button action, which decodes the module.
std::unique_ptr<spd::gui::TForm4> MakeSpdWindow(TForm1& form1) {
    spd::gui::SpdWindowSetup setup;
    setup.slotCount = form1.Startup().memory.devicesAccepted;
    setup.selectModule = [&form1](std::uint8_t spdSlaveAddress) {
        form1.Startup().facts.spdSlaveAddress = spdSlaveAddress;
        form1.spdClick();
    };
    return std::make_unique<spd::gui::TForm4>(std::move(setup));
}

}  // namespace

ApplicationWindows CreateWindows(app::Backend& backend, const std::string& settingsPath,
                                 MessageSink& messages, const os::LaunchCommand& autostartLaunch) {
    ApplicationWindows windows;
    windows.form1 = std::make_unique<TForm1>(backend, settingsPath, messages);
    windows.form3 = std::make_unique<TForm3>();
    windows.form4 = MakeSpdWindow(*windows.form1);
    windows.form5 = MakeCpuSettingsWindow(*windows.form1, backend, messages);
    windows.form6 = MakeMonitorWindow(*windows.form1, backend, settingsPath);
    settings::gui::StartupConfigSetup startUp;
    startUp.settingsPath = settingsPath;
    startUp.launch = autostartLaunch;
    if (windows.form1->Startup().timings) {
        // What the main window shows for every channel at the moment of Apply.
        TForm1* form1 = windows.form1.get();
        startUp.writeTimingSet = [form1](settings::IniFile& file) {
            const timings::TimingSession& session = *form1->Startup().timings;
            timings::WriteStoredTimings(file, session.model, session.present);
        };
    }
    windows.form7 = std::make_unique<settings::gui::TForm7>(std::move(startUp));
    windows.form1->SetWindows({windows.form3.get(), windows.form4.get(), windows.form5.get(),
                               windows.form6.get(), windows.form7.get()});
    return windows;
}

int RunApplication(int& argc, char** argv, app::Backend& backend, const std::string& settingsPath,
                   const std::string& executableFolder) {
    // The autostart entry starts the program the way it runs now (before Qt takes its own
    // arguments out of argv).
    const app::CommandLine line = app::ParseCommandLine({argv, argv + argc});
    const os::LaunchCommand autostartLaunch = settings::StartupLaunchCommand(
        executableFolder, line.machine, settingsPath, app::DefaultSettingsPath(executableFolder));
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Zentrimo"));
    // Process-wide objects before any window: the settings file's place (settingsPath, by
    // default ZM.ini in the executable's folder), the icon shared by the windows and the
    // notification area, and the executable's folder (the autostart entry's).
    const QIcon icon = QIcon::fromTheme(QStringLiteral("computer"),
                                        application.style()->standardIcon(QStyle::SP_ComputerIcon));
    application.setWindowIcon(icon);

    MessageBoxSink messages;
    try {
        ApplicationWindows windows = CreateWindows(backend, settingsPath, messages, autostartLaunch);
        if (windows.form1->TerminationRequested()) return 1;
        TrayIcons tray(*windows.form1, icon);
        TForm1::TimerHooks hooks;
        hooks.startMonitorHidden = [&windows] {
            windows.form1->MonitorClick();
            // The Monitor's own Minimize: it keeps the window's place for the next show.
            if (auto* monitor = qobject_cast<monitor::gui::TForm6*>(windows.form6.get()))
                monitor->MinimizeClick();
            else
                windows.form6->hide();
        };
        hooks.showGauge = [&tray](int n) { tray.SetIcon(GaugeIcon(n)); };
        hooks.releaseIcon = [&tray] { tray.ReleaseIcon(); };
        if (auto* monitor = qobject_cast<monitor::gui::TForm6*>(windows.form6.get())) {
            hooks.averageUsage = [monitor] { return monitor->Fields().AverageUsage; };
            monitor->SetTrayTemperatureHook(
                [&tray](int temperature) { tray.SetText(QString::number(temperature)); });
        }
        windows.form1->SetTimerHooks(std::move(hooks));
        windows.form1->show();
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("ERROR!"), QString::fromUtf8(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QStringLiteral("ERROR!"), QStringLiteral("Unexpected error."));
    }
    return 1;
}

}  // namespace zm::ui
