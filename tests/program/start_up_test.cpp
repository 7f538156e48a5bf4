// Start-up against the simulated coordinator: the port prompt, the splash, the handshake on the wire,
// the network files named from the coordinator's address and the first page of the device list.
#include <QFrame>
#include <QLabel>
#include <algorithm>

#include "app/core/mod_main.h"
#include "app/core/start_up.h"
#include "app/main_window/frmMain.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using modMain::windows;

namespace {

class StartUp : public ProgramTest {
protected:
    StartUp() {
        Preset("ShowSplash", "0");
        UseSim(CoordinatorOnly());
    }
};

}  // namespace


namespace {

std::vector<std::string> Starting(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
                 [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    return out;
}

const QColor kGreen(0, 255, 0), kDarkRed(64, 0, 0), kBlue(0, 0, 255);

}  // namespace

TEST_F(StartUp, healthy_coordinator_is_identified_registered_and_the_saved_network_drawn) {
    Preset("SerialPort", "7");
    WriteSavedNetwork();
    Start(platform::ScriptedDialogs::kTakeDefault);
    Settle();

    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].prompt, "Insert COORDINATOR Serial Port Number");
    EXPECT_EQ(dialogs.asked[0].title, "Lumaro");
    EXPECT_EQ(dialogs.asked[0].def, "7");
    EXPECT_EQ(line->opened_port, 7);

    const std::vector<std::string> wire = {"CMD:11;",
                                           "CMD:0D;",
                                           std::string("CMD:03:") + kCoordMac + ";",
                                           std::string("CMD:03:") + kRouterMac + ";",
                                           std::string("CMD:03:") + kEndDeviceMac + ";",
                                           "CMD:04;",
                                           "CMD:0A:0;"};
    EXPECT_EQ(line->writes(), wire);

    const std::vector<std::pair<std::string, QColor>> log = {
        {"Coordinator Initialization waiting time", kBlue},
        {"TX: CMD:11;", kBlue},
        {"RX: 07-00-13-A2-00-40-5A-C0-01-3B", kDarkRed},
        {"Wait: 1 sec.", kDarkRed},
        {"Trial 1 of 10", kBlue},
        {"Coordinator Ready", kBlue},
        {"TX: CMD:0D;", kBlue},
        {"RX: 11-0F-3F-21-3B", kDarkRed},
        {"TX: CMD:03:00:13:A2:00:40:5A:C0:01;", kBlue},
        {"RX: 30-3B", kGreen},
        {"TX: CMD:03:00:13:A2:00:40:5A:10:01;", kBlue},
        {"RX: 30-3B", kGreen},
        {"TX: CMD:03:00:13:A2:00:40:5A:20:01;", kBlue},
        {"RX: 30-3B", kGreen},
        {"TX: CMD:04;", kBlue},
        {"RX: 30-3B", kGreen},
        {"TX: CMD:0A:0;", kBlue},
    };
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), log.size());
    for (size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(lines[i], log[i].first) << "line " << i;
        EXPECT_EQ(LogColour(static_cast<int>(i)), log[i].second) << "line " << i;
    }

    auto& s = g();
    EXPECT_EQ(s.StartupDone, 1);
    EXPECT_EQ(s.NetFilePath, program_dir + "/0013A200405AC001.ini");
    EXPECT_EQ(s.MacListPath, program_dir + "/0013A200405AC001_macList.txt");
    EXPECT_EQ(s.CoordStartWait, 0);

    frmMain& w = *windows().main;
    EXPECT_EQ(w.lblIDCoord->text(), "00:13:A2:00:40:5A:C0:01");
    EXPECT_EQ(w.lblPanInfo->text(), "3F21");
    EXPECT_EQ(w.lblRFCh->text(), "15");
    EXPECT_EQ(w.lblTotalDevice->text(), "2");
    EXPECT_EQ(w.Status->Panels(2).text(), "OCX Version:1.0.25");
    EXPECT_TRUE(w.frmNETWORK->isEnabled());
    EXPECT_TRUE(w.frmLSTDEV->isEnabled());

    const std::vector<std::vector<QString>> rows = {
        {"0001", kRouterMac, "1A2B", "Pump", "Router", "1"},
        {"0002", kEndDeviceMac, "3C4D", "Tank", "End Device", "0"},
        {"", "", "", "", "", ""},
    };
    for (size_t k = 0; k < rows.size(); ++k) {
        const std::vector<QString> shown = {w.lblLstDEVSeq[k]->text(),   w.lblLstDEVDep[k]->text(),
                                            w.lblLstDEVShort[k]->text(), w.lblLstDEVName[k]->text(),
                                            w.lblLstDEVType[k]->text(),  w.lblLstDEVKa[k]->text()};
        EXPECT_EQ(shown, rows[k]) << "row " << k;
        EXPECT_EQ(w.picSTSDEV[k]->isVisible(), k < 2) << "row " << k;
    }

    // A saved alive period below 100 ms runs the alive timer at 1000 ms.
    EXPECT_TRUE(w.tmrNewDevice.enabled());
    EXPECT_EQ(w.tmrNewDevice.interval(), 100);
    EXPECT_TRUE(w.tmrGenOper.enabled());
    EXPECT_EQ(w.tmrGenOper.interval(), 100);
    EXPECT_TRUE(w.tmrDevAlive.enabled());
    EXPECT_EQ(w.tmrDevAlive.interval(), 1000);
}

