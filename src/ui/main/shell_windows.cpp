// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/shell_windows.h"

#include <QDesktopServices>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

#include "startup/platform_gate.h"
#include "startup/version.h"

namespace zm::ui {

SecondaryWindow::SecondaryWindow(const char* objectName, const char* caption, QSize size,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QString::fromUtf8(objectName));
    setWindowTitle(QString::fromUtf8(caption));
    resize(size);
}

AboutWindow::AboutWindow(QWidget* parent)
    : SecondaryWindow("AboutWindow", "About", {320, 160}, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    auto* title = new QLabel(QString::fromUtf8(app::kProgramTitle), this);
    title->setObjectName(QStringLiteral("TitleLabel"));
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    title->setFont(font);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    auto* about = new QLabel(QStringLiteral("Memory timings, SPD and clocks for processors\n"
                                            "with an integrated memory controller."),
                             this);
    about->setObjectName(QStringLiteral("AboutLabel"));
    about->setAlignment(Qt::AlignHCenter);
    layout->addWidget(about, 0, Qt::AlignHCenter);
    auto* contact = new QLabel(QStringLiteral("Updates, contact and thanks:"), this);
    layout->addWidget(contact, 0, Qt::AlignHCenter);
    auto* link = new QLabel(this);
    link->setObjectName(QStringLiteral("LinkLabel"));
    const QString address = QString::fromUtf8(app::kMakerWebAddress);
    link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(address));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    // The desktop's browser opens the page in a normal window.
    connect(link, &QLabel::linkActivated, this,
            [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
    layout->addWidget(link, 0, Qt::AlignHCenter);
    // Never smaller than the designed 320 x 160, never so small that a line is cut.
    setFixedSize(sizeHint().expandedTo(QSize(320, 160)));
}

}  // namespace zm::ui
