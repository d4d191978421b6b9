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

namespace {

// Core groups narrower than their caption ("Core #0  (2 Threads)" in a quarter of the window)
// get a caption font stepped down until the caption fits (at most down to 8 pixels); all groups
// of a row share the face the narrowest needs. The read-outs inside set their own size.
QFont CaptionFont(const QGroupBox& group, const QFont& windowFont) {
    QFont font = windowFont;
    const bool inPixels = font.pixelSize() > 0;
    auto size = [&] { return inPixels ? font.pixelSize() : font.pointSizeF(); };
    while (size() > (inPixels ? 8 : 6) &&
           QFontMetrics(font).horizontalAdvance(group.title()) + 10 > group.width()) {
        if (inPixels)
            font.setPixelSize(font.pixelSize() - 1);
        else
            font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    return font;
}

QLabel* Panel(QWidget* parent, const QString& name, const QColor& text, QRect place) {
    auto* p = new QLabel(parent);
    p->setObjectName(name);
    p->setGeometry(place);
    p->setAlignment(Qt::AlignCenter);
    p->setAutoFillBackground(true);
    QPalette pal = p->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, text);
    p->setPalette(pal);
    QFont font = p->font();
    font.setPixelSize(10);
    p->setFont(font);
    return p;
}

QLabel* Label(QWidget* parent, const QString& name, const QString& text, QRect place) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(place);
    QFont font = l->font();
    font.setPixelSize(10);
    l->setFont(font);
    return l;
}

QString CoreCaption(int core, bool hyperThreading) {
    return hyperThreading ? QStringLiteral("Core #%1  (2 Threads)").arg(core)
                          : QStringLiteral("Core #%1   (1 Thread)").arg(core);
}

}  // namespace

