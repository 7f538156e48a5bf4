// Devices and the coordinator announcing themselves: which slot a device lands in, what a known
// device's record learns, and how the coordinator's announce ends a handshake.
#include <functional>

#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "app/main_window/reply_handling.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using modMain::HandleStringReceived;
using modMain::windows;

namespace {

const char* const kNewMac = "00:13:A2:00:40:5A:30:01";

std::string Announce(int code, int short_hi, int short_lo, int mac_last, int type) {
    return Bytes({code, short_hi, short_lo, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0x30, mac_last, type, ';'});
}

// Slot i as "MAC short" ("-" for an empty field).
std::string Slot(int i) {
    const auto& d = g().Devices[static_cast<size_t>(i)];
    return (d.ID64Long.empty() ? "-" : d.ID64Long) + " " + (d.ID16Short.empty() ? "-" : d.ID16Short);
}

}  // namespace

TEST_F(ReplyTest, device_announce_places_or_updates_the_record) {
    struct Case {
        const char* name;
        std::function<void()> table;  // slots 1..3 before the announce
        std::string announce;
        std::vector<std::string> after;  // slots 1..4 afterwards
        int16_t total, new_idx, new_flag, found;
    };
    const std::string mac = kNewMac;
    const std::vector<Case> cases = {
        {"unknown device goes after the last slot even when an earlier one is free",
         [this, mac] {
             Known(1, kRouterMac, "1A2B");
             Known(3, kEndDeviceMac, "3C4D");
         },
         Announce(0x00, 0x5E, 0x6F, 0x01, 0x07),
         {std::string(kRouterMac) + " 1A2B", "- -", std::string(kEndDeviceMac) + " 3C4D", mac + " 5E6F"},
         4, 4, 1, 0},
        {"known device back with a new short address",
         [this, mac] {
             Known(1, kRouterMac, "1A2B");
             Known(2, mac, "3C4D");
         },
         Announce(0xCC, 0x5E, 0x6F, 0x01, 0x07),
         {std::string(kRouterMac) + " 1A2B", mac + " 5E6F", "- -", "- -"},
         2, 0, 0, 2},
        {"record known only by its short address learns the address",
         [this, mac] {
             Known(1, kRouterMac, "1A2B");
             Known(2, "", "5E6F");
         },
         Announce(0x00, 0x5E, 0x6F, 0x01, 0x07),
         {std::string(kRouterMac) + " 1A2B", mac + " 5E6F", "- -", "- -"},
         2, 0, 0, 2},
        {"short address reused by a new device: the old record loses it",
         [this, mac] {
             Known(1, kRouterMac, "5E6F");
             Known(2, kEndDeviceMac, "3C4D");
         },
         Announce(0x00, 0x5E, 0x6F, 0x01, 0x07),
         {std::string(kRouterMac) + " -", std::string(kEndDeviceMac) + " 3C4D", mac + " 5E6F", "- -"},
         3, 3, 1, 0},
        {"known device back with the short address another known record still holds: that one loses it",
         [this, mac] {
             Known(1, mac, "1A2B");
             Known(2, kRouterMac, "5E6F");
         },
         Announce(0xCC, 0x5E, 0x6F, 0x01, 0x07),
         {mac + " 5E6F", std::string(kRouterMac) + " -", "- -", "- -"},
         2, 0, 0, 1},
        {"known device with the same short address",
         [this, mac] { Known(1, mac, "5E6F"); },
         Announce(0xCC, 0x5E, 0x6F, 0x01, 0x07),
         {mac + " 5E6F", "- -", "- -", "- -"},
         1, 0, 0, 1},
    };
    for (const Case& c : cases) {
        Fresh();
        c.table();
        HandleStringReceived(c.announce);
        const auto& s = g();
        EXPECT_EQ((std::vector<std::string>{Slot(1), Slot(2), Slot(3), Slot(4)}), c.after) << c.name;
        EXPECT_EQ(s.TotalDevice, c.total) << c.name;
        EXPECT_EQ(s.NewDevIdx, c.new_idx) << c.name;
        EXPECT_EQ(s.NewDeviceFlag, c.new_flag) << c.name;
        EXPECT_EQ(s.FoundDevIdx, c.found) << c.name;
        EXPECT_EQ(s.OperBusy, 1) << c.name;
        EXPECT_EQ(s.WaitTimedOut, 1) << c.name;
    }
}

TEST_F(ReplyTest, type_byte_is_its_hex_text_read_as_a_decimal_number) {
    const std::vector<std::pair<int, int16_t>> cases = {{0x04, 4}, {0x07, 7}, {0x09, 9}, {0x10, 10}, {0x99, 99},
                                                        {0x0A, 0}, {0x1A, 0}, {0xA1, 0}, {0xFF, 0}};
    for (const auto& [byte, type] : cases) {
        Fresh();
        HandleStringReceived(Announce(0x00, 0x5E, 0x6F, 0x01, byte));
        EXPECT_EQ(g().Devices[1].DeviceType, type) << "byte " << byte;
    }
}

TEST_F(ReplyTest, full_table_drops_the_new_device_with_a_red_line) {
    auto& s = g();
    s.TotalDevice = 32000;
    HandleStringReceived(Announce(0x00, 0x5E, 0x6F, 0x01, 0x07));
    EXPECT_EQ(s.TotalDevice, 32000);
    EXPECT_EQ(s.NewDeviceFlag, 0);
    EXPECT_EQ(s.OperBusy, 0);  // alive polling goes on
    EXPECT_TRUE(s.Devices[32001].ID64Long.empty());
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], std::string("Device table full: ") + kNewMac + " not added");
    EXPECT_EQ(LogColour(1), QColor(255, 0, 0));
}

