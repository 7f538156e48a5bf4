// The main window's supervision ticks: alive polling one device per tick with the answer judged on
// the next, completing the records of devices that announced themselves, the recount after a
// deletion and the re-identification of a coordinator that restarted on its own.
#include <QImage>
#include <utility>

#include "app/core/device_list_page.h"
#include "app/core/device_table.h"
#include "app/core/mod_main.h"
#include "app/core/reply_wait.h"
#include "app/main_window/frmMain.h"
#include "app/main_window/reply_handling.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using modMain::HandleStringReceived;
using modMain::windows;

namespace {

constexpr const char* kSilentMac = "00:13:A2:00:40:5A:30:01";

// The ticks called directly on a started program whose link writes to a line with no coordinator.
class Supervision : public ReplyTest {
protected:
    Supervision() {
        frmMain& w = *windows().main;
        w.ZigBeeNet.CommPort(5);
        w.ZigBeeNet.StartOPERATIONS();
        Settle();
        Reset();
    }
    void Reset() {
        Fresh();
        g().ListTop = 1;
        Settle();
        line->clear_writes();
    }
    frmMain& W() { return *windows().main; }
    // Runs the alive tick and returns what it put on the wire.
    std::vector<std::string> AliveTick() {
        W().tmrDevAlive_Timer();
        return Flush();
    }
    std::vector<std::string> Flush() {
        Settle(100);
        auto out = line->writes();
        line->clear_writes();
        return out;
    }
    static void Router(int i, const std::string& mac, const std::string& short_id, int16_t type = 7) {
        auto& s = g();
        s.Devices[static_cast<size_t>(i)].ID64Long = mac;
        s.Devices[static_cast<size_t>(i)].ID16Short = short_id;
        s.Devices[static_cast<size_t>(i)].DeviceType = type;
        s.TotalDevice = std::max<int16_t>(s.TotalDevice, static_cast<int16_t>(i));
    }
};

// The whole program started against the coordinator with the saved router and end device, polling off.
class SavedNetworkRunning : public ProgramTest {
protected:
    SavedNetworkRunning() {
        Preset("ShowSplash", "0");
        UseSim(CoordinatorOnly());
        WriteSavedNetwork();
        Start("5");
        Settle();
    }
};

std::string Announce(int code, int short_hi, int short_lo, int mac_last, int type) {
    return Bytes({code, short_hi, short_lo, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0x30, mac_last, type, ';'});
}

std::string StatusOf(int i) {
    const auto& d = g().Devices[static_cast<size_t>(i)];
    return std::to_string(d.devStatus) + "/" + std::to_string(d.DeviceLQI);
}

bool ShowsLamp(const frmMain& w, int row, int lamp) {
    return w.picSTSDEV[static_cast<size_t>(row)]->pixmap().toImage() == w.imgList.ListImages(lamp).toImage();
}

}  // namespace

TEST_F(Supervision, alive_tick_judges_the_previous_device_from_the_ping_answer_it_left) {
    struct Case {
        const char* name;
        std::string mac;
        int16_t type, io_valid;
        std::string ping_short;
        int16_t flag_a, flag_c;
        std::string after;  // devStatus/DeviceLQI, from 1/77 before
    };
    const std::vector<Case> cases = {
        {"router answered", kRouterMac, 7, 0, "1A2B", 1, 1, "1/180"},
        {"router answered after an I/O report", kRouterMac, 7, 1, "1A2B", 1, 1, "1/180"},
        {"answer without its first flag", kRouterMac, 7, 0, "1A2B", 0, 1, "0/0"},
        {"answer without its second flag", kRouterMac, 7, 0, "1A2B", 1, 0, "0/0"},
        {"incomplete answer outweighs an I/O report", kRouterMac, 7, 1, "1A2B", 0, 0, "0/0"},
        {"answer from another device", kRouterMac, 7, 0, "2B3C", 1, 1, "0/0"},
        {"no answer", kRouterMac, 7, 0, "", 0, 0, "0/0"},
        {"no answer but an I/O report since", kRouterMac, 7, 1, "", 0, 0, "1/77"},
        {"answer from another device but an I/O report since", kRouterMac, 7, 1, "2B3C", 1, 1, "1/77"},
        {"record without an address cannot have answered", "", 7, 0, "1A2B", 1, 1, "0/0"},
        {"end device type 4, even answering", kEndDeviceMac, 4, 0, "1A2B", 1, 1, "2/0"},
        {"end device type 6 after an I/O report", kEndDeviceMac, 6, 1, "", 0, 0, "2/0"},
    };
    for (const Case& c : cases) {
        Reset();
        auto& s = g();
        s.enaPollPing = 1;
        Router(1, c.mac, "1A2B", c.type);
        Router(2, kSilentMac, "2B3C");
        auto& d = s.Devices[1];
        d.devStatus = 1;
        d.DeviceLQI = 77;
        d.devIOValid = c.io_valid;
        s.PingShort = c.ping_short;
        s.PingFlagA = c.flag_a;
        s.PingFlagC = c.flag_c;
        s.PingLQI = 180;
        s.PollIndex = 2;

        EXPECT_EQ(AliveTick(), std::vector<std::string>{"CMD:0E:2B3C;"}) << c.name;
        EXPECT_EQ(StatusOf(1), c.after) << c.name;
        EXPECT_EQ(d.devIOValid, 0) << c.name;
        EXPECT_EQ(s.PingFlagA, 0) << c.name;
        EXPECT_EQ(s.PingFlagC, 0) << c.name;
        EXPECT_EQ(s.PingLQI, 0) << c.name;
        EXPECT_EQ(s.PingShort, "") << c.name;
        EXPECT_EQ(s.PollIndex, 3) << c.name;
    }
}

