#include "tools/brivola-monitor/recording_print.h"

#include <QDateTime>
#include <QString>
#include <cstdio>

#include "link/link_state.h"
#include "link/reply_framer.h"
#include "tools/brivola-monitor/monitor_lines.h"

namespace monitor {

namespace {

using Kind = platform::recording::Event::Kind;

constexpr uint64_t kUsPerSecond = 1000000;
// The link hands over what it holds once the line has been silent this long.
constexpr uint64_t kReplyTimeOutUs = 100000;
constexpr size_t kIsoSeconds = 19;  // "2026-12-08T16:40:00"

// Bytes as the log window shows them (Latin-1), control characters as \xNN so a line stays a line.
std::string shown(const std::string& bytes) {
    QString text;
    for (unsigned char c : bytes) {
        if (c < 0x20 || c == 0x7F) text += QString::asprintf("\\x%02X", c);
        else text += QChar(c);
    }
    return text.toStdString();
}

std::string reply_line(const std::string& reply) {
    if (static_cast<uint8_t>(reply[0]) == brivola::kDataFrameStart) {
        const auto n = static_cast<uint8_t>(reply[3]);
        return "RX FROM: " + brivola::BytesToHex(reply.substr(1, 2)) + " DATA: " + shown(reply.substr(4, n));
    }
    return "RX: " + hex_dash(reply);
}

}  // namespace

std::string time_of_day(const std::string& start, uint64_t us) {
    char frac[8];
    const QDateTime base = QDateTime::fromString(QString::fromStdString(start.substr(0, kIsoSeconds) + "Z"), Qt::ISODate);
    uint64_t start_us = 0;
    const bool fraction = start.size() == kIsoSeconds + 8 && start[kIsoSeconds] == '.' && start.back() == 'Z' &&
                          start.substr(kIsoSeconds + 1, 6).find_first_not_of("0123456789") == std::string::npos;
    if (!base.isValid() || !fraction) {
        std::snprintf(frac, sizeof frac, "%06llu", static_cast<unsigned long long>(us % kUsPerSecond));
        return "+" + std::to_string(us / kUsPerSecond) + "." + frac;
    }
    start_us = std::stoull(start.substr(kIsoSeconds + 1, 6));
    const uint64_t total = start_us + us;
    const QDateTime at = base.addSecs(static_cast<qint64>(total / kUsPerSecond)).toLocalTime();
    std::snprintf(frac, sizeof frac, "%06llu", static_cast<unsigned long long>(total % kUsPerSecond));
    return at.toString(QStringLiteral("HH:mm:ss")).toStdString() + "." + frac;
}

void print_recording(const platform::recording::Recording& recording,
                     const std::function<void(const std::string& line)>& out) {
    brivola::RxFraming rx;
    uint64_t last_read_us = 0;
    const auto say = [&](uint64_t us, const std::string& text) { out(time_of_day(recording.start, us) + "--> " + text); };
    const auto framed = [&](uint64_t us) { return [&, us](std::string&& reply) { say(us, reply_line(reply)); }; };
    for (const auto& e : recording.events) {
        if (brivola::chars_held(rx) > 0 && e.us - last_read_us >= kReplyTimeOutUs)
            brivola::abandon_reply(rx, framed(last_read_us + kReplyTimeOutUs));
        switch (e.kind) {
            case Kind::Sent:
                say(e.us, "TX: " + shown(e.bytes));
                break;
            case Kind::Received:
                last_read_us = e.us;
                brivola::frame_chars(rx, e.bytes, framed(e.us));
                break;
            case Kind::Open:
                say(e.us, "(port opened: " + e.text + ")");
                break;
            case Kind::Close:
                say(e.us, "(port closed)");
                break;
            case Kind::Failed:
                say(e.us, "(failed: " + e.text + ")");
                break;
            case Kind::Stop:
                say(e.us, "(recording stopped: " + e.text + ")");
                break;
        }
    }
}

}  // namespace monitor
