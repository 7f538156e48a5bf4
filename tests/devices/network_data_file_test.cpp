#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "platform/profile_engine.h"
#include "profile/pravel.h"
#include "tests/devices/network_fixture.h"

using namespace modMain;

namespace {

// The members a network data file keeps, and those it does not.
auto kept(const DeviceRecord& d) {
    return std::make_tuple(d.ID64Long, d.ID16Short, d.DeviceType, d.DeviceTypeSTR, d.DeviceLQI, d.DeviceName,
                           d.devPollRate, d.devNewRate, d.stsEnableKeepAlive);
}
auto not_kept(const DeviceRecord& d) {
    return std::make_tuple(d.devStatus, d.devVBatt, d.devTemp, d.devAnalog1, d.devAnalog2, d.devAnalog3,
                           d.devAnalog4, d.devInputs, d.devIOValid, d.devLastData, d.devRxLog);
}
const auto kNothingKept = not_kept(DeviceRecord{});

// Module state back to process start, keeping the paths start-up gave.
void restart_program() {
    const State kept_paths = g();
    reset();
    g().CoordMac = kept_paths.CoordMac;
    g().NetFilePath = kept_paths.NetFilePath;
    g().MacListPath = kept_paths.MacListPath;
}

std::string crlf_lines(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) out += std::string(l) + "\r\n";
    return out;
}

}  // namespace

using NetworkDataFile = NetworkFilesTest;

TEST_F(NetworkDataFile, save_then_load_restores_the_network_values_and_the_nine_device_keys_only) {
    fill_table(40);
    g().Devices[7].DeviceName = "";  // an empty value comes back empty, not as the previous name
    SaveNetworkData();
    restart_program();
    LoadNetworkData();

    EXPECT_EQ(g().TotalDevice, 40);
    EXPECT_EQ(g().DeviceTimeOut, 1500);
    EXPECT_EQ(g().NetStat, 3);
    EXPECT_EQ(g().mSecAlive, 2500);
    EXPECT_EQ(g().enaPollPing, 1);
    EXPECT_EQ(g().DefaultPollRate, 30000);
    // Those two come from the coordinator, never from the file.
    EXPECT_EQ(g().RFCh, 0);
    EXPECT_EQ(g().PanInfo, "");
    for (int i = 1; i <= 40; ++i) {
        DeviceRecord expected = sample_device(i);
        if (i == 7) expected.DeviceName = "";
        EXPECT_EQ(kept(g().Devices[i]), kept(expected)) << "slot " << i;
        EXPECT_EQ(not_kept(g().Devices[i]), kNothingKept) << "slot " << i;
    }
    EXPECT_EQ(g().Devices[41].ID64Long, "");
}

TEST_F(NetworkDataFile, saved_file_holds_main_then_mac_list_then_one_section_per_device_in_quotes_and_crlf) {
    fill_table(2);
    g().Devices[1].DeviceName = "Hall light";
    SaveNetworkData();
    EXPECT_EQ(read_file(net_file()), crlf_lines({
                                         "[Main]",
                                         "TotalDevice=\"2\"",
                                         "RFCh=\"15\"",
                                         "PanInfo=\"3F21\"",
                                         "DeviceTimeOut=\"1500\"",
                                         "NetStat=\"3\"",
                                         "mSecAlive=\"2500\"",
                                         "enapollPing=\"1\"",
                                         "DefaultPollRate=\"30000\"",
                                         "[MAC List]",
                                         "Device000001=\"00:13:A2:00:41:00:00:01\"",
                                         "Device000002=\"00:13:A2:00:41:00:00:02\"",
                                         "[00:13:A2:00:41:00:00:01]",
                                         "ID64Long=\"00:13:A2:00:41:00:00:01\"",
                                         "ID16Short=\"0025\"",
                                         "DeviceType=\"7\"",
                                         "DeviceTypeSTR=\"Router\"",
                                         "DeviceLQI=\"1\"",
                                         "DeviceName=\"Hall light\"",
                                         "devPollRate=\"0\"",
                                         "devNewRate=\"1\"",
                                         "stsEnableKeepAlive=\"1\"",
                                         "[00:13:A2:00:41:00:00:02]",
                                         "ID64Long=\"00:13:A2:00:41:00:00:02\"",
                                         "ID16Short=\"004A\"",
                                         "DeviceType=\"7\"",
                                         "DeviceTypeSTR=\"Router\"",
                                         "DeviceLQI=\"2\"",
                                         "DeviceName=\"Lamp 2\"",
                                         "devPollRate=\"0\"",
                                         "devNewRate=\"2\"",
                                         "stsEnableKeepAlive=\"0\"",
                                     }));
    EXPECT_EQ(read_file(mac_list()), crlf_lines({kCoordMac, "00:13:A2:00:41:00:00:01", "00:13:A2:00:41:00:00:02"}));
}