TEST_F(Supervision, alive_round_skips_end_devices_reporting_devices_and_records_without_address) {
    auto& s = g();
    s.enaPollPing = 1;
    Router(1, kRouterMac, "1A2B");
    Router(2, kEndDeviceMac, "3C4D", 6);
    Router(3, kSilentMac, "5E6F");
    Router(4, "", "7A8B");
    s.Devices[3].devIOValid = 1;
    W().lblTotalDevice->setText("x");

    struct Tick {
        std::vector<std::string> wire;
        int16_t poll_index_after;
    };
    // Slot 3 reported I/O data before the first round; its judgement clears that, so the second round
    // pings it.
    const std::vector<Tick> ticks = {
        {{"CMD:0E:1A2B;"}, 2}, {{}, 3}, {{}, 4}, {{}, 5}, {{"CMD:0E:1A2B;"}, 2},
        {{}, 3},               {{"CMD:0E:5E6F;"}, 4}, {{}, 5}, {{"CMD:0E:1A2B;"}, 2},
    };
    for (size_t k = 0; k < ticks.size(); ++k) {
        EXPECT_EQ(AliveTick(), ticks[k].wire) << "tick " << k + 1;
        EXPECT_EQ(s.PollIndex, ticks[k].poll_index_after) << "tick " << k + 1;
    }
    EXPECT_EQ(StatusOf(2), "2/0");
    EXPECT_EQ(W().lblTotalDevice->text(), "4");
}

TEST_F(Supervision, alive_tick_does_nothing_while_polling_is_off_or_the_coordinator_is_restarting) {
    struct Case {
        const char* name;
        int16_t poll, reset_wait, announced;
    };
    for (const Case& c : {Case{"polling off", 0, 0, 0}, Case{"reset or channel change running", 1, 20, 0},
                          Case{"restarted coordinator not yet identified", 1, 0, 1}}) {
        Reset();
        auto& s = g();
        s.enaPollPing = c.poll;
        s.CoordResetWait = c.reset_wait;
        s.CoordAnnounced = c.announced;
        Router(1, kRouterMac, "1A2B");
        Router(2, kSilentMac, "2B3C");
        s.PollIndex = 2;
        s.PingShort = "2B3C";
        s.PingFlagA = 1;
        s.PingFlagC = 1;
        s.PingLQI = 180;
        s.Devices[1].devStatus = 1;
        s.Devices[1].DeviceLQI = 77;
        W().lblTotalDevice->setText("x");

        EXPECT_TRUE(AliveTick().empty()) << c.name;
        EXPECT_EQ(s.PollIndex, 2) << c.name;
        EXPECT_EQ(StatusOf(1), "1/77") << c.name;
        EXPECT_EQ(s.PingShort, "2B3C") << c.name;
        EXPECT_EQ(s.PingLQI, 180) << c.name;
        EXPECT_EQ(W().lblTotalDevice->text(), "x") << c.name;
    }
}

