// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// HistoryGraph: the scrolling history graph of the Monitor window. A ring of vertical bands, one
// per sample tick, each holding up to sixteen coloured points, drawn as stacked bars or connected
// lines on an off-screen picture that scrolls left by one band per tick. The vertical scale
// follows the largest value still in the ring, always a whole multiple of the gradient.
//
// HistoryGraphCanvas does the work on a QImage and needs no window; HistoryGraph is the widget
// around it.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

namespace zm::ui {

enum class TGraphKind { pgBar = 0, pgLine = 1 };

// The next multiple of gradient at or above value (value itself when gradient is 0).
int RoundUpToGradient(int value, int gradient);

class HistoryGraphCanvas {
public:
    static constexpr int kBandPoints = 16;

    struct Band {
        int count = 0;
        std::array<QRgb, kBandPoints> colours{};
        std::array<int, kBandPoints> values{};
    };

    HistoryGraphCanvas(int width = 300, int height = 85);

    // Appends a point to the band being filled; a band holds 16 points, a 17th throws
    // std::out_of_range.
    void DataPoint(QColor colour, int value);
    // Closes the current band: scrolls, advances the ring, rescales if needed, draws.
    void Update();

    // A new size: a new width rebuilds the ring (keeping the newest bands) and redraws.
    void Resize(int width, int height);

    TGraphKind Kind() const { return kind_; }
    void SetKind(TGraphKind kind);
    QColor ForeColor() const { return foreColor_; }
    void SetForeColor(QColor colour);
    QColor BackColor() const { return backColor_; }
    void SetBackColor(QColor colour);
    int GridSize() const { return gridSize_; }
    void SetGridSize(int pixels);  // at least 2
    int StepSize() const { return stepSize_; }
    void SetStepSize(int pixels);  // at least 1; 0 and below are stored as 1
    int Scale() const { return scale_; }
    void SetScale(int scale);  // rounded up to the gradient; fires the scale-change hook
    int Gradient() const { return gradient_; }
    void SetGradient(int gradient);
    bool Gridlines() const { return gridlines_; }
    void SetGridlines(bool on);
    int PenWidth() const { return penWidth_; }
    void SetPenWidth(int width);
    std::function<void()> OnScaleChange;

    const QImage& Image() const { return image_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Number of bands in the ring, and their contents from the oldest to the band being filled.
    int BandCount() const { return static_cast<int>(ring_.size()); }
    std::vector<Band> BandsByAge() const;

    // Called after the picture changed (the widget repaints).
    std::function<void()> Repaint;

private:
    void Initialize(int phase);
    void Replay();
    void ReallocHistory();
    void DrawBand(int bandIndex, int x0, int x1);
    int PixelHeight(int value) const;
    void Changed() const;

    int width_, height_;
    TGraphKind kind_ = TGraphKind::pgLine;
    QColor foreColor_{0x00, 0x80, 0x00};
    QColor backColor_{Qt::black};
    int gridSize_ = 7;
    int stepSize_ = 3;
    int scale_ = 1000;
    int gradient_ = 100;
    bool gridlines_ = true;
    int penWidth_ = 3;

    QImage image_;
    std::vector<Band> ring_;
    int current_ = 0;
    int oldest_ = 1;
    int gridPhase_ = 0;
    QRect scrollSource_, scrollDestination_, newestColumn_;
};

class HistoryGraph : public QWidget {
    Q_OBJECT
public:
    explicit HistoryGraph(QWidget* parent = nullptr);

    HistoryGraphCanvas& Canvas() { return canvas_; }
    const HistoryGraphCanvas& Canvas() const { return canvas_; }
    void DataPoint(QColor colour, int value) { canvas_.DataPoint(colour, value); }
    void Update() { canvas_.Update(); }
    int Scale() const { return canvas_.Scale(); }
    void SetScale(int scale) { canvas_.SetScale(scale); }
    int Gradient() const { return canvas_.Gradient(); }
    void SetGradient(int gradient) { canvas_.SetGradient(gradient); }
    void SetStepSize(int pixels) { canvas_.SetStepSize(pixels); }

signals:
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    HistoryGraphCanvas canvas_;
};

}  // namespace zm::ui
