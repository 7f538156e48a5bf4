// The main program's decoding of coordinator replies and device data, up to what the device window
// shows: any run of replies keeps the table's count within the table; an I/O report gives its device
// four analogue texts of four hexadecimal digits and an input text of one or two, each read back by
// the device window as the bytes that came, with bars inside their ranges; the shown device's copy
// follows its slot but keeps what the operator edited; a device's received data is kept as it came and
// its running log stays bounded.
//
// Input: replies, each a byte choosing a coordinator reply or device data, a length byte and the bytes.
#include <cmath>
#include <string>

#include "app/core/device_table.h"
#include "app/core/hex_text.h"
#include "app/core/mod_main.h"
#include "app/device_window/io_display.h"
#include "app/main_window/reply_handling.h"
#include "fuzz/fuzz_target.h"

namespace {

using modMain::State;

// The device window's slot is 2.
const char* const kShorts[] = {"0A1B", "1234", "FFFF"};
constexpr size_t kRxLogBound = 65000 + 512;

void set_up(State& s) {
    s.Devices.ClearFrom(1);
    for (int i = 1; i <= 3; ++i) {
        DeviceRecord& d = s.Devices[static_cast<size_t>(i)];
        d.ID64Long = "00:13:A2:00:41:5B:1C:7" + std::to_string(i);
        d.ID16Short = kShorts[i - 1];
        d.DeviceType = 7;
    }
    s.TotalDevice = 3;
    s.StartupDone = 1;
    s.OpenDeviceShort = kShorts[1];
    s.OpenDeviceIdx = 2;
    s.CurDevice = s.Devices[2];
    s.CurDevice.DeviceName = "typed by the operator";
    s.CurDevice.devPollRate = 12345;
    s.CoordResetWait = s.CoordStartWait = 0;
}

uint8_t at(const std::string& r, size_t i) { return static_cast<uint8_t>(r[i]); }

void check_analogue(const std::string& text, uint8_t hi, uint8_t lo) {
    FUZZ_CHECK(text.size() == 4);
    FUZZ_CHECK(modMain::HexInt16(text) == static_cast<int16_t>(hi << 8 | lo));
    for (int top : {0, 1023, 4095, 32767}) {
        const int bar = modMain::BarValue(text, 0, top);
        FUZZ_CHECK(bar >= 0 && bar <= top);
    }
}

void check_io_report(const State& s, const std::string& r) {
    const int16_t i = modMain::FindDeviceByShort(modMain::WordToHex(r.substr(1, 2)));
    const bool marked = r.size() == 19 && at(r, 17) == 'H';
    if (i == 0 || marked) return;
    const DeviceRecord& d = std::as_const(s.Devices)[static_cast<size_t>(i)];
    FUZZ_CHECK(d.devVBatt == static_cast<float>((256.0 * at(r, 3) + at(r, 4)) / 1000.0));
    FUZZ_CHECK(std::isfinite(d.devTemp) && std::fabs(d.devTemp) < 16200);
    check_analogue(d.devAnalog1, at(r, 7), at(r, 8));
    check_analogue(d.devAnalog2, at(r, 9), at(r, 10));
    check_analogue(d.devAnalog3, at(r, 11), at(r, 12));
    check_analogue(d.devAnalog4, at(r, 13), at(r, 14));
    FUZZ_CHECK(d.devInputs.size() == 1 || d.devInputs.size() == 2);
    FUZZ_CHECK(modMain::HexInt16(d.devInputs) == at(r, 15));
    FUZZ_CHECK(d.devStatus == 1 && d.devIOValid == 1);
    if (i == s.OpenDeviceIdx && modMain::FindDeviceByShort(s.OpenDeviceShort) == i) {
        FUZZ_CHECK(s.CurDevice.devAnalog1 == d.devAnalog1 && s.CurDevice.devInputs == d.devInputs);
        FUZZ_CHECK(s.CurDevice.DeviceName == "typed by the operator" && s.CurDevice.devPollRate == 12345);
    }
}

}  // namespace

FUZZ_TARGET(io_report) {
    State& s = modMain::g();
    set_up(s);
    fuzz::Input in(data, size);
    while (!in.empty()) {
        const uint8_t kind = in.byte();
        const std::string bytes(in.take(in.byte()));
        if (kind & 1) {
            const std::string address = modMain::WordToHex(bytes.substr(0, 2));
            const std::string payload = bytes.size() > 2 ? bytes.substr(2) : std::string();
            modMain::HandleDataReceived(address, payload);
            const int16_t i = modMain::FindDeviceByShort(address);
            if (i != 0) {
                const DeviceRecord& d = std::as_const(s.Devices)[static_cast<size_t>(i)];
                FUZZ_CHECK(d.devLastData == payload);
                FUZZ_CHECK(d.devRxLog.size() <= kRxLogBound);
            }
        } else {
            // A reply's first byte says what it is; the framer hands over nothing shorter than two.
            const std::string r = (kind & 2 ? std::string(1, '\x08') : std::string()) + bytes;
            if (r.size() < 2) continue;
            modMain::HandleStringReceived(r);
            if (at(r, 0) == 0x08 && r.size() >= 16) check_io_report(s, r);
        }
        FUZZ_CHECK(s.TotalDevice >= 0 && s.TotalDevice <= modMain::kScanSlots);
        FUZZ_CHECK(s.Devices.LastInUse(modMain::kTableSlots) <= std::max<int>(s.TotalDevice, 3));
    }
    s.Devices.ClearFrom(1);
}