void MonitorWindow::BuildControls() {
    auto group = [this](int n, const QString& caption, int top, int height, int graphHeight) {
        auto* box = new QGroupBox(caption, this);
        box->setObjectName(QStringLiteral("GroupBox%1").arg(n));
        box->setGeometry(kGroupLeft, top, 300, height);
        auto* graph = new ui::HistoryGraph(box);
        graph->setObjectName(QStringLiteral("historyGraph%1").arg(n));
        graph->setGeometry(6, 14, 240, graphHeight);
        graph->setMouseTracking(true);
        graph->installEventFilter(this);
        ui::HistoryGraphCanvas& c = graph->Canvas();
        c.SetGridSize(9);
        c.SetStepSize(2);
        c.SetPenWidth(3);
        c.SetGradient(100);
        c.SetForeColor(kGrid);
        groupBoxes[n] = box;
        historyGraphs[n] = graph;
        const QColor readout = n <= 2 ? kYellow : kSkyBlue;
        readoutPanels[n] = Panel(box, QStringLiteral("Panel%1").arg(n), readout, {20, 40, 36, 14});
        readoutPanels[n]->hide();
    };
    for (int g = 0; g < 8; ++g) {
        group(4 + g, CoreCaption(g, false), g < 4 ? 8 : 90, kCoreGroupHeight, kCoreGraphHeight);
    }
    groupBoxes[10]->setTitle(QStringLiteral("Core #6  (1 Thread)"));
    group(3, QStringLiteral("General CPU Usage and Highest Temp."), 172, kWideGroupHeight,
          kWideGraphHeight);
    group(2, QStringLiteral("CPU and RAM Frequency"), 275, kWideGroupHeight, kWideGraphHeight);
    group(1, QStringLiteral("Used RAM Size and PageFile Usage"), 378, kWideGroupHeight,
          kWideGraphHeight);

    currentPanels[1] = Panel(groupBoxes[1], QStringLiteral("Panel01"), kYellow, {250, 40, 48, 14});
    currentPanels[2] = Panel(groupBoxes[2], QStringLiteral("Panel02"), kYellow, {250, 40, 48, 14});
    memoryClockPanel = Panel(groupBoxes[2], QStringLiteral("Panel22"), kOrange, {250, 60, 48, 14});
    currentPanels[3] = Panel(groupBoxes[3], QStringLiteral("Panel03"), kSkyBlue, {250, 40, 48, 14});
    for (int n = 4; n <= 11; ++n) {
        currentPanels[n] = Panel(groupBoxes[n], QStringLiteral("Panel%1").arg(n * 10 + 1), kSkyBlue,
                                 {200, 30, 24, 14});
        maximumLabels[n] = Label(groupBoxes[n], QStringLiteral("Label%1").arg(n * 10 + 2),
                                 QStringLiteral("0"), {200, 12, 60, 12});
        minimumLabels[n] = Label(groupBoxes[n], QStringLiteral("Label%1").arg(n * 10),
                                 QStringLiteral("100"), {200, 66, 60, 12});
    }
    ramScaleBottomLabel =
        Label(groupBoxes[1], QStringLiteral("Label10"), QStringLiteral("0 Mb"), {250, 86, 56, 12});
    ramScaleTopLabel =
        Label(groupBoxes[1], QStringLiteral("Label12"), QString(), {250, 12, 56, 12});
    frequencyScaleLabel = Label(groupBoxes[2], QStringLiteral("Label22"),
                                QString::number(kFrequencyGradient), {250, 12, 30, 12});
    maximumLabels[3] =
        Label(groupBoxes[3], QStringLiteral("Label32"), QString(), {250, 12, 56, 12});
    minimumLabels[3] =
        Label(groupBoxes[3], QStringLiteral("Label30"), QString(), {250, 86, 56, 12});
    frequencyScale = new QSpinBox(groupBoxes[2]);
    frequencyScale->setObjectName(QStringLiteral("frequencyScale"));
    frequencyScale->setRange(0, 8000);
    frequencyScale->setSingleStep(100);
    frequencyScale->setValue(kFrequencyGradient);
    frequencyScale->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    frequencyScale->setGeometry(280, 10, 18, 20);
    connect(frequencyScale, &QSpinBox::valueChanged, this, &MonitorWindow::FrequencyScaleChanged);

    tjMaxCaption =
        Label(this, QStringLiteral("Label7"), QStringLiteral("TJMax:"), {8, 492, 40, 14});
    tjMaxList = new QComboBox(this);
    tjMaxList->setObjectName(QStringLiteral("tjMaxList"));
    for (int i = 0; i < kTjMaxItems; ++i) tjMaxList->addItem(QString::number(kTjMaxBase + i));
    tjMaxList->setGeometry(50, 488, 56, 22);
    QPalette comboPalette = tjMaxList->palette();
    comboPalette.setColor(QPalette::Button, palette().color(QPalette::Button));
    comboPalette.setColor(QPalette::ButtonText, QColor(0x00, 0x00, 0x80));
    comboPalette.setColor(QPalette::Text, QColor(0x00, 0x00, 0x80));
    tjMaxList->setPalette(comboPalette);
    // Its change handler is connected once the stored choice is shown (constructor, step 2).

    elapsedTimePanel = new QWidget(this);
    elapsedTimePanel->setObjectName(QStringLiteral("Panel12"));
    elapsedTimePanel->setGeometry(114, 488, 80, 22);
    elapsedTimePanel->setAutoFillBackground(true);
    QPalette black = elapsedTimePanel->palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    elapsedTimePanel->setPalette(black);
    auto timeLabel = [this](const char* name, const char* text, int left) {
        auto* l = new QLabel(QString::fromUtf8(text), elapsedTimePanel);
        l->setObjectName(QString::fromUtf8(name));
        l->setGeometry(left, 3, 18, 16);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    hoursLabel = timeLabel("Label1", "00", 6);
    timeLabel("Label4", ":", 24);
    minutesLabel = timeLabel("Label2", "00", 30);
    timeLabel("Label5", ":", 48);
    secondsLabel = timeLabel("Label3", "00", 54);

    auto button = [this](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromUtf8(name));
        b->setGeometry(0, 486, 64, 25);
        return b;
    };
    Minimize = button("Minimize", "Minimize");
    clearHistoryButton = button("DelHis", "Reset");
    Quit = button("Quit", "Exit");
    connect(Minimize, &QPushButton::clicked, this, &MonitorWindow::MinimizeClick);
    connect(clearHistoryButton, &QPushButton::clicked, this, &MonitorWindow::ClearHistoryClick);
    connect(Quit, &QPushButton::clicked, this, &MonitorWindow::QuitClick);
    connect(historyGraphs[1], &ui::HistoryGraph::Resized, this, [this] {
        refill_ = true;
        HideReadouts();
    });

    samplingTimer = new QTimer(this);
    samplingTimer->setObjectName(QStringLiteral("samplingTimer"));
    samplingTimer->setInterval(1000);
    connect(samplingTimer, &QTimer::timeout, this, &MonitorWindow::SamplingTimerTick);
}

