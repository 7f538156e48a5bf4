#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/fake_serial_port.h"
#include "platform/serial_recorder.h"
#include "platform/serial_recording_file.h"
#include "platform/virtual_clock.h"
#include "tests/profile/temp_folder.h"

using namespace platform;
using recording::Event;

namespace {

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

const char* const kHeader = "serial-recording 1\nprogram Dalmiro 1.0\nstart 2026-12-08T16:40:00.000000Z\n";

struct Recorded {
    std::shared_ptr<FakeSerialLine> line = std::make_shared<FakeSerialLine>();
    std::shared_ptr<SerialRecorder> recorder = std::make_shared<SerialRecorder>("test 1.0");
    Recorded() {
        set_serial_factory([this] { return line->make_port(); });
        set_serial_recorder(recorder);
    }
    ~Recorded() {
        set_serial_recorder(nullptr);
        set_serial_factory(nullptr);
    }
    std::unique_ptr<SerialPort> open_port() {
        auto port = make_serial_port();
        port->set_comm_port(7);
        port->set_handshaking(2);
        port->set_rts_enable(true);
        port->set_settings("38400,n,8,1");
        EXPECT_TRUE(port->set_port_open(true));
        return port;
    }
};

}  // namespace

TEST(SerialRecorder, records_reads_writes_and_reopens_with_their_microsecond_times) {
    VirtualClock clock(5000);
    TempFolder dir;
    Recorded r;
    auto port = r.open_port();
    std::string error;
    clock.advance(3);
    ASSERT_TRUE(r.recorder->start(dir / "rec.txt", 1, error)) << error;
    clock.advance(2);
    EXPECT_TRUE(port->output("CMD:11;"));
    r.line->send_to_host(std::string("\x07\x00;", 3));
    clock.advance(1);
    std::string in;
    EXPECT_TRUE(port->input(in));
    EXPECT_TRUE(port->input(in));  // nothing waiting: no line
    r.line->fail_write = true;
    EXPECT_FALSE(port->output("CMD:0D;"));
    // The link re-opens the port, and a reconnect makes a new one: both are heard.
    port->set_port_open(false);
    port->set_port_open(true);
    port.reset();
    r.line->fail_write = false;
    auto again = r.open_port();
    clock.advance(10);
    r.recorder->stop();
    EXPECT_TRUE(again->output("CMD:04;"));  // after the stop: not recorded

    const auto lines = lines_of(read_all(dir / "rec.txt"));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "serial-recording 1");
    EXPECT_EQ(lines[1], "program test 1.0");
    EXPECT_EQ(lines[2].substr(0, 6), "start ");
    const std::vector<std::string> events(lines.begin() + 3, lines.end());
    EXPECT_EQ(events, (std::vector<std::string>{
                          "0 open port=7 line=38400,n,8,1 handshaking=2 rts=1",
                          "2000 TX 43 4D 44 3A 31 31 3B",
                          "3000 RX 07 00 3B",
                          "3000 fail write",
                          "3000 close",
                          "3000 open port=7 line=38400,n,8,1 handshaking=2 rts=1",
                          "3000 close",
                          "3000 open port=7 line=38400,n,8,1 handshaking=2 rts=1",
                          "13000 stop end",
                      }));
}