// The save keeps every step in memory and writes once; the result must be the file the plain
// procedure leaves: delete the file, then write key by key, each step on the disk before the next.
TEST_F(NetworkDataFile, save_leaves_the_bytes_of_deleting_the_file_and_writing_it_key_by_key) {
    const std::string old_content = crlf_lines({"; written by hand", "[Main]", "TotalDevice=\"9\"", "Extra=\"x\"",
                                                "[MAC List]", "Device000009=\"gone\"", "[Other]", "k=v"});
    const std::string reference = folder / "reference.ini";
    edit_file(net_file(), old_content);
    write_file(reference, old_content);
    fill_table(3);
    g().Devices[2].DeviceTypeSTR = "";

    SaveNetworkData();

    Pravel step;
    auto write = [&](const std::string& key, const std::string& value) {
        step.Chiave(key);
        step.Valore(value);
        step.ScriviValore();
        platform::profile_flush();
    };
    step.File(reference);
    std::remove(reference.c_str());
    step.Sezione("Main");
    for (const auto& [key, value] : {std::pair{"TotalDevice", "3"}, {"RFCh", "15"}, {"PanInfo", "3F21"},
                                     {"DeviceTimeOut", "1500"}, {"NetStat", "3"}, {"mSecAlive", "2500"},
                                     {"enapollPing", "1"}, {"DefaultPollRate", "30000"}})
        write(key, value);
    step.Sezione("MAC List");
    step.CancellaSezione();
    platform::profile_flush();
    for (int i = 1; i <= 3; ++i) {
        const DeviceRecord& d = g().Devices[i];
        step.Sezione("MAC List");
        step.CreaSezione();
        platform::profile_flush();
        char key[16];
        std::snprintf(key, sizeof key, "Device%06d", i);
        write(key, d.ID64Long);
        step.Sezione(d.ID64Long);
        write("ID64Long", d.ID64Long);
        write("ID16Short", d.ID16Short);
        write("DeviceType", std::to_string(d.DeviceType));
        write("DeviceTypeSTR", d.DeviceTypeSTR);
        write("DeviceLQI", std::to_string(d.DeviceLQI));
        write("DeviceName", d.DeviceName);
        write("devPollRate", std::to_string(d.devPollRate));
        write("devNewRate", std::to_string(d.devNewRate));
        write("stsEnableKeepAlive", std::to_string(d.stsEnableKeepAlive));
    }

    const std::string saved = read_file(net_file());
    EXPECT_EQ(saved, read_file(reference));
    EXPECT_EQ(saved.find("Other"), std::string::npos);
    EXPECT_EQ(saved.find("Device000009"), std::string::npos);
}

TEST_F(NetworkDataFile, empty_slot_inside_the_used_range_is_left_out_and_the_rest_numbered_without_gaps) {
    fill_table(4);
    g().Devices[2] = DeviceRecord{};  // deleted, not yet recounted
    SaveNetworkData();

    const std::string saved = read_file(net_file());
    EXPECT_NE(saved.find("TotalDevice=\"3\"\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[MAC List]\r\nDevice000001=\"00:13:A2:00:41:00:00:01\"\r\n"
                         "Device000002=\"00:13:A2:00:41:00:00:03\"\r\n"
                         "Device000003=\"00:13:A2:00:41:00:00:04\"\r\n["),
              std::string::npos)
        << saved;
    EXPECT_EQ(saved.find("[]"), std::string::npos);
    EXPECT_EQ(saved.find("\"\"\r\n[00"), std::string::npos);
    EXPECT_EQ(read_file(mac_list()),
              crlf_lines({kCoordMac, "00:13:A2:00:41:00:00:01", "00:13:A2:00:41:00:00:03", "00:13:A2:00:41:00:00:04"}));

    restart_program();
    LoadNetworkData();
    EXPECT_EQ(g().TotalDevice, 3);
    EXPECT_EQ(kept(g().Devices[1]), kept(sample_device(1)));
    EXPECT_EQ(kept(g().Devices[2]), kept(sample_device(3)));
    EXPECT_EQ(kept(g().Devices[3]), kept(sample_device(4)));
}