TEST_F(StartUp, first_run_with_a_coordinator_names_its_files_and_registers_it_alone) {
    UseSim("coordinator mac=01:23:45:67:89:AB:CD:EF pan=0B17 channel=26\n");
    Start("3");
    Settle();

    EXPECT_EQ(line->writes(), (std::vector<std::string>{"CMD:11;", "CMD:0D;", "CMD:03:01:23:45:67:89:AB:CD:EF;",
                                                        "CMD:04;", "CMD:0A:0;"}));
    EXPECT_EQ(g().NetFilePath, program_dir + "/0123456789ABCDEF.ini");
    EXPECT_EQ(g().MacListPath, program_dir + "/0123456789ABCDEF_macList.txt");
    // The MAC list is created empty; the network data file only when the network is saved.
    EXPECT_EQ(ProgramFolderListing(), std::vector<std::string>{"0123456789ABCDEF_macList.txt"});
    EXPECT_EQ(ReadFile(g().MacListPath), "");
    frmMain& w = *windows().main;
    EXPECT_EQ(w.lblIDCoord->text(), "01:23:45:67:89:AB:CD:EF");
    EXPECT_EQ(w.lblPanInfo->text(), "0B17");
    EXPECT_EQ(w.lblRFCh->text(), "26");
    EXPECT_EQ(w.lblTotalDevice->text(), "0");
    EXPECT_EQ(w.lblLstDEVSeq[0]->text(), "");
}

TEST_F(StartUp, typed_port_is_read_leniently_with_halves_to_even) {
    const std::vector<std::pair<std::string, int16_t>> cases = {{"3.5", 4}, {"2.5", 2}, {"7abc", 7}, {"12", 12}};
    for (const auto& [typed, port] : cases) {
        UseSim(CoordinatorOnly());
        Start(typed);
        EXPECT_EQ(g().SerialPort, port) << typed;
        EXPECT_EQ(line->opened_port, port) << typed;
        EXPECT_EQ(g().StartupDone, 1) << typed;
        EndRun();
    }
}

TEST_F(StartUp, port_prompt_is_english_even_when_the_saved_language_is_italian) {
    Preset("LangID", "1");
    Start("5");
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].prompt, "Insert COORDINATOR Serial Port Number");
    // Everything after the prompt speaks the saved language.
    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Attesa Inizializzazione Coordinatore");
    EXPECT_EQ(lines[3], "Attesa 1 secondo");
    EXPECT_EQ(lines[4], "Tentativo 1 di 10");
    EXPECT_EQ(lines[5], "Coordinatore Pronto");
    EXPECT_EQ(windows().main->Status->Panels(2).text(), "Versione OCX:1.0.25");
}

TEST_F(StartUp, splash_holds_the_start_for_three_seconds_only_when_asked_for) {
    struct Case {
        const char* show_splash;
        bool splash_seen_after_2900_ms;
        bool link_silent_for_3000_ms;
    };
    for (const Case& c : {Case{"1", true, true}, Case{"0", false, false}}) {
        Preset("ShowSplash", c.show_splash);
        UseSim(CoordinatorOnly());
        const uint32_t t0 = clock.now_ms();
        std::vector<uint32_t> splash_seen;  // ms after t0, every 100 ms while the splash exists
        platform::Timer probe([&] {
            if (windows().splash) splash_seen.push_back(clock.now_ms() - t0);
        });
        probe.set_interval(100);
        probe.set_enabled(true);
        uint32_t first_command_at = 0;
        sim->set_log([&](const std::string& l) {
            if (first_command_at == 0 && l.rfind("<- ", 0) == 0) first_command_at = clock.now_ms() - t0;
        });
        Start("5");
        probe.set_enabled(false);

        const bool seen_2900 = std::find(splash_seen.begin(), splash_seen.end(), 2900u) != splash_seen.end();
        EXPECT_EQ(seen_2900, c.splash_seen_after_2900_ms) << c.show_splash;
        EXPECT_TRUE(splash_seen.empty() || splash_seen.back() <= 3000u) << c.show_splash;
        EXPECT_EQ(first_command_at >= 3000u, c.link_silent_for_3000_ms) << c.show_splash << " " << first_command_at;
        EXPECT_EQ(windows().splash, nullptr);
        EXPECT_EQ(g().StartupDone, 1);
        EndRun();
    }
}

TEST_F(StartUp, coordinator_answering_the_eleventh_address_request_is_accepted) {
    UseSim(CoordinatorOnly("faults ignore_addr=10\n"));
    Start("5");

    const auto writes = line->writes();
    EXPECT_EQ(std::count(writes.begin(), writes.end(), "CMD:11;"), 11);
    const auto lines = LogLines();
    std::vector<std::string> trials;
    for (int n = 1; n <= 10; ++n) trials.push_back("Trial " + std::to_string(n) + " of 10");
    EXPECT_EQ(Starting(lines, "Trial "), trials);
    EXPECT_EQ(Starting(lines, "Coordinator Ready"), std::vector<std::string>{"Coordinator Ready"});
    EXPECT_EQ(g().CoordMac, kCoordMac);
    EXPECT_EQ(g().StartupDone, 1);
}
