// The ways the program ends: no port, a silent coordinator, a port that will not open, a serial
// failure after start-up and the operator closing the main window. Each ends the process, so each
// runs in a child; the parent then reads what the child left on disk.
#include <QDir>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "app/core/mod_main.h"
#include "app/core/start_up.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "link/zigbee_net.h"
#include "platform/qt_serial_port.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using modMain::windows;

namespace {

class ProgramEnd : public ProgramEndTest {
protected:
    ProgramEnd() {
        Preset("ShowSplash", "0");
        UseSim(CoordinatorOnly());
        RecordWireToFile();
        RecordLogToFile();
    }

    std::vector<std::string> LoggedLines() const {
        std::vector<std::string> out;
        for (const std::string& l : FileLines(TestFile("log.txt"))) out.push_back(l.substr(12));
        return out;
    }
};

const std::vector<std::string> kNothing;

// A pattern that matches `text` as it stands.
std::string Literal(const std::string& text) {
    std::string pattern;
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) pattern += '\\';
        pattern += c;
    }
    return pattern;
}

struct SavedDevice {
    const char* mac;
    const char* short_id;
    int type;
    const char* type_text;
    const char* name;
    int keep_alive;
};

const SavedDevice kPump{kRouterMac, "1A2B", 7, "Router", "Pump", 1};
const SavedDevice kTank{kEndDeviceMac, "3C4D", 4, "End Device", "Tank", 0};

// The network data file as the program writes it for the coordinator kCoordMac (PAN 3F21, channel 15).
std::string NetworkFile(int poll_ping, const std::vector<SavedDevice>& devices) {
    auto key = [](const std::string& k, const std::string& v) { return k + "=\"" + v + "\"\r\n"; };
    std::string f = "[Main]\r\n" + key("TotalDevice", std::to_string(devices.size())) + key("RFCh", "15") +
                    key("PanInfo", "3F21") + key("DeviceTimeOut", "1000") + key("NetStat", "1") +
                    key("mSecAlive", "1000") + key("enapollPing", std::to_string(poll_ping)) +
                    key("DefaultPollRate", "20000") + "[MAC List]\r\n";
    char name[32];
    for (size_t i = 0; i < devices.size(); ++i) {
        std::snprintf(name, sizeof name, "Device%06zu", i + 1);
        f += key(name, devices[i].mac);
    }
    for (const SavedDevice& d : devices)
        f += std::string("[") + d.mac + "]\r\n" + key("ID64Long", d.mac) + key("ID16Short", d.short_id) +
             key("DeviceType", std::to_string(d.type)) + key("DeviceTypeSTR", d.type_text) + key("DeviceLQI", "0") +
             key("DeviceName", d.name) + key("devPollRate", "0") + key("devNewRate", "0") +
             key("stsEnableKeepAlive", std::to_string(d.keep_alive));
    return f;
}

std::string MacList(const std::vector<SavedDevice>& devices) {
    std::string text = std::string(kCoordMac) + "\r\n";
    for (const SavedDevice& d : devices) text += std::string(d.mac) + "\r\n";
    return text;
}

}  // namespace

TEST_F(ProgramEnd, no_usable_port_answer_ends_at_once_and_saves_nothing) {
    for (const char* typed : {"", "abc", "0", "-0.4"}) {
        EXPECT_PROGRAM_ENDS(Start(typed), 0) << "typed '" << typed << "'";
        EXPECT_EQ(FileLines(TestFile("dialogs.txt")),
                  std::vector<std::string>{"input: Insert COORDINATOR Serial Port Number | Lumaro | 1"})
            << typed;
        EXPECT_FALSE(Exists(TestFile("wire.txt"))) << typed;
        EXPECT_FALSE(Exists(TestFile("log.txt"))) << typed;
        EXPECT_FALSE(Exists(TestFile("settings.txt"))) << typed;
        std::remove(TestFile("dialogs.txt").c_str());
    }
}

