// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two conversions every window needs between the Qt-free core and its widgets: a core text
// (UTF-8) as a QString, and the user's decimal separator, which the core's number formatting
// takes as a plain character.

#include <QLocale>
#include <QString>
#include <string>

namespace zm::ui {

inline QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// The first character of the locale's decimal point; '.' where the locale names none or one
// outside Latin-1.
inline char DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    const char c = point.isEmpty() ? '.' : point.at(0).toLatin1();
    return c == 0 ? '.' : c;
}

}  // namespace zm::ui
