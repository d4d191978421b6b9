// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/history_graph.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zm::ui {

int RoundUpToGradient(int value, int gradient) {
    if (gradient != 0 && value % gradient != 0) return gradient * (value / gradient + 1);
    return value;
}

HistoryGraphCanvas::HistoryGraphCanvas(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
    ring_.resize(static_cast<std::size_t>(width_ / stepSize_ + 2));
    Initialize(gridSize_ - 1);
}

void HistoryGraphCanvas::DataPoint(QColor colour, int value) {
    Band& band = ring_[static_cast<std::size_t>(current_)];
    if (band.count >= kBandPoints) {
        throw std::out_of_range("graph band already holds 16 data points");
    }
    band.colours[static_cast<std::size_t>(band.count)] = colour.rgb();
    band.values[static_cast<std::size_t>(band.count)] = value;
    ++band.count;
}

int HistoryGraphCanvas::PixelHeight(int value) const {
    if (scale_ <= 0) return 0;
    return static_cast<int>(std::lround(static_cast<double>(value) / scale_ * height_));
}

void HistoryGraphCanvas::Changed() const {
    if (Repaint) Repaint();
}

void HistoryGraphCanvas::Initialize(int phase) {
    if (image_.width() != width_ || image_.height() != height_) {
        image_ = QImage(std::max(width_, 1), std::max(height_, 1), QImage::Format_RGB32);
    }
    image_.fill(backColor_);
    int x = phase;
    if (gridlines_ && gridSize_ > 0) {
        QPainter painter(&image_);
        painter.setPen(QPen(foreColor_, 1));
        for (int y = gridSize_; y < height_; y += gridSize_) painter.drawLine(0, y, width_ - 1, y);
        for (; x < width_; x += gridSize_) painter.drawLine(x, 0, x, height_ - 1);
    }
    gridPhase_ = x - width_;
    const QRect r(0, 0, width_, height_);
    scrollSource_ = QRect(QPoint(stepSize_, 0), r.bottomRight());
    scrollDestination_ = QRect(QPoint(0, 0), QPoint(r.right() - stepSize_, r.bottom()));
    newestColumn_ = QRect(QPoint(width_ - stepSize_, 0), r.bottomRight());
}

void HistoryGraphCanvas::DrawBand(int bandIndex, int x0, int x1) {
    const Band& band = ring_[static_cast<std::size_t>(bandIndex)];
    QPainter painter(&image_);
    const int bottom = height_;
    if (kind_ == TGraphKind::pgBar) {
        int base = 0;
        for (int i = 0; i < band.count; ++i) {
            const int value = band.values[static_cast<std::size_t>(i)];
            if (value == 0) continue;
            const int baseHeight = PixelHeight(base);
            const int height = PixelHeight(value - base);
            if (height != 0) {
                const int lower = bottom - baseHeight;
                const int upper = lower - height - 1;
                painter.fillRect(QRect(QPoint(x0, upper), QPoint(x1 - 1, lower - 1)),
                                 QColor(band.colours[static_cast<std::size_t>(i)]));
            }
            base = value;
        }
        return;
    }
    const int previousIndex = (bandIndex + BandCount() - 1) % BandCount();
    const Band& previous = ring_[static_cast<std::size_t>(previousIndex)];
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < band.count; ++i) {
        const int value = band.values[static_cast<std::size_t>(i)];
        if (value == 0) continue;
        const QRgb colour = band.colours[static_cast<std::size_t>(i)];
        int before = 0;
        for (int j = 0; j < previous.count; ++j) {
            if (previous.colours[static_cast<std::size_t>(j)] == colour) {
                before = previous.values[static_cast<std::size_t>(j)];
                break;
            }
        }
        painter.setPen(QPen(QColor(colour), penWidth_));
        painter.drawLine(x0, bottom - PixelHeight(before), x1, bottom - PixelHeight(value));
    }
}