TEST(SerialRecorder, stops_at_its_size_limit_with_a_stop_line_and_says_so) {
    VirtualClock clock(0);
    TempFolder dir;
    Recorded r;
    auto port = r.open_port();
    std::string error, told;
    r.recorder->on_stopped = [&told](const std::string& why) { told = why; };
    ASSERT_TRUE(r.recorder->start(dir / "rec.txt", 1, error));
    // A long write is split into lines of at most 4096 bytes with the same time.
    const std::string chunk(5000, 'A');
    EXPECT_TRUE(port->output(chunk));
    const auto first = lines_of(read_all(dir / "rec.txt"));
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(first[4].size(), std::string("0 TX").size() + 3 * 4096);
    EXPECT_EQ(first[5].size(), std::string("0 TX").size() + 3 * 904);
    for (int i = 0; i < 200 && r.recorder->active(); ++i) EXPECT_TRUE(port->output(chunk));
    EXPECT_FALSE(r.recorder->active());
    EXPECT_EQ(told, "Serial recording stopped at its size limit of 1 MB: " + dir / "rec.txt");
    const std::string text = read_all(dir / "rec.txt");
    EXPECT_LE(text.size(), SerialRecorder::kBytesPerMB);
    EXPECT_GT(text.size(), SerialRecorder::kBytesPerMB - 3 * 4096 - 200);
    recording::Recording back;
    std::istringstream in(text);
    EXPECT_TRUE(recording::read_recording(in, back).warnings.empty());
    EXPECT_TRUE(back.stopped);
    EXPECT_EQ(back.events.back().text, "size-limit");
}

TEST(SerialRecorder, a_file_that_cannot_be_made_is_refused_with_the_reason) {
    VirtualClock clock(0);
    SerialRecorder recorder("test 1.0");
    std::string error;
    EXPECT_FALSE(recorder.start("/nonexistent-folder/rec.txt", 100, error));
    EXPECT_EQ(error, "/nonexistent-folder/rec.txt: No such file or directory");
    EXPECT_FALSE(recorder.active());
}

