// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Process start for the windows: the application object, the settings file, the icon, the six
// windows in their fixed order (only the main window shown), the message loop.

#include <memory>
#include <string>

#include "os/autostart_entry.h"
#include "startup/session.h"

class QWidget;

namespace zm::ui {

class MessageSink;
class MainWindow;

// The six windows, created in the order MainWindow, AboutWindow, SpdWindow, CpuSettingsWindow,
// MonitorWindow, StartUpWindow.
struct ApplicationWindows {
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<QWidget> aboutWindow, spdWindow, cpuSettingsWindow, monitorWindow,
        startUpWindow;
    ApplicationWindows();
    ApplicationWindows(ApplicationWindows&&) noexcept;
    ~ApplicationWindows();
};

// Needs a QApplication. Starts the session (once), its clock passes shown on the window thread.
void StartSession(app::Session& session);

// Starts the session; the start-up's messages go to `messages`. `autostartLaunch` is what the
// StartUp configuration's autostart entry starts. The session outlives the windows.
ApplicationWindows CreateWindows(app::Session& session, MessageSink& messages,
                                 const os::LaunchCommand& autostartLaunch = {});

// Creates the QApplication, the windows and runs the loop; returns the exit code. An exception
// that escapes window creation or the loop is shown in a message box and ends the program. The
// session ends before the application object goes.
int RunApplication(int& argc, char** argv, app::Session& session);

}  // namespace zm::ui
