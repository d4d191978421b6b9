// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/message_sink.h"

#include <QMessageBox>
#include <QString>

namespace zm::ui {

void MessageBoxSink::Show(const app::Message& message) {
    // The texts keep CR LF between lines; a box wants plain line feeds.
    QString text = QString::fromStdString(message.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QString caption = QString::fromStdString(message.caption);
    if (message.caption == app::kCaptionError)
        QMessageBox::critical(parent_, caption, text);
    else
        QMessageBox::warning(parent_, caption, text);
}

}  // namespace zm::ui
