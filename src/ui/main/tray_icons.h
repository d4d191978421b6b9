// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two notification-area icons and their menu: the program's icon (later the usage gauge)
// and a text icon for the highest core temperature. Minimising the main window hides it to the
// notification area; "Zentrimo" or a double click brings it back.

#include <QIcon>
#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace zm::ui {

class MainWindow;

class TrayIcons : public QObject {
    Q_OBJECT

public:
    TrayIcons(MainWindow& mainWindow, const QIcon& icon, QObject* parent = nullptr);
    ~TrayIcons() override;

    // Whether the desktop has a notification area; without one the icons stay hidden and the
    // main window is never hidden on minimise (it could not be brought back).
    static bool Available();

    // The text icon: white text on black, 11-pixel sans-serif, no border.
    void SetText(const QString& text);
    // The gauge icon.
    void SetIcon(const QIcon& icon);
    // Lets go of the gauge icon (the Exit button does this before the shutdown).
    void ReleaseIcon();
    // Another window's action in the menu, above the separator before Exit (the Monitor's
    // "Log to file…").
    void AddAction(QAction* action);

    QMenu* trayMenu = nullptr;
    QSystemTrayIcon* gaugeTrayIcon = nullptr;
    QSystemTrayIcon* temperatureTrayIcon = nullptr;

public slots:
    void RestoreMainWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& main_;
    QAction* exitSeparator_ = nullptr;
};

// The pixmap of the text icon.
QIcon TextIcon(const QString& text);
// Gauge icon n of 1..24: a bar filled n/24 of its height, drawn at 16 x 16 and 22 x 22.
inline constexpr int kGaugeSteps = 24;
QIcon GaugeIcon(int n);

}  // namespace zm::ui
