#pragma once
// The whole program on virtual time: the real windows and link, the coordinator simulator on an
// in-memory serial line, scripted operator answers and a folder of its own per test. Death tests
// re-run the test in a child process, so whatever the child leaves behind (settings, answers to
// prompts, the log, the wire traffic, the network files) is mirrored into that folder, where the
// parent reads it once the child has ended.
#include <gtest/gtest.h>

#include <QColor>
#include <QStringList>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/fake_serial_port.h"
#include "platform/settings_store.h"
#include "platform/virtual_clock.h"
#include "sim/coordinator.h"

// The program's saved settings, mirrored to a file ("Key=value" lines) on every change.
class MirroredSettingsStore : public platform::MemorySettingsStore {
public:
    void save(const std::string& app, const std::string& section, const std::string& key,
              const std::string& value) override;
    void remove(const std::string& app, const std::string& section, const std::string& key) override;
    std::string file;

private:
    void mirror() const;
};

// Scripted answers; every prompt and message is also appended to a file.
class RecordedDialogs : public platform::ScriptedDialogs {
public:
    std::string input_box(const std::string& prompt, const std::string& title, const std::string& def) override;
    void message_box(const std::string& text, const std::string& title) override;
    void error_box(const std::string& text, const std::string& title, const std::string& detail) override;
    std::string file;
};

std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
// Lines of a text file, split at "\n".
std::vector<std::string> FileLines(const std::string& path);

// A reply as the link hands it over: one character per byte.
std::string Bytes(std::initializer_list<int> bytes);

constexpr const char* kCoordMac = "00:13:A2:00:40:5A:C0:01";
constexpr const char* kCoordDigits = "0013A200405AC001";
constexpr const char* kRouterMac = "00:13:A2:00:40:5A:10:01";
constexpr const char* kEndDeviceMac = "00:13:A2:00:40:5A:20:01";

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest();
    ~ProgramTest() override;

    // A coordinator with no devices; `more` adds configuration lines (faults, devices).
    static std::string CoordinatorOnly(const std::string& more = "");
    void UseSim(const std::string& config_text);

    // A saved setting present before the program starts.
    void Preset(const std::string& key, const std::string& value);
    std::string Saved(const std::string& key) const;
    // The settings file a (possibly ended) program left: key -> value; empty when nothing was saved.
    std::map<std::string, std::string> SettingsOnDisk() const;

    // Runs Main with the operator typing `port_answer` at the port prompt.
    void Start(const std::string& port_answer = "5");
    // The log and main windows as start-up shows them, without start-up itself.
    void OpenWindows();
    // Lets the link write what it has queued and hand over what has arrived.
    void Settle(uint32_t ms = 200) { clock.advance(ms); }
    // Closes the windows, forgets the program's state and gives the next run a fresh line.
    void EndRun();

    // The log window's lines without their time prefix, and the colour of line n.
    std::vector<std::string> LogLines() const;
    QColor LogColour(int n) const;
    // Mirrors every log line into log.txt from the moment the log window shows.
    void RecordLogToFile();
    // Mirrors the simulator's traffic log ("<- CMD:11;", "-> 07-...") into wire.txt.
    void RecordWireToFile();

    // The files of a network saved by an earlier run with the coordinator kCoordMac: a router (1A2B,
    // "Pump") and an end device (3C4D, "Tank"); an alive period below the minimum; `poll_ping` as saved.
    void WriteSavedNetwork(int poll_ping = 0);

    std::string ProgramFile(const std::string& name) const { return program_dir + "/" + name; }
    std::string TestFile(const std::string& name) const { return dir + "/" + name; }
    std::vector<std::string> ProgramFolderListing() const;

    std::string dir;
    std::string program_dir;
    platform::VirtualClock clock{1000};
    MirroredSettingsStore store;
    RecordedDialogs dialogs;
    std::shared_ptr<platform::FakeSerialLine> line = std::make_shared<platform::FakeSerialLine>();
    std::unique_ptr<zbsim::Coordinator> sim;
};

// The decoder on the program's windows, after start-up (StartupDone 1), without a coordinator.
class ReplyTest : public ProgramTest {
protected:
    ReplyTest();
    // Back to a fresh started program: state cleared, log emptied, no reply wait running.
    void Fresh();
    // Slot i holds a device with this address and short address; TotalDevice grows to reach it.
    void Known(int i, const std::string& mac, const std::string& short_id);
    // Arms a reply wait and lets 300 ms of it pass, so that closing it shows on the progress bar.
    void WaitRunning();
    bool WaitClosed() const;
    int BarValue() const;
};

// For tests whose program ends the process: the child runs the test again from its start.
class ProgramEndTest : public ProgramTest {
protected:
    ProgramEndTest() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

#define EXPECT_PROGRAM_ENDS(statement, code) EXPECT_EXIT(statement, ::testing::ExitedWithCode(code), "")
