#include "tests/program/program_fixture.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "app/core/mod_main.h"
#include "app/core/reply_wait.h"
#include "app/core/start_up.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "link/zigbee_net.h"
#include "platform/profile_engine.h"
#include "platform/program_folder.h"
#include "tests/qt_application_environment.h"

namespace {

constexpr const char* kRootVariable = "DALMIRO_PROGRAM_TEST_ROOT";
constexpr int kTimePrefix = 12;  // "HH:mm:ss--> "

bool owns_root = false;

const auto* const registered = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment(
    "program_tests", [] { if (owns_root) QDir(QString::fromStdString(std::getenv(kRootVariable))).removeRecursively(); }));

// One folder per process tree: a death test's child inherits the variable and so finds the folder
// its parent will look into.
std::string root_folder() {
    if (const char* root = std::getenv(kRootVariable)) return root;
    const std::string root = QDir::tempPath().toStdString() + "/dalmiro-program-" + std::to_string(::getpid());
    ::setenv(kRootVariable, root.c_str(), 0);
    owns_root = true;
    return root;
}

std::string current_test_name() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

void append_line(const std::string& path, const std::string& text) {
    if (path.empty()) return;
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << text << '\n';
}

// Hooks the log window as soon as it shows and rewrites the file on every change of the log.
class LogMirror : public QObject {
public:
    LogMirror(std::string file, QObject* parent) : QObject(parent), file_(std::move(file)) {}

protected:
    bool eventFilter(QObject* obj, QEvent* event) override {
        if (event->type() == QEvent::Show && obj->inherits("frmLog") && obj != hooked_) {
            hooked_ = obj;
            auto* log = static_cast<frmLog*>(obj);
            QObject::connect(log->txtLOG, &QTextEdit::textChanged, this, [this, log] {
                std::ofstream out(file_, std::ios::trunc | std::ios::binary);
                out << log->txtLOG->toPlainText().toStdString();
            });
        }
        return false;
    }

private:
    std::string file_;
    QObject* hooked_ = nullptr;
};

}  // namespace

void MirroredSettingsStore::save(const std::string& app, const std::string& section, const std::string& key,
                                 const std::string& value) {
    MemorySettingsStore::save(app, section, key, value);
    mirror();
}

void MirroredSettingsStore::remove(const std::string& app, const std::string& section, const std::string& key) {
    MemorySettingsStore::remove(app, section, key);
    mirror();
}

void MirroredSettingsStore::mirror() const {
    std::ofstream out(file, std::ios::trunc | std::ios::binary);
    for (const auto& [k, v] : values) out << std::get<2>(k) << '=' << v << '\n';
}

std::string RecordedDialogs::input_box(const std::string& prompt, const std::string& title, const std::string& def) {
    append_line(file, "input: " + prompt + " | " + title + " | " + def);
    return ScriptedDialogs::input_box(prompt, title, def);
}

void RecordedDialogs::message_box(const std::string& text, const std::string& title) {
    append_line(file, "message: " + text + " | " + title);
    ScriptedDialogs::message_box(text, title);
}

void RecordedDialogs::error_box(const std::string& text, const std::string& title, const std::string& detail) {
    append_line(file, "error: " + text + " | " + title + " | " + detail);
    ScriptedDialogs::error_box(text, title, detail);
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += static_cast<char>(static_cast<uint8_t>(b));
    return s;
}

ProgramTest::ProgramTest() {
    dir = root_folder() + "/" + current_test_name();
    program_dir = dir + "/program";
    QDir(QString::fromStdString(dir)).removeRecursively();
    QDir().mkpath(QString::fromStdString(program_dir));
    store.file = TestFile("settings.txt");
    dialogs.file = TestFile("dialogs.txt");

    modMain::reset();
    ZigBeeNet::ResetThreadState();
    platform::set_settings(&store);
    platform::set_dialogs(&dialogs);
    platform::set_program_folder(program_dir);
    platform::set_serial_factory([this] { return line->make_port(); });
}

ProgramTest::~ProgramTest() {
    EndRun();
    platform::set_serial_factory(nullptr);
    platform::set_program_folder("");
    platform::set_dialogs(nullptr);
    platform::set_settings(nullptr);
    platform::profile_flush();
    QDir(QString::fromStdString(dir)).removeRecursively();
}

std::string ProgramTest::CoordinatorOnly(const std::string& more) {
    return std::string("coordinator mac=") + kCoordMac + " pan=3F21 channel=15 version=2.1 seed=7\n" + more;
}

void ProgramTest::UseSim(const std::string& config_text) {
    zbsim::ConfigError error;
    auto config = zbsim::parse_config(config_text, error);
    ASSERT_TRUE(config) << error.text();
    sim.reset();  // detaches from the line first
    sim = std::make_unique<zbsim::Coordinator>(*config);
    sim->attach(line);
}

void ProgramTest::Preset(const std::string& key, const std::string& value) {
    store.values[{"Corvani_ZigBee_Demo", "Settings", key}] = value;
}

std::string ProgramTest::Saved(const std::string& key) const {
    auto it = store.values.find({"Corvani_ZigBee_Demo", "Settings", key});
    return it == store.values.end() ? "<absent>" : it->second;
}

