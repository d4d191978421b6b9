// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/tray_icons.h"

#include <QAction>
#include <QEvent>
#include <QFont>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>

#include "ui/main/main_window.h"
#include "ui/main/share_actions.h"
#include "ui/timings/timing_controls_binder.h"

namespace zm::ui {

namespace {

// The notification area asks for 16 x 16 on most desktops and 22 x 22 on some; both are drawn
// so neither is a blurred scale of the other.
constexpr int kIconSizes[] = {16, 22};

QPixmap TextPixmap(int size, const QString& text) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return pixmap;
}

// The gauge: a vertical bar in a light frame on black, green when the processor is mostly idle,
// yellow above half load and red above three quarters, so the level reads at a glance even
// where the bar itself is only a few pixels tall.
QPixmap GaugePixmap(int size, int n) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    const int level = std::clamp(n, 1, kGaugeSteps);
    const int margin = size / 8;
    const QRect frame(margin, 0, size - 2 * margin, size);
    painter.setPen(QColor(0xA0, 0xA0, 0xA0));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    const QRect inside = frame.adjusted(2, 2, -2, -2);
    const int filled = (level * inside.height() + kGaugeSteps / 2) / kGaugeSteps;
    const QColor colour = level > 18   ? QColor(0xE0, 0x30, 0x30)
                          : level > 12 ? QColor(0xE0, 0xC0, 0x20)
                                       : QColor(0x30, 0xD0, 0x30);
    painter.fillRect(inside.left(), inside.bottom() + 1 - filled, inside.width(), filled, colour);
    return pixmap;
}

}  // namespace

QIcon TextIcon(const QString& text) {
    QIcon icon;
    for (int size : kIconSizes) icon.addPixmap(TextPixmap(size, text));
    return icon;
}

QIcon GaugeIcon(int n) {
    QIcon icon;
    for (int size : kIconSizes) icon.addPixmap(GaugePixmap(size, n));
    return icon;
}

bool TrayIcons::Available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

TrayIcons::TrayIcons(MainWindow& mainWindow, const QIcon& icon, QObject* parent)
    : QObject(parent), main_(mainWindow) {
    trayMenu = new QMenu;
    trayMenu->setObjectName(QStringLiteral("trayMenu"));
    trayMenu->addAction(QStringLiteral("Zentrimo"), this, &TrayIcons::RestoreMainWindow);
    trayMenu->addAction(QStringLiteral("Monitoring"), &main_, &MainWindow::MonitorClick);
    trayMenu->addAction(QStringLiteral("SPD"), &main_, &MainWindow::spdClick);
    trayMenu->addAction(QStringLiteral("About"), &main_, &MainWindow::AboutClick);
    QAction* restore =
        trayMenu->addAction(QString::fromUtf8(timings::gui::TimingControlsBinder::kRestoreCaption),
                            &main_, &MainWindow::RestoreTimingsClick);
    restore->setObjectName(QStringLiteral("RestoreStartUpTimings"));
    // Offered only while a timing register differs from what start-up read.
    connect(trayMenu, &QMenu::aboutToShow, restore,
            [this, restore] { restore->setEnabled(main_.RestoreOffered()); });
    restore->setEnabled(main_.RestoreOffered());
    if (ShareActions* sharing = main_.Sharing()) {
        trayMenu->addSeparator();
        trayMenu->addActions({sharing->copyReport, sharing->saveReport, sharing->savePicture});
    }
    exitSeparator_ = trayMenu->addSeparator();
    trayMenu->addAction(QStringLiteral("Exit"), &main_, &MainWindow::ExitMenuClick);

    auto makeIcon = [this](const char* name, const QIcon& image) {
        auto* tray = new QSystemTrayIcon(image, this);
        tray->setObjectName(QString::fromUtf8(name));
        tray->setContextMenu(trayMenu);
        tray->setToolTip(main_.windowTitle());
        connect(tray, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason r) {
                    if (r == QSystemTrayIcon::DoubleClick) RestoreMainWindow();
                });
        if (Available()) tray->show();
        return tray;
    };
    gaugeTrayIcon = makeIcon("gaugeTrayIcon", icon);
    temperatureTrayIcon = makeIcon("temperatureTrayIcon", TextIcon(QString()));
    main_.installEventFilter(this);
}

void TrayIcons::AddAction(QAction* action) {
    trayMenu->insertAction(exitSeparator_, action);
}

TrayIcons::~TrayIcons() {
    delete trayMenu;
}

void TrayIcons::SetText(const QString& text) {
    temperatureTrayIcon->setIcon(TextIcon(text));
}

void TrayIcons::SetIcon(const QIcon& icon) {
    gaugeTrayIcon->setIcon(icon);
}

void TrayIcons::ReleaseIcon() {
    gaugeTrayIcon->setIcon(QIcon());
}

void TrayIcons::RestoreMainWindow() {
    main_.showNormal();
    main_.raise();
    main_.activateWindow();
}

bool TrayIcons::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &main_ && event->type() == QEvent::WindowStateChange && Available() &&
        main_.isMinimized()) {
        // Hidden once the minimise has finished, so the window comes back in its normal state.
        QTimer::singleShot(0, &main_, [this] { main_.hide(); });
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zm::ui
