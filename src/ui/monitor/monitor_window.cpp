// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/monitor/monitor_window.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "monitor/monitor_thread.h"
#include "monitor/thread_sampling.h"
#include "settings/settings.h"
#include "ui/common/history_graph.h"
#include "ui/monitor/monitor_window_style.h"

namespace zm::monitor::gui {
using namespace style;

MonitorWindow::MonitorWindow(MonitorContext context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      context_(std::move(context)) {
    setObjectName(QStringLiteral("MonitorWindow"));
    setWindowTitle(QStringLiteral("Zentrimo Monitor"));
    setMinimumWidth(kMinimumWidth);
    setMaximumWidth(kMaximumWidth);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    BuildControls();
    BuildLogAction();

    // 1. The monitoring thread, with both counts still 1; the ready flag waits for its first
    // publication.
    settings_.CoreCount = 1;
    settings_.ThreadCount = 1;
    settings_.source = TemperatureSourceFor(context_.intelPlatform, context_.amdPlatform);
    if (context_.setMonitorReady) context_.setMonitorReady(false);
    op_ = std::make_unique<MonitorThread>(
        context_.system, context_.hw, context_.clock, settings_,
        [this](MonitorThread::Task task) {
            QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
        },
        [this](const ThreadResults& results) { Publish(results); });

    // 2. Choices and geometry from the settings file.
    const settings::MonitorFormState form = settings::Settings(context_.settingsPath).MonitorForm();
    const int tjMax = StoredTjMaxIndex(context_.settingsPath);
    tjMaxList->setCurrentIndex(tjMax);
    settings_.TjMaxIndex = tjMax;
    // Only now: showing the stored choice is no change by the user, so it neither writes the
    // file nor takes the list's start-up colours away.
    connect(tjMaxList, &QComboBox::currentIndexChanged, this, &MonitorWindow::TjMaxChanged);
    const int left = form.left != 0 ? form.left : kDefaultLeft;
    const int top = form.top != 0 ? form.top : kDefaultTop;
    const int width = form.width != 0 ? form.width : kDefaultWidth;
    historyGraphs[2]->SetGradient(form.gradient != 0 ? form.gradient : kFrequencyGradient);
    if (form.gradient != 0) {
        const QSignalBlocker block(frequencyScale);
        frequencyScale->setValue(form.gradient);
        frequencyScaleLabel->setText(QString::number(form.gradient));
    }

    // 4. Counts; on AMD K10 the stored count is the highest core index.
    SetProcessorCounts(settings_, context_.coreCount, context_.threadCount, context_.amdPlatform);
    if (context_.amdPlatform) tjMaxList->setEnabled(false);
    ApplyCoreCount();

    move(left, top);
    resize(std::clamp(width, kMinimumWidth, kMaximumWidth), height());
    LayOut();
    if (context_.startThread) op_->Start();
}

MonitorWindow::~MonitorWindow() {
    StopMonitoring();
}

void MonitorWindow::StopMonitoring() {
    if (op_) op_->Stop();
    StopLog();
}

unsigned MonitorWindow::PublishedCycles() const {
    return op_ ? op_->Cycles() : 0;
}

void MonitorWindow::StartMonitoring() {
    fields_.MonitoringOn = 1;
    samplingTimer->start();
}

void MonitorWindow::Publish(const ThreadResults& results) {
    const PublicationOutcome outcome =
        publication_.Publish(results, settings_.CoreCount.load(), settings_.ThreadCount.load(),
                             settings_.source.load(), fields_);
    if (outcome.trayTemperature && context_.setTrayTemperature) {
        context_.setTrayTemperature(*outcome.trayTemperature);
    }
    if (context_.setMonitorReady) context_.setMonitorReady(true);
}

void MonitorWindow::SamplingTimerTick() {
    if (fields_.MonitoringOn != 1) return;
    if (painted_) {
        painted_ = false;
        return;
    }
    ++ticks_;
    samplingTimer->stop();
    TickInputs in;
    in.memory = context_.system.GlobalMemoryStatus();
    in.installedMb = context_.installedMb;
    if (context_.clocks) std::tie(in.cpuMhz, in.memoryMhz) = context_.clocks();
    in.coreCount = CoreCount();
    const TickSample sample = sampler_.Sample(in, fields_);
    if (log_) log_->Append(std::chrono::system_clock::now(), sample);
    ShowTick(sample);
    if (fields_.MonitoringOn == 1) samplingTimer->start();
    refill_ = false;
    painted_ = false;
}

void MonitorWindow::TjMaxChanged(int index) {
    QPalette pal = tjMaxList->palette();
    pal.setColor(QPalette::Button, palette().color(QPalette::Base));
    pal.setColor(QPalette::ButtonText, Qt::black);
    pal.setColor(QPalette::Text, Qt::black);
    tjMaxList->setPalette(pal);
    settings_.TjMaxIndex = index;
    settings::Settings(context_.settingsPath).SetTjMaxIndex(index);
}

void MonitorWindow::FrequencyScaleChanged(int position) {
    frequencyScaleLabel->setText(QString::number(position));
    historyGraphs[2]->SetGradient(position);
}

void MonitorWindow::ClearHistoryClick() {
    sampler_.ResetTrackers();
    history_.Clear();
    ticks_ = 0;
    offsets_.fill(0);
    LayOut();
    refill_ = true;
    HideReadouts();
}

void MonitorWindow::WriteFormState() {
    settings::Settings(context_.settingsPath)
        .SetMonitorForm({width(), historyGraphs[2]->Gradient(), x(), y()});
}

void MonitorWindow::MinimizeClick() {
    WriteFormState();
    hide();
}

void MonitorWindow::QuitClick() {
    samplingTimer->stop();
    ClearHistoryClick();
    WriteFormState();
    fields_.MonitoringOn = 0;
    StopLog();  // no more samples to log
    hide();
}

}  // namespace zm::monitor::gui