std::map<std::string, std::string> ProgramTest::SettingsOnDisk() const {
    std::map<std::string, std::string> out;
    for (const std::string& l : FileLines(TestFile("settings.txt"))) {
        const size_t eq = l.find('=');
        out[l.substr(0, eq)] = l.substr(eq + 1);
    }
    return out;
}

void ProgramTest::Start(const std::string& port_answer) {
    dialogs.answers.push_back(port_answer);
    modMain::Main();
}

void ProgramTest::OpenWindows() {
    auto* log = new frmLog;
    log->show();
    auto* main = new frmMain;
    main->show();
}

void ProgramTest::EndRun() {
    delete modMain::windows().main;
    delete modMain::windows().log;
    sim.reset();
    line = std::make_shared<platform::FakeSerialLine>();
    modMain::reset();
    ZigBeeNet::ResetThreadState();
}

std::vector<std::string> ProgramTest::LogLines() const {
    std::vector<std::string> out;
    const frmLog* log = modMain::windows().log;
    if (!log) return out;
    log->txtLOG->ShowHeldLines();
    for (const QString& l : log->txtLOG->toPlainText().split('\n', Qt::SkipEmptyParts))
        out.push_back(l.mid(kTimePrefix).toStdString());
    return out;
}

QColor ProgramTest::LogColour(int n) const {
    modMain::windows().log->txtLOG->ShowHeldLines();
    QTextCursor c(modMain::windows().log->txtLOG->document()->findBlockByNumber(n));
    c.movePosition(QTextCursor::EndOfBlock);
    return c.charFormat().foreground().color();
}

void ProgramTest::RecordLogToFile() { qApp->installEventFilter(new LogMirror(TestFile("log.txt"), qApp)); }

void ProgramTest::RecordWireToFile() {
    const std::string file = TestFile("wire.txt");
    sim->set_log([file](const std::string& l) { append_line(file, l); });
}

void ProgramTest::WriteSavedNetwork(int poll_ping) {
    WriteFile(ProgramFile(std::string(kCoordDigits) + ".ini"),
              "[Main]\r\nTotalDevice=2\r\nDeviceTimeOut=1000\r\nNetStat=1\r\nmSecAlive=50\r\n"
              "enaPollPing=" + std::to_string(poll_ping) + "\r\nDefaultPollRate=20000\r\n"
              "[MAC List]\r\nDevice000001=00:13:A2:00:40:5A:10:01\r\nDevice000002=00:13:A2:00:40:5A:20:01\r\n"
              "[00:13:A2:00:40:5A:10:01]\r\nID64Long=00:13:A2:00:40:5A:10:01\r\nID16Short=1A2B\r\n"
              "DeviceType=7\r\nDeviceTypeSTR=Router\r\nDeviceName=Pump\r\nstsEnableKeepAlive=1\r\n"
              "[00:13:A2:00:40:5A:20:01]\r\nID64Long=00:13:A2:00:40:5A:20:01\r\nID16Short=3C4D\r\n"
              "DeviceType=4\r\nDeviceTypeSTR=End Device\r\nDeviceName=Tank\r\nstsEnableKeepAlive=0\r\n");
    WriteFile(ProgramFile(std::string(kCoordDigits) + "_macList.txt"),
              std::string(kCoordMac) + "\r\n" + kRouterMac + "\r\n" + kEndDeviceMac + "\r\n");
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool Exists(const std::string& path) { return QFile::exists(QString::fromStdString(path)); }

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::trunc | std::ios::binary);
    out << text;
}

std::vector<std::string> FileLines(const std::string& path) {
    std::vector<std::string> out;
    std::istringstream in(ReadFile(path));
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

std::vector<std::string> ProgramTest::ProgramFolderListing() const {
    std::vector<std::string> out;
    for (const QString& f : QDir(QString::fromStdString(program_dir)).entryList(QDir::Files, QDir::Name))
        out.push_back(f.toStdString());
    return out;
}

ReplyTest::ReplyTest() {
    OpenWindows();
    Fresh();
}

void ReplyTest::Fresh() {
    modMain::windows().main->tmrTimeOut.set_enabled(false);
    modMain::reset();
    modMain::g().StartupDone = 1;
    modMain::windows().log->txtLOG->clear();
    modMain::windows().log->barLOG->setValue(modMain::windows().log->barLOG->minimum());
}

void ReplyTest::Known(int i, const std::string& mac, const std::string& short_id) {
    auto& s = modMain::g();
    s.Devices[static_cast<size_t>(i)].ID64Long = mac;
    s.Devices[static_cast<size_t>(i)].ID16Short = short_id;
    s.TotalDevice = std::max<int16_t>(s.TotalDevice, static_cast<int16_t>(i));
}

void ReplyTest::WaitRunning() {
    modMain::StartReplyWait(5000);
    clock.advance(350);
}

bool ReplyTest::WaitClosed() const {
    return !modMain::windows().main->tmrTimeOut.enabled() && BarValue() == modMain::windows().log->barLOG->minimum();
}

int ReplyTest::BarValue() const { return modMain::windows().log->barLOG->value(); }