TEST_F(ProgramEnd, coordinator_silent_through_eleven_requests_ends_without_saving) {
    UseSim(CoordinatorOnly("faults ignore_addr=all\n"));
    RecordWireToFile();
    WriteSavedNetwork();
    const std::string ini_before = ReadFile(ProgramFile(std::string(kCoordDigits) + ".ini"));
    const std::string list_before = ReadFile(ProgramFile(std::string(kCoordDigits) + "_macList.txt"));

    EXPECT_PROGRAM_ENDS(Start("5"), 2);

    const auto wire = FileLines(TestFile("wire.txt"));
    EXPECT_EQ(std::count(wire.begin(), wire.end(), "<- CMD:11;"), 11);
    EXPECT_EQ(std::count(wire.begin(), wire.end(), "<- CMD:0D;"), 0);
    const auto logged = LoggedLines();
    ASSERT_FALSE(logged.empty());
    EXPECT_EQ(logged.back(), "Coordinator Reset Error");
    EXPECT_EQ(std::count(logged.begin(), logged.end(), "Trial 10 of 10"), 1);
    EXPECT_EQ(std::count(logged.begin(), logged.end(), "Trial 11 of 10"), 0);
    EXPECT_FALSE(Exists(TestFile("settings.txt")));
    EXPECT_EQ(ReadFile(ProgramFile(std::string(kCoordDigits) + ".ini")), ini_before);
    EXPECT_EQ(ReadFile(ProgramFile(std::string(kCoordDigits) + "_macList.txt")), list_before);
}

TEST_F(ProgramEnd, port_that_cannot_be_opened_is_a_serial_communication_error) {
    struct Case {
        const char* typed;
        bool fail_open;
        std::string reason;
    };
    // Port 5 leads to an adapter that is not plugged in.
    const std::string absent = TestFile("ttyUSB-absent");
    store.values[{"Dalmiro", "Ports", "5"}] = absent;  // the map, not the program's saved settings
    // A number outside 1..99 is not taken by the link, which then has no port to open.
    for (const Case& c : {Case{"5", true, absent + ": No such file or directory (the adapter is unplugged, or the "
                                                    "port number leads elsewhere)"},
                          Case{"100", false, "serial port 100: port numbers go from 1 to 99"},
                          Case{"-3", false, "serial port -3: port numbers go from 1 to 99"}}) {
        line->fail_open = c.fail_open;
        // The terminal the program was started from is told as well.
        EXPECT_EXIT(Start(c.typed), ::testing::ExitedWithCode(1),
                    Literal("Dalmiro: Serial Communication Error: " + c.reason + "\n"))
            << c.typed;
        EXPECT_EQ(FileLines(TestFile("dialogs.txt")),
                  (std::vector<std::string>{"input: Insert COORDINATOR Serial Port Number | Lumaro | 1",
                                            "error: Serial Communication Error | Lumaro | " + c.reason}))
            << c.typed;
        EXPECT_EQ(LoggedLines(), (std::vector<std::string>{"Serial Communication Error", c.reason})) << c.typed;
        EXPECT_FALSE(Exists(TestFile("wire.txt"))) << c.typed;
        EXPECT_FALSE(Exists(TestFile("settings.txt"))) << c.typed;
        EXPECT_EQ(ProgramFolderListing(), kNothing) << c.typed;
        std::remove(TestFile("dialogs.txt").c_str());
        std::remove(TestFile("log.txt").c_str());
    }
}