TEST_F(Supervision, busy_operation_restarts_the_alive_round_at_the_first_device) {
    auto& s = g();
    s.enaPollPing = 1;
    Router(1, kRouterMac, "1A2B");
    Router(2, kSilentMac, "2B3C");
    Router(3, kEndDeviceMac, "3C4D");
    s.PollIndex = 3;
    s.Devices[2].devStatus = 1;
    s.Devices[2].DeviceLQI = 77;
    s.OperBusy = 1;

    EXPECT_TRUE(AliveTick().empty());
    EXPECT_EQ(s.PollIndex, 0);
    EXPECT_TRUE(AliveTick().empty());
    EXPECT_EQ(s.PollIndex, 0);
    // The device pinged before the operation is never judged; the round begins again.
    EXPECT_EQ(StatusOf(2), "1/77");

    s.OperBusy = 0;
    EXPECT_EQ(AliveTick(), std::vector<std::string>{"CMD:0E:1A2B;"});
    EXPECT_EQ(s.PollIndex, 2);
    EXPECT_EQ(StatusOf(2), "1/77");
}

TEST_F(Supervision, new_device_tick_completes_the_announced_record_and_redraws_the_list) {
    struct Case {
        const char* name;
        int type_byte;
        std::string type_text;
        int32_t poll_rate;
        int16_t keep_alive;
    };
    for (const Case& c : {Case{"router", 0x07, "Router", 0, 1}, Case{"end device", 0x04, "End Device", 20000, 0},
                          Case{"sleepy end device", 0x06, "End Device", 20000, 0}}) {
        Reset();
        auto& s = g();
        s.DefaultPollRate = 20000;
        Known(1, kRouterMac, "1A2B");
        HandleStringReceived(Announce(0x00, 0x5E, 0x6F, 0x01, c.type_byte));
        ASSERT_EQ(s.NewDeviceFlag, 1) << c.name;
        // Keep-alive set by an earlier record in this slot shows whether the end-device branch ran.
        s.Devices[2].stsEnableKeepAlive = 1;

        W().tmrNewDevice_Timer();
        const auto& d = s.Devices[2];
        EXPECT_EQ(d.DeviceTypeSTR, c.type_text) << c.name;
        EXPECT_EQ(d.devPollRate, c.poll_rate) << c.name;
        EXPECT_EQ(d.stsEnableKeepAlive, c.keep_alive) << c.name;
        EXPECT_EQ(d.ID16Short, "5E6F") << c.name;
        EXPECT_EQ(s.NewDeviceFlag, 0) << c.name;
        EXPECT_EQ(s.NewDevIdx, 2) << c.name;
        EXPECT_EQ(s.OperBusy, 0) << c.name;
        EXPECT_EQ(W().lblLstDEVDep[1]->text(), "00:13:A2:00:40:5A:30:01") << c.name;
        EXPECT_EQ(W().lblLstDEVType[1]->text(), QString::fromStdString(c.type_text)) << c.name;
        EXPECT_EQ(W().lblTotalDevice->text(), "2") << c.name;
    }
}

TEST_F(Supervision, strangers_announcing_before_one_new_device_tick_are_all_completed) {
    auto& s = g();
    s.DefaultPollRate = 20000;
    Known(1, kRouterMac, "1A2B");
    HandleStringReceived(Announce(0x00, 0x5E, 0x6F, 0x01, 0x07));
    HandleStringReceived(Announce(0x00, 0x6F, 0x70, 0x02, 0x04));
    HandleStringReceived(Announce(0x00, 0x70, 0x71, 0x03, 0x06));
    ASSERT_EQ(s.TotalDevice, 4);

    W().tmrNewDevice_Timer();
    EXPECT_EQ(s.NewDeviceFlag, 0);
    const char* types[] = {"Router", "End Device", "End Device"};
    for (int k = 2; k <= 4; ++k) {
        EXPECT_EQ(s.Devices[k].DeviceTypeSTR, types[k - 2]) << k;
        EXPECT_EQ(W().lblLstDEVType[k - 1]->text(), types[k - 2]) << k;
    }
    EXPECT_EQ(s.Devices[3].devPollRate, 20000);
}

TEST_F(Supervision, known_device_reannounce_frees_the_operation_and_shows_its_new_short_address) {
    auto& s = g();
    Known(1, kRouterMac, "1A2B");
    Known(2, "00:13:A2:00:40:5A:30:01", "3C4D");
    modMain::RefreshDeviceList();
    W().lblTotalDevice->setText("x");
    HandleStringReceived(Announce(0xCC, 0x5E, 0x6F, 0x01, 0x07));
    ASSERT_EQ(s.FoundDevIdx, 2);
    ASSERT_EQ(s.OperBusy, 1);

    W().tmrNewDevice_Timer();
    EXPECT_EQ(s.FoundDevIdx, 0);
    EXPECT_EQ(s.OperBusy, 0);
    EXPECT_EQ(W().lblLstDEVShort[1]->text(), "5E6F");
    EXPECT_EQ(W().lblTotalDevice->text(), "2");
    EXPECT_EQ(s.TotalDevice, 2);
}

