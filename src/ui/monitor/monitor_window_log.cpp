// SPDX-License-Identifier: GPL-3.0-or-later
// The Monitor's CSV log: "Log to file…" in the window's context menu (and the notification-area
// menu) starts it, the same action stops it, and a drive that fails is said once while the
// Monitor goes on sampling.
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <filesystem>

#include "ui/monitor/monitor_window.h"

namespace zm::monitor::gui {

namespace {

const QString kLogCaption = QStringLiteral("Log to file…");
const QString kStopCaption = QStringLiteral("Stop logging");
const QString kTitle = QStringLiteral("Zentrimo Monitor");

// The default folder (made when missing) with a name from the start time; the user may pick
// any other place.
QString AskForLogFile(QWidget* parent) {
    const std::filesystem::path folder = DefaultLogFolder();
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    const QString suggested =
        QDir(QString::fromStdString(folder.string()))
            .filePath(QString::fromStdString(DefaultLogName(std::chrono::system_clock::now())));
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Log the Monitor to"), suggested,
                                        QStringLiteral("CSV files (*.csv);;All files (*)"));
}

}  // namespace

void MonitorWindow::BuildLogAction() {
    logAction = new QAction(kLogCaption, this);
    logAction->setObjectName(QStringLiteral("logAction"));
    connect(logAction, &QAction::triggered, this, &MonitorWindow::LogClick);
    addAction(logAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    chooseLogFile = [this] { return AskForLogFile(this); };
}

void MonitorWindow::LogClick() {
    if (log_) {
        StopLog();
        return;
    }
    const QString file = chooseLogFile ? chooseLogFile() : QString();
    if (!file.isEmpty()) StartLog(file);
}

bool MonitorWindow::StartLog(const QString& file) {
    StopLog();
    std::string error;
    // The writer's thread reports a failure here, through the window's event queue.
    // A report that arrives after this log was stopped (and perhaps another started) is dropped.
    QPointer<MonitorWindow> self(this);
    const unsigned generation = ++logGeneration_;
    log_ = MonitorLog::Open(
        file.toStdString(), CoreCount(),
        [self, generation](const std::string& text) {
            QMetaObject::invokeMethod(
                self.data(),
                [self, generation, text] {
                    if (self && self->logGeneration_ == generation)
                        self->LogFailed(QString::fromStdString(text));
                },
                Qt::QueuedConnection);
        },
        error);
    if (!log_) {
        Tell(QStringLiteral("The Monitor log cannot be written: %1")
                 .arg(QString::fromStdString(error)));
        return false;
    }
    logAction->setText(kStopCaption);
    setWindowTitle(kTitle + QStringLiteral(" (logging to %1)").arg(QFileInfo(file).fileName()));
    samplingForLogOnly_ = fields_.MonitoringOn != 1;
    if (samplingForLogOnly_) StartMonitoring();
    return true;
}

void MonitorWindow::StopLog() {
    if (!log_) return;
    ++logGeneration_;
    log_->Close();
    log_.reset();
    logAction->setText(kLogCaption);
    setWindowTitle(kTitle);
    // Sampling that only the log asked for (the Monitor was closed) ends with it, unless the
    // Monitor was opened meanwhile.
    if (samplingForLogOnly_) {
        samplingTimer->stop();
        fields_.MonitoringOn = 0;
    }
    samplingForLogOnly_ = false;
}

void MonitorWindow::LogFailed(const QString& text) {
    if (!log_) return;
    StopLog();
    Tell(text + QStringLiteral(" The Monitor goes on."));
}

void MonitorWindow::Tell(const QString& text) {
    if (context_.message) {
        context_.message("WARNING!", text.toStdString());
        return;
    }
    QMessageBox::warning(this, QStringLiteral("WARNING!"), text);
}

}  // namespace zm::monitor::gui
