// The history's memory and reach, and the health window's redraw:
//  - the history fed at the demo network's rates and at 32000 devices (a report every 10 minutes each,
//    and the serial line full of reports), until its pool has turned over: bytes held against the
//    16 MiB budget, counted three ways (the history's own count of its blocks, the bytes malloc handed
//    out meanwhile, the resident pages the process gained), and how far back each device's pings and
//    reports still reach;
//  - the health window with 32000 rows and 10 devices plotted: the whole window painted into a pixmap
//    (checked to hold the plotted curves, so that a paint that drew nothing cannot pass), and the
//    once-a-second refresh (table and history read again, rows sorted, plot rebuilt) with that paint.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QTableView>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/core/mod_main.h"
#include "app/health/frmHealth.h"
#include "app/health/recording.h"
#include "platform/virtual_clock.h"

namespace {

using health::Ds;
using health::History;

struct Traffic {
    const char* name;
    int devices;
    std::vector<double> ping_period_s;    // per device, 0: never pinged
    std::vector<double> report_period_s;  // per device, 0: never reports
};

constexpr double kMiB = 1 << 20;

// Bytes malloc has handed out and not had back, and the resident set, now.
struct Usage {
    double heap = 0;
    double resident = 0;
};

Usage usage_now() {
    Usage u;
    const struct mallinfo2 m = ::mallinfo2();
    u.heap = static_cast<double>(m.uordblks + m.hblkhd);
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        unsigned long size = 0, resident = 0;
        if (std::fscanf(f, "%lu %lu", &size, &resident) == 2)
            u.resident = static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE));
        std::fclose(f);
    }
    return u;
}

std::string duration(double seconds) {
    char text[64];
    if (seconds >= 2 * 86400) std::snprintf(text, sizeof text, "%.1f days", seconds / 86400);
    else if (seconds >= 2 * 3600) std::snprintf(text, sizeof text, "%.1f h", seconds / 3600);
    else std::snprintf(text, sizeof text, "%.0f min", seconds / 60);
    return text;
}

