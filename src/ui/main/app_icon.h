// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's icon for menus and the desktop: the notification area's usage gauge (a bar in a
// light frame on black, green, yellow and red from the bottom up) drawn on a 64-unit square.
// One table of shapes gives both the scalable SVG that is installed and the pixel images of
// every size, so the two never drift apart.

#include <QByteArray>
#include <QImage>

namespace zm::ui {

// The SVG file's text.
QByteArray AppIconSvg();

// The icon drawn at size x size pixels, transparent outside the rounded square.
QImage AppIconImage(int size);

}  // namespace zm::ui
