#include "ui/shell_windows.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/platform_gate.h"
#include "app/version.h"

namespace zm::ui {

SecondaryWindow::SecondaryWindow(const char* objectName, const char* caption, QSize size,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QString::fromUtf8(objectName));
    setWindowTitle(QString::fromUtf8(caption));
    resize(size);
}

TForm3::TForm3(QWidget* parent) : SecondaryWindow("TForm3", "About", {320, 160}, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QString::fromUtf8(app::kProgramTitle), this);
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    title->setFont(font);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    auto* link = new QLabel(this);
    link->setObjectName(QStringLiteral("LinkLabel"));
    const QString address = QString::fromUtf8(app::kMakerWebAddress);
    link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(address));
    link->setOpenExternalLinks(true);
    layout->addWidget(link, 0, Qt::AlignHCenter);
}

}  // namespace zm::ui
