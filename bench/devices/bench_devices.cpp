// The lookup every reply makes, with 4 and 32000 devices; the device table's files and its compaction
// for networks of 1000, 8000 and 32000 devices; then, each in a fresh process as at start-up, the peak
// memory with 32000 devices loaded and saved and the CPU that loading and saving 8000, 16000 and 32000
// devices cost, beside their goals.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/core/device_table.h"
#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "platform/atomic_file.h"
#include "platform/virtual_clock.h"
#include "profile/pravel.h"

namespace {

using namespace modMain;

std::string mac(int64_t i) {
    char text[32];
    std::snprintf(text, sizeof text, "00:13:A2:00:41:%02X:%02X:%02X", static_cast<unsigned>((i >> 16) & 0xFF),
                  static_cast<unsigned>((i >> 8) & 0xFF), static_cast<unsigned>(i & 0xFF));
    return text;
}

void fill_table(int64_t n) {
    State& s = g();
    for (int64_t i = 1; i <= n; ++i) {
        DeviceRecord& d = s.Devices[static_cast<size_t>(i)];
        d.ID64Long = mac(i);
        char shortId[8];
        std::snprintf(shortId, sizeof shortId, "%04X", static_cast<unsigned>(i & 0xFFFF));
        d.ID16Short = shortId;
        d.DeviceType = i % 3 == 0 ? 6 : 7;
        d.DeviceTypeSTR = i % 3 == 0 ? "End Device" : "Router";
        d.DeviceLQI = static_cast<int16_t>(i % 256);
        d.DeviceName = "Kitchen lamp " + std::to_string(i);
        d.devPollRate = 20000;
        d.devNewRate = 10;
        d.stsEnableKeepAlive = 1;
    }
    s.TotalDevice = static_cast<int16_t>(n);
    s.DeviceTimeOut = 1000;
    s.mSecAlive = 1000;
    s.DefaultPollRate = 20000;
}

// Each size gets its own pair of files in a folder of its own.
struct Workspace {
    platform::VirtualClock clock;
    Pravel ini;
    std::string folder;