void MonitorWindow::ApplyCoreCount() {
    const int cores = CoreCount();
    const bool ht = settings_.HyperThreading();
    if (ht) {
        for (int g = 0; g < 8; ++g) groupBoxes[4 + g]->setTitle(CoreCaption(g, true));
    }
    if (cores <= 4) {
        for (int n = 8; n <= 11; ++n) groupBoxes[n]->hide();
        groupBoxes[3]->move(kGroupLeft, 90);
        groupBoxes[2]->move(kGroupLeft, 192);
        groupBoxes[1]->move(kGroupLeft, 294);
        tjMaxCaption->move(tjMaxCaption->x(), 408);
        tjMaxList->move(tjMaxList->x(), 404);
        elapsedTimePanel->move(elapsedTimePanel->x(), 404);
        for (QPushButton* b : {Minimize, clearHistoryButton, Quit}) b->move(b->x(), 402);
        setFixedHeight(472);
    } else {
        setFixedHeight(553);
    }
    switch (cores) {
        case 1:
            for (int n = 5; n <= 7; ++n) groupBoxes[n]->hide();
            currentPanels[4]->resize(36, currentPanels[4]->height());
            break;
        case 2:
            groupBoxes[6]->hide();
            groupBoxes[7]->hide();
            break;
        case 3:
            groupBoxes[7]->hide();
            break;
        case 5:
            for (int n = 9; n <= 11; ++n) groupBoxes[n]->hide();
            break;
        case 6:
            groupBoxes[7]->hide();
            groupBoxes[11]->hide();
            for (int n : {4, 5, 6, 8, 9, 10}) readoutPanels[n]->move(130, readoutPanels[n]->y());
            for (int g = 4; g <= 6; ++g) groupBoxes[4 + g]->setTitle(CoreCaption(g - 1, ht));
            break;
        case 7:
            groupBoxes[11]->hide();
            break;
        default:
            break;
    }
}