TEST_F(ProgramEnd, serial_failure_after_start_up_saves_the_network_but_not_the_settings) {
    WriteSavedNetwork(1);
    store.values[{"Dalmiro", "Ports", "5"}] = TestFile("ttyUSB-line");  // gone with the pulled adapter
    EXPECT_PROGRAM_ENDS(
        {
            Start("5");
            // A new router joins and is taken into the table; then the adapter is pulled out and the
            // next ping of the alive timer fails.
            line->send_to_host(Bytes({0x00, 0x5E, 0x6F, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0x30, 0x01, 0x07, ';'}));
            clock.advance(1100);
            // The log window is out of sight (closing it would save its place); the failure brings it
            // back with its reason.
            windows().log->hide();
            line->unplug();
            clock.advance(20000);
        },
        1);

    const SavedDevice joined{"00:13:A2:00:40:5A:30:01", "5E6F", 7, "Router", "", 0};
    EXPECT_EQ(ReadFile(ProgramFile(std::string(kCoordDigits) + ".ini")), NetworkFile(1, {kPump, kTank, joined}));
    EXPECT_EQ(ReadFile(ProgramFile(std::string(kCoordDigits) + "_macList.txt")), MacList({kPump, kTank, joined}));
    const auto logged = LoggedLines();
    const std::string reason = "serial port 5 failed while sending or receiving; " + TestFile("ttyUSB-line") +
                               ": No such file or directory (the adapter is unplugged, or the port number leads "
                               "elsewhere)";
    ASSERT_GE(logged.size(), 3u);
    EXPECT_EQ(logged[logged.size() - 3], "TX: CMD:0E:1A2B;");
    EXPECT_EQ(logged[logged.size() - 2], "Serial Communication Error");
    EXPECT_EQ(logged.back(), reason);
    EXPECT_EQ(FileLines(TestFile("dialogs.txt")).back(), "error: Serial Communication Error | Lumaro | " + reason);
    EXPECT_FALSE(Exists(TestFile("settings.txt")));
}

TEST_F(ProgramEnd, line_that_keeps_failing_is_reported_once) {
    // Reading fails, and the coordinator keeps sending: every arrival is another failure, also while
    // the box is up and during the pause before the end.
    EXPECT_PROGRAM_ENDS(
        {
            Start("5");
            line->fail_read = true;
            for (uint32_t at = 0; at < 10000; at += 100)
                clock.call_later(at, [this] { line->send_to_host(Bytes({0x30, ';'})); });
            clock.advance(20000);
        },
        1);
    const auto logged = LoggedLines();
    EXPECT_EQ(std::count(logged.begin(), logged.end(), "Serial Communication Error"), 1);
    ASSERT_EQ(FileLines(TestFile("dialogs.txt")).size(), 2u);
    EXPECT_EQ(FileLines(TestFile("dialogs.txt"))[1].rfind("error: Serial Communication Error | Lumaro | ", 0), 0u);
}

TEST_F(ProgramEnd, coordinator_lost_after_start_up_ends_with_the_network_saved) {
    WriteSavedNetwork();
    EXPECT_PROGRAM_ENDS(
        {
            Start("5");
            line->send_to_host(Bytes({0x00, 0x5E, 0x6F, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0x30, 0x01, 0x07, ';'}));
            clock.advance(1000);
            // The coordinator restarts on its own and from then on leaves its address unanswered.
            auto coordinator = line->on_host_write;
            line->on_host_write = [coordinator](const std::string& cmd) {
                if (cmd != "CMD:11;") coordinator(cmd);
            };
            line->send_to_host(Bytes({0x00, 0x00, 0x00, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0xC0, 0x01, 0x09, ';'}));
            clock.advance(120000);
        },
        2);
    const SavedDevice joined{"00:13:A2:00:40:5A:30:01", "5E6F", 7, "Router", "", 0};
    EXPECT_EQ(ReadFile(ProgramFile(std::string(kCoordDigits) + ".ini")), NetworkFile(0, {kPump, kTank, joined}));
    EXPECT_EQ(ReadFile(ProgramFile(std::string(kCoordDigits) + "_macList.txt")), MacList({kPump, kTank, joined}));
    const auto logged = LoggedLines();
    ASSERT_FALSE(logged.empty());
    EXPECT_EQ(logged.back(), "Coordinator Reset Error");
}