TEST_F(NetworkDataFile, missing_file_loads_the_defaults_and_leaves_the_table_empty) {
    g().enaPollPing = 1;
    LoadNetworkData();
    EXPECT_EQ(g().TotalDevice, 0);
    EXPECT_EQ(g().DeviceTimeOut, 1000);
    EXPECT_EQ(g().NetStat, 0);
    EXPECT_EQ(g().mSecAlive, 1000);
    EXPECT_EQ(g().enaPollPing, 0);
    EXPECT_EQ(g().DefaultPollRate, 20000);
    EXPECT_EQ(g().Devices[1].ID64Long, "");
    EXPECT_EQ(main.cmdEnPing->text(), "Enable cycling PING");
    EXPECT_FALSE(file_exists(net_file()));
}

TEST_F(NetworkDataFile, main_section_values_are_read_leniently_with_their_substitutes) {
    struct Case {
        const char* line;
        int32_t State::*value32;
        int16_t State::*value16;
        int32_t expected;
    };
    const Case cases[] = {
        {"DeviceTimeOut=\"0\"", &State::DeviceTimeOut, nullptr, 1000},
        {"DeviceTimeOut=\"2500ms\"", &State::DeviceTimeOut, nullptr, 2500},
        {"DeviceTimeOut=\"abc\"", &State::DeviceTimeOut, nullptr, 1000},
        {"mSecAlive=\"0\"", &State::mSecAlive, nullptr, 1000},
        {"mSecAlive=\"50\"", &State::mSecAlive, nullptr, 50},
        {"DefaultPollRate=\"50\"", &State::DefaultPollRate, nullptr, 20000},
        {"DefaultPollRate=\"99\"", &State::DefaultPollRate, nullptr, 20000},
        {"DefaultPollRate=\"-300\"", &State::DefaultPollRate, nullptr, 20000},
        {"DefaultPollRate=\"100\"", &State::DefaultPollRate, nullptr, 100},
        {"DefaultPollRate=\"12.5\"", &State::DefaultPollRate, nullptr, 20000},
        {"DefaultPollRate=\"30000.5\"", &State::DefaultPollRate, nullptr, 30000},
        {"DefaultPollRate=\"30001.5\"", &State::DefaultPollRate, nullptr, 30002},
        {"NetStat=\"-4\"", nullptr, &State::NetStat, -4},
        {"TotalDevice=\"junk\"", nullptr, &State::TotalDevice, 0},
        {"ENAPOLLPING=\"1\"", nullptr, &State::enaPollPing, 1},
    };
    for (const Case& c : cases) {
        edit_file(net_file(), crlf_lines({"[Main]", c.line}));
        LoadNetworkData();
        const int32_t got = c.value32 ? g().*c.value32 : g().*c.value16;
        EXPECT_EQ(got, c.expected) << c.line;
    }
}

TEST_F(NetworkDataFile, cycling_ping_button_says_what_a_click_will_do_and_other_values_leave_it) {
    const struct {
        const char* value;
        const char* caption;
    } cases[] = {{"1", "Disable cycling PING"}, {"7", "Disable cycling PING"}, {"0", "Enable cycling PING"},
                 {"-1", "Enable cycling PING"}, {"1", "Disable cycling PING"}};
    for (const auto& c : cases) {
        edit_file(net_file(), crlf_lines({"[Main]", (std::string("enaPollPing=\"") + c.value + "\"").c_str()}));
        LoadNetworkData();
        EXPECT_EQ(main.cmdEnPing->text().toStdString(), c.caption) << c.value;
    }
}

