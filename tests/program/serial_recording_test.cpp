// Recording the serial line from the program, and replaying a recorded session into a second run.
#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <cstdio>

#include "app/core/mod_main.h"
#include "app/core/serial_recording.h"
#include "app/main_window/frmMain.h"
#include "app/main_window/main_menu.h"
#include "platform/serial_recorder.h"
#include "platform/serial_recording_file.h"
#include "sim/replay.h"
#include "sim/sim_config.h"
#include "tests/program/program_fixture.h"

using namespace modMain;

namespace {

void Click(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

QAction* RecordEntry() { return windows().main->findChild<QAction*>(QStringLiteral("mnuRecordSerial")); }

// What a run leaves: the device table as it stands and the two network files.
struct Outcome {
    std::string table;
    std::string ini;
    std::string macs;
};

class SerialRecording : public ProgramTest {
protected:
    SerialRecording() { InstallSerialRecorder(); }
    ~SerialRecording() override { ForgetSerialRecorder(); }

    std::string NetFile(const char* suffix) const { return ProgramFile(std::string(kCoordDigits) + suffix); }

    // The demo network comes up, the operator lets the candidate in through Unlock Net, locks the
    // network again, switches cycling ping on, and saves.
    Outcome Session() {
        Start("5");
        clock.advance(12000);
        Click(windows().main->cmdULockNet);
        clock.advance(12000);
        Click(windows().main->cmdULockNet);
        dialogs.answers.push_back("500");
        Click(windows().main->cmdEnPing);
        clock.advance(6000);
        SaveMenu(*windows().main);
        Outcome o;
        const State& s = g();
        for (int16_t i = 1; i <= s.TotalDevice; ++i) {
            const DeviceRecord& d = s.Devices[i];
            o.table += d.ID64Long + " " + d.ID16Short + " " + std::to_string(d.DeviceType) + " " +
                       std::to_string(d.DeviceLQI) + " " + std::to_string(d.devStatus) + " " +
                       std::to_string(d.devVBatt) + " " + std::to_string(d.devTemp) + " " + d.devAnalog1 + " " +
                       d.devInputs + "\n";
        }
        o.ini = ReadFile(NetFile(".ini"));
        o.macs = ReadFile(NetFile("_macList.txt"));
        return o;
    }
};

}  // namespace

TEST_F(SerialRecording, a_recorded_session_replays_into_a_second_run_with_the_same_table_and_files) {
    UseSim(zbsim::demo_config_text());
    std::string error;
    ASSERT_TRUE(StartSerialRecording(TestFile("session.txt"), 0, error)) << error;
    const Outcome first = Session();
    StopSerialRecording();
    ASSERT_NE(first.table.find("00:13:A2:00:40:5A:20:03"), std::string::npos) << "the candidate joined";

    EndRun();
    std::remove(NetFile(".ini").c_str());
    std::remove(NetFile("_macList.txt").c_str());
    platform::recording::Recording recording;
    const auto outcome = platform::recording::load_recording(TestFile("session.txt"), recording);
    ASSERT_TRUE(outcome.usable) << outcome.error;
    EXPECT_TRUE(outcome.warnings.empty());
    zbsim::Replay replay(recording);
    std::vector<std::string> departures;
    replay.set_log([&departures](const std::string& l) {
        if (l.rfind("departure", 0) == 0) departures.push_back(l);
    });
    replay.attach(line);
    replay.start();
    const Outcome second = Session();

    EXPECT_EQ(second.table, first.table);
    EXPECT_EQ(second.ini, first.ini);
    EXPECT_EQ(second.macs, first.macs);
    EXPECT_EQ(departures, std::vector<std::string>{});
    EXPECT_TRUE(replay.finished()) << replay.summary();
}

TEST_F(SerialRecording, the_file_menu_entry_starts_and_stops_a_recording_and_the_log_says_where) {
    UseSim(CoordinatorOnly());
    Start("5");
    Settle(3000);
    QAction* entry = RecordEntry();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text().toStdString(), "Record serial traffic…");
    const std::string path = TestFile("menu.txt");

    dialogs.answers.push_back(path);
    entry->trigger();
    EXPECT_TRUE(entry->isChecked());
    EXPECT_EQ(dialogs.asked.back().title, "Record serial traffic");
    EXPECT_NE(dialogs.asked.back().def.find("/Dalmiro-serial-0013A200405AC001-"), std::string::npos);
    windows().main->ZigBeeNet.SendDirectToCoordinator("CMD:13;");
    Settle(500);
    entry->trigger();
    EXPECT_FALSE(entry->isChecked());

    const auto log = LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "Recording serial traffic to " + path + " (at most 100 MB)"), log.end());
    EXPECT_EQ(log.back(), "Serial recording stopped: " + path);
    const auto lines = FileLines(path);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3].substr(lines[3].find(' ')), " open port=5 line=38400,n,8,1 handshaking=2 rts=1");
    EXPECT_EQ(lines[4].substr(lines[4].find(' ')), " TX 43 4D 44 3A 31 33 3B");
    EXPECT_EQ(lines[5].substr(lines[5].find(' ')), " RX 09 32 2E 31 3B");
    EXPECT_EQ(lines[6].substr(lines[6].find(' ')), " stop end");
}

TEST_F(SerialRecording, a_cancelled_or_refused_file_leaves_the_entry_unticked) {
    UseSim(CoordinatorOnly());
    Start("5");
    Settle(3000);
    QAction* entry = RecordEntry();
    entry->trigger();  // Cancel: no answer scripted
    EXPECT_FALSE(entry->isChecked());
    dialogs.answers.push_back("/nonexistent-folder/rec.txt");
    entry->trigger();
    EXPECT_FALSE(entry->isChecked());
    EXPECT_FALSE(SerialRecordingActive());
    EXPECT_EQ(dialogs.messages.back(),
              "The serial recording could not be started: /nonexistent-folder/rec.txt: No such file or directory");
}

TEST_F(SerialRecording, the_size_limit_stops_the_recording_with_a_log_line_and_unticks_the_entry) {
    store.values[{"Dalmiro", "Recording", "LimitMB"}] = "1";
    UseSim(CoordinatorOnly());
    std::string error;
    ASSERT_TRUE(StartSerialRecording(TestFile("big.txt"), 0, error));
    Start("5");
    Settle(3000);
    EXPECT_TRUE(RecordEntry()->isChecked());
    // A port made later (as a reconnect makes one) reports to the same recorder.
    auto port = platform::make_serial_port();
    port->set_comm_port(5);
    ASSERT_TRUE(port->set_port_open(true));
    for (int i = 0; i < 400 && SerialRecordingActive(); ++i) port->output(std::string(4000, 'x'));
    EXPECT_FALSE(SerialRecordingActive());
    EXPECT_FALSE(RecordEntry()->isChecked());
    EXPECT_EQ(LogLines().back(), "Serial recording stopped at its size limit of 1 MB: " + TestFile("big.txt"));
}
