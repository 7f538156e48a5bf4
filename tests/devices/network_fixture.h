#pragma once
// The device table's files on a real main window (offscreen), on virtual time, each test in its own
// folder. The paths are those start-up derives from the coordinator's address.
#include <string>

#include "app/core/device_record.h"
#include "app/main_window/frmMain.h"
#include "platform/fake_serial_port.h"
#include "tests/app/app_fixture.h"
#include "tests/profile/temp_folder.h"

inline constexpr const char* kCoordMac = "00:13:A2:00:40:5A:C0:01";

// The link of every main window made while it lives gets a port on `line`; the link's thread state
// starts fresh and is left fresh.
class SerialPortsOnLine {
public:
    explicit SerialPortsOnLine(const std::shared_ptr<platform::FakeSerialLine>& line);
    ~SerialPortsOnLine();
    SerialPortsOnLine(const SerialPortsOnLine&) = delete;
    SerialPortsOnLine& operator=(const SerialPortsOnLine&) = delete;
};

class NetworkFilesTest : public AppTest {
protected:
    NetworkFilesTest();

    // A 23-character address that differs for every i up to 2^24.
    static std::string mac(int i);
    // Fills slot i with every member the network data file keeps, and some that it does not.
    static DeviceRecord sample_device(int i);
    // Slots 1..n get sample devices, TotalDevice = n, and the network values are set.
    static void fill_table(int n);

    // Writes a whole file past the program, as an editor would, and lets the event loop turn so the
    // profile engine looks at the disk again.
    void edit_file(const std::string& path, const std::string& bytes);

    std::string net_file() const { return folder / "0013A200405AC001.ini"; }
    std::string mac_list() const { return folder / "0013A200405AC001_macList.txt"; }

    std::shared_ptr<platform::FakeSerialLine> line = std::make_shared<platform::FakeSerialLine>();
    SerialPortsOnLine ports{line};
    TempFolder folder;
    frmMain main;
};
