// The main window's two timers: Timer1 carries out the boot-time choices once the window was
// activated and the monitoring thread made its first pass; Timer2 redraws the usage gauge.
#include <QEvent>
#include <QSystemTrayIcon>
#include <QTimer>

#include "settings/ini_file.h"
#include "ui/tform1.h"

namespace zm::ui {

void TForm1::StartTimers() {
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer1->start();

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    Timer2->start();
}

void TForm1::Timer1Timer() {
    app::TimerSetting setting{Timer1->isActive(), Timer1->interval()};
    const app::StartupChoiceActions actions = app::Timer1Tick(
        choiceFlags_, setting, startup_.facts.monitorReady, settings::IniFile(settingsPath_));
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
    Timer1->setInterval(setting.intervalMs);
    if (setting.enabled && !Timer1->isActive()) Timer1->start();
    if (!setting.enabled) Timer1->stop();
}

void TForm1::Timer2Timer() {
    if (choiceFlags_.activated != 1) return;
    const int usage = timerHooks_.averageUsage ? timerHooks_.averageUsage() : 0;
    if (timerHooks_.showGauge) timerHooks_.showGauge(app::GaugeIconNumber(usage));
}

void TForm1::FormActivate() { choiceFlags_.activated = 1; }

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(event);
}

}  // namespace zm::ui
