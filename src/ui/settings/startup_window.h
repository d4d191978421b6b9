// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The StartUp configuration window: three boxes mirroring the boot switches of section "HL"
// (applyTimingsBox AN, startInTrayBox ST, startMonitorBox STM), Apply and Quit. The boxes are
// reloaded from the settings file each time the window becomes active; Apply writes them, the
// current timing set and the autostart entry (settings::ApplyStartupConfiguration); Quit hides the
// window and writes nothing. Created once at start and hidden, never destroyed, until the program
// ends.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "os/autostart_entry.h"
#include "settings/settings.h"

class QCheckBox;
class QPushButton;

namespace zm::settings::gui {

struct StartupConfigSetup {
    std::string settingsPath;
    std::unique_ptr<os::AutostartEntry> autostart;  // the host's when null
    os::LaunchCommand launch;
    // Writes "AN" = "1" and the main window's current timing set; empty when the start-up found
    // no controller it drives.
    std::function<void(Settings&)> writeTimingSet;
    // The OK / Cancel question before the timing set is written; a message box when empty.
    std::function<bool(QWidget*)> confirm;
    // Switches the boot service for the stored set (settings::StartupApplyHooks::bootService);
    // empty where the autostart entry starts the program for it.
    std::function<bool(bool enable)> bootService;
};

class StartUpWindow : public QWidget {
    Q_OBJECT

public:
    explicit StartUpWindow(StartupConfigSetup setup, QWidget* parent = nullptr);
    ~StartUpWindow() override;

    QCheckBox* applyTimingsBox = nullptr;
    QCheckBox* startInTrayBox = nullptr;
    QCheckBox* startMonitorBox = nullptr;
    QPushButton* Apply = nullptr;
    QPushButton* Quit = nullptr;

    const os::LaunchCommand& Launch() const { return setup_.launch; }

public slots:
    void FormActivate();  // the boxes from the file
    void StartInTrayClicked();
    void ApplyClick();
    void QuitClick();

protected:
    bool event(QEvent* event) override;

private:
    StartupConfigSetup setup_;
    Settings settings_;
};

// The confirmation the window asks for before it stores the timings.
inline constexpr const char* kConfirmCaption = "WARNING!";
inline constexpr const char* kConfirmText =
    "  Are you sure you want to apply this settings at next boot of WINDOWS?";

}  // namespace zm::settings::gui
