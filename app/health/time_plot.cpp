#include "app/health/time_plot.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/health/recording.h"

namespace health {

namespace {

constexpr int kLeftMargin = 36;
constexpr int kBottomMargin = 18;
constexpr int kTopMargin = 16;
constexpr int kRightMargin = 8;
constexpr int kLabelSpacing = 90;

// Local clock milliseconds of a session time: ticks fall on whole minutes and hours of the wall clock.
qint64 local_ms(Ds t) {
    const QDateTime wall = WallTime(t);
    return wall.toMSecsSinceEpoch() + qint64{wall.offsetFromUtc()} * 1000;
}

QString clock_label(Ds t, Ds step) {
    const QDateTime wall = WallTime(t);
    if (step >= 24 * 60 * kDsPerMinute) return wall.toString(QStringLiteral("dd/MM"));
    if (step >= kDsPerMinute) return wall.toString(QStringLiteral("HH:mm"));
    return wall.toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

Ds TickStep(Ds span, int pixels) {
    static const Ds steps[] = {100,   300,   600,   1200,  3000,  6000,   9000,  18000,
                               36000, 72000, 216000, 432000, 864000};
    const double wanted = std::max(1, pixels / kLabelSpacing);
    for (Ds s : steps)
        if (span / s <= wanted) return s;
    return steps[std::size(steps) - 1];
}

TimePlot::TimePlot(Style style, QWidget* parent)
    : QWidget(parent), style_(style), time_label_(clock_label) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TimePlot::SetSpan(Ds from, Ds to) {
    from_ = from;
    to_ = std::max<Ds>(to, from + 1);
    update();
}

void TimePlot::SetValueRange(double low, double high) {
    fixed_range_ = true;
    low_ = low;
    high_ = high;
    update();
}

void TimePlot::SetSeries(std::vector<PlotSeries> series) {
    series_ = std::move(series);
    update();
}

QRectF TimePlot::PlotArea() const {
    if (style_ == Style::Sparkline) return QRectF(rect()).adjusted(1, 2, -2, -2);
    return QRectF(rect()).adjusted(kLeftMargin, kTopMargin, -kRightMargin, -kBottomMargin);
}

void TimePlot::Bounds(double& low, double& high) const {
    if (fixed_range_) {
        low = low_;
        high = high_;
        return;
    }
    bool any = false;
    for (const PlotSeries& s : series_)
        for (const PlotPoint& p : s.points) {
            if (p.missing || p.t < from_ || p.t > to_) continue;
            low = any ? std::min(low, p.value) : p.value;
            high = any ? std::max(high, p.value) : p.value;
            any = true;
        }
    if (!any) {
        low = 0;
        high = 1;
    } else if (high - low < 1e-9) {
        low -= 1;
        high += 1;
    }
}

void TimePlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const QRectF area = PlotArea();
    double low = 0, high = 1;
    Bounds(low, high);
    if (style_ == Style::Axes) {
        DrawTimeAxis(p, area);
        DrawValueAxis(p, area, low, high);
    }
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(area);
    p.save();
    p.setClipRect(area.adjusted(0, -2, 1, 2));
    for (const PlotSeries& s : series_) DrawSeries(p, area, s, low, high);
    p.restore();
    if (style_ == Style::Axes) {
        // The legend in one line; the labels that do not fit are counted at its end.
        const QFontMetrics fm = p.fontMetrics();
        qreal x = area.left() + 4;
        for (size_t k = 0; k < series_.size(); ++k) {
            const QString more = QStringLiteral("+%1").arg(series_.size() - k);
            const qreal room = width() - kRightMargin - (k + 1 < series_.size() ? fm.horizontalAdvance(more) + 12 : 0);
            if (x + fm.horizontalAdvance(series_[k].label) > room) {
                p.setPen(palette().color(QPalette::Text));
                p.drawText(QPointF(x, kTopMargin - 4), more);
                break;
            }
            p.setPen(series_[k].colour);
            p.drawText(QPointF(x, kTopMargin - 4), series_[k].label);
            x += fm.horizontalAdvance(series_[k].label) + 12;
        }
    }
}

void TimePlot::DrawTimeAxis(QPainter& p, const QRectF& area) const {
    const Ds span = to_ - from_;
    const Ds step = TickStep(span, static_cast<int>(area.width()));
    const qint64 step_ms = qint64{step} * 100;
    const qint64 origin = local_ms(from_);
    // The first whole step of the clock at or after the left edge.
    const qint64 first = (origin + step_ms - 1) / step_ms * step_ms;
    p.setPen(palette().color(QPalette::Text));
    for (qint64 tick = first; tick <= origin + qint64{span} * 100; tick += step_ms) {
        // Rounded up, so that the label reads the tick's own minute and not the one just before it.
        const Ds t = from_ + static_cast<Ds>((tick - origin + 99) / 100);
        const qreal x = area.left() + area.width() * (t - from_) / span;
        p.setPen(palette().color(QPalette::Midlight));
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        p.setPen(palette().color(QPalette::Text));
        const QString text = time_label_(t, step);
        const qreal w = p.fontMetrics().horizontalAdvance(text);
        p.drawText(QPointF(std::clamp(x - w / 2, 0.0, width() - w), height() - 4), text);
    }
}

void TimePlot::DrawValueAxis(QPainter& p, const QRectF& area, double low, double high) const {
    for (int k = 0; k <= 4; ++k) {
        const double v = low + (high - low) * k / 4;
        const qreal y = area.bottom() - area.height() * k / 4;
        p.setPen(palette().color(QPalette::Midlight));
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRectF(0, y - 8, kLeftMargin - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(std::round(v)));
    }
}

void TimePlot::DrawSeries(QPainter& p, const QRectF& area, const PlotSeries& s, double low, double high) const {
    const double span = to_ - from_;
    auto x_of = [&](Ds t) { return area.left() + area.width() * (t - from_) / span; };
    auto y_of = [&](double v) { return area.bottom() - area.height() * (std::clamp(v, low, high) - low) / (high - low); };
    // The big plot's one-pixel pen takes the painter's fast line path: ten curves of an hour of pings
    // each draw in a few milliseconds, where a wider pen's outlines took most of a frame.
    QPen pen(s.colour, style_ == Style::Sparkline ? 1.2 : 1);
    QPolygonF line;
    // A value with no neighbour to join (alone, or between unanswered pings, as most are when hundreds
    // of devices share the polling round) gets a small square: a single pixel would not be seen.
    const qreal mark = style_ == Style::Sparkline ? 1 : 2;
    auto flush = [&] {
        p.setPen(pen);
        if (line.size() == 1)
            p.fillRect(QRectF(line[0].x() - mark, line[0].y() - mark, 2 * mark + 1, 2 * mark + 1), s.colour);
        if (line.size() > 1) p.drawPolyline(line);
        line.clear();
    };
    // Per pixel column: the first point, then a point only when it widens the column's range, then
    // the column's last value when the next column starts.
    int column = INT32_MIN;
    double col_low = 0, col_high = 0, col_last = 0;
    bool last_pending = false;
    const auto from = std::lower_bound(s.points.begin(), s.points.end(), from_,
                                       [](const PlotPoint& a, Ds t) { return a.t < t; });
    for (auto it = from == s.points.begin() ? from : from - 1; it != s.points.end(); ++it) {
        const qreal x = x_of(it->t);
        if (it->missing) {
            if (last_pending) line << QPointF(column, y_of(col_last));
            last_pending = false;
            flush();
            column = INT32_MIN;
            p.setPen(QPen(s.colour, 1));
            p.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() - 5));
        } else {
            const int c = static_cast<int>(std::floor(x));
            if (c != column) {
                if (last_pending) line << QPointF(column, y_of(col_last));
                column = c;
                col_low = col_high = col_last = it->value;
                last_pending = false;
                line << QPointF(x, y_of(it->value));
            } else {
                col_last = it->value;
                last_pending = true;
                if (it->value < col_low || it->value > col_high) {
                    col_low = std::min(col_low, it->value);
                    col_high = std::max(col_high, it->value);
                    line << QPointF(x, y_of(it->value));
                    last_pending = false;
                }
            }
        }
        if (it->t > to_) break;
    }
    if (last_pending) line << QPointF(column, y_of(col_last));
    flush();
}

}  // namespace health