// However the saved count was edited, a new device lands in the slot after the last loaded one and
// is saved with the others.
TEST_F(ReplyTest, saved_count_outside_what_the_file_holds_is_replaced_by_the_loaded_count) {
    auto& s = g();
    const std::string ini = ProgramFile("net.ini");
    const std::string listed = std::string("[MAC List]\r\nDevice000001=\"") + kRouterMac + "\"\r\nDevice000002=\"" +
                               kEndDeviceMac + "\"\r\n";
    const struct {
        std::string count;
        int16_t loaded;
    } cases[] = {{"-5", 0}, {"-1", 0}, {"0", 0}, {"2", 2}, {"32000", 2}, {"32767", 2}, {"99999", 2},
                 {std::string(1 << 20, '9'), 2}};
    for (const auto& c : cases) {
        const std::string name = c.count.substr(0, 8);
        Fresh();
        s.NetFilePath = ini;
        s.MacListPath = ProgramFile("net_macList.txt");
        WriteFile(ini, "[Main]\r\nTotalDevice=\"" + c.count + "\"\r\n" + listed);
        clock.advance(1);  // the profile engine looks at the disk again from the next turn
        modMain::LoadNetworkData();
        EXPECT_EQ(s.TotalDevice, c.loaded) << name;
        HandleStringReceived(Announce(0x00, 0x5E, 0x6F, 0x01, 0x07));
        EXPECT_EQ(s.TotalDevice, c.loaded + 1) << name;
        EXPECT_EQ(Slot(c.loaded + 1), std::string(kNewMac) + " 5E6F") << name;
        modMain::SaveNetworkData();
        EXPECT_NE(ReadFile(ini).find(std::string("[") + kNewMac + "]"), std::string::npos) << name;
    }
}

TEST_F(ReplyTest, coordinator_announce_ends_a_handshake_or_only_flags_itself) {
    struct Case {
        const char* name;
        int16_t reset_wait, start_wait;
        bool ends_handshake;
    };
    for (const Case& c : {Case{"outside any handshake", 0, 0, false}, Case{"channel change or reset", 20, 0, true},
                          Case{"start-up", 0, 30, true}}) {
        Fresh();
        auto& s = g();
        s.CoordResetWait = c.reset_wait;
        s.CoordStartWait = c.start_wait;
        s.OperBusy = 1;
        WaitRunning();
        const int bar = BarValue();
        HandleStringReceived(Bytes({0xCC, 0x00, 0x00, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0xC0, 0x01, 0x09, ';'}));
        const auto lines = LogLines();
        if (c.ends_handshake) {
            ASSERT_EQ(lines.size(), 2u) << c.name;
            EXPECT_EQ(lines[1], "Coordinator Ready") << c.name;
            EXPECT_EQ(LogColour(1), QColor(0, 0, 255)) << c.name;
            EXPECT_FALSE(windows().main->tmrTimeOut.enabled()) << c.name;
            EXPECT_EQ(s.WaitTimedOut, 1) << c.name;
            EXPECT_EQ(s.CoordResetWait, 0) << c.name;
            EXPECT_EQ(s.OperBusy, 0) << c.name;
            EXPECT_EQ(s.CoordAnnounced, 0) << c.name;
        } else {
            EXPECT_EQ(lines.size(), 1u) << c.name;
            EXPECT_TRUE(windows().main->tmrTimeOut.enabled()) << c.name;
            EXPECT_EQ(s.WaitTimedOut, 0) << c.name;
            EXPECT_EQ(s.OperBusy, 1) << c.name;
            EXPECT_EQ(s.CoordAnnounced, 1) << c.name;
        }
        // The progress bar is left as it was either way.
        EXPECT_EQ(BarValue(), bar) << c.name;
        EXPECT_EQ(s.TotalDevice, 0) << c.name;
    }
}

TEST_F(ProgramTest, members_joining_through_the_simulator_are_listed_after_the_new_device_timer) {
    Preset("ShowSplash", "0");
    UseSim(CoordinatorOnly("device mac=00:13:A2:00:40:5A:10:01 type=7 report=2\n"
                           "device mac=00:13:A2:00:40:5A:20:01 type=4 report=0\n"));
    Start("5");
    ASSERT_TRUE(clock.run_until([] { return g().TotalDevice == 2 && g().Devices[1].devIOValid == 1; }, 10000));
    clock.advance(200);
    const auto& s = g();
    EXPECT_EQ(s.Devices[1].ID64Long, kRouterMac);
    EXPECT_EQ(s.Devices[1].DeviceType, 7);
    EXPECT_EQ(s.Devices[2].ID64Long, kEndDeviceMac);
    EXPECT_EQ(s.Devices[2].DeviceType, 4);
    EXPECT_EQ(s.Devices[1].ID16Short.size(), 4u);
    frmMain& w = *windows().main;
    EXPECT_EQ(w.lblLstDEVDep[0]->text(), kRouterMac);
    EXPECT_EQ(w.lblLstDEVShort[0]->text(), QString::fromStdString(s.Devices[1].ID16Short));
    EXPECT_EQ(w.lblLstDEVDep[1]->text(), kEndDeviceMac);
    EXPECT_EQ(w.lblTotalDevice->text(), "2");
    EXPECT_EQ(s.NewDeviceFlag, 0);
    EXPECT_EQ(s.OperBusy, 0);
}
