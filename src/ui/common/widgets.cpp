// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace zm::ui {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The smallest face a panel steps down to: still readable on a 96 dpi screen.
constexpr double kSmallestPanelPoints = 7.0;

// A read-out panel draws a text wider than itself (a long SPD speed line, "3200.0 MHz" in a
// narrow column) in a smaller face instead of cutting it off; the whole text is its tool tip.
class Panel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        const QFont face = PanelFont(*this);
        if (face == font()) {
            setToolTip(QString());
            QLabel::paintEvent(event);
            return;
        }
        setToolTip(text());
        QFrame::paintEvent(event);  // the sunken frame
        QPainter painter(this);
        painter.setFont(face);
        painter.setPen(
            palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
        painter.drawText(contentsRect().adjusted(std::max(indent(), 0), 0, 0, 0),
                         static_cast<int>(alignment()), text());
    }
};

}  // namespace

QFont PanelFont(const QLabel& panel) {
    QFont face = panel.font();
    if (panel.textFormat() == Qt::RichText || panel.text().contains(QLatin1Char('\n'))) return face;
    const int room = panel.contentsRect().width() - std::max(panel.indent(), 0);
    while (face.pointSizeF() > kSmallestPanelPoints &&
           QFontMetrics(face).horizontalAdvance(panel.text()) > room)
        face.setPointSizeF(std::max(face.pointSizeF() - 0.5, kSmallestPanelPoints));
    return face;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const char* caption, QRect place) {
    auto* group = new QGroupBox(QString::fromUtf8(caption), parent);
    group->setObjectName(QString::fromUtf8(name));
    group->setGeometry(place);
    return group;
}

QLabel* MakeLabel(QWidget* parent, std::string_view name, std::string_view caption, QRect place) {
    auto* label = new QLabel(Text(caption), parent);
    label->setObjectName(Text(name));
    label->setGeometry(place);
    return label;
}

QLabel* MakePanel(QWidget* parent, const char* name, QRect place) {
    auto* panel = new Panel(parent);
    panel->setObjectName(QString::fromUtf8(name));
    panel->setGeometry(place);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setIndent(4);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    panel->setPalette(palette);
    return panel;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, QRect place) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromUtf8(name));
    combo->setGeometry(place);
    combo->setEditable(false);
    return combo;
}

QComboBox* MakeTimingCombo(QWidget* parent, const std::string& name, QRect place) {
    QComboBox* combo = MakeCombo(parent, name.c_str(), place);
    combo->setMaxVisibleItems(16);
    QPalette palette = combo->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    palette.setColor(QPalette::Text, QColor(0x00, 0x00, 0x80));
    palette.setColor(QPalette::ButtonText, QColor(0x00, 0x00, 0x80));
    combo->setPalette(palette);
    return combo;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* caption, QRect place) {
    auto* check = new QCheckBox(QString::fromUtf8(caption), parent);
    check->setObjectName(QString::fromUtf8(name));
    check->setGeometry(place);
    return check;
}

}  // namespace zm::ui
