#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "app/log_splash/frmLog.h"
#include "link/zigbee_net.h"
#include "platform/fake_serial_port.h"
#include "sim/coordinator.h"
#include "tests/devices/network_fixture.h"

using namespace modMain;

namespace {

const std::string kMac1 = "00:13:A2:00:41:00:00:01";
const std::string kMac2 = "00:13:A2:00:41:00:00:02";
const std::string kMac9 = "00:13:A2:00:41:00:00:09";

// One command as the coordinator got it, and when (virtual ms after the registration began).
struct Sent {
    uint32_t at;
    std::string bytes;
    bool operator==(const Sent& o) const { return at == o.at && bytes == o.bytes; }
};
std::ostream& operator<<(std::ostream& os, const Sent& s) { return os << s.at << " " << s.bytes; }

zbsim::SimConfig quiet_network() {
    zbsim::SimConfig cfg;
    cfg.mac = *zbsim::parse_mac(kCoordMac);
    cfg.pan = 0x3F21;
    return cfg;  // no devices: nothing but the answers on the line
}

class MacListTest : public NetworkFilesTest {
protected:
    MacListTest() { g().DeviceTimeOut = 500; }
    ~MacListTest() override { line->on_host_write = nullptr; }

    // The main window's link opens its port with this coordinator at the other end.
    void connect(const zbsim::SimConfig& cfg) {
        sim = std::make_unique<zbsim::Coordinator>(cfg);
        sim->attach(line);
        auto coordinator = line->on_host_write;
        line->on_host_write = [this, coordinator](const std::string& bytes) {
            wire.push_back({clock.now_ms() - start_ms, bytes});
            coordinator(bytes);
        };
        main.ZigBeeNet.CommPort(7);
        main.ZigBeeNet.StartOPERATIONS();
        clock.advance(200);
        wire.clear();
        start_ms = clock.now_ms();
    }
    // Registers, then lets the lock command (which nobody waits for) reach the line.
    void register_and_settle() {
        RegisterMacList();
        clock.advance(200);
    }
    std::vector<std::string> commands() const {
        std::vector<std::string> out;
        for (const Sent& s : wire) out.push_back(s.bytes);
        return out;
    }

    std::unique_ptr<zbsim::Coordinator> sim;
    std::vector<Sent> wire;
    uint32_t start_ms = 0;
};

void expect_locked_look(const frmMain& main) {
    EXPECT_EQ(g().NetLocked, 1);
    EXPECT_EQ(main.Status->Panels(1).text(), "Net Locked");
    EXPECT_EQ(main.cmdULockNet->text(), "Unlock Net");
    EXPECT_FALSE(main.tmrTimeOut.enabled());
}

}  // namespace

using MacListFile = NetworkFilesTest;

TEST_F(MacListFile, written_list_starts_with_the_coordinator_and_skips_empty_slots_without_blanks) {
    write_file(mac_list(), "old content that goes\r\n");
    g().TotalDevice = 4;
    g().Devices[1].ID64Long = kMac1;
    g().Devices[3].ID64Long = "  " + kMac2 + "  ";
    g().Devices[4].ID64Long = kMac9;
    g().Devices[5].ID64Long = "00:13:A2:00:41:00:00:05";  // beyond TotalDevice
    WriteMacListFile();
    EXPECT_EQ(read_file(mac_list()), kCoordMac + std::string("\r\n") + kMac1 + "\r\n" + kMac2 + "\r\n" + kMac9 + "\r\n");
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"0013A200405AC001_macList.txt"}));
}

TEST_F(MacListFile, written_list_holds_the_coordinator_and_at_most_31999_devices) {
    fill_table(32000);
    WriteMacListFile();
    const std::string text = read_file(mac_list());
    EXPECT_EQ(text.size(), 32000u * 25u);
    EXPECT_EQ(text.substr(text.size() - 25), mac(31999) + "\r\n");
}

using MacListRegistration = MacListTest;

TEST_F(MacListRegistration, every_long_line_is_sent_whole_in_file_order_then_the_network_starts_and_locks) {
    connect(quiet_network());
    write_file(mac_list(), std::string(kCoordMac) + "\r\n" +
                               "00:13:A2:00:41:00:00:0\r\n" +  // 22 characters
                               "\r\n" + kMac1 + "\r\n" + kMac2 + " kitchen\r\n" + kMac9);
    register_and_settle();
    // The line with trailing text is sent as it is; this coordinator cannot read it and stays silent,
    // so that one waits out its 500 ms.
    EXPECT_EQ(wire, (std::vector<Sent>{{50, "CMD:03:" + std::string(kCoordMac) + ";"},
                                       {150, "CMD:03:" + kMac1 + ";"},
                                       {250, "CMD:03:" + kMac2 + " kitchen;"},
                                       {850, "CMD:03:" + kMac9 + ";"},
                                       {950, "CMD:04;"},
                                       {1050, "CMD:0A:0;"}}));
    expect_locked_look(main);
    EXPECT_TRUE(sim->locked());
}