    explicit Workspace(int64_t n) {
        reset();
        folder = "/tmp/bench_devices_" + std::to_string(::getpid()) + "_" + std::to_string(n);
        std::system(("mkdir -p '" + folder + "'").c_str());
        g().CoordMac = "00:13:A2:00:40:5A:C0:01";
        g().NetFilePath = folder + "/0013A200405AC001.ini";
        g().MacListPath = folder + "/0013A200405AC001_macList.txt";
        controls().iniZB = &ini;
    }
    ~Workspace() {
        controls().iniZB = nullptr;
        std::system(("rm -rf '" + folder + "'").c_str());
        reset();
    }
};

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

double cpu_seconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peak_mb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

void BM_SaveNetworkData(benchmark::State& state) {
    Workspace ws(state.range(0));
    fill_table(state.range(0));
    for (auto _ : state) SaveNetworkData();
    state.SetComplexityN(state.range(0));
    state.counters["file_MB"] = static_cast<double>(read_file(g().NetFilePath).size()) / 1e6;
}

// As at start-up: the file is new to the program, so every pass reads and parses it from the disk.
void BM_LoadNetworkData(benchmark::State& state) {
    Workspace ws(state.range(0));
    fill_table(state.range(0));
    SaveNetworkData();
    const std::string bytes = read_file(g().NetFilePath);
    const std::string path = g().NetFilePath;
    reset();  // a program just started
    g().NetFilePath = path;
    for (auto _ : state) {
        state.PauseTiming();
        platform::write_file_atomically(g().NetFilePath, bytes);
        ws.clock.run_pending();
        state.ResumeTiming();
        LoadNetworkData();
    }
    if (g().TotalDevice != state.range(0) || g().Devices[static_cast<size_t>(state.range(0))].ID64Long.empty())
        state.SkipWithError("the file did not load back");
    state.SetComplexityN(state.range(0));
}

// A reply from the device in slot 1, which the downward search reaches last.
void BM_FindDeviceByShort(benchmark::State& state) {
    Workspace ws(state.range(0));
    fill_table(state.range(0));
    const std::string first = g().Devices[1].ID16Short;
    for (auto _ : state) benchmark::DoNotOptimize(FindDeviceByShort(first));
    if (FindDeviceByShort(first) != 1) state.SkipWithError("the device was not found");
}

// The first device deleted: every other record moves up by one slot.
void BM_CompactDeviceTable(benchmark::State& state) {
    Workspace ws(state.range(0));
    const auto n = static_cast<size_t>(state.range(0));
    fill_table(state.range(0));
    auto& d = g().Devices;
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = n + 1; i >= 2; --i) d[i] = std::move(d[i - 1]);
        d[1] = DeviceRecord{};
        state.ResumeTiming();
        CompactDeviceTable();
    }
    if (d[n].ID64Long != mac(static_cast<int64_t>(n)) || !d[n + 1].ID64Long.empty())
        state.SkipWithError("the table did not compact");
    state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(BM_FindDeviceByShort)->Arg(4)->Arg(32000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveNetworkData)->Arg(1000)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_LoadNetworkData)->Arg(1000)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_CompactDeviceTable)
    ->Arg(1000)
    ->Arg(8000)
    ->Arg(32000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

namespace {

constexpr double kPeakGoalMb = 90;
constexpr double kCpuGoalSeconds = 0.15;
constexpr double kGrowthGoal = 2.1;

// Run as its own process (the benchmarks above leave their own traces in this one): a program that
// starts, loads the network of 32000 devices in `folder`, compacts the table and later saves it.
int measure_program_peak(const std::string& folder) {
    Workspace ws(0);
    g().NetFilePath = folder + "/0013A200405AC001.ini";
    g().MacListPath = folder + "/0013A200405AC001_macList.txt";
    LoadNetworkData();
    CompactDeviceTable();
    if (g().TotalDevice != 32000) return 1;
    std::printf("peak resident memory with 32000 devices loaded and compacted: %.1f MB\n", peak_mb());
    SaveNetworkData();
    std::printf("peak resident memory after saving them again: %.1f MB (goal: under %.0f MB)\n", peak_mb(),
                kPeakGoalMb);
    return 0;
}

// Also its own process: loads the network in `folder` and saves it again, and prints the CPU seconds of
// each as "load save" for the parent.
int measure_program_cpu(const std::string& folder, int devices) {
    Workspace ws(0);
    g().NetFilePath = folder + "/0013A200405AC001.ini";
    g().MacListPath = folder + "/0013A200405AC001_macList.txt";
    const double start = cpu_seconds();
    LoadNetworkData();
    const double loaded = cpu_seconds();
    if (g().TotalDevice != devices) return 1;
    SaveNetworkData();
    std::printf("%.4f %.4f\n", loaded - start, cpu_seconds() - loaded);
    return 0;
}

std::string self_path() {
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return std::string();
    return self;
}

void report_program_peak() {
    Workspace ws(32000);
    fill_table(32000);
    SaveNetworkData();
    const std::string command = "'" + self_path() + "' --program-peak '" + ws.folder + "'";
    std::fflush(stdout);
    if (std::system(command.c_str()) != 0) std::printf("the peak measurement failed\n");
}

// Load and save CPU of the network in `folder`, in a fresh process; false when the child failed.
bool program_cpu(const std::string& folder, int devices, double& load, double& save) {
    const std::string command = "'" + self_path() + "' --program-cpu '" + folder + "' " + std::to_string(devices);
    FILE* child = ::popen(command.c_str(), "r");
    if (!child) return false;
    const bool read = std::fscanf(child, "%lf %lf", &load, &save) == 2;
    return ::pclose(child) == 0 && read;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Rounds of fresh processes, one of each size per round, each on a file written for it. A slow spell of
// this machine then weighs on all sizes of a round alike, and a file that happens to read slowly (its
// place in the page cache) on one round only; the growth per doubling is the median of the rounds' own
// ratios rather than a ratio of two figures taken apart.
void report_program_cpu() {
    constexpr int kRounds = 5;
    const int sizes[] = {8000, 16000, 32000};
    std::vector<double> load[3], save[3], load_growth, save_growth;
    bool ok = true;
    for (int round = 0; round < kRounds && ok; ++round) {
        double l[3] = {}, s[3] = {};
        for (int i = 0; i < 3 && ok; ++i) {
            Workspace ws(sizes[i]);
            fill_table(sizes[i]);
            SaveNetworkData();
            ok = program_cpu(ws.folder, sizes[i], l[i], s[i]);
        }
        if (!ok || l[1] <= 0 || s[1] <= 0) break;
        for (int i = 0; i < 3; ++i) {
            load[i].push_back(l[i]);
            save[i].push_back(s[i]);
        }
        load_growth.push_back(l[2] / l[1]);
        save_growth.push_back(s[2] / s[1]);
    }
    if (!ok || load_growth.empty()) {
        std::printf("the fresh-process CPU measurement failed\n");
        return;
    }
    for (int i = 0; i < 3; ++i)
        std::printf("fresh process, %5d devices, median of %d: load %.3f s, save %.3f s of CPU\n", sizes[i], kRounds,
                    median(load[i]), median(save[i]));
    std::printf("load CPU at 32000 devices: %.3f s (goal: under %.2f s), growth per doubling %.2f (goal: at most %.1f)\n",
                median(load[2]), kCpuGoalSeconds, median(load_growth), kGrowthGoal);
    std::printf("save CPU at 32000 devices: %.3f s (goal: under %.2f s), growth per doubling %.2f (goal: at most %.1f)\n",
                median(save[2]), kCpuGoalSeconds, median(save_growth), kGrowthGoal);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--program-peak") return measure_program_peak(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--program-cpu") return measure_program_cpu(argv[2], std::atoi(argv[3]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    report_program_peak();
    report_program_cpu();
    std::printf("peak resident memory of this benchmark process: %.1f MB\n", peak_mb());
    return 0;
}