TEST_F(Supervision, new_device_tick_waits_for_a_coordinator_reset_to_end) {
    auto& s = g();
    Known(1, kRouterMac, "1A2B");
    HandleStringReceived(Announce(0x00, 0x5E, 0x6F, 0x01, 0x07));
    Known(3, kEndDeviceMac, "3C4D");
    s.FoundDevIdx = 3;
    s.CoordResetWait = 20;

    const auto pending = [&s] {
        return "new " + std::to_string(s.NewDeviceFlag) + " found " + std::to_string(s.FoundDevIdx) + " busy " +
               std::to_string(s.OperBusy) + " type '" + s.Devices[2].DeviceTypeSTR + "'";
    };

    W().tmrNewDevice_Timer();
    EXPECT_EQ(pending(), "new 1 found 3 busy 1 type ''");
    s.CoordResetWait = 0;
    W().tmrNewDevice_Timer();
    EXPECT_EQ(pending(), "new 0 found 0 busy 0 type 'Router'");
}

TEST_F(Supervision, recount_counts_addressed_slots_up_to_32000_and_restarts_alive_polling) {
    auto& s = g();
    Known(1, kRouterMac, "1A2B");
    Known(2, "", "2B3C");  // a short address alone does not count
    Known(3, kEndDeviceMac, "");
    s.Devices[32000].ID64Long = kSilentMac;
    s.Devices[32001].ID64Long = "00:13:A2:00:40:5A:40:01";
    s.TotalDevice = 9;
    W().tmrDevAlive.set_enabled(false);

    // Without a deletion the count stays as it is.
    W().tmrGenOper_Timer();
    EXPECT_EQ(s.TotalDevice, 9);
    EXPECT_FALSE(W().tmrDevAlive.enabled());

    s.ListDirty = 1;
    W().tmrGenOper_Timer();
    EXPECT_EQ(s.TotalDevice, 3);
    EXPECT_EQ(s.ListDirty, 0);
    EXPECT_TRUE(W().tmrDevAlive.enabled());
    EXPECT_EQ(W().lblTotalDevice->text(), "3");
    EXPECT_TRUE(line->writes().empty());
}

TEST_F(SavedNetworkRunning, deleted_device_is_recounted_within_100_ms_and_the_list_closes_up) {
    frmMain& w = *windows().main;
    auto& s = g();
    ASSERT_EQ(s.TotalDevice, 2);
    ASSERT_EQ(w.lblTotalDevice->text(), "2");

    modMain::DeleteDevice(1);
    ASSERT_EQ(s.TotalDevice, 2);
    EXPECT_TRUE(clock.run_until([&] { return s.TotalDevice == 1; }, 100));
    EXPECT_EQ(w.lblTotalDevice->text(), "1");
    EXPECT_EQ(w.lblLstDEVDep[0]->text(), kEndDeviceMac);
    EXPECT_EQ(w.lblLstDEVName[0]->text(), "Tank");
    EXPECT_EQ(w.lblLstDEVDep[1]->text(), "");
    EXPECT_FALSE(w.picSTSDEV[1]->isVisible());
    EXPECT_TRUE(w.tmrDevAlive.enabled());
    EXPECT_EQ(s.ListDirty, 0);
}

TEST_F(SavedNetworkRunning, coordinator_restarting_on_its_own_is_identified_and_registered_again) {
    frmMain& w = *windows().main;
    auto& s = g();
    w.frmNETWORK->setEnabled(false);
    w.frmLSTDEV->setEnabled(false);
    line->clear_writes();

    // The restart notice starts the long wait; the announce that follows only flags the coordinator.
    line->send_to_host("F;");
    Settle();
    ASSERT_EQ(s.OperBusy, 1);
    ASSERT_TRUE(w.tmrTimeOut.enabled());
    line->send_to_host(Bytes({0xCC, 0x00, 0x00, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0xC0, 0x01, 0x09, ';'}));
    ASSERT_TRUE(clock.run_until([&] { return s.CoordAnnounced == 1; }, 200));

    ASSERT_TRUE(clock.run_until([&] { return w.frmNETWORK->isEnabled(); }, 10000));
    Settle();
    // Identification, then the MAC list file registered line by line, the network started and locked.
    std::vector<std::string> wire = {"CMD:11;", "CMD:0D;"};
    for (const char* mac : {kCoordMac, kRouterMac, kEndDeviceMac}) wire.push_back(std::string("CMD:03:") + mac + ";");
    wire.insert(wire.end(), {"CMD:04;", "CMD:0A:0;"});
    EXPECT_EQ(line->writes(), wire);
    EXPECT_EQ(s.CoordAnnounced, 0);
    EXPECT_EQ(s.OperBusy, 0);
    EXPECT_FALSE(w.tmrTimeOut.enabled());
    EXPECT_TRUE(w.frmLSTDEV->isEnabled());
    EXPECT_EQ(w.lblPanInfo->text(), "3F21");
    EXPECT_EQ(w.lblRFCh->text(), "15");
}

