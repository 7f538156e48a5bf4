#include "app/health/recording.h"

#include <memory>

#include "platform/clock.h"

namespace health {

namespace {

struct Session {
    History history;
    qint64 wall_origin_ms = 0;
    // The device the last ping went to, until the next tick judges it.
    std::optional<uint64_t> pinged;
};

std::unique_ptr<Session> session;

Session& current() {
    if (!session) StartSession();
    return *session;
}

uint16_t word(const std::string& r, size_t pos1) {
    return static_cast<uint16_t>(static_cast<uint8_t>(r[pos1 - 1]) * 256 + static_cast<uint8_t>(r[pos1]));
}

}  // namespace

History& history() { return current().history; }

void StartSession(const QDateTime& wall) {
    if (!session) session = std::make_unique<Session>();
    session->history.Start(platform::now_ms());
    session->wall_origin_ms = wall.toMSecsSinceEpoch();
    session->pinged.reset();
}

QDateTime WallTime(Ds t) { return QDateTime::fromMSecsSinceEpoch(current().wall_origin_ms + qint64{t} * 100); }

std::optional<uint64_t> MacKey(const std::string& mac) {
    if (mac.size() != 23) return std::nullopt;
    uint64_t key = 0;
    for (size_t i = 0; i < 23; ++i) {
        const char c = mac[i];
        if (i % 3 == 2) {
            if (c != ':') return std::nullopt;
            continue;
        }
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else return std::nullopt;
        key = key << 4 | static_cast<uint64_t>(digit);
    }
    return key;
}

void PingSent(const DeviceRecord& device) { current().pinged = MacKey(device.ID64Long); }

void PingJudged(const DeviceRecord& device, bool answered, int16_t lqi) {
    Session& s = current();
    const auto key = MacKey(device.ID64Long);
    const bool was_pinged = key && s.pinged == key;
    s.pinged.reset();
    if (!was_pinged) return;
    const Ds t = s.history.At(platform::now_ms());
    s.history.AddPing(*key, t, static_cast<uint8_t>(answered ? lqi : 0), answered);
}

void ReportStored(const DeviceRecord& device, const std::string& reply) {
    const auto key = MacKey(device.ID64Long);
    if (!key || reply.size() < 15) return;
    History& h = current().history;
    ReportSample r;
    r.t = h.At(platform::now_ms());
    r.battery = word(reply, 4);
    r.temperature = word(reply, 6);
    for (size_t k = 0; k < 4; ++k) r.analog[k] = word(reply, 8 + 2 * k);
    h.AddReport(*key, r);
}

}  // namespace health
