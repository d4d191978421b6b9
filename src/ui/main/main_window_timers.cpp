// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's two timers: startUpTimer carries out the boot-time choices once the window was
// activated and the monitoring thread made its first pass; gaugeTimer redraws the usage gauge.
#include <QEvent>
#include <QSystemTrayIcon>
#include <QTimer>

#include "settings/settings.h"
#include "ui/main/main_window.h"

namespace zm::ui {

void MainWindow::StartTimers() {
    startUpTimer = new QTimer(this);
    startUpTimer->setObjectName(QStringLiteral("startUpTimer"));
    startUpTimer->setInterval(100);
    connect(startUpTimer, &QTimer::timeout, this, &MainWindow::StartUpTimerTick);
    startUpTimer->start();

    gaugeTimer = new QTimer(this);
    gaugeTimer->setObjectName(QStringLiteral("gaugeTimer"));
    gaugeTimer->setInterval(1000);
    connect(gaugeTimer, &QTimer::timeout, this, &MainWindow::GaugeTimerTick);
    gaugeTimer->start();
}

void MainWindow::StartUpTimerTick() {
    app::TimerSetting setting{startUpTimer->isActive(), startUpTimer->interval()};
    const app::StartupChoiceActions actions =
        app::StartUpTimerTick(choiceFlags_, setting, session_.Live().monitorReady,
                              settings::Settings(session_.SettingsPath()));
    if (actions.hideMainWindow) {
        // Hidden, it is reached again through the notification-area icons; a desktop without a
        // notification area would leave no way back to it, so there it is only minimised.
        if (QSystemTrayIcon::isSystemTrayAvailable())
            hide();
        else
            showMinimized();
    }
    if (actions.startMonitorHidden && timerHooks_.startMonitorHidden)
        timerHooks_.startMonitorHidden();
    startUpTimer->setInterval(setting.intervalMs);
    if (setting.enabled && !startUpTimer->isActive()) startUpTimer->start();
    if (!setting.enabled) startUpTimer->stop();
}

void MainWindow::GaugeTimerTick() {
    if (choiceFlags_.activated != 1) return;
    const int usage = timerHooks_.averageUsage ? timerHooks_.averageUsage() : 0;
    if (timerHooks_.showGauge) timerHooks_.showGauge(app::GaugeIconNumber(usage));
}

void MainWindow::FormActivate() {
    choiceFlags_.activated = 1;
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(event);
}

}  // namespace zm::ui
