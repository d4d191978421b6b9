// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/app_icon.h"

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace zm::ui {

namespace {

constexpr double kGrid = 64.0;

struct Shape {
    QRectF rect;    // in grid units
    double radius;  // corner radius, grid units
    QRgb fill;      // 0 = none
    QRgb stroke;    // 0 = none
    double width;   // stroke width, grid units
};

// The black square, the frame and the bar's three bands; the bar stops short of the top, the
// way the gauge looks at about 85 % load.
constexpr QRgb kBlack = 0xFF101214;
constexpr QRgb kFrame = 0xFFA0A0A0;
constexpr QRgb kGreen = 0xFF30D030;
constexpr QRgb kYellow = 0xFFE0C020;
constexpr QRgb kRed = 0xFFE03030;

const Shape kShapes[] = {
    {QRectF(2, 2, 60, 60), 10, kBlack, 0, 0},  {QRectF(19, 7, 26, 50), 2, 0, kFrame, 3},
    {QRectF(24, 36, 16, 17), 0, kGreen, 0, 0}, {QRectF(24, 26, 16, 10), 0, kYellow, 0, 0},
    {QRectF(24, 18, 16, 8), 0, kRed, 0, 0},
};

QByteArray Hex(QRgb colour) {
    return QColor(colour).name(QColor::HexRgb).toLatin1();
}

QByteArray Number(double value) {
    return QByteArray::number(value, 'g', 6);
}

}  // namespace

QByteArray AppIconSvg() {
    QByteArray svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
        "viewBox=\"0 0 64 64\">\n";
    for (const Shape& s : kShapes) {
        svg += "  <rect x=\"" + Number(s.rect.x()) + "\" y=\"" + Number(s.rect.y()) +
               "\" width=\"" + Number(s.rect.width()) + "\" height=\"" + Number(s.rect.height()) +
               "\"";
        if (s.radius > 0) svg += " rx=\"" + Number(s.radius) + "\"";
        svg += " fill=\"" + (s.fill ? Hex(s.fill) : QByteArray("none")) + "\"";
        if (s.stroke)
            svg += " stroke=\"" + Hex(s.stroke) + "\" stroke-width=\"" + Number(s.width) + "\"";
        svg += "/>\n";
    }
    svg += "</svg>\n";
    return svg;
}

QImage AppIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kGrid, size / kGrid);
    for (const Shape& s : kShapes) {
        painter.setBrush(s.fill ? QBrush(QColor(s.fill)) : QBrush(Qt::NoBrush));
        painter.setPen(s.stroke ? QPen(QColor(s.stroke), s.width) : QPen(Qt::NoPen));
        painter.drawRoundedRect(s.rect, s.radius, s.radius);
    }
    painter.end();
    return image;
}

}  // namespace zm::ui
