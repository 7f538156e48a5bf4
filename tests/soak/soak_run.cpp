#include "tests/soak/soak_run.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>

#include "app/core/device_table.h"
#include "app/core/mod_main.h"
#include "app/core/start_up.h"
#include "app/device_window/frmDevice.h"
#include "app/health/recording.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "link/zigbee_net.h"
#include "platform/profile_engine.h"
#include "platform/program_folder.h"
#include "platform/serial_port.h"
#include "tests/soak/invariants.h"

namespace soak {

namespace {

constexpr uint64_t kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute, kDay = 24 * kHour;
constexpr uint64_t kNever = UINT64_MAX;
// A device whose announce is this recent may still be on its way through the link.
constexpr uint32_t kAnnounceSettleMs = 10000;
// An hourly check waits at most this long for the network to settle, then checks all the same.
constexpr uint64_t kCheckPatience = 30 * kMinute;
constexpr int64_t kHeapGrowthLimit = 256 * 1024;
constexpr size_t kViolationsKept = 200;
const char* const kStrangerPrefix = "00:13:A2:00:5E:";
// The operator keeps about this many devices beyond the configured network: Add Device waits while
// there are more, and Delete Device sends them away. A table that kept growing would hide a leak
// behind its own growth.
constexpr int kVisitorsKept = 6;

SoakRun* running = nullptr;

// The program ends the process on a fault it cannot go on from: that is the soak's gravest finding.
void ReportProgramEnd() {
    if (running)
        std::fprintf(stderr, "soak: VIOLATION at %s: the program ended itself\n", SoakRun::When(running->Elapsed()).c_str());
}

void SendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
    const QPointF at = QRectF(w->rect()).center();
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A left click as the mouse makes it: press and release on the widget's centre.
void Click(QWidget* w) {
    SendMouse(w, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
}

int64_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return -1;  // the sanitizer's allocator keeps its own books
#else
    const struct mallinfo2 m = mallinfo2();
    return static_cast<int64_t>(m.uordblks + m.hblkhd);
#endif
}

frmMain& Main() { return *modMain::windows().main; }

}  // namespace

std::string OperatorDialogs::input_box(const std::string&, const std::string&, const std::string& def) {
    if (answers.empty()) return "";
    std::string a = answers.front();
    answers.pop_front();
    return a.empty() ? def : a;
}

void OperatorDialogs::message_box(const std::string& text, const std::string&) { messages.push_back(text); }

void OperatorDialogs::error_box(const std::string& text, const std::string&, const std::string& detail) {
    messages.push_back(text + " (" + detail + ")");
}

std::string OperatorDialogs::save_file_name(const std::string&, const std::string&) { return ""; }

SoakRun::SoakRun(Options options) : opt_(std::move(options)), rng_(opt_.seed) {
    to_add_ = AddedCandidates(opt_.rates);
}

SoakRun::~SoakRun() { Stop(); }

uint64_t SoakRun::Elapsed() {
    const uint32_t now = clock_.now_ms();
    elapsed_ += now - last_now_;  // unsigned: right across the wrap
    last_now_ = now;
    return elapsed_;
}

std::string SoakRun::When(uint64_t ms) {
    char buf[48];
    const uint64_t s = ms / 1000;
    std::snprintf(buf, sizeof buf, "day %llu %02llu:%02llu:%02llu", static_cast<unsigned long long>(s / 86400),
                  static_cast<unsigned long long>(s / 3600 % 24), static_cast<unsigned long long>(s / 60 % 60),
                  static_cast<unsigned long long>(s % 60));
    return buf;
}

void SoakRun::Start() {
    QDir(QString::fromStdString(opt_.folder)).removeRecursively();
    QDir().mkpath(QString::fromStdString(opt_.folder + "/log"));
    modMain::reset();
    ZigBeeNet::ResetThreadState();
    platform::set_settings(&store_);
    platform::set_dialogs(&dialogs_);
    platform::set_program_folder(opt_.folder);
    auto line = line_;
    platform::set_serial_factory([line] { return line->make_port(); });
    store_.values[{"Corvani_ZigBee_Demo", "Settings", "ShowSplash"}] = "0";
    // A network met for the first time, polled every second.
    std::ofstream(opt_.folder + "/0013A200405AC001.ini", std::ios::binary)
        << "[Main]\r\nTotalDevice=0\r\nDeviceTimeOut=1000\r\nmSecAlive=1000\r\nenaPollPing=1\r\nDefaultPollRate=20000\r\n";

    zbsim::ConfigError error;
    auto config = zbsim::parse_config(NetworkConfig(opt_.rates, opt_.seed), error);
    if (!config) {
        Violate("the network's configuration is wrong: " + error.text());
        return;
    }
    sim_ = std::make_unique<zbsim::Coordinator>(*config);
    sim_->attach(line_);
    sim_->set_log([this](const std::string& l) { fig_.events += l.compare(0, 3, "<- ") == 0 || l.compare(0, 3, "-> ") == 0; });
    const QDateTime epoch(QDate(2026, 1, 1), QTime(0, 0));
    log_ = std::make_unique<platform::DailyLog>(opt_.folder + "/log", opt_.log_bound,
                                                [this, epoch] { return epoch.addMSecs(static_cast<qint64>(Elapsed())); });
    platform::set_daily_log(log_.get());

    running = this;
    static const bool hooked = (std::atexit(ReportProgramEnd), true);
    (void)hooked;
    dialogs_.answers.push_back("5");
    modMain::Main();
    // The windows stay shown and take their input, but nobody looks at weeks of repaints: drawing
    // them would cost most of the run's time.
    for (QWidget* w : {static_cast<QWidget*>(modMain::windows().main), static_cast<QWidget*>(modMain::windows().log)})
        if (w) w->setUpdatesEnabled(false);
}

void SoakRun::Stop() {
    if (running != this) return;
    running = nullptr;
    delete modMain::windows().device;
    delete modMain::windows().main;
    delete modMain::windows().log;
    sim_.reset();
    modMain::reset();
    ZigBeeNet::ResetThreadState();
    platform::profile_flush();
    platform::set_daily_log(nullptr);
    log_.reset();
    platform::set_serial_factory(nullptr);
    platform::set_program_folder("");
    platform::set_dialogs(nullptr);
    platform::set_settings(nullptr);
}

void SoakRun::Violate(const std::string& what) {
    const uint64_t at = Elapsed();
    if (fig_.violations.size() < kViolationsKept) fig_.violations.push_back({at, what});
    else if (fig_.violations.size() == kViolationsKept) fig_.violations.push_back({at, "(further violations not kept)"});
    std::fprintf(stderr, "soak: VIOLATION at %s: %s\n", When(at).c_str(), what.c_str());
}

void SoakRun::Record(const std::vector<std::string>& problems) {
    for (const std::string& p : problems) Violate(p);
}

// The health history is a cache that fills up to its budget over the first weeks by design; it is
// checked against that budget on its own, and the heap is judged without it.
void SoakRun::SampleHeap(Figures::HeapSample& into) {
    WaitForLogClear();
    const int64_t heap = HeapInUse();
    const auto history = static_cast<int64_t>(health::history().MemoryBytes());
    into.bytes = heap < 0 ? heap : heap - history;
    into.devices = modMain::g().TotalDevice;
    fig_.history_end = history;
}

// The log window's text swings the heap by half a megabyte as it fills up to its bound and clears
// itself; samples taken just after it cleared compare like with like.
void SoakRun::WaitForLogClear() {
    frmLog* log = modMain::windows().log;
    if (!log) return;
    int32_t before = log->txtLOG->TextLength();
    for (const uint64_t since = Elapsed(); Elapsed() - since < kHour;) {
        clock_.advance(static_cast<uint32_t>(kSecond));
        const int32_t now = log->txtLOG->TextLength();
        if (now < before) return;
        before = now;
    }
}

// A device beyond the configured network: a stranger, or a candidate that got in.
bool SoakRun::Visitor(const std::string& mac) const {
    auto parsed = zbsim::parse_mac(mac);
    const zbsim::SimDevice* d = parsed ? sim_->device_by_mac(*parsed) : nullptr;
    return d && (!d->config().member || mac.rfind(kStrangerPrefix, 0) == 0);
}

int SoakRun::VisitorsInTable() const {
    const modMain::State& s = modMain::g();
    int n = 0;
    for (int i = 1; i <= s.TotalDevice; ++i) n += Visitor(std::as_const(s.Devices)[static_cast<size_t>(i)].ID64Long);
    return n;
}

void SoakRun::Schedule() {
    // First times put one of each within the first two hours, so that a short run meets them all.
    tasks_ = {
        {"check", kHour, kHour, [this] { return Check(); }},
        {"save", kHour, 20 * kMinute, [this] { return SaveData(); }},
        {"device window", 2 * kHour, 40 * kMinute, [this] { return WorkDeviceWindow(); }},
        {"unlock", kDay, 50 * kMinute, [this] { return Unlock(); }},
        {"relock", kNever, kNever, [this] { return Relock(); }},
        {"add", 8 * kHour, 70 * kMinute, [this] { return AddDevice(); }},
        {"channel", kDay, 90 * kMinute, [this] { return ChangeChannel(); }},
        {"delete", 90 * kMinute, 110 * kMinute, [this] { return DeleteDevice(); }},
        {"reset", 12 * kHour, 100 * kMinute, [this] { return Reset(); }},
    };
}

Figures SoakRun::Run() {
    const auto t0 = std::chrono::steady_clock::now();
    const uint64_t total = static_cast<uint64_t>(opt_.hours * static_cast<double>(kHour));
    Start();
    Schedule();
    uint64_t next_day = kDay;
    while (sim_) {
        auto next = std::min_element(tasks_.begin(), tasks_.end(),
                                     [](const Task& a, const Task& b) { return a.next_ms < b.next_ms; });
        const uint64_t due = std::min(next->next_ms, total);
        for (uint64_t now = Elapsed(); now < due; now = Elapsed())
            clock_.advance(static_cast<uint32_t>(std::min<uint64_t>(due - now, kHour)));
        if (next->next_ms > total) break;
        ++fig_.events;
        if (next->run()) {
            next->next_ms = next->period_ms == kNever ? kNever : std::max(next->next_ms + next->period_ms, Elapsed() + 1);
        } else {
            next->next_ms = Elapsed() + 30 * kSecond;
        }
        if (fig_.heap_day1.bytes < 0 && Elapsed() >= kDay) SampleHeap(fig_.heap_day1);
        if (fig_.heap_mid.bytes < 0 && total >= 2 * kDay && Elapsed() >= total / 2) SampleHeap(fig_.heap_mid);
        if (opt_.progress && Elapsed() >= next_day) {
            std::printf("soak: %s done, %llu events, %zu violations, %d devices, heap %lld KB (health history %zu KB)\n",
                        When(Elapsed()).c_str(), static_cast<unsigned long long>(fig_.events), fig_.violations.size(),
                        modMain::g().TotalDevice, static_cast<long long>(HeapInUse() / 1024),
                        health::history().MemoryBytes() / 1024);
            std::fflush(stdout);
            next_day += kDay;
        }
    }
    if (sim_) {
        // The last check waits for a settled network like the hourly ones.
        for (uint64_t since = Elapsed(); !Settled() && Elapsed() - since < kCheckPatience;) clock_.advance(30 * kSecond);
        Record(CheckTable(*sim_));
        Record(CheckIdleProgram());
        ++fig_.checks;
        if (total >= kDay) SampleHeap(fig_.heap_end);
    }
    const int64_t growth = fig_.heap_end.bytes - fig_.heap_day1.bytes;
    if (fig_.heap_day1.bytes > 0 && fig_.heap_end.bytes > 0 && growth >= kHeapGrowthLimit)
        Violate("the heap outside the health history grew by " + std::to_string(growth / 1024) + " KB after day 1");
    for (const std::string& m : dialogs_.messages) Violate("a message box showed \"" + m + "\"");
    fig_.simulated_days = static_cast<double>(Elapsed()) / static_cast<double>(kDay);
    fig_.real_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    Stop();
    return fig_;
}

bool SoakRun::Settled() {
    if (!sim_->running()) return false;
    const uint32_t now = clock_.now_ms();
    for (const zbsim::SimDevice& d : sim_->devices()) {
        if (!d.belongs()) continue;
        if (!d.joined || now - d.joined_at < kAnnounceSettleMs) return false;
    }
    const modMain::State& s = modMain::g();
    return s.CoordAnnounced == 0 && s.CoordResetWait == 0 && s.DevWinState == 0;
}

bool SoakRun::Check() {
    const auto& task = tasks_.front();
    if (!Settled() && Elapsed() < task.next_ms + kCheckPatience) return false;
    Record(CheckTable(*sim_));
    Record(CheckIdleProgram());
    Record(CheckLogBounds(opt_.folder + "/log", opt_.log_bound));
    const health::History& history = health::history();
    if (history.MemoryBytes() > history.BudgetBytes())
        Violate("the health history holds " + std::to_string(history.MemoryBytes() / 1024) + " KB, over its budget");
    // The test line keeps every write for assertions that the soak never makes: an hour's worth is enough.
    line_->clear_writes();
    ++fig_.checks;
    return true;
}

bool SoakRun::SaveData() {
    if (!Main().cmdSaveData->isEnabled()) return false;
    const SavedTable before = SnapshotTable();
    Click(Main().cmdSaveData);
    Record(CheckFilesLoadBack(before));
    return true;
}

bool SoakRun::Reset() {
    if (!Main().cmdReset->isEnabled()) return false;
    Click(Main().cmdReset);
    return true;
}

bool SoakRun::ChangeChannel() {
    if (!Main().cmdChgRFCh->isEnabled()) return false;
    // Now and then the automatic search (0), otherwise a channel of 11..26.
    const int ch = rng_.between(10, 26);
    dialogs_.answers.push_back(std::to_string(ch == 10 ? 0 : ch));
    Click(Main().cmdChgRFCh);
    return true;
}

bool SoakRun::AddDevice() {
    if (to_add_.empty() || VisitorsInTable() >= kVisitorsKept) return true;
    // The next candidate in turn that is out of the network (it may have been sent away before).
    const std::string* mac = nullptr;
    for (size_t tried = 0; tried < to_add_.size() && !mac; ++tried, next_add_ = (next_add_ + 1) % to_add_.size()) {
        auto parsed = zbsim::parse_mac(to_add_[next_add_]);
        const zbsim::SimDevice* d = parsed ? sim_->device_by_mac(*parsed) : nullptr;
        if (d && !d->belongs()) mac = &to_add_[next_add_];
    }
    if (!mac) return true;
    if (!Main().cmdAddItem->isEnabled()) return false;
    dialogs_.answers.push_back(*mac);
    Click(Main().cmdAddItem);
    return true;
}

bool SoakRun::DeleteDevice() {
    const modMain::State& s = modMain::g();
    int slot = 0;
    // Only visitors are sent away, the longest-standing first (the table keeps arrival order).
    for (int i = 1; i <= s.TotalDevice && !slot; ++i)
        if (Visitor(std::as_const(s.Devices)[static_cast<size_t>(i)].ID64Long)) slot = i;
    if (!slot) return true;
    if (!Main().cmdDelDevice->isEnabled()) return false;
    const std::string mac = std::as_const(s.Devices)[static_cast<size_t>(slot)].ID64Long;
    dialogs_.answers.push_back(std::to_string(slot));
    dialogs_.answers.push_back("");  // confirms the proposed address
    Click(Main().cmdDelDevice);
    if (modMain::FindDeviceByMac(mac) != 0) {
        Violate("Delete Device left " + mac + " in the table");
        return true;
    }
    auto parsed = zbsim::parse_mac(mac);
    if (parsed) sim_->leave(*parsed);
    return true;
}

bool SoakRun::Unlock() {
    if (modMain::g().NetLocked == 0) return true;
    if (!Main().cmdULockNet->isEnabled()) return false;
    Click(Main().cmdULockNet);
    // A few candidates get in before the network is locked again.
    tasks_[4].next_ms = Elapsed() + 5 * kSecond;
    return true;
}

bool SoakRun::Relock() {
    if (modMain::g().NetLocked != 0) return true;  // a restart locked it already
    if (!Main().cmdULockNet->isEnabled()) return false;
    Click(Main().cmdULockNet);
    return true;
}

bool SoakRun::WorkDeviceWindow() {
    const modMain::State& s = modMain::g();
    if (!Main().frmLSTDEV->isEnabled()) return false;
    const int rows = std::min(frmMain::kListRows, s.TotalDevice - s.ListTop + 1);
    if (rows < 1) return true;
    const int row = rng_.between(0, rows - 1);
    const auto output = static_cast<size_t>(rng_.between(0, 3));
    // Each step runs once the one before it is done: Apply waits for the device's answers.
    auto step = std::make_shared<std::function<void(int)>>();
    std::weak_ptr<std::function<void(int)>> next = step;
    *step = [this, next, output](int stage) {
        frmDevice* d = modMain::windows().device;
        if (!d) return;
        if (stage == 0) {
            d->setUpdatesEnabled(false);
            // The report period the device has now, so that Apply keeps the network as busy as it was.
            const std::string mac = modMain::g().CurDevice.ID64Long;
            auto parsed = zbsim::parse_mac(mac);
            const zbsim::SimDevice* sd = parsed ? sim_->device_by_mac(*parsed) : nullptr;
            if (sd) d->txtNewRate->setText(QString::number(sd->report_s));
            Click(d->cmdApply);
        } else if (stage <= 2) {
            Click(d->cmdOutput[output]);
        } else {
            d->close();
            return;
        }
        if (auto again = next.lock()) clock_.call_later(3000, [again, stage] { (*again)(stage + 1); });
    };
    clock_.call_later(2000, [step] { (*step)(0); });
    const uint64_t failsafe = clock_.call_later(static_cast<uint32_t>(15 * kMinute), [this] {
        if (frmDevice* d = modMain::windows().device) {
            Violate("the device window was still open after 15 minutes");
            d->close();
        }
    });
    SendMouse(Main().lblLstDEVName[static_cast<size_t>(row)], QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton);
    clock_.cancel(failsafe);
    return true;
}

}  // namespace soak
