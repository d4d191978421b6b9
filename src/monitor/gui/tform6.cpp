#include "monitor/gui/tform6.h"

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

#include "monitor/op_thread.h"
#include "monitor/thread_sampling.h"
#include "settings/ini_file.h"
#include "ui/graphe.h"

namespace zm::monitor::gui {
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

// Colours of the series (the window description gives them as 0x00BBGGRR).
const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kOrange(0xFF, 0x7C, 0x0F);
const QColor kSkyBlue(0xA6, 0xCA, 0xF0);
const QColor kGrid(0x00, 0x6B, 0x34);

constexpr int kGroupLeft = 8;
constexpr int kCoreGroupHeight = 80;
constexpr int kCoreGraphHeight = 64;
constexpr int kWideGroupHeight = 101;
constexpr int kWideGraphHeight = 85;
constexpr int kFrequencyGradient = 4000;
constexpr int kDefaultLeft = 392, kDefaultTop = 62, kDefaultWidth = 520;
constexpr int kMinimumWidth = 400, kMaximumWidth = 1214;

QString Two(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
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

TForm6::TForm6(MonitorContext context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      context_(std::move(context)) {
    setObjectName(QStringLiteral("TForm6"));
    setWindowTitle(QStringLiteral("Zentrimo Monitor"));
    setMinimumWidth(kMinimumWidth);
    setMaximumWidth(kMaximumWidth);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    BuildControls();

    // 1. The monitoring thread, with both counts still 1; the ready flag waits for its first
    // publication.
    settings_.CoreCount = 1;
    settings_.ThreadCount = 1;
    settings_.source = context_.intelPlatform ? TemperatureSource::Intel
                       : context_.amdPlatform ? TemperatureSource::AmdK10
                                              : TemperatureSource::None;
    if (context_.setMonitorReady) context_.setMonitorReady(false);
    op_ = std::make_unique<OP>(
        context_.system, context_.hw, context_.clock, settings_,
        [this](OP::Task task) {
            QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
        },
        [this](const ThreadResults& results) { Publish(results); });

    // 2. Choices and geometry from the settings file.
    settings::IniFile ini(context_.settingsPath);
    const int tjMax = std::clamp<int>(ini.ReadInteger("TJMax", "CII", 10), 0, kTjMaxItems - 1);
    ComboTJMax->setCurrentIndex(tjMax);
    settings_.TjMaxIndex = tjMax;
    int left = ini.ReadInteger("FormState", "FormLeft", 0);
    int top = ini.ReadInteger("FormState", "FormTop", 0);
    int width = ini.ReadInteger("FormState", "WidthSize", 0);
    if (left == 0) left = kDefaultLeft;
    if (top == 0) top = kDefaultTop;
    if (width == 0) width = kDefaultWidth;
    const int gradient = ini.ReadInteger("FormState", "GFSize", 0);
    Graphe[2]->SetGradient(gradient != 0 ? gradient : kFrequencyGradient);
    if (gradient != 0) {
        const QSignalBlocker block(UpDown1);
        UpDown1->setValue(gradient);
        Label22->setText(QString::number(gradient));
    }

    // 4. Counts; on AMD K10 the stored count is the highest core index.
    int cores = context_.coreCount;
    int threads = context_.threadCount;
    if (context_.amdPlatform) {
        cores = context_.coreCount + 1;
        threads = cores;
        ComboTJMax->setEnabled(false);
    }
    settings_.CoreCount = std::clamp(cores, 1, kDisplayCores);
    settings_.ThreadCount = std::clamp(threads, 1, kMaxUsageProcessors);
    ApplyCoreCount();

    move(left, top);
    resize(std::clamp(width, kMinimumWidth, kMaximumWidth), height());
    LayOut();
    if (context_.startThread) op_->Start();
}

TForm6::~TForm6() {
    StopMonitoring();
}

void TForm6::StopMonitoring() {
    if (op_) op_->Stop();
}

unsigned TForm6::PublishedCycles() const {
    return op_ ? op_->Cycles() : 0;
}

void TForm6::BuildControls() {
    auto group = [this](int n, const QString& caption, int top, int height, int graphHeight) {
        auto* box = new QGroupBox(caption, this);
        box->setObjectName(QStringLiteral("GroupBox%1").arg(n));
        box->setGeometry(kGroupLeft, top, 300, height);
        auto* graph = new ui::TGraphe(box);
        graph->setObjectName(QStringLiteral("Graphe%1").arg(n));
        graph->setGeometry(6, 14, 240, graphHeight);
        graph->setMouseTracking(true);
        graph->installEventFilter(this);
        ui::GrapheCanvas& c = graph->Canvas();
        c.SetGridSize(9);
        c.SetStepSize(2);
        c.SetPenWidth(3);
        c.SetGradient(100);
        c.SetForeColor(kGrid);
        GroupBox[n] = box;
        Graphe[n] = graph;
        const QColor readout = n <= 2 ? kYellow : kSkyBlue;
        ReadoutPanel[n] = Panel(box, QStringLiteral("Panel%1").arg(n), readout, {20, 40, 36, 14});
        ReadoutPanel[n]->hide();
    };
    for (int g = 0; g < 8; ++g) {
        group(4 + g, CoreCaption(g, false), g < 4 ? 8 : 90, kCoreGroupHeight, kCoreGraphHeight);
    }
    GroupBox[10]->setTitle(QStringLiteral("Core #6  (1 Thread)"));
    group(3, QStringLiteral("General CPU Usage and Highest Temp."), 172, kWideGroupHeight,
          kWideGraphHeight);
    group(2, QStringLiteral("CPU and RAM Frequency"), 275, kWideGroupHeight, kWideGraphHeight);
    group(1, QStringLiteral("Used RAM Size and PageFile Usage"), 378, kWideGroupHeight,
          kWideGraphHeight);

    CurrentPanel[1] = Panel(GroupBox[1], QStringLiteral("Panel01"), kYellow, {250, 40, 48, 14});
    CurrentPanel[2] = Panel(GroupBox[2], QStringLiteral("Panel02"), kYellow, {250, 40, 48, 14});
    Panel22 = Panel(GroupBox[2], QStringLiteral("Panel22"), kOrange, {250, 60, 48, 14});
    CurrentPanel[3] = Panel(GroupBox[3], QStringLiteral("Panel03"), kSkyBlue, {250, 40, 48, 14});
    for (int n = 4; n <= 11; ++n) {
        CurrentPanel[n] = Panel(GroupBox[n], QStringLiteral("Panel%1").arg(n * 10 + 1), kSkyBlue,
                                {200, 30, 24, 14});
        MaximumLabel[n] = Label(GroupBox[n], QStringLiteral("Label%1").arg(n * 10 + 2),
                                QStringLiteral("0"), {200, 12, 60, 12});
        MinimumLabel[n] = Label(GroupBox[n], QStringLiteral("Label%1").arg(n * 10),
                                QStringLiteral("100"), {200, 66, 60, 12});
    }
    Label10 =
        Label(GroupBox[1], QStringLiteral("Label10"), QStringLiteral("0 Mb"), {250, 86, 56, 12});
    Label12 = Label(GroupBox[1], QStringLiteral("Label12"), QString(), {250, 12, 56, 12});
    Label22 = Label(GroupBox[2], QStringLiteral("Label22"), QString::number(kFrequencyGradient),
                    {250, 12, 30, 12});
    MaximumLabel[3] = Label(GroupBox[3], QStringLiteral("Label32"), QString(), {250, 12, 56, 12});
    MinimumLabel[3] = Label(GroupBox[3], QStringLiteral("Label30"), QString(), {250, 86, 56, 12});
    UpDown1 = new QSpinBox(GroupBox[2]);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setRange(0, 8000);
    UpDown1->setSingleStep(100);
    UpDown1->setValue(kFrequencyGradient);
    UpDown1->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    UpDown1->setGeometry(280, 10, 18, 20);
    connect(UpDown1, &QSpinBox::valueChanged, this, &TForm6::UpDown1Click);

    Label7 = Label(this, QStringLiteral("Label7"), QStringLiteral("TJMax:"), {8, 492, 40, 14});
    ComboTJMax = new QComboBox(this);
    ComboTJMax->setObjectName(QStringLiteral("ComboTJMax"));
    for (int i = 0; i < kTjMaxItems; ++i) ComboTJMax->addItem(QString::number(kTjMaxBase + i));
    ComboTJMax->setGeometry(50, 488, 56, 22);
    QPalette comboPalette = ComboTJMax->palette();
    comboPalette.setColor(QPalette::Button, palette().color(QPalette::Button));
    comboPalette.setColor(QPalette::ButtonText, QColor(0x00, 0x00, 0x80));
    comboPalette.setColor(QPalette::Text, QColor(0x00, 0x00, 0x80));
    ComboTJMax->setPalette(comboPalette);
    connect(ComboTJMax, &QComboBox::currentIndexChanged, this, &TForm6::ComboTJMaxChange);

    Panel12 = new QWidget(this);
    Panel12->setObjectName(QStringLiteral("Panel12"));
    Panel12->setGeometry(114, 488, 80, 22);
    Panel12->setAutoFillBackground(true);
    QPalette black = Panel12->palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    Panel12->setPalette(black);
    auto timeLabel = [this](const char* name, const char* text, int left) {
        auto* l = new QLabel(QString::fromUtf8(text), Panel12);
        l->setObjectName(QString::fromUtf8(name));
        l->setGeometry(left, 3, 18, 16);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    Label1 = timeLabel("Label1", "00", 6);
    timeLabel("Label4", ":", 24);
    Label2 = timeLabel("Label2", "00", 30);
    timeLabel("Label5", ":", 48);
    Label3 = timeLabel("Label3", "00", 54);

    auto button = [this](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromUtf8(name));
        b->setGeometry(0, 486, 64, 25);
        return b;
    };
    Minimize = button("Minimize", "Minimize");
    DelHis = button("DelHis", "Reset");
    Quit = button("Quit", "Exit");
    connect(Minimize, &QPushButton::clicked, this, &TForm6::MinimizeClick);
    connect(DelHis, &QPushButton::clicked, this, &TForm6::DelHisClick);
    connect(Quit, &QPushButton::clicked, this, &TForm6::QuitClick);
    connect(Graphe[1], &ui::TGraphe::Resized, this, [this] {
        refill_ = true;
        HideReadouts();
    });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm6::Timer1Timer);
}

void TForm6::ApplyCoreCount() {
    const int cores = CoreCount();
    const bool ht = settings_.HyperThreading();
    if (ht) {
        for (int g = 0; g < 8; ++g) GroupBox[4 + g]->setTitle(CoreCaption(g, true));
    }
    if (cores <= 4) {
        for (int n = 8; n <= 11; ++n) GroupBox[n]->hide();
        GroupBox[3]->move(kGroupLeft, 90);
        GroupBox[2]->move(kGroupLeft, 192);
        GroupBox[1]->move(kGroupLeft, 294);
        Label7->move(Label7->x(), 408);
        ComboTJMax->move(ComboTJMax->x(), 404);
        Panel12->move(Panel12->x(), 404);
        for (QPushButton* b : {Minimize, DelHis, Quit}) b->move(b->x(), 402);
        setFixedHeight(472);
    } else {
        setFixedHeight(553);
    }
    switch (cores) {
        case 1:
            for (int n = 5; n <= 7; ++n) GroupBox[n]->hide();
            CurrentPanel[4]->resize(36, CurrentPanel[4]->height());
            break;
        case 2:
            GroupBox[6]->hide();
            GroupBox[7]->hide();
            break;
        case 3:
            GroupBox[7]->hide();
            break;
        case 5:
            for (int n = 9; n <= 11; ++n) GroupBox[n]->hide();
            break;
        case 6:
            GroupBox[7]->hide();
            GroupBox[11]->hide();
            for (int n : {4, 5, 6, 8, 9, 10}) ReadoutPanel[n]->move(130, ReadoutPanel[n]->y());
            for (int g = 4; g <= 6; ++g) GroupBox[4 + g]->setTitle(CoreCaption(g - 1, ht));
            break;
        case 7:
            GroupBox[11]->hide();
            break;
        default:
            break;
    }
}

void TForm6::LayOutCoreRow(int first, int columns, int w) {
    // Graph widths change with the step at 0, which rebuilds the band ring afterwards.
    auto placeGroup = [this](int n, int left, int groupWidth, int graphWidth) {
        GroupBox[n]->setGeometry(left, GroupBox[n]->y(), groupWidth, GroupBox[n]->height());
        Graphe[n]->SetStepSize(0);
        Graphe[n]->resize(graphWidth, Graphe[n]->height());
        Graphe[n]->SetStepSize(2);
    };
    const int left = GroupBox[first]->x();
    int graphWidth = 0;
    int labelAt = 9, panelAt = 7;
    switch (columns) {
        case 1:
            graphWidth = w - 86;
            placeGroup(first, left, w - 26, graphWidth);
            ReadoutPanel[first]->move(graphWidth - 12, ReadoutPanel[first]->y());
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
        MaximumLabel[n]->move(graphWidth + labelAt, MaximumLabel[n]->y());
        MinimumLabel[n]->move(graphWidth + labelAt, MinimumLabel[n]->y());
        // The current-value panel sits on the graph's right end, never past the group's edge.
        const int panelRight = GroupBox[n]->width() - CurrentPanel[n]->width() - 2;
        CurrentPanel[n]->move(std::min(graphWidth + panel, panelRight), CurrentPanel[n]->y());
    }
    const QGroupBox* narrowest = GroupBox[first];
    for (int n = first; n < first + std::max(columns, 1) && n <= 11; ++n)
        if (GroupBox[n]->width() < narrowest->width()) narrowest = GroupBox[n];
    const QFont caption = CaptionFont(*narrowest, font());
    for (int n = first; n < first + std::max(columns, 1) && n <= 11; ++n)
        GroupBox[n]->setFont(caption);
}

void TForm6::LayOut() {
    const int w = width();
    for (int n = 1; n <= 3; ++n) {
        GroupBox[n]->resize(w - 26, GroupBox[n]->height());
        Graphe[n]->SetStepSize(0);
        Graphe[n]->resize(w - 86, Graphe[n]->height());
        Graphe[n]->SetStepSize(2);
    }
    for (QLabel* l : {Label10, Label12, MinimumLabel[3], MaximumLabel[3]}) l->move(w - 78, l->y());
    for (QLabel* p : {CurrentPanel[1], CurrentPanel[2], Panel22, CurrentPanel[3]}) {
        p->move(w - 80, p->y());
    }
    Label22->move(w - 76, Label22->y());
    UpDown1->move(w - 45, UpDown1->y());

    const int cores = CoreCount();
    const int row1 = cores == 1 ? 1 : cores == 2 ? 2 : (cores == 3 || cores == 6) ? 3 : 4;
    LayOutCoreRow(4, row1, w);
    if (cores == 6) LayOutCoreRow(8, 3, w);
    if (cores == 5 || cores >= 7) LayOutCoreRow(8, 4, w);

    Quit->move(w - 160, Quit->y());
    Minimize->move(w - 90, Minimize->y());
    DelHis->move(w - 230, DelHis->y());
}

void TForm6::resizeEvent(QResizeEvent*) {
    LayOut();
}

void TForm6::paintEvent(QPaintEvent* event) {
    // A full repaint (exposure, resize) makes the next tick pass; the small repaints of the
    // read-outs that every tick causes do not.
    if (event->rect().contains(rect())) painted_ = true;
}

void TForm6::showEvent(QShowEvent*) {
    StartMonitoring();
    activateWindow();
    setFocus();
}

void TForm6::StartMonitoring() {
    fields_.MonitoringOn = 1;
    Timer1->start();
}

void TForm6::Publish(const ThreadResults& results) {
    const PublicationOutcome outcome =
        publication_.Publish(results, settings_.CoreCount.load(), settings_.ThreadCount.load(),
                             settings_.source.load(), fields_);
    if (outcome.trayTemperature && context_.setTrayTemperature) {
        context_.setTrayTemperature(*outcome.trayTemperature);
    }
    if (context_.setMonitorReady) context_.setMonitorReady(true);
}

void TForm6::Timer1Timer() {
    if (fields_.MonitoringOn != 1) return;
    if (painted_) {
        painted_ = false;
        return;
    }
    ++ticks_;
    Timer1->stop();
    TickInputs in;
    in.memory = context_.system.GlobalMemoryStatus();
    in.installedMb = context_.installedMb;
    if (context_.clocks) std::tie(in.cpuMhz, in.memoryMhz) = context_.clocks();
    in.coreCount = CoreCount();
    const TickSample sample = sampler_.Sample(in, fields_);
    ShowTick(sample);
    if (fields_.MonitoringOn == 1) Timer1->start();
    refill_ = false;
    painted_ = false;
}

void TForm6::ShowTick(const TickSample& s) {
    const int g = Graphe[2]->Gradient();
    const ElapsedTime& t = sampler_.Elapsed();
    Label1->setText(Two(t.hours));
    Label2->setText(Two(t.minutes));
    Label3->setText(Two(t.seconds));

    Label12->setText(QStringLiteral("%1Mb").arg(context_.installedMb));
    CurrentPanel[1]->setText(QString::number(s.usedMb));
    CurrentPanel[1]->move(CurrentPanel[1]->x(), CurrentPanelTop(static_cast<int>(s.memoryLoad)));
    history_.Append(s, CoreCount(), g);

    CurrentPanel[3]->setText(QStringLiteral("%1°C").arg(s.highestTemp));
    CurrentPanel[3]->move(CurrentPanel[3]->x(), CurrentPanelTop(s.highestTemp));
    const MinMaxTracker& highest = sampler_.HighestTracker();
    MinimumLabel[3]->setText(QStringLiteral("%1 (TMin)").arg(highest.minimum));
    MaximumLabel[3]->setText(QStringLiteral("%1 (TMax)").arg(highest.maximum));

    CurrentPanel[2]->setText(QString::number(s.cpuMhz));
    CurrentPanel[2]->move(CurrentPanel[2]->x(), FrequencyReadoutTop(s.cpuMhz, g));
    Panel22->setText(QString::number(s.memoryMhz));
    Panel22->move(Panel22->x(), CurrentMemoryClockTop(s.memoryMhz, g));

    const int cores = CoreCount();
    for (int group = 0; group < kCoreGroups; ++group) {
        const int core = GroupCore(group, cores);
        if (core < 0) continue;
        const int n = 4 + group;
        const int temp = s.groupTemp[group];
        CurrentPanel[n]->setText(group == 0 && cores == 1 ? QStringLiteral("%1°C").arg(temp)
                                                          : QString::number(temp));
        CurrentPanel[n]->move(CurrentPanel[n]->x(), CurrentCoreTempTop(temp));
        const MinMaxTracker& tracker = sampler_.GroupTracker(group);
        if (LastGroupOfRow(group, cores)) {
            MinimumLabel[n]->setText(QStringLiteral("%1 (TMin)").arg(tracker.minimum));
            MaximumLabel[n]->setText(QStringLiteral("%1 (TMax)").arg(tracker.maximum));
        } else {
            MinimumLabel[n]->setText(QString::number(tracker.minimum));
            MaximumLabel[n]->setText(QString::number(tracker.maximum));
        }
    }
    for (int n = 1; n <= 11; ++n) UpdateReadout(n);

    if (refill_) {
        Refill();
        return;
    }
    auto feed = [](ui::TGraphe* graph, QColor c1, int v1, QColor c2, int v2) {
        graph->SetScale(999);
        graph->DataPoint(c1, v1);
        graph->DataPoint(c2, v2);
        graph->Update();
    };
    feed(Graphe[1], kYellow, static_cast<int>(s.memoryLoad), kOrange, s.pageFileUse);
    feed(Graphe[2], kYellow, s.cpuMhz, kOrange, s.memoryMhz);
    feed(Graphe[3], kYellow, s.averageUsage, kSkyBlue, s.highestTemp);
    for (int group = 0; group < kCoreGroups; ++group) {
        if (GroupCore(group, cores) < 0) continue;
        feed(Graphe[4 + group], kYellow, s.groupUsage[group], kSkyBlue, s.groupTemp[group]);
    }
}

void TForm6::FeedCoreGraph(int group, int i) {
    const GroupHistory& h = history_.groups[group];
    if (static_cast<std::size_t>(i) >= h.usage.size()) return;
    ui::TGraphe* graph = Graphe[4 + group];
    graph->DataPoint(kYellow, h.usage[i]);
    graph->DataPoint(kSkyBlue, h.temperature[i]);
    graph->Update();
}

void TForm6::Refill() {
    const int samples = static_cast<int>(history_.Samples());
    const int r1 = Graphe[1]->width() / 2;
    const int r4 = Graphe[4]->width() / 2;
    const int start1 = samples > r1 ? samples - r1 : 0;
    const int start4 = samples > r4 ? samples - r4 : 0;
    for (int n = 1; n <= 7; ++n) Graphe[n]->SetScale(1);
    for (int i = start1; i < samples; ++i) {
        Graphe[1]->DataPoint(kYellow, history_.memoryLoad[i]);
        Graphe[1]->DataPoint(kOrange, history_.pageFileUse[i]);
        Graphe[1]->Update();
        Graphe[2]->DataPoint(kYellow, history_.cpuMhz[i]);
        Graphe[2]->DataPoint(kOrange, history_.memoryMhz[i]);
        Graphe[2]->Update();
        Graphe[3]->DataPoint(kYellow, history_.generalUsage[i]);
        Graphe[3]->DataPoint(kSkyBlue, history_.highestTemp[i]);
        Graphe[3]->Update();
    }
    const int cores = CoreCount();
    for (int i = start4; i < samples; ++i) {
        for (int group = 0; group < kCoreGroups; ++group) {
            if (GroupCore(group, cores) >= 0 && GroupBox[4 + group]->isVisibleTo(this)) {
                FeedCoreGraph(group, i);
            }
        }
    }
}

void TForm6::UpdateReadout(int n) {
    QLabel* panel = ReadoutPanel[n];
    if (!panel->isVisibleTo(GroupBox[n])) return;
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

void TForm6::GraphMouseMove(int n, int x) {
    QLabel* panel = ReadoutPanel[n];
    int left = x - 18 - GroupBox[n]->x();
    if (n <= 3)
        left = x - 32;
    else if (n == 4 || n == 8)
        left = x - 22;
    panel->move(left, panel->y());
    if (ticks_ == 0) return;
    offsets_[n] = ReadoutOffset(n, x, Graphe[n]->width(), CoreCount());
    panel->show();
    UpdateReadout(n);
}

void TForm6::HideReadouts() {
    for (int n = 1; n <= 11; ++n) {
        if (ReadoutPanel[n]) ReadoutPanel[n]->hide();
    }
}

bool TForm6::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        for (int n = 1; n <= 11; ++n) {
            if (watched == Graphe[n]) {
                const auto* move = static_cast<QMouseEvent*>(event);
                const QPoint at = Graphe[n]->mapTo(this, move->position().toPoint());
                GraphMouseMove(n, at.x());
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm6::ComboTJMaxChange(int index) {
    QPalette pal = ComboTJMax->palette();
    pal.setColor(QPalette::Button, palette().color(QPalette::Base));
    pal.setColor(QPalette::ButtonText, Qt::black);
    pal.setColor(QPalette::Text, Qt::black);
    ComboTJMax->setPalette(pal);
    settings_.TjMaxIndex = index;
    settings::IniFile(context_.settingsPath).WriteInteger("TJMax", "CII", index);
}

void TForm6::UpDown1Click(int position) {
    Label22->setText(QString::number(position));
    Graphe[2]->SetGradient(position);
}

void TForm6::DelHisClick() {
    sampler_.ResetTrackers();
    history_.Clear();
    ticks_ = 0;
    offsets_.fill(0);
    LayOut();
    refill_ = true;
    HideReadouts();
}

void TForm6::WriteFormState() {
    settings::IniFile ini(context_.settingsPath);
    ini.WriteInteger("FormState", "WidthSize", width());
    ini.WriteInteger("FormState", "GFSize", Graphe[2]->Gradient());
    ini.WriteInteger("FormState", "FormLeft", x());
    ini.WriteInteger("FormState", "FormTop", y());
}

void TForm6::MinimizeClick() {
    WriteFormState();
    hide();
}

void TForm6::QuitClick() {
    Timer1->stop();
    DelHisClick();
    WriteFormState();
    fields_.MonitoringOn = 0;
    hide();
}

}  // namespace zm::monitor::gui