TEST_F(ProgramTest, alive_polling_pings_each_router_once_a_round_and_judges_it_a_tick_later) {
    Preset("ShowSplash", "0");
    UseSim(CoordinatorOnly(std::string("device mac=") + kRouterMac + " type=7 lqi=200 report=0\n" +
                           "device mac=" + kSilentMac + " type=7 silent report=0\n" + "device mac=" +
                           kEndDeviceMac + " type=4 report=0\n"));
    std::vector<std::pair<uint32_t, std::string>> pings;
    sim->set_log([&](const std::string& l) {
        if (l.rfind("<- CMD:0E:", 0) == 0) pings.emplace_back(clock.now_ms(), l.substr(3));
    });
    Start("5");
    auto& s = g();
    ASSERT_TRUE(clock.run_until([&] { return s.TotalDevice == 3 && s.NewDeviceFlag == 0 && s.OperBusy == 0; },
                                20000));
    ASSERT_EQ(s.Devices[1].ID64Long, kRouterMac);
    ASSERT_EQ(s.Devices[2].ID64Long, kSilentMac);
    ASSERT_EQ(s.Devices[3].ID64Long, kEndDeviceMac);
    const std::string router = "CMD:0E:" + s.Devices[1].ID16Short + ";";
    const std::string silent = "CMD:0E:" + s.Devices[2].ID16Short + ";";
    frmMain& w = *windows().main;
    ASSERT_EQ(w.tmrDevAlive.interval(), 1000);
    ASSERT_TRUE(pings.empty());

    s.Devices[2].devStatus = 1;
    s.Devices[2].DeviceLQI = 99;
    s.Devices[3].devStatus = 1;
    s.Devices[3].DeviceLQI = 55;
    s.enaPollPing = 1;
    ASSERT_TRUE(clock.run_until([&] { return !pings.empty(); }, 1100));

    // Looked at one interval after each tick's ping went out: slots 1, 2 and 3 as devStatus/LQI, and
    // the lamp of each list row (1 red, 2 green, 3 amber).
    struct Round {
        std::string r1, r2, r3;
        int lamp1, lamp2, lamp3;
    };
    const std::vector<Round> after = {
        {"0/0", "1/99", "1/55", 1, 2, 2},   {"1/200", "1/99", "1/55", 2, 2, 2}, {"1/200", "0/0", "1/55", 2, 1, 2},
        {"1/200", "0/0", "2/0", 2, 1, 3},   {"1/200", "0/0", "2/0", 2, 1, 3},   {"1/200", "0/0", "2/0", 2, 1, 3},
        {"1/200", "0/0", "2/0", 2, 1, 3},
    };
    for (size_t k = 0; k < after.size(); ++k) {
        if (k > 0) clock.advance(1000);
        EXPECT_EQ(StatusOf(1), after[k].r1) << "tick " << k + 1;
        EXPECT_EQ(StatusOf(2), after[k].r2) << "tick " << k + 1;
        EXPECT_EQ(StatusOf(3), after[k].r3) << "tick " << k + 1;
        EXPECT_TRUE(ShowsLamp(w, 0, after[k].lamp1)) << "tick " << k + 1;
        EXPECT_TRUE(ShowsLamp(w, 1, after[k].lamp2)) << "tick " << k + 1;
        EXPECT_TRUE(ShowsLamp(w, 2, after[k].lamp3)) << "tick " << k + 1;
    }

    // Ticks 1..7 pinged the router, the silent router, nobody (the end device), and round again.
    std::vector<std::string> order;
    std::vector<uint32_t> gaps;
    for (size_t k = 0; k < pings.size(); ++k) {
        order.push_back(pings[k].second);
        if (k > 0) gaps.push_back(pings[k].first - pings[k - 1].first);
    }
    EXPECT_EQ(order, (std::vector<std::string>{router, silent, router, silent, router}));
    EXPECT_EQ(gaps, (std::vector<uint32_t>{1000, 2000, 1000, 2000}));
    EXPECT_EQ(w.lblTotalDevice->text(), "3");
}
