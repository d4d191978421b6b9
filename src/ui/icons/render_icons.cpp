// SPDX-License-Identifier: GPL-3.0-or-later
// Build step: writes the program's icon into an icon-theme tree,
//   <out>/hicolor/scalable/apps/zentrimo.svg and <out>/hicolor/NxN/apps/zentrimo.png.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

#include "ui/main/app_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zentrimo_icons OUTPUT_FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor/");
    const QString svgFolder = root + QStringLiteral("scalable/apps");
    QFile svg(svgFolder + QStringLiteral("/zentrimo.svg"));
    if (!QDir().mkpath(svgFolder) || !svg.open(QIODevice::WriteOnly) ||
        svg.write(zm::ui::AppIconSvg()) < 0) {
        std::fprintf(stderr, "zentrimo_icons: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = root + QStringLiteral("%1x%1/apps").arg(size);
        const QString file = folder + QStringLiteral("/zentrimo.png");
        if (!QDir().mkpath(folder) || !zm::ui::AppIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "zentrimo_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
