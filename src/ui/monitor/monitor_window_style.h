// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Colours, sizes and small formatting helpers shared by the Monitor window's source files.

#include <QColor>
#include <QString>

namespace zm::monitor::gui::style {

// Colours of the series (the window description gives them as 0x00BBGGRR).
inline const QColor kYellow(0xFF, 0xFF, 0x00);
inline const QColor kOrange(0xFF, 0x7C, 0x0F);
inline const QColor kSkyBlue(0xA6, 0xCA, 0xF0);
inline const QColor kGrid(0x00, 0x6B, 0x34);

inline constexpr int kGroupLeft = 8;
inline constexpr int kCoreGroupHeight = 80;
inline constexpr int kCoreGraphHeight = 64;
inline constexpr int kWideGroupHeight = 101;
inline constexpr int kWideGraphHeight = 85;
inline constexpr int kFrequencyGradient = 4000;
inline constexpr int kDefaultLeft = 392, kDefaultTop = 62, kDefaultWidth = 520;
inline constexpr int kMinimumWidth = 400, kMaximumWidth = 1214;

inline QString Two(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

}  // namespace zm::monitor::gui::style
