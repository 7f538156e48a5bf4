// soak_run --days N | --hours N [--seed S] [--report S] [--folder DIR]: the program for N simulated days
// (or hours) on virtual time, the busy devices reporting every S seconds (5 unless given); prints its
// figures and every violation, and exits 1 when there was one.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/health/history.h"
#include "tests/soak/soak_run.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: soak_run --days N | --hours N [--seed S] [--report S] [--folder DIR]\n");
    return 2;
}

// A positive number of at most `max`, or a negative value when the text is not one.
double Positive(const char* text, double max) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    return end != text && *end == '\0' && v > 0 && v <= max ? v : -1;
}

}  // namespace

int main(int argc, char** argv) {
    soak::Options opt;
    opt.folder = QDir::tempPath().toStdString() + "/dalmiro-soak";
    opt.progress = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return Usage();
        const char* v = argv[++i];
        if (a == "--days" || a == "--hours") {
            const double n = Positive(v, a == "--days" ? 3650 : 87600);
            if (n < 0) return Usage();
            opt.hours = a == "--days" ? n * 24 : n;
        } else if (a == "--seed") {
            const double n = Positive(v, 4e9);
            if (n < 0) return Usage();
            opt.seed = static_cast<uint32_t>(n);
        } else if (a == "--report") {
            const double n = Positive(v, 3600);
            if (n < 0) return Usage();
            opt.rates.busy_report_s = static_cast<uint32_t>(n);
        } else if (a == "--folder") {
            opt.folder = v;
        } else {
            return Usage();
        }
    }
    int qt_argc = 1;
    QApplication app(qt_argc, argv);
    soak::SoakRun run(opt);
    const soak::Figures f = run.Run();
    auto mb = [](int64_t bytes) { return bytes < 0 ? std::string("not measured") : std::to_string(bytes / 1024) + " KB"; };
    std::printf("simulated days: %.2f\n", f.simulated_days);
    std::printf("events handled: %llu\n", static_cast<unsigned long long>(f.events));
    std::printf("real time: %.0f s, simulated days per real minute: %.2f\n", f.real_seconds,
                f.real_seconds > 0 ? f.simulated_days * 60 / f.real_seconds : 0.0);
    auto sample = [&](const soak::Figures::HeapSample& h) { return mb(h.bytes) + " (" + std::to_string(h.devices) + " devices)"; };
    std::printf("heap in use outside the health history: day 1 %s, mid %s, end %s\n", sample(f.heap_day1).c_str(),
                sample(f.heap_mid).c_str(), sample(f.heap_end).c_str());
    std::printf("health history at the end: %s (budget %s)\n", mb(f.history_end).c_str(),
                mb(static_cast<int64_t>(health::History::kBudgetBytes)).c_str());
    std::printf("invariant checks: %d, violations: %zu\n", f.checks, f.violations.size());
    for (const auto& v : f.violations) std::printf("  %s: %s\n", soak::SoakRun::When(v.at_ms).c_str(), v.what.c_str());
    return f.violations.empty() ? 0 : 1;
}
