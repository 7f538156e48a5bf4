#include "app/device_window/device_sparklines.h"

#include <QProgressBar>
#include <algorithm>

#include "app/device_window/frmDevice.h"
#include "app/health/recording.h"
#include "app/main_window/reply_handling.h"
#include "platform/clock.h"

namespace {

constexpr int kPlotWidth = 110;
constexpr int kGap = 6;
constexpr int kReadingPlotTop = 294;
constexpr int kReadingPlotHeight = 34;

}  // namespace

DeviceSparklines::DeviceSparklines(frmDevice& w) {
    for (size_t k = 0; k < 4; ++k) {
        QProgressBar* bar = w.barANG[k];
        QRect g = bar->geometry();
        const int right = g.right();
        g.setWidth(g.width() - kPlotWidth - kGap);
        bar->setGeometry(g);
        plots[k] = new health::TimePlot(health::TimePlot::Style::Sparkline, w.frmIO);
        plots[k]->setGeometry(right - kPlotWidth + 1, g.top(), kPlotWidth, g.height());
    }
    // Temperature and battery: each under its own reading, as wide as its caption and value.
    const QRect temp = w.lblNAMETemp->geometry().united(w.lblTemp->geometry());
    const QRect batt = w.lblNAMEVBatt->geometry().united(w.lblVBatt->geometry());
    plots[4] = new health::TimePlot(health::TimePlot::Style::Sparkline, w.frmIO);
    plots[4]->setGeometry(temp.left(), kReadingPlotTop, temp.width(), kReadingPlotHeight);
    plots[5] = new health::TimePlot(health::TimePlot::Style::Sparkline, w.frmIO);
    plots[5]->setGeometry(batt.left(), kReadingPlotTop, batt.width(), kReadingPlotHeight);
    const QColor colour = w.palette().color(QPalette::Highlight);
    for (health::TimePlot* p : plots) {
        p->setObjectName(QStringLiteral("picSpark"));
        p->SetSeries({{QString(), colour, {}}});
        p->show();
    }
}

void DeviceSparklines::Redraw(const DeviceRecord& shown) {
    health::History& h = health::history();
    const health::Ds now = h.At(platform::now_ms());
    const health::Ds from = now > kSpan ? now - kSpan : 0;
    std::array<std::vector<health::PlotPoint>, 6> points;
    if (const auto key = health::MacKey(shown.ID64Long)) {
        for (const health::ReportSample& r : h.Reports(*key, from)) {
            // The channels as the bars read them: signed 16-bit.
            for (size_t k = 0; k < 4; ++k) points[k].push_back({r.t, double(static_cast<int16_t>(r.analog[k])), false});
            points[4].push_back({r.t, modMain::Temperature(static_cast<uint8_t>(r.temperature >> 8),
                                                           static_cast<uint8_t>(r.temperature)), false});
            points[5].push_back({r.t, modMain::BatteryVolts(static_cast<uint8_t>(r.battery >> 8),
                                                            static_cast<uint8_t>(r.battery)), false});
        }
    }
    // The plots start at the oldest reading held, up to an hour back, so a fresh device fills them.
    const health::Ds first = points[0].empty() ? from : points[0].front().t;
    for (size_t k = 0; k < plots.size(); ++k) {
        std::vector<health::PlotSeries> series = plots[k]->Series();
        series[0].points = std::move(points[k]);
        plots[k]->SetSpan(first, std::max<health::Ds>(now, first + 1));
        plots[k]->SetSeries(std::move(series));
    }
}
