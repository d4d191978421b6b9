// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "ui/common/history_graph.h"
#include "ui/monitor/monitor_window.h"
#include "ui/monitor/monitor_window_style.h"

namespace zm::monitor::gui {
using namespace style;

void MonitorWindow::ShowTick(const TickSample& s) {
    const int g = historyGraphs[2]->Gradient();
    const ElapsedTime& t = sampler_.Elapsed();
    hoursLabel->setText(Two(t.hours));
    minutesLabel->setText(Two(t.minutes));
    secondsLabel->setText(Two(t.seconds));

    ramScaleTopLabel->setText(QStringLiteral("%1Mb").arg(context_.installedMb));
    currentPanels[1]->setText(QString::number(s.usedMb));
    currentPanels[1]->move(currentPanels[1]->x(), CurrentPanelTop(static_cast<int>(s.memoryLoad)));
    history_.Append(s, CoreCount(), g);

    currentPanels[3]->setText(QStringLiteral("%1°C").arg(s.highestTemp));
    currentPanels[3]->move(currentPanels[3]->x(), CurrentPanelTop(s.highestTemp));
    const MinMaxTracker& highest = sampler_.HighestTracker();
    minimumLabels[3]->setText(QStringLiteral("%1 (TMin)").arg(highest.minimum));
    maximumLabels[3]->setText(QStringLiteral("%1 (TMax)").arg(highest.maximum));

    currentPanels[2]->setText(QString::number(s.cpuMhz));
    currentPanels[2]->move(currentPanels[2]->x(), FrequencyReadoutTop(s.cpuMhz, g));
    memoryClockPanel->setText(QString::number(s.memoryMhz));
    memoryClockPanel->move(memoryClockPanel->x(), CurrentMemoryClockTop(s.memoryMhz, g));

    const int cores = CoreCount();
    for (int group = 0; group < kCoreGroups; ++group) {
        const int core = GroupCore(group, cores);
        if (core < 0) continue;
        const int n = 4 + group;
        const int temp = s.groupTemp[group];
        currentPanels[n]->setText(group == 0 && cores == 1 ? QStringLiteral("%1°C").arg(temp)
                                                           : QString::number(temp));
        currentPanels[n]->move(currentPanels[n]->x(), CurrentCoreTempTop(temp));
        const MinMaxTracker& tracker = sampler_.GroupTracker(group);
        if (LastGroupOfRow(group, cores)) {
            minimumLabels[n]->setText(QStringLiteral("%1 (TMin)").arg(tracker.minimum));
            maximumLabels[n]->setText(QStringLiteral("%1 (TMax)").arg(tracker.maximum));
        } else {
            minimumLabels[n]->setText(QString::number(tracker.minimum));
            maximumLabels[n]->setText(QString::number(tracker.maximum));
        }
    }
    for (int n = 1; n <= 11; ++n) UpdateReadout(n);

    if (refill_) {
        Refill();
        return;
    }
    auto feed = [](ui::HistoryGraph* graph, QColor c1, int v1, QColor c2, int v2) {
        graph->SetScale(999);
        graph->DataPoint(c1, v1);
        graph->DataPoint(c2, v2);
        graph->Update();
    };
    feed(historyGraphs[1], kYellow, static_cast<int>(s.memoryLoad), kOrange, s.pageFileUse);
    feed(historyGraphs[2], kYellow, s.cpuMhz, kOrange, s.memoryMhz);
    feed(historyGraphs[3], kYellow, s.averageUsage, kSkyBlue, s.highestTemp);
    for (int group = 0; group < kCoreGroups; ++group) {
        if (GroupCore(group, cores) < 0) continue;
        feed(historyGraphs[4 + group], kYellow, s.groupUsage[group], kSkyBlue, s.groupTemp[group]);
    }
}

void MonitorWindow::FeedCoreGraph(int group, int i) {
    const GroupHistory& h = history_.groups[group];
    if (static_cast<std::size_t>(i) >= h.usage.size()) return;
    ui::HistoryGraph* graph = historyGraphs[4 + group];
    graph->DataPoint(kYellow, h.usage[i]);
    graph->DataPoint(kSkyBlue, h.temperature[i]);
    graph->Update();
}

void MonitorWindow::Refill() {
    const int samples = static_cast<int>(history_.Samples());
    const int r1 = historyGraphs[1]->width() / 2;
    const int r4 = historyGraphs[4]->width() / 2;
    const int start1 = samples > r1 ? samples - r1 : 0;
    const int start4 = samples > r4 ? samples - r4 : 0;
    for (int n = 1; n <= 7; ++n) historyGraphs[n]->SetScale(1);
    for (int i = start1; i < samples; ++i) {
        historyGraphs[1]->DataPoint(kYellow, history_.memoryLoad[i]);
        historyGraphs[1]->DataPoint(kOrange, history_.pageFileUse[i]);
        historyGraphs[1]->Update();
        historyGraphs[2]->DataPoint(kYellow, history_.cpuMhz[i]);
        historyGraphs[2]->DataPoint(kOrange, history_.memoryMhz[i]);
        historyGraphs[2]->Update();
        historyGraphs[3]->DataPoint(kYellow, history_.generalUsage[i]);
        historyGraphs[3]->DataPoint(kSkyBlue, history_.highestTemp[i]);
        historyGraphs[3]->Update();
    }
    const int cores = CoreCount();
    for (int i = start4; i < samples; ++i) {
        for (int group = 0; group < kCoreGroups; ++group) {
            if (GroupCore(group, cores) >= 0 && groupBoxes[4 + group]->isVisibleTo(this)) {
                FeedCoreGraph(group, i);
            }
        }
    }
}

}  // namespace zm::monitor::gui
