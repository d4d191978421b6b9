#include "ui/tray_icons.h"

#include <QAction>
#include <algorithm>
#include <QEvent>
#include <QFont>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

#include "ui/tform1.h"

namespace zm::ui {

QIcon TextIcon(const QString& text) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

QIcon GaugeIcon(int n) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    const int filled = (std::clamp(n, 1, 24) * 16 + 12) / 24;
    painter.fillRect(3, 16 - filled, 10, filled, QColor(0x30, 0xD0, 0x30));
    return QIcon(pixmap);
}

bool TrayIcons::Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

TrayIcons::TrayIcons(TForm1& mainWindow, const QIcon& icon, QObject* parent)
    : QObject(parent), main_(mainWindow) {
    PopupMenu1 = new QMenu;
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(QStringLiteral("Zentrimo"), this, &TrayIcons::RestoreMainWindow);
    PopupMenu1->addAction(QStringLiteral("Monitoring"), &main_, &TForm1::MonitorClick);
    PopupMenu1->addAction(QStringLiteral("SPD"), &main_, &TForm1::spdClick);
    PopupMenu1->addAction(QStringLiteral("About"), &main_, &TForm1::AboutClick);
    PopupMenu1->addAction(QStringLiteral("Exit"), &main_, &TForm1::ExitClick);

    auto makeIcon = [this](const char* name, const QIcon& image) {
        auto* tray = new QSystemTrayIcon(image, this);
        tray->setObjectName(QString::fromUtf8(name));
        tray->setContextMenu(PopupMenu1);
        tray->setToolTip(main_.windowTitle());
        connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::DoubleClick) RestoreMainWindow();
        });
        if (Available()) tray->show();
        return tray;
    };
    CoolTrayIcon1 = makeIcon("CoolTrayIcon1", icon);
    TextTrayIcon1 = makeIcon("TextTrayIcon1", TextIcon(QString()));
    main_.installEventFilter(this);
}

TrayIcons::~TrayIcons() { delete PopupMenu1; }

void TrayIcons::SetText(const QString& text) { TextTrayIcon1->setIcon(TextIcon(text)); }

void TrayIcons::SetIcon(const QIcon& icon) { CoolTrayIcon1->setIcon(icon); }

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