// Feeds the traffic in time order until the pool has been full for as long as it took to fill it, then
// prints the bytes held and, over the devices that lost samples, the shortest and the median reach of
// their pings and reports.
void run(const Traffic& t) {
    std::vector<double> next_ping(static_cast<size_t>(t.devices)), next_report(static_cast<size_t>(t.devices));
    for (int d = 0; d < t.devices; ++d) {
        // Spread over the period, as a polling round and independent report clocks do.
        const double p = t.ping_period_s[static_cast<size_t>(d)], r = t.report_period_s[static_cast<size_t>(d)];
        next_ping[static_cast<size_t>(d)] = p > 0 ? p * d / t.devices : 1e300;
        next_report[static_cast<size_t>(d)] = r > 0 ? r * (d % 97) / 97.0 : 1e300;
    }
    const std::vector<double> first_ping = next_ping, first_report = next_report;
    // Events in time order: a simple heap over both kinds.
    using Event = std::pair<double, int>;  // time, device * 2 + kind
    std::vector<Event> heap;
    for (int d = 0; d < t.devices; ++d) {
        heap.push_back({next_ping[static_cast<size_t>(d)], 2 * d});
        heap.push_back({next_report[static_cast<size_t>(d)], 2 * d + 1});
    }
    auto later = [](const Event& a, const Event& b) { return a.first > b.first; };
    std::make_heap(heap.begin(), heap.end(), later);
    // The events keep their number, so the heap allocates nothing from here on: what malloc hands out
    // meanwhile is the history's.
    const Usage before = usage_now();
    auto history = std::make_unique<History>();
    History& h = *history;
    h.Start(0);
    double full_at = -1, now = 0;
    const auto started = std::chrono::steady_clock::now();
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        auto [at, code] = heap.back();
        heap.pop_back();
        now = at;
        if (full_at < 0 && h.ChunksInUse() == h.ChunkLimit()) full_at = now;
        if (full_at >= 0 && now > 2 * full_at) break;
        const int d = code / 2;
        const Ds ds = static_cast<Ds>(at * 10);
        if (code % 2 == 0) {
            h.AddPing(static_cast<uint64_t>(d), ds, static_cast<uint8_t>(d), d % 5 != 0);
            heap.push_back({at + t.ping_period_s[static_cast<size_t>(d)], code});
        } else {
            health::ReportSample r;
            r.t = ds;
            r.battery = 3300;
            h.AddReport(static_cast<uint64_t>(d), r);
            heap.push_back({at + t.report_period_s[static_cast<size_t>(d)], code});
        }
        std::push_heap(heap.begin(), heap.end(), later);
    }
    const double cpu = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const Usage after = usage_now();
    // A device that still holds its first sample has lost nothing, however short its history is; the
    // reach of the others is how far back their oldest sample held lies.
    struct Reach {
        std::vector<double> back;
        int whole = 0;
    } pings_reach, reports_reach;
    auto judge = [now](Reach& r, double first_s, bool held, Ds oldest) {
        if (!held) return;
        if (oldest == static_cast<Ds>(first_s * 10)) ++r.whole;
        else r.back.push_back(now - oldest / 10.0);
    };
    for (int d = 0; d < t.devices; ++d) {
        const auto pings = h.Pings(static_cast<uint64_t>(d));
        const auto reports = h.Reports(static_cast<uint64_t>(d));
        judge(pings_reach, first_ping[static_cast<size_t>(d)], !pings.empty(), pings.empty() ? 0 : pings.front().t);
        judge(reports_reach, first_report[static_cast<size_t>(d)], !reports.empty(),
              reports.empty() ? 0 : reports.front().t);
    }
    auto figures = [now](Reach& r) {
        std::sort(r.back.begin(), r.back.end());
        std::string text = std::to_string(r.whole) + " devices hold all since their first (the run: " + duration(now) + ")";
        if (!r.back.empty())
            text += ", " + std::to_string(r.back.size()) + " reach back " + duration(r.back.front()) + " or more (median " +
                    duration(r.back[r.back.size() / 2]) + ")";
        return text;
    };
    std::printf("%s%s  [fed in %.1f s]\n"
                "  memory: %.2f MiB counted by the history, %.2f MiB from malloc, %.2f MiB resident gained"
                " (budget %.2f MiB)\n"
                "  pings:   %s\n"
                "  reports: %s\n",
                t.name, full_at < 0 ? " (pool not full)" : "", cpu, static_cast<double>(h.MemoryBytes()) / kMiB,
                (after.heap - before.heap) / kMiB, (after.resident - before.resident) / kMiB,
                static_cast<double>(h.BudgetBytes()) / kMiB, figures(pings_reach).c_str(), figures(reports_reach).c_str());
}

Traffic demo_network() {
    // Alive polling at 1 s over 6 slots pings each of the 3 answering routers every 6 s; end devices
    // are not pinged. Reports: 8, 12, 6, 15 and (the candidate, once in) 10 s; the silent router none.
    Traffic t{"demo network (6 devices)", 6, {6, 6, 0, 0, 6, 0}, {8, 12, 6, 15, 0, 10}};
    return t;
}

Traffic large(const char* name, double report_period_s) {
    // One ping per 1 s tick goes round 32000 slots: each router is pinged every 32000 s.
    Traffic t{name, 32000, {}, {}};
    for (int d = 0; d < t.devices; ++d) {
        t.ping_period_s.push_back(d % 3 == 0 ? 0 : 32000);
        t.report_period_s.push_back(report_period_s);
    }
    return t;
}