// As the program on the other platform wrote it, then edited by hand.
TEST_F(NetworkDataFile, windows_layout_file_loads_with_any_key_case_blanks_and_missing_keys) {
    edit_file(net_file(), crlf_lines({
                               "[MAIN]",
                               " totaldevice = \"5\" ",
                               "DEVICETIMEOUT=\"800\"",
                               "netstat=\"2\"",
                               "MSECALIVE=\"3000\"",
                               "enaPollPing=\"1\"",
                               "DefaultPollRate=\"50\"",
                               "",
                               "[mac list]",
                               "DEVICE000001=\"00:13:A2:00:41:00:00:01\"",
                               "device000002 = \"00:13:A2:00:41:00:00:02\"",
                               "Device000004=\"00:13:A2:00:41:00:00:04\"",
                               "Device000005=\"00:13:A2:00:41:00:00:05\"",
                               "",
                               "[00:13:A2:00:41:00:00:01]",
                               "ID64Long=\"00:13:A2:00:41:00:00:01\"",
                               "id16short=\" 1A2B \"",
                               "DeviceType=\"7\"",
                               "DEVICETYPESTR=\"Router\"",
                               "DeviceLQI=\"200\"",
                               "DeviceName=\"  Kitchen  \"",
                               "devPollRate=\"0\"",
                               "devNewRate=\"10\"",
                               "stsEnableKeepAlive=\"1\"",
                               "[00:13:A2:00:41:00:00:02]",
                               "ID64LONG=\"00:13:A2:00:41:00:00:02\"",
                               "ID16Short=\"3C4D\"",
                               "DeviceType=\"6\"",
                               "DeviceTypeSTR=\"End Device\"",
                               "DeviceLQI=\"0\"",
                               "devPollRate=\"20000\"",
                               "[00:13:A2:00:41:00:00:04]",
                               "ID16Short=\"5E6F\"",
                               "DeviceType=\"7\"",
                               "DeviceName=\"Porch\"",
                               "stsEnableKeepAlive=\"1\"",
                           }));
    DeviceRecord before;
    before.ID64Long = "00:13:A2:00:41:00:00:99";
    before.DeviceName = "left alone";
    before.devRxLog = "log";
    g().Devices[3] = before;

    LoadNetworkData();

    EXPECT_EQ(g().TotalDevice, 5);  // the file's count, though one entry is missing
    EXPECT_EQ(g().DeviceTimeOut, 800);
    EXPECT_EQ(g().NetStat, 2);
    EXPECT_EQ(g().mSecAlive, 3000);
    EXPECT_EQ(g().enaPollPing, 1);
    EXPECT_EQ(g().DefaultPollRate, 20000);
    using K = decltype(kept(DeviceRecord{}));
    EXPECT_EQ(kept(g().Devices[1]),
              K("00:13:A2:00:41:00:00:01", "1A2B", int16_t{7}, "Router", int16_t{200}, "Kitchen", 0, 10, int16_t{1}));
    // No name, report period or keep-alive: the first two are the previous device's, keep-alive is 0.
    EXPECT_EQ(kept(g().Devices[2]), K("00:13:A2:00:41:00:00:02", "3C4D", int16_t{6}, "End Device", int16_t{0},
                                      "Kitchen", 20000, 10, int16_t{0}));
    EXPECT_EQ(kept(g().Devices[3]), kept(before));
    EXPECT_EQ(g().Devices[3].devRxLog, "log");
    // No address key: the MAC List entry gives it.
    EXPECT_EQ(kept(g().Devices[4]), K("00:13:A2:00:41:00:00:04", "5E6F", int16_t{7}, "End Device", int16_t{0},
                                      "Porch", 20000, 10, int16_t{1}));
    // A MAC List entry whose section is gone still fills its slot with the address it names.
    EXPECT_EQ(kept(g().Devices[5]), K("00:13:A2:00:41:00:00:05", "5E6F", int16_t{7}, "End Device", int16_t{0},
                                      "Porch", 20000, 10, int16_t{0}));
}

TEST_F(NetworkDataFile, first_device_without_a_name_stays_unnamed) {
    edit_file(net_file(), crlf_lines({"[Main]", "TotalDevice=\"1\"", "[MAC List]",
                                       "Device000001=\"00:13:A2:00:41:00:00:01\"", "[00:13:A2:00:41:00:00:01]",
                                       "DeviceType=\"7\""}));
    LoadNetworkData();
    EXPECT_EQ(g().Devices[1].DeviceName, "");
    EXPECT_EQ(g().Devices[1].ID64Long, "00:13:A2:00:41:00:00:01");
    EXPECT_EQ(g().Devices[1].DeviceType, 7);
}