void HistoryGraphCanvas::Update() {
    if (width_ > stepSize_) {
        // Scroll left by one band; the newest column starts empty.
        const QImage moved = image_.copy(scrollSource_);
        QPainter painter(&image_);
        painter.drawImage(scrollDestination_.topLeft(), moved);
        painter.fillRect(newestColumn_, backColor_);
        if (gridlines_ && gridSize_ > 0) {
            painter.setPen(QPen(foreColor_, 1));
            for (int y = gridSize_; y < height_; y += gridSize_) {
                painter.drawLine(newestColumn_.left(), y, newestColumn_.right(), y);
            }
            gridPhase_ -= stepSize_;
            if (gridPhase_ < 0) {
                painter.drawLine(width_ + gridPhase_, 0, width_ + gridPhase_, height_ - 1);
                gridPhase_ += gridSize_;
            }
        }
    }
    const int closed = current_;
    current_ = (current_ + 1) % BandCount();
    ring_[static_cast<std::size_t>(current_)] = Band{};
    oldest_ = (current_ + 1) % BandCount();

    int largest = 0;
    for (const Band& band : ring_) {
        for (int i = 0; i < band.count; ++i)
            largest = std::max(largest, band.values[static_cast<std::size_t>(i)]);
    }
    const int scale = RoundUpToGradient(largest, gradient_);
    if (scale == scale_) {
        DrawBand(closed, newestColumn_.left(), width_);
        Changed();
    } else {
        SetScale(scale);
    }
}

void HistoryGraphCanvas::Replay() {
    Initialize(gridSize_ > 0 ? ((width_ + gridPhase_) % gridSize_ + gridSize_) % gridSize_ : 0);
    const int bands = width_ / stepSize_;
    int x = bands > 0 ? width_ % bands : 0;
    for (int i = (oldest_ + 1) % BandCount();; i = (i + 1) % BandCount()) {
        DrawBand(i, x, x + stepSize_);
        x += stepSize_;
        if (i == current_) break;
    }
    Changed();
    newestColumn_ = QRect(QPoint(width_ - stepSize_, 0), QPoint(width_ - 1, height_ - 1));
}

void HistoryGraphCanvas::ReallocHistory() {
    const std::vector<Band> byAge = BandsByAge();
    const auto newCount = static_cast<std::size_t>(width_ / stepSize_ + 2);
    const std::size_t skip = byAge.size() > newCount ? byAge.size() - newCount : 0;
    ring_.assign(newCount, Band{});
    std::size_t to = 0;
    for (std::size_t from = skip; from < byAge.size(); ++from) ring_[to++] = byAge[from];
    current_ = static_cast<int>(to) - 1;
    oldest_ = 0;
}

std::vector<HistoryGraphCanvas::Band> HistoryGraphCanvas::BandsByAge() const {
    std::vector<Band> bands;
    const int n = BandCount();
    for (int k = 0, i = oldest_; k < n; ++k, i = (i + 1) % n) {
        bands.push_back(ring_[static_cast<std::size_t>(i)]);
        if (i == current_) break;
    }
    return bands;
}

void HistoryGraphCanvas::Resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;
    const bool widthChanged = width != width_;
    width_ = width;
    height_ = height;
    if (widthChanged) ReallocHistory();
    Replay();
}

void HistoryGraphCanvas::SetKind(TGraphKind kind) {
    kind_ = kind;
    Replay();
}
void HistoryGraphCanvas::SetForeColor(QColor colour) {
    foreColor_ = colour;
    Replay();
}
void HistoryGraphCanvas::SetBackColor(QColor colour) {
    backColor_ = colour;
    Replay();
}
void HistoryGraphCanvas::SetGridSize(int pixels) {
    gridSize_ = std::max(pixels, 2);
    Replay();
}
void HistoryGraphCanvas::SetStepSize(int pixels) {
    stepSize_ = std::max(pixels, 1);
    ReallocHistory();
    Replay();
}
void HistoryGraphCanvas::SetScale(int scale) {
    scale_ = RoundUpToGradient(scale, gradient_);
    if (OnScaleChange) OnScaleChange();
    Replay();
}
void HistoryGraphCanvas::SetGradient(int gradient) {
    gradient_ = gradient;
    Replay();
}
void HistoryGraphCanvas::SetGridlines(bool on) {
    gridlines_ = on;
    Replay();
}
void HistoryGraphCanvas::SetPenWidth(int width) {
    penWidth_ = width;
    Replay();
}

HistoryGraph::HistoryGraph(QWidget* parent) : QWidget(parent), canvas_(300, 85) {
    resize(300, 85);
    setAttribute(Qt::WA_OpaquePaintEvent);
    canvas_.Repaint = [this] { update(); };
}

void HistoryGraph::paintEvent(QPaintEvent*) {
    canvas_.Resize(width(), height());
    QPainter painter(this);
    painter.drawImage(0, 0, canvas_.Image());
}

void HistoryGraph::resizeEvent(QResizeEvent*) {
    canvas_.Resize(width(), height());
    emit Resized();
}

}  // namespace zm::ui