void fill_table(int n) {
    modMain::State& s = modMain::g();
    for (int i = 1; i <= n; ++i) {
        DeviceRecord& d = s.Devices[static_cast<size_t>(i)];
        char mac[32];
        std::snprintf(mac, sizeof mac, "00:13:A2:00:41:%02X:%02X:%02X", (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF);
        d.ID64Long = mac;
        d.ID16Short = "1234";
        d.DeviceType = 7;
        d.DeviceTypeSTR = "Router";
        d.DeviceName = "Kitchen lamp " + std::to_string(i);
        d.devStatus = static_cast<int16_t>(i % 3);
    }
    s.TotalDevice = static_cast<int16_t>(n);
}

double median_ms(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void redraw(int devices) {
    platform::VirtualClock clock;
    modMain::reset();
    fill_table(devices);
    health::StartSession();
    History& h = health::history();
    // An hour of pings for the 10 plotted devices (one a second each), a few samples for every other.
    for (int i = 1; i <= devices; ++i) {
        const uint64_t key = *health::MacKey(modMain::g().Devices[static_cast<size_t>(i)].ID64Long);
        if (i <= 10) {
            for (Ds t = 0; t < health::kOneHour; t += 10) h.AddPing(key, t, static_cast<uint8_t>(100 + (t / 10 + i * 7) % 120), t % 170 != 0);
        } else {
            h.AddPing(key, static_cast<Ds>(i % health::kOneHour), static_cast<uint8_t>(i % 256), i % 7 != 0);
            h.AddReport(key, health::ReportSample{static_cast<Ds>(i % health::kOneHour), 3300, 1300, {}});
        }
    }
    clock.advance(3600 * 1000);
    frmHealth w;
    w.resize(1200, 800);
    w.cboSpan->setCurrentIndex(1);  // the last hour
    w.show();
    // The 10 devices with the most pings, at the top once sorted by slot.
    for (int row = 0; row < 10; ++row)
        w.lstHealth->selectionModel()->select(w.model.index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::processEvents();
    // Paints the whole window, table and plot, into a pixmap, as the screen's backing store would get it.
    QImage shown;
    auto paint_window = [&w, &shown] { shown = w.grab().toImage(); };
    std::vector<double> paint, refresh, plot_alone;
    for (int k = 0; k < 30; ++k) {
        const auto p0 = std::chrono::steady_clock::now();
        w.picPlot->grab();
        plot_alone.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - p0).count());
        auto t0 = std::chrono::steady_clock::now();
        paint_window();
        auto t1 = std::chrono::steady_clock::now();
        w.tmrHealth_Timer();
        paint_window();
        auto t2 = std::chrono::steady_clock::now();
        paint.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        refresh.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    }
    // The first curve's colour in the plot's part of the picture: the paint drew what it was given.
    const QRect plot = w.picPlot->geometry().translated(w.picPlot->parentWidget()->mapTo(&w, QPoint()));
    const QColor first = health::SeriesColour(0);
    long curve_pixels = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y)
        for (int x = plot.left(); x <= plot.right(); ++x) {
            const QColor c = shown.pixelColor(x, y);
            if (std::abs(c.red() - first.red()) + std::abs(c.green() - first.green()) +
                    std::abs(c.blue() - first.blue()) < 30)
                ++curve_pixels;
        }
    std::printf("health window, %5d rows, %zu devices plotted, %dx%d: paint %.2f ms (goal < 16 ms; "
                "the plot alone %.2f ms), refresh + paint %.2f ms (once a second); %ld pixels of the first curve\n",
                w.model.rowCount(), w.picPlot->Series().size(), shown.width(), shown.height(), median_ms(paint),
                median_ms(plot_alone), median_ms(refresh), curve_pixels);
    if (curve_pixels == 0) {
        std::fprintf(stderr, "bench_health: the plot drew no curve\n");
        std::exit(1);
    }
}

}  // namespace

// Without an argument both parts run; "history" or "window" runs one alone (for a profiler).
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string only = argc > 1 ? argv[1] : "";
    if (only != "window") {
        std::printf("History memory and reach (goal: at most 16 MiB at 32000 devices)\n");
        run(demo_network());
        run(large("32000 devices, a report every 10 min each", 600));
        run(large("32000 devices, the line full of reports", 32000.0 / 225));
    }
    if (only != "history") {
        redraw(500);
        redraw(32000);
    }
    return 0;
}
