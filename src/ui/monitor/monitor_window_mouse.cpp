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

void MonitorWindow::UpdateReadout(int n) {
    QLabel* panel = readoutPanels[n];
    if (!panel->isVisibleTo(groupBoxes[n])) return;
    auto show = [&](const auto& values, const std::vector<std::uint8_t>& tops) {
        const int index = ReadoutIndex(offsets_[n], ticks_, std::min(values.size(), tops.size()));
        if (index < 0) {
            panel->hide();
            return;
        }
        panel->setText(QString::number(values[static_cast<std::size_t>(index)]));
        const int top = tops[static_cast<std::size_t>(index)];
        panel->move(panel->x(), top != 0 ? top : 87);
        panel->show();
    };
    switch (n) {
        case 1:
            show(history_.usedMb, history_.memoryReadoutTop);
            break;
        case 2:
            show(history_.cpuMhz, history_.frequencyReadoutTop);
            break;
        case 3:
            show(history_.highestTemp, history_.highestTempReadoutTop);
            break;
        default: {
            const GroupHistory& h = history_.groups[n - 4];
            show(h.temperature, h.readoutTop);
            break;
        }
    }
}

void MonitorWindow::GraphMouseMove(int n, int x) {
    QLabel* panel = readoutPanels[n];
    int left = x - 18 - groupBoxes[n]->x();
    if (n <= 3)
        left = x - 32;
    else if (n == 4 || n == 8)
        left = x - 22;
    panel->move(left, panel->y());
    if (ticks_ == 0) return;
    offsets_[n] = ReadoutOffset(n, x, historyGraphs[n]->width(), CoreCount());
    panel->show();
    UpdateReadout(n);
}

void MonitorWindow::HideReadouts() {
    for (int n = 1; n <= 11; ++n) {
        if (readoutPanels[n]) readoutPanels[n]->hide();
    }
}

bool MonitorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        for (int n = 1; n <= 11; ++n) {
            if (watched == historyGraphs[n]) {
                const auto* move = static_cast<QMouseEvent*>(event);
                const QPoint at = historyGraphs[n]->mapTo(this, move->position().toPoint());
                GraphMouseMove(n, at.x());
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace zm::monitor::gui