void MonitorWindow::LayOutCoreRow(int first, int columns, int w) {
    // Graph widths change with the step at 0, which rebuilds the band ring afterwards.
    auto placeGroup = [this](int n, int left, int groupWidth, int graphWidth) {
        groupBoxes[n]->setGeometry(left, groupBoxes[n]->y(), groupWidth, groupBoxes[n]->height());
        historyGraphs[n]->SetStepSize(0);
        historyGraphs[n]->resize(graphWidth, historyGraphs[n]->height());
        historyGraphs[n]->SetStepSize(2);
    };
    const int left = groupBoxes[first]->x();
    int graphWidth = 0;
    int labelAt = 9, panelAt = 7;
    switch (columns) {
        case 1:
            graphWidth = w - 86;
            placeGroup(first, left, w - 26, graphWidth);
            readoutPanels[first]->move(graphWidth - 12, readoutPanels[first]->y());
            break;
        case 2: {
            const int gw = (w - 68) / 2;
            graphWidth = gw - 26;
            placeGroup(first, left, gw, graphWidth);
            placeGroup(first + 1, left + gw + 6, gw + 36, graphWidth);
            break;
        }
        case 3: {
            const int gw = static_cast<int>(std::lround((w - 62) * 0.3338898163606));
            graphWidth = gw - 26;
            placeGroup(first, left, gw, graphWidth);
            placeGroup(first + 1, left + gw + 1, gw, graphWidth);
            placeGroup(first + 2, left + 2 * gw + 2, gw + 34, graphWidth);
            break;
        }
        default: {
            const int gw = (w - 66) / 4;
            graphWidth = gw - 24;
            for (int n = 0; n < 3; ++n) placeGroup(first + n, left + n * (gw + 1), gw, graphWidth);
            placeGroup(first + 3, left + 3 * (gw + 1), (w - 77) / 4 + 40, graphWidth);
            labelAt = 8;
            panelAt = 6;
            break;
        }
    }
    for (int n = first; n < first + std::max(columns, 1) && n <= 11; ++n) {
        const int column = n - first;
        const int panel = columns == 4 && column >= 2 ? 5 : panelAt;
        maximumLabels[n]->move(graphWidth + labelAt, maximumLabels[n]->y());
        minimumLabels[n]->move(graphWidth + labelAt, minimumLabels[n]->y());
        // The current-value panel sits on the graph's right end, never past the group's edge.
        const int panelRight = groupBoxes[n]->width() - currentPanels[n]->width() - 2;
        currentPanels[n]->move(std::min(graphWidth + panel, panelRight), currentPanels[n]->y());
    }
    const QGroupBox* narrowest = groupBoxes[first];
    for (int n = first; n < first + std::max(columns, 1) && n <= 11; ++n)
        if (groupBoxes[n]->width() < narrowest->width()) narrowest = groupBoxes[n];
    const QFont caption = CaptionFont(*narrowest, font());
    for (int n = first; n < first + std::max(columns, 1) && n <= 11; ++n)
        groupBoxes[n]->setFont(caption);
}

void MonitorWindow::LayOut() {
    const int w = width();
    for (int n = 1; n <= 3; ++n) {
        groupBoxes[n]->resize(w - 26, groupBoxes[n]->height());
        historyGraphs[n]->SetStepSize(0);
        historyGraphs[n]->resize(w - 86, historyGraphs[n]->height());
        historyGraphs[n]->SetStepSize(2);
    }
    for (QLabel* l : {ramScaleBottomLabel, ramScaleTopLabel, minimumLabels[3], maximumLabels[3]})
        l->move(w - 78, l->y());
    for (QLabel* p : {currentPanels[1], currentPanels[2], memoryClockPanel, currentPanels[3]}) {
        p->move(w - 80, p->y());
    }
    frequencyScaleLabel->move(w - 76, frequencyScaleLabel->y());
    frequencyScale->move(w - 45, frequencyScale->y());

    const int cores = CoreCount();
    const int row1 = cores == 1 ? 1 : cores == 2 ? 2 : (cores == 3 || cores == 6) ? 3 : 4;
    LayOutCoreRow(4, row1, w);
    if (cores == 6) LayOutCoreRow(8, 3, w);
    if (cores == 5 || cores >= 7) LayOutCoreRow(8, 4, w);

    Quit->move(w - 160, Quit->y());
    Minimize->move(w - 90, Minimize->y());
    clearHistoryButton->move(w - 230, clearHistoryButton->y());
}

void MonitorWindow::resizeEvent(QResizeEvent*) {
    LayOut();
}

void MonitorWindow::paintEvent(QPaintEvent* event) {
    // A full repaint (exposure, resize) makes the next tick pass; the small repaints of the
    // read-outs that every tick causes do not.
    if (event->rect().contains(rect())) painted_ = true;
}

void MonitorWindow::showEvent(QShowEvent*) {
    StartMonitoring();
    samplingForLogOnly_ = false;  // the user's Monitor now; it samples on after the log
    activateWindow();
    setFocus();
}

}  // namespace zm::monitor::gui
