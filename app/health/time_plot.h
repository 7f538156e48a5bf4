#pragma once
// One small plot of values over session time, drawn with the painter: with a clock-time axis and a
// value axis in the health window, bare as a sparkline in the device window. However many samples a
// series holds, each pixel column draws at most its first, lowest, highest and last value.
#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "app/health/history.h"

class QPainter;

namespace health {

struct PlotPoint {
    Ds t = 0;
    double value = 0;
    // A ping that was not answered: the line breaks and a mark shows at the bottom.
    bool missing = false;
};

struct PlotSeries {
    QString label;
    QColor colour;
    std::vector<PlotPoint> points;  // oldest first
};

class TimePlot : public QWidget {
    Q_OBJECT
public:
    enum class Style { Axes, Sparkline };
    explicit TimePlot(Style style, QWidget* parent = nullptr);

    // The session times at the left and right edges.
    void SetSpan(Ds from, Ds to);
    // Fixed value bounds; without them the bounds follow the values shown.
    void SetValueRange(double low, double high);
    void SetSeries(std::vector<PlotSeries> series);
    // The axis text for a session time; the clock time by default.
    void SetTimeLabel(std::function<QString(Ds, Ds step)> label) { time_label_ = std::move(label); }

    const std::vector<PlotSeries>& Series() const { return series_; }
    Ds From() const { return from_; }
    Ds To() const { return to_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF PlotArea() const;
    void Bounds(double& low, double& high) const;
    void DrawTimeAxis(QPainter& p, const QRectF& area) const;
    void DrawValueAxis(QPainter& p, const QRectF& area, double low, double high) const;
    void DrawSeries(QPainter& p, const QRectF& area, const PlotSeries& s, double low, double high) const;

    Style style_;
    Ds from_ = 0;
    Ds to_ = 1;
    bool fixed_range_ = false;
    double low_ = 0;
    double high_ = 1;
    std::vector<PlotSeries> series_;
    std::function<QString(Ds, Ds)> time_label_;
};

// Tick spacing for a span on an axis of this many pixels: one of 10 s .. 1 day, labels ~90 px apart.
Ds TickStep(Ds span, int pixels);

}  // namespace health
