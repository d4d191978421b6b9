// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The secondary windows as the process creates them at start: About (the SPD window is
// spd::gui::SpdWindow, the CPU settings cpu::gui::CpuSettingsWindow, the Monitor
// monitor::gui::MonitorWindow, the StartUp configuration settings::gui::StartUpWindow). Each is
// created once and only hidden when closed; their contents are filled by the parts that own them.

#include <QWidget>

namespace zm::ui {

// A window that hides instead of closing, as all secondary windows do.
class SecondaryWindow : public QWidget {
    Q_OBJECT
public:
    SecondaryWindow(const char* objectName, const char* caption, QSize size,
                    QWidget* parent = nullptr);
};

class AboutWindow : public SecondaryWindow {  // About
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);
};

}  // namespace zm::ui
