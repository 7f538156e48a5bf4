#include "tests/devices/network_fixture.h"

#include <cstdio>

#include "app/core/mod_main.h"
#include "link/zigbee_net.h"

SerialPortsOnLine::SerialPortsOnLine(const std::shared_ptr<platform::FakeSerialLine>& line) {
    ZigBeeNet::ResetThreadState();
    platform::set_serial_factory([line] { return line->make_port(); });
}

SerialPortsOnLine::~SerialPortsOnLine() {
    platform::set_serial_factory(nullptr);
    ZigBeeNet::ResetThreadState();
}

NetworkFilesTest::NetworkFilesTest() {
    auto& s = modMain::g();
    s.CoordMac = kCoordMac;
    s.NetFilePath = net_file();
    s.MacListPath = mac_list();
}

void NetworkFilesTest::edit_file(const std::string& path, const std::string& bytes) {
    write_file(path, bytes);
    clock.run_pending();
}

std::string NetworkFilesTest::mac(int i) {
    char text[24];
    std::snprintf(text, sizeof text, "00:13:A2:00:41:%02X:%02X:%02X", (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF);
    return text;
}

DeviceRecord NetworkFilesTest::sample_device(int i) {
    DeviceRecord d;
    d.ID64Long = mac(i);
    char shortId[8];
    std::snprintf(shortId, sizeof shortId, "%04X", (i * 37) & 0xFFFF);
    d.ID16Short = shortId;
    const bool end_device = i % 3 == 0;
    d.DeviceType = end_device ? 6 : 7;
    d.DeviceTypeSTR = end_device ? "End Device" : "Router";
    d.DeviceLQI = static_cast<int16_t>(i % 256);
    d.DeviceName = "Lamp " + std::to_string(i);
    d.devPollRate = end_device ? 20000 + i : 0;
    d.devNewRate = i % 60;
    d.stsEnableKeepAlive = static_cast<int16_t>(i % 2);
    // Kept only while the program runs.
    d.devStatus = 1;
    d.devVBatt = 3.3f;
    d.devTemp = 21.5f;
    d.devAnalog1 = "0FFF";
    d.devInputs = "A";
    d.devIOValid = 1;
    d.devLastData = "hello";
    d.devRxLog = "*hello\r";
    return d;
}

void NetworkFilesTest::fill_table(int n) {
    auto& s = modMain::g();
    for (int i = 1; i <= n; ++i) s.Devices[i] = sample_device(i);
    s.TotalDevice = static_cast<int16_t>(n);
    s.RFCh = 15;
    s.PanInfo = "3F21";
    s.DeviceTimeOut = 1500;
    s.NetStat = 3;
    s.mSecAlive = 2500;
    s.enaPollPing = 1;
    s.DefaultPollRate = 30000;
}
