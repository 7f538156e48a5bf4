#include "sim/command_scanner.h"

#include <algorithm>
#include <cctype>

namespace zbsim {

namespace {

const std::string kCmd = "CMD:";
const std::string kSnt = "SNT:";

// Where the next command prefix starts at or after `from`, or npos.
size_t next_prefix(const std::string& s, size_t from) {
    return std::min(s.find(kCmd, from), s.find(kSnt, from));
}

// Length of the longest tail of `s` that could still grow into a prefix.
size_t prefix_tail(const std::string& s) {
    for (size_t n = std::min<size_t>(3, s.size()); n > 0; --n) {
        std::string tail = s.substr(s.size() - n);
        if (kCmd.compare(0, n, tail) == 0 || kSnt.compare(0, n, tail) == 0) return n;
    }
    return 0;
}

bool all_hex(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

std::vector<ScannedCommand> CommandScanner::feed(const std::string& bytes, std::string& junk) {
    std::vector<ScannedCommand> out;
    buf_ += bytes;
    for (;;) {
        size_t start = next_prefix(buf_, 0);
        if (start == std::string::npos) {
            size_t keep = prefix_tail(buf_);
            junk += buf_.substr(0, buf_.size() - keep);
            buf_.erase(0, buf_.size() - keep);
            return out;
        }
        junk += buf_.substr(0, start);
        buf_.erase(0, start);
        Step step = buf_.compare(0, 4, kCmd) == 0 ? take_cmd(out) : take_snt(out);
        if (step == Step::NeedMore) return out;
        if (step == Step::Broken) {
            // Give up on this prefix; the scan resumes at the next one.
            junk += buf_[0];
            buf_.erase(0, 1);
        }
    }
}

std::string CommandScanner::discard_partial() {
    std::string partial;
    partial.swap(buf_);
    return partial;
}

CommandScanner::Step CommandScanner::take_cmd(std::vector<ScannedCommand>& out) {
    size_t semi = buf_.find(';', 4);
    size_t other = next_prefix(buf_, 4);
    if (other < semi) return Step::Broken;  // a new command began before this one ended
    if (semi == std::string::npos) return buf_.size() > kMaxCommand ? Step::Broken : Step::NeedMore;
    ScannedCommand c;
    c.kind = ScannedCommand::Cmd;
    c.text = buf_.substr(0, semi + 1);
    c.body = buf_.substr(4, semi - 4);
    out.push_back(std::move(c));
    buf_.erase(0, semi + 1);
    return Step::Done;
}

CommandScanner::Step CommandScanner::take_snt(std::vector<ScannedCommand>& out) {
    // "SNT:" short ":" length ":" data ";"
    constexpr size_t kMaxShort = 8, kMaxLenDigits = 4;
    size_t c1 = buf_.find(':', 4);
    size_t short_end = std::min(c1, buf_.size());
    std::string addr = buf_.substr(4, short_end - 4);
    if (addr.find(';') != std::string::npos || addr.size() > kMaxShort) return Step::Broken;
    if (c1 == std::string::npos) return Step::NeedMore;
    size_t c2 = buf_.find(':', c1 + 1);
    std::string len_text = buf_.substr(c1 + 1, std::min(c2, buf_.size()) - c1 - 1);
    if (!all_hex(len_text) || len_text.size() > kMaxLenDigits) return Step::Broken;
    if (c2 == std::string::npos) return Step::NeedMore;
    if (len_text.empty()) return Step::Broken;
    size_t n = std::stoul(len_text, nullptr, 16);
    if (n > kMaxCommand) return Step::Broken;
    size_t end = c2 + 1 + n;
    if (buf_.size() <= end) return Step::NeedMore;
    if (buf_[end] != ';') return Step::Broken;
    ScannedCommand c;
    c.kind = ScannedCommand::Snt;
    c.text = buf_.substr(0, end + 1);
    c.body = addr;
    c.data = buf_.substr(c2 + 1, n);
    out.push_back(std::move(c));
    buf_.erase(0, end + 1);
    return Step::Done;
}

}  // namespace zbsim