TEST_F(ProgramEnd, failed_save_keeps_the_old_file_and_is_told_at_the_end_and_links_are_written_through) {
    WriteSavedNetwork();
    const std::string ini = ProgramFile(std::string(kCoordDigits) + ".ini");
    const std::string list = ProgramFile(std::string(kCoordDigits) + "_macList.txt");
    // The MAC list is a link to a file elsewhere.
    ::rename(list.c_str(), TestFile("kept_list.txt").c_str());
    ::symlink(TestFile("kept_list.txt").c_str(), list.c_str());
    EXPECT_PROGRAM_ENDS(
        {
            Start("5");
            Settle();
            // Someone puts a folder where the network data file was.
            std::remove(ini.c_str());
            ::mkdir(ini.c_str(), 0755);
            windows().main->close();
        },
        0);
    struct stat st {};
    EXPECT_TRUE(::stat(ini.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    EXPECT_TRUE(::lstat(list.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(TestFile("kept_list.txt")), MacList({kPump, kTank}));
    const auto told = FileLines(TestFile("dialogs.txt"));
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[1], "message: These files were not saved:");
    EXPECT_EQ(told[2], ini + ": is a folder | Lumaro");
}

// The serial port's lock file goes with the program, so the next program finds the port free.
TEST_F(ProgramEnd, serial_port_lock_is_released_when_the_program_ends) {
    // The child that runs the program opens the parent's pseudo-terminal, named in the environment.
    constexpr const char* kPtyVariable = "DALMIRO_LOCK_TEST_PTY";
    int master = -1, slave = -1;
    char name[64] = {};
    if (const char* inherited = std::getenv(kPtyVariable)) {
        std::snprintf(name, sizeof name, "%s", inherited);
    } else {
        ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        ::setenv(kPtyVariable, name, 1);
    }
    std::string suffix = std::string(name).substr(std::string(name).rfind("pts/"));
    std::replace(suffix.begin(), suffix.end(), '/', '_');
    auto locks = [suffix] {
        int n = 0;
        for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp"})
            for (const QString& f : QDir(folder).entryList({"LCK..*"}, QDir::Files))
                n += f.endsWith(QString::fromStdString(suffix));
        return n;
    };
    store.values[{"Dalmiro", "Ports", "5"}] = name;
    platform::set_serial_factory([] { return std::make_unique<platform::QtSerialPort>(); });
    // The coordinator never answers: the program gives up after its eleventh request.
    EXPECT_PROGRAM_ENDS(
        {
            clock.call_later(3000, [&locks] {
                if (locks() != 1) std::_Exit(77);
            });
            Start("5");
        },
        2);
    EXPECT_EQ(locks(), 0);
    ::unsetenv(kPtyVariable);
    ::close(master);
}

TEST_F(ProgramEnd, closing_the_main_window_saves_the_settings_and_the_network) {
    Preset("MainLeft", "1500");
    Preset("MainTop", "900");
    Preset("LogLeft", "3000");
    WriteSavedNetwork();
    EXPECT_PROGRAM_ENDS(
        {
            Start("6");
            Settle();
            windows().main->close();
        },
        0);

    const auto settings = SettingsOnDisk();
    const std::map<std::string, std::string> main_values = {
        {"MainLeft", "1500"}, {"MainTop", "900"}, {"SerialPort", "6"}, {"ShowSplash", "0"}, {"LangID", "2"},
        {"LogLeft", "3000"}};
    for (const auto& [k, v] : main_values) EXPECT_EQ(settings.count(k) ? settings.at(k) : "<absent>", v) << k;
    EXPECT_EQ(ReadFile(ProgramFile(std::string(kCoordDigits) + ".ini")), NetworkFile(0, {kPump, kTank}));
    EXPECT_EQ(ReadFile(ProgramFile(std::string(kCoordDigits) + "_macList.txt")), MacList({kPump, kTank}));
}

TEST_F(ProgramEnd, closing_the_main_window_before_the_network_is_loaded_saves_only_the_settings) {
    UseSim(CoordinatorOnly("faults ignore_addr=all\n"));
    Preset("LangID", "1");
    Preset("SerialPort", "4");
    EXPECT_PROGRAM_ENDS(
        {
            clock.call_later(5000, [] { windows().main->close(); });
            Start("9");
        },
        0);

    const auto settings = SettingsOnDisk();
    EXPECT_EQ(settings.at("SerialPort"), "9");
    EXPECT_EQ(settings.at("LangID"), "1");
    EXPECT_EQ(settings.at("ShowSplash"), "0");
    EXPECT_EQ(ProgramFolderListing(), kNothing);
}
