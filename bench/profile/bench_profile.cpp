// Writing and reading the network data file one key per call, as the main program does: N device
// sections of 10 keys each.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/profile_engine.h"
#include "platform/virtual_clock.h"
#include "profile/pravel.h"

namespace {

const char* const kKeys[] = {"ID64Long",   "ID16Short",  "DeviceType", "DeviceTypeSTR", "DeviceLQI",
                             "DeviceName", "devPollRate", "devNewRate", "stsEnableKeepAlive", "devSpare"};

std::string mac(int64_t i) {
    char text[32];
    std::snprintf(text, sizeof text, "00:13:A2:00:40:%02X:%02X:%02X", static_cast<unsigned>((i >> 16) & 0xFF),
                  static_cast<unsigned>((i >> 8) & 0xFF), static_cast<unsigned>(i & 0xFF));
    return text;
}

std::string bench_file(int64_t n) { return "/tmp/bench_profile_" + std::to_string(n) + ".ini"; }

double resident_mb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Deletes the file, which also lets the engine drop what it held of it.
void forget(const std::string& file) {
    platform::profile_discard_file(file);
    platform::profile_flush();
}

void write_all(Pravel& ini, int64_t n) {
    for (int64_t i = 1; i <= n; ++i) {
        ini.Sezione(mac(i));
        for (const char* key : kKeys) {
            ini.Chiave(key);
            ini.Valore(key[0] == 'I' ? mac(i) : "Kitchen lamp 12");
            ini.ScriviValore();
        }
    }
}

// Every pass rebuilds the file from nothing, then control returns to the event loop and the file is
// written once.
void BM_WriteSections(benchmark::State& state) {
    platform::VirtualClock clock;
    Pravel ini;
    ini.File(bench_file(state.range(0)));
    for (auto _ : state) {
        platform::profile_discard_file(ini.File());
        write_all(ini, state.range(0));
        clock.run_pending();
    }
    state.counters["keys/s"] = benchmark::Counter(static_cast<double>(state.range(0) * 10), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["RSS_MB"] = resident_mb();
    forget(ini.File());
}

void BM_ReadSections(benchmark::State& state) {
    platform::VirtualClock clock;
    Pravel ini;
    ini.File(bench_file(state.range(0)));
    platform::profile_discard_file(ini.File());
    write_all(ini, state.range(0));
    platform::profile_flush();
    // As the program finds it at start-up: written in an earlier run, not seconds ago.
    struct timespec old[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 60, 0}};
    ::utimensat(AT_FDCWD, ini.File().c_str(), old, 0);
    for (auto _ : state)
        for (int64_t i = 1; i <= state.range(0); ++i) {
            ini.Sezione(mac(i));
            for (const char* key : kKeys) {
                ini.Chiave(key);
                ini.LeggiValore();
                benchmark::DoNotOptimize(ini.Valore());
            }
        }
    state.counters["keys/s"] = benchmark::Counter(static_cast<double>(state.range(0) * 10), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["RSS_MB"] = resident_mb();
    forget(ini.File());
}

BENCHMARK(BM_WriteSections)->Arg(1000)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSections)->Arg(1000)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