TEST(RecordingReader, every_kind_of_damage_gets_a_clear_message_and_a_defined_outcome) {
    struct Case {
        const char* name;
        std::string text;
        bool usable;
        std::string error;
        std::vector<std::string> warnings;
        size_t events;
    };
    const std::string h = kHeader;
    const std::vector<Case> cases = {
        {"whole", h + "0 open port=7\n5 TX 30 3B\n9 stop end\n", true, "", {}, 3},
        {"empty file", "", false, "empty file: not a serial recording", {}, 0},
        {"another file", "[Main]\nTotalDevice=2\n", false, "not a serial recording: its first line is not 'serial-recording 1'", {}, 0},
        {"future version", "serial-recording 2\nprogram X\nstart Y\n", false,
         "recording format version 2 is newer than this program reads (1); read it with a newer release", {}, 0},
        {"cut in the first line", "serial-rec", false, "cut short in its first line: not a usable serial recording", {}, 0},
        {"cut in the header", "serial-recording 1\nprogram Dalmiro 1.0\n", false, "line 3: the header's 'start' line is missing", {}, 0},
        {"damaged header", "serial-recording 1\nprogrm Dalmiro\nstart x\n", false, "line 2: the header's 'program' line is damaged", {}, 0},
        {"cut short by a kill", h + "0 TX 30 3B\n7 RX 30 3B\n", true, "",
         {"no stop line: the recording was cut short (its writer was killed or crashed); what it holds up to line 5 is used"}, 2},
        {"cut in a line", h + "0 TX 30 3B\n7 RX 3", true, "",
         {"line 5: incomplete (the writer stopped while writing it); skipped",
          "no stop line: the recording was cut short (its writer was killed or crashed); what it holds up to line 5 is used"}, 1},
        {"corrupt lines", h + "5 TX 30 3B\nx RX 30\n5 RX 3G 3B\n6 RX 303B\n4 RX 30 3B\n7 ZZ 30\n8 close now\n9 RX\n10 RX 30 3B\n11 stop end\n",
         true, "",
         {"line 5: no time in microseconds at its start; skipped",
          "line 6: bytes are not two hex digits each, one blank apart; skipped",
          "line 7: bytes are not two hex digits each, one blank apart; skipped",
          "line 8: its time goes back before the line above; skipped",
          "line 9: 'ZZ' is not an event of this format; skipped",
          "line 10: close takes nothing after it; skipped",
          "line 11: no bytes; skipped"},
         3},
        {"after the stop", h + "0 stop end\n5 RX 30 3B\n", true, "", {"line 5: after the stop line; skipped"}, 1},
        {"time out of bounds", h + "1234567890123456789 RX 30 3B\n2 stop end\n", true, "",
         {"line 4: no time in microseconds at its start; skipped"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recording::Recording rec;
        std::istringstream in(c.text);
        const auto outcome = recording::read_recording(in, rec);
        EXPECT_EQ(outcome.usable, c.usable);
        EXPECT_EQ(outcome.error, c.error);
        EXPECT_EQ(outcome.warnings, c.warnings);
        EXPECT_EQ(rec.events.size(), c.events);
    }
}

TEST(RecordingReader, reads_back_what_the_writer_writes) {
    std::string text = recording::header_lines("Dalmiro 1.0", "2026-12-08T16:40:00.000000Z");
    const std::string all_bytes = [] {
        std::string b;
        for (int i = 0; i < 256; ++i) b += static_cast<char>(i);
        return b;
    }();
    for (auto [us, kind, payload] : std::vector<std::tuple<uint64_t, Event::Kind, std::string>>{
             {0, Event::Kind::Open, "port=7 line=38400,n,8,1"},
             {12, Event::Kind::Received, all_bytes},
             {15, Event::Kind::Failed, "read"},
             {20, Event::Kind::Stop, "end"}}) {
        recording::append_event_line(text, us, kind, payload);
        text += '\n';
    }
    recording::Recording rec;
    std::istringstream in(text);
    const auto outcome = recording::read_recording(in, rec);
    ASSERT_TRUE(outcome.usable);
    EXPECT_TRUE(outcome.warnings.empty());
    EXPECT_EQ(rec.program, "Dalmiro 1.0");
    ASSERT_EQ(rec.events.size(), 4u);
    EXPECT_EQ(rec.events[0].text, "port=7 line=38400,n,8,1");
    EXPECT_EQ(rec.events[1].bytes, all_bytes);
    EXPECT_EQ(rec.events[1].us, 12u);
    EXPECT_EQ(rec.events[2].text, "read");
    EXPECT_TRUE(rec.stopped);
}

TEST(RecordOptions, are_taken_out_of_the_command_line_or_refused) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::string path;
        uint64_t limit;
        std::vector<std::string> rest;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"--record", "f.txt", "7"}, true, "f.txt", 0, {"7"}, ""},
        {{"7", "--record-limit", "5", "--record", "f.txt"}, true, "f.txt", 5, {"7"}, ""},
        {{"--record-limit", "1000000", "--record", "f"}, true, "f", 1000000, {}, ""},
        {{"--list-ports"}, true, "", 0, {"--list-ports"}, ""},
        {{"--record"}, false, "", 0, {}, "--record needs a file"},
        {{"--record", ""}, false, "", 0, {}, "--record needs a file"},
        {{"--record", "a", "--record", "b"}, false, "", 0, {}, "--record is given twice"},
        {{"--record", "a", "--record-limit", "0"}, false, "", 0, {}, "--record-limit needs a whole number of MB from 1 to 1000000"},
        {{"--record", "a", "--record-limit", "1000001"}, false, "", 0, {}, "--record-limit needs a whole number of MB from 1 to 1000000"},
        {{"--record", "a", "--record-limit", "-5"}, false, "", 0, {}, "--record-limit needs a whole number of MB from 1 to 1000000"},
        {{"--record", "a", "--record-limit", "99999999999999999999"}, false, "", 0, {}, "--record-limit needs a whole number of MB from 1 to 1000000"},
        {{"--record-limit", "5"}, false, "", 0, {}, "--record-limit goes with --record"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "" : c.args[0] + " ...");
        std::vector<std::string> args = c.args;
        RecordRequest request;
        std::string error;
        EXPECT_EQ(take_record_options(args, request, error), c.ok);
        EXPECT_EQ(error, c.error);
        if (!c.ok) continue;
        EXPECT_EQ(request.path, c.path);
        EXPECT_EQ(request.limit_mb, c.limit);
        EXPECT_EQ(args, c.rest);
    }
}