TEST_F(MacListRegistration, silent_coordinator_costs_one_time_out_per_line_and_the_network_is_locked_all_the_same) {
    zbsim::SimConfig cfg = quiet_network();
    cfg.faults.drop_every = 1;
    connect(cfg);
    write_file(mac_list(), std::string(kCoordMac) + "\r\n" + kMac1 + "\r\n");
    register_and_settle();
    EXPECT_EQ(wire, (std::vector<Sent>{{50, "CMD:03:" + std::string(kCoordMac) + ";"},
                                       {650, "CMD:03:" + kMac1 + ";"},
                                       {1250, "CMD:04;"},
                                       {1850, "CMD:0A:0;"}}));
    expect_locked_look(main);
}

TEST_F(MacListRegistration, without_a_list_file_an_empty_one_is_made_and_only_the_coordinator_registered) {
    const struct {
        const char* name;
        bool make_file;
        std::string content;
    } cases[] = {{"no file", false, ""},
                 {"only short lines", true, "00:13:A2:00:41:00:00:0\r\nshort\r\n"}};
    connect(quiet_network());
    for (const auto& c : cases) {
        std::remove(mac_list().c_str());
        if (c.make_file) write_file(mac_list(), c.content);
        wire.clear();
        g().NetLocked = 0;
        register_and_settle();
        EXPECT_EQ(commands(), (std::vector<std::string>{"CMD:03:" + std::string(kCoordMac) + ";", "CMD:04;",
                                                        "CMD:0A:0;"}))
            << c.name;
        EXPECT_TRUE(file_exists(mac_list())) << c.name;
        EXPECT_EQ(read_file(mac_list()), c.content) << c.name;
        expect_locked_look(main);
    }
}

TEST_F(MacListRegistration, appended_address_becomes_its_own_line_and_the_whole_list_is_registered_again) {
    const struct {
        const char* name;
        bool make_file;
        std::string before;
        std::string after;
    } cases[] = {
        {"no file", false, "", kMac9 + "\r\n"},
        {"ends in CR LF", true, kMac1 + "\r\n", kMac1 + "\r\n" + kMac9 + "\r\n"},
        {"no final line end", true, kMac1, kMac1 + "\r\n" + kMac9 + "\r\n"},
        {"ends in LF", true, kMac1 + "\n", kMac1 + "\n" + kMac9 + "\r\n"},
        {"empty file", true, "", kMac9 + "\r\n"},
    };
    connect(quiet_network());
    for (const auto& c : cases) {
        std::remove(mac_list().c_str());
        if (c.make_file) write_file(mac_list(), c.before);
        wire.clear();
        AppendMacToList("  " + kMac9 + " ");
        clock.advance(200);
        EXPECT_EQ(read_file(mac_list()), c.after) << c.name;
        std::vector<std::string> expected;
        if (c.before.size() >= 23) expected.push_back("CMD:03:" + kMac1 + ";");
        expected.push_back("CMD:03:" + kMac9 + ";");
        expected.push_back("CMD:04;");
        expected.push_back("CMD:0A:0;");
        EXPECT_EQ(commands(), expected) << c.name;
    }
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"0013A200405AC001_macList.txt"}));
}

// A list that cannot be read (a folder in its place, a damaged file of many gigabytes) is neither
// registered nor ever written over: not by the registration, an added address or a save.
TEST_F(MacListRegistration, unreadable_list_is_left_alone_and_only_the_coordinator_registered) {
    const struct {
        const char* name;
        std::function<void()> make;
        std::string why;
    } cases[] = {
        {"folder", [this] { ::mkdir(mac_list().c_str(), 0755); }, "is a folder"},
        {"huge sparse file",
         [this] {
             write_file(mac_list(), kMac1 + "\r\n");
             ::truncate(mac_list().c_str(), off_t{64} << 30);
         },
         "larger than 64 MB"},
    };
    frmLog log;
    log.show();
    connect(quiet_network());
    for (const auto& c : cases) {
        std::system(("rm -rf '" + mac_list() + "'").c_str());
        c.make();
        struct stat before {};
        ::stat(mac_list().c_str(), &before);
        log.txtLOG->clear();
        wire.clear();
        register_and_settle();
        AppendMacToList(kMac9);
        WriteMacListFile();
        EXPECT_EQ(commands(), (std::vector<std::string>{"CMD:03:" + std::string(kCoordMac) + ";", "CMD:04;",
                                                        "CMD:0A:0;"}))
            << c.name;
        struct stat after {};
        ::stat(mac_list().c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino) << c.name;
        EXPECT_EQ(after.st_size, before.st_size) << c.name;
        log.txtLOG->ShowHeldLines();
        const QString logged = log.txtLOG->toPlainText();
        const QString unread = QString::fromStdString("--> Not read: " + mac_list() + ": " + c.why +
                                                      "; the file is left as it is");
        EXPECT_EQ(logged.count(unread), 2) << logged.toStdString();
        EXPECT_TRUE(logged.contains(QString::fromStdString("--> Save failed: " + mac_list() + ": " + c.why)))
            << c.name;
        EXPECT_EQ(g().UnsavedFiles.at(mac_list()), c.why) << c.name;
    }
}

TEST_F(MacListRegistration, appending_an_empty_address_changes_nothing) {
    connect(quiet_network());
    write_file(mac_list(), kMac1);
    AppendMacToList("");
    clock.advance(2000);
    EXPECT_EQ(read_file(mac_list()), kMac1);
    EXPECT_TRUE(wire.empty());
    EXPECT_EQ(g().NetLocked, 0);
}
