// SPDX-License-Identifier: GPL-3.0-or-later
// The scrolling history graph: its self-scaling, its ring of bands and how a line starts.
#include "ui/common/history_graph.h"

#include <QtTest>
#include <stdexcept>

using zm::ui::HistoryGraphCanvas;
using zm::ui::TGraphKind;

namespace {

std::vector<int> FirstValues(const HistoryGraphCanvas& canvas) {
    std::vector<int> values;
    for (const auto& band : canvas.BandsByAge()) values.push_back(band.count ? band.values[0] : -1);
    return values;
}

void Feed(HistoryGraphCanvas& canvas, int value) {
    canvas.DataPoint(Qt::yellow, value);
    canvas.Update();
}

}  // namespace

class HistoryGraphTest : public QObject {
    Q_OBJECT

private slots:
    void roundUpToGradient() {
        const int rows[][3] = {{0, 100, 0},      {100, 100, 100},   {101, 100, 200},
                               {999, 100, 1000}, {999, 4000, 4000}, {3201, 0, 3201}};
        for (const auto& r : rows) QCOMPARE(zm::ui::RoundUpToGradient(r[0], r[1]), r[2]);
    }

    void scaleFollowsTheLargestVisibleValue() {
        HistoryGraphCanvas canvas(20, 40);  // 20 / 2 + 2 = 12 bands
        canvas.SetStepSize(2);
        int changes = 0;
        canvas.OnScaleChange = [&] { ++changes; };
        Feed(canvas, 200);
        QCOMPARE(canvas.Scale(), 200);  // a multiple of the gradient is kept
        Feed(canvas, 201);
        QCOMPARE(canvas.Scale(), 300);
        for (int i = 0; i < 10; ++i) Feed(canvas, 50);
        QCOMPARE(canvas.Scale(), 300);  // 201 is still in the ring
        changes = 0;
        Feed(canvas, 50);
        QCOMPARE(canvas.Scale(), 100);
        QCOMPARE(changes, 1);
        // The picture was redrawn at the new scale: a 50 line sits at half height.
        const QImage& image = canvas.Image();
        const QRgb yellow = QColor(Qt::yellow).rgb();
        QCOMPARE(image.pixel(10, 20), yellow);
    }

    void resizingKeepsTheNewestBands() {
        HistoryGraphCanvas canvas(20, 40);
        canvas.SetStepSize(2);
        for (int v = 1; v <= 15; ++v) Feed(canvas, v);
        QCOMPARE(canvas.BandCount(), 12);
        canvas.Resize(10, 40);  // 7 bands
        QCOMPARE(canvas.BandCount(), 7);
        QCOMPARE(FirstValues(canvas), (std::vector<int>{10, 11, 12, 13, 14, 15, -1}));
        canvas.Resize(30, 40);  // growing keeps all
        const auto grown = FirstValues(canvas);
        QCOMPARE(grown.size(), std::size_t{7});
        Feed(canvas, 16);
        const auto after = FirstValues(canvas);
        QCOMPARE(after.size(), std::size_t{17});
        QCOMPARE(std::vector<int>(after.end() - 8, after.end()),
                 (std::vector<int>{10, 11, 12, 13, 14, 15, 16, -1}));
        canvas.SetStepSize(0);  // stored as 1
        QCOMPARE(canvas.StepSize(), 1);
        QCOMPARE(canvas.BandCount(), 32);
    }

    void aLineWithoutPredecessorStartsAtTheBottom() {
        const QColor red(Qt::red);
        HistoryGraphCanvas canvas(40, 50);
        canvas.SetGridlines(false);
        canvas.SetStepSize(4);
        canvas.SetPenWidth(1);
        canvas.DataPoint(Qt::blue, 100);
        canvas.Update();
        canvas.DataPoint(Qt::blue, 100);
        canvas.DataPoint(red, 100);
        canvas.Update();
        // Newest column [36, 40): red rises from the bottom edge, blue stays at the top.
        const QImage& image = canvas.Image();
        bool redLow = false;
        for (int x = 36; x < 40; ++x) redLow |= image.pixel(x, 48) == red.rgb();
        QVERIFY(redLow);
        canvas.DataPoint(red, 100);
        canvas.Update();
        for (int x = 36; x < 40; ++x) QVERIFY(image.pixel(x, 48) != red.rgb());
    }

    void barsStackInInsertionOrder() {
        HistoryGraphCanvas canvas(20, 100);
        canvas.SetGridlines(false);
        canvas.SetKind(TGraphKind::pgBar);
        canvas.DataPoint(Qt::green, 30);
        canvas.DataPoint(Qt::red, 100);
        canvas.Update();
        const QImage& image = canvas.Image();
        QCOMPARE(image.pixel(19, 90), QColor(Qt::green).rgb());
        QCOMPARE(image.pixel(19, 20), QColor(Qt::red).rgb());
    }

    void aBandHoldsSixteenPoints() {
        HistoryGraphCanvas canvas;
        for (int i = 0; i < 16; ++i) canvas.DataPoint(Qt::white, i);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, canvas.DataPoint(Qt::white, 16));
        canvas.Update();
        canvas.DataPoint(Qt::white, 1);  // the next band is empty again
    }
};

QTEST_MAIN(HistoryGraphTest)
#include "history_graph_test.moc"
