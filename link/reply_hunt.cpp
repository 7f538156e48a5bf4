#include "link/reply_hunt.h"

#include <utility>

namespace brivola {

namespace {

// Whole replies back to back at the end of the best framing: the line is in step again, and no
// framing that a later character completes can keep more of them.
constexpr int16_t kRunInStep = 3;

// kUnrecognised: the reply the hunt began with, complete at the length its unrecognised first byte
// took over from the last recognised reply.
enum How : uint8_t { kSkipped, kWhole, kDamaged, kUnrecognised };

constexpr size_t kFrameHeader = 4;  // first byte, two address bytes and the length byte

uint8_t byte_at(const std::string& h, size_t i) { return static_cast<uint8_t>(h[i]); }

// Whether h[j, n) is a reply by the rules of the live stream.
bool whole(const std::string& h, size_t j, size_t n) {
    const uint8_t first = byte_at(h, j);
    const size_t len = n - j;
    if (first == kDataFrameStart) return len > kFrameHeader && byte_at(h, j + 3) + 5u == len && h[n - 1] == ';';
    if (reply_length_for(first) == kIoReportLen && len == kLongIoReportLen)
        return h[j + kLongIoReportLen - 3] != ';' && h[j + kLongIoReportLen - 2] == kLongIoReportMark;
    return static_cast<size_t>(reply_length_for(first)) == len && h[n - 1] == ';';
}

// Whether h[j, n) is a reply with one noise byte inside: one character longer than its first byte (or,
// for a data frame, its length byte, wherever the noise put it) says, and closed by ";". Not when it
// is a noise byte just ahead of a whole reply.
bool damaged(const std::string& h, size_t j, size_t n) {
    const size_t len = n - j - 1;
    if (h[n - 1] != ';' || len < 2 || whole(h, j + 1, n)) return false;
    const uint8_t first = byte_at(h, j);
    if (first != kDataFrameStart) return static_cast<size_t>(reply_length_for(first)) == len;
    return len > kFrameHeader && (byte_at(h, j + 3) + 5u == len || byte_at(h, j + 4) + 5u == len);
}

// What a framing is worth: a whole reply 5, a reply with a noise byte inside 3, each character
// framed as no reply -2, the unrecognised reply 0 (it may as well be a noise byte ahead of a whole
// reply, worth 3). So a framing does not gain by taking characters for noise to frame two replies
// instead of one, nor by swallowing whole replies into the reply the noise fell into.
constexpr int16_t kWorth[] = {-2, 5, 3, 0};  // by How

bool better(const HuntStep& a, const HuntStep& b) { return a.Worth > b.Worth; }

void offer(HuntStep& to, const HuntStep& from, size_t at, uint8_t from_damaged, How how) {
    if (from.Worth == kNowhere) return;
    HuntStep s = from;
    s.From = static_cast<int16_t>(at);
    s.FromDamaged = from_damaged;
    s.How = how;
    s.Worth = static_cast<int16_t>(s.Worth + kWorth[how]);
    s.Run = how == kWhole ? static_cast<int16_t>(s.Run + 1) : int16_t{0};
    if (better(s, to)) to = s;
}

void offer_reply(RxFraming& rx, size_t j, size_t n) {
    for (uint8_t d = 0; d < 2; ++d) offer(rx.Steps[n][d], rx.Steps[j][d], j, d, kWhole);
}

// The best framings of the first n held characters, from those of shorter stretches. Every reply
// ends in ";" but the long I/O report, so most characters cost one comparison.
void reach(RxFraming& rx, size_t n) {
    rx.Steps.emplace_back();
    const std::string& h = rx.Hunt;
    for (uint8_t d = 0; d < 2; ++d) offer(rx.Steps[n][d], rx.Steps[n - 1][d], n - 1, d, kSkipped);
    if (n == static_cast<size_t>(rx.Unrecognised)) offer(rx.Steps[n][0], rx.Steps[0][0], 0, 0, kUnrecognised);
    if (n >= kLongIoReportLen && whole(h, n - kLongIoReportLen, n)) offer_reply(rx, n - kLongIoReportLen, n);
    if (h[n - 1] != ';') return;
    // Text replies, whole or with a noise byte inside; none is longer than a long I/O report.
    for (size_t j = n > kLongIoReportLen ? n - kLongIoReportLen : 0; j + kShortestReply <= n; ++j) {
        const uint8_t first = byte_at(h, j);
        const auto len = static_cast<size_t>(reply_length_for(first));
        if (len == 0 || first == kDataFrameStart) continue;
        if (len == n - j) offer_reply(rx, j, n);
        else if (len + 1 == n - j && damaged(h, j, n)) offer(rx.Steps[n][1], rx.Steps[j][0], j, 0, kDamaged);
    }
    // Data frames, from every data-frame start close enough to end here.
    if (n <= kFrameHeader) return;
    const size_t from = n > kLongestReply + 1 ? n - kLongestReply - 1 : 0;
    for (size_t j = h.find(static_cast<char>(kDataFrameStart), from); j < n - kFrameHeader;
         j = h.find(static_cast<char>(kDataFrameStart), j + 1)) {
        if (whole(h, j, n)) offer_reply(rx, j, n);
        else if (damaged(h, j, n)) offer(rx.Steps[n][1], rx.Steps[j][0], j, 0, kDamaged);
    }
}

uint8_t best_at(const RxFraming& rx, size_t n) { return better(rx.Steps[n][1], rx.Steps[n][0]) ? 1 : 0; }

// Hands over the replies of the best framing of the first n held characters, in order. Returns where
// the last reply it framed ends, the damaged one included (0 for none).
size_t hand_over_framing(RxFraming& rx, size_t n, const ReplySink& on_reply) {
    rx.Spans.clear();
    size_t last_end = 0;
    uint8_t d = best_at(rx, n);
    for (size_t i = n; i > 0;) {
        const HuntStep& s = rx.Steps[i][d];
        if (s.How != kSkipped && last_end == 0) last_end = i;
        if (s.How == kWhole || s.How == kUnrecognised) rx.Spans.emplace_back(s.From, static_cast<int16_t>(i));
        d = s.FromDamaged;
        i = static_cast<size_t>(s.From);
    }
    for (auto span = rx.Spans.rbegin(); span != rx.Spans.rend(); ++span) {
        const auto from = static_cast<size_t>(span->first);
        const int16_t len = reply_length_for(byte_at(rx.Hunt, from));
        if (len != 0) rx.ExpectedLen = len;
        on_reply(rx.Hunt.substr(from, static_cast<size_t>(span->second) - from));
    }
    return last_end;
}

void leave_hunt(RxFraming& rx) {
    rx.Hunting = false;
    rx.Unrecognised = 0;
    rx.Hunt.clear();
    rx.Steps.clear();
}

// Frames every held character again from the first.
void replay_held(RxFraming& rx) {
    rx.Steps.clear();
    rx.Steps.reserve(kLongestHunt + 1);
    rx.Steps.emplace_back();
    rx.Steps[0][0].Worth = 0;
    for (size_t n = 1; n <= rx.Hunt.size(); ++n) reach(rx, n);
}

void settle(RxFraming& rx, const ReplySink& on_reply) {
    const size_t n = rx.Hunt.size();
    if (rx.Steps[n][best_at(rx, n)].Run >= kRunInStep) {
        hand_over_framing(rx, n, on_reply);
        return leave_hunt(rx);
    }
    if (n < kLongestHunt) return;
    // Held as long as allowed: what is framed so far is handed over, and hunting goes on from the end
    // of its last reply, keeping no more than a reply that may still complete.
    const size_t end = hand_over_framing(rx, n, on_reply);
    rx.Hunt.erase(0, std::max(end, n - (kLongestReply - 1)));
    rx.Unrecognised = 0;
    replay_held(rx);
}

}  // namespace

void begin_hunt(RxFraming& rx, const ReplySink& on_reply, bool unrecognised) {
    rx.Unrecognised = unrecognised ? static_cast<int16_t>(rx.RxBuffer.size()) : int16_t{0};
    std::swap(rx.Hunt, rx.RxBuffer);
    rx.RxBuffer.clear();
    rx.InDataFrame = false;
    rx.Hunting = true;
    replay_held(rx);
    settle(rx, on_reply);
}

void hunt_char(RxFraming& rx, char c, const ReplySink& on_reply) {
    rx.Hunt.push_back(c);
    reach(rx, rx.Hunt.size());
    settle(rx, on_reply);
}

void end_hunt(RxFraming& rx, const ReplySink& on_reply) {
    if (!rx.Hunting) return;
    hand_over_framing(rx, rx.Hunt.size(), on_reply);
    leave_hunt(rx);
}

}  // namespace brivola
