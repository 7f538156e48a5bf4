#include "sim/sim_config.h"

#include <cctype>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace zbsim {

namespace {

const Mac kDemoCoordinator{0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0xC0, 0x01};

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<uint32_t> parse_uint(const std::string& s, uint32_t lo, uint32_t hi) {
    if (s.empty() || s.size() > 9) return std::nullopt;
    uint32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

// One "key=value" or a bare flag of a configuration line.
struct Field {
    std::string key;
    std::string value;
    bool has_value = false;
};

struct LineParser {
    int line;
    ConfigError& error;

    bool fail(const std::string& message) {
        error = {line, message};
        return false;
    }
    bool number(const Field& f, uint32_t lo, uint32_t hi, uint32_t& out) {
        auto v = parse_uint(f.value, lo, hi);
        if (!f.has_value || !v)
            return fail(f.key + " needs a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
        out = *v;
        return true;
    }
    bool flag(const Field& f, bool& out) {
        if (f.has_value) return fail(f.key + " takes no value");
        out = true;
        return true;
    }
};

using Handler = std::function<bool(LineParser&, const Field&)>;

// Applies the fields of one line through the handlers of its kind; unknown and repeated keys are errors.
bool apply_fields(LineParser& p, const std::vector<Field>& fields, const std::map<std::string, Handler>& handlers) {
    std::set<std::string> seen;
    for (const Field& f : fields) {
        auto h = handlers.find(f.key);
        if (h == handlers.end()) return p.fail("unknown setting '" + f.key + "'");
        if (!seen.insert(f.key).second) return p.fail("'" + f.key + "' given twice");
        if (!h->second(p, f)) return false;
    }
    return true;
}

bool parse_coordinator(LineParser& p, const std::vector<Field>& fields, SimConfig& c) {
    return apply_fields(p, fields, {
        {"mac", [&](LineParser& lp, const Field& f) {
             auto m = parse_mac(f.value);
             if (!m) return lp.fail("mac needs eight hexadecimal bytes like 00:13:A2:00:40:5A:C0:01");
             c.mac = *m;
             return true;
         }},
        {"pan", [&](LineParser& lp, const Field& f) {
             uint32_t v = 0;
             bool ok = f.value.size() == 4;
             for (char ch : f.value) {
                 int d = hex_digit(ch);
                 ok = ok && d >= 0;
                 v = v * 16 + static_cast<uint32_t>(d < 0 ? 0 : d);
             }
             if (!ok) return lp.fail("pan needs four hexadecimal digits");
             c.pan = static_cast<uint16_t>(v);
             return true;
         }},
        {"channel", [&](LineParser& lp, const Field& f) {
             uint32_t v = 0;
             if (!lp.number(f, 11, 26, v)) return false;
             c.channel = static_cast<uint8_t>(v);
             return true;
         }},
        {"version", [&](LineParser& lp, const Field& f) {
             if (f.value.size() != 3) return lp.fail("version needs exactly three characters");
             c.version = f.value;
             return true;
         }},
        {"seed", [&](LineParser& lp, const Field& f) { return lp.number(f, 0, 999999999, c.seed); }},
    });
}

bool parse_timing(LineParser& p, const std::vector<Field>& fields, Timing& t) {
    auto ms = [](uint32_t& out) {
        return [&out](LineParser& lp, const Field& f) { return lp.number(f, 0, 60000, out); };
    };
    return apply_fields(p, fields, {{"reply", ms(t.reply_ms)},
                                    {"ping", ms(t.ping_ms)},
                                    {"join_delay", ms(t.join_delay_ms)},
                                    {"join_spacing", ms(t.join_spacing_ms)},
                                    {"restart", ms(t.restart_ms)}});
}

bool parse_faults(LineParser& p, const std::vector<Field>& fields, Faults& fa) {
    return apply_fields(p, fields, {
        {"delay", [&](LineParser& lp, const Field& f) { return lp.number(f, 0, 60000, fa.extra_delay_ms); }},
        {"drop_every", [&](LineParser& lp, const Field& f) { return lp.number(f, 1, 1000000, fa.drop_every); }},
        {"garbage_every",
         [&](LineParser& lp, const Field& f) { return lp.number(f, 10, 3600000, fa.garbage_every_ms); }},
        {"ignore_addr", [&](LineParser& lp, const Field& f) {
             if (f.value == "all") return lp.flag(Field{f.key, "", false}, fa.ignore_all_addr);
             return lp.number(f, 1, 1000000, fa.ignore_addr);
         }},
        {"silent_restart", [&](LineParser& lp, const Field& f) { return lp.flag(f, fa.silent_restart); }},
        {"burst_every", [&](LineParser& lp, const Field& f) { return lp.number(f, 100, 3600000, fa.burst_every_ms); }},
        {"burst_count", [&](LineParser& lp, const Field& f) { return lp.number(f, 1, 1000, fa.burst_count); }},
    });
}

bool parse_churn(LineParser& p, const std::vector<Field>& fields, Churn& c) {
    // Up to ten days between two events; a silence of a second to a day.
    auto period = [](uint32_t& out) {
        return [&out](LineParser& lp, const Field& f) { return lp.number(f, 1, 864000, out); };
    };
    return apply_fields(p, fields, {{"rejoin", period(c.rejoin_s)},
                                    {"silence", period(c.silence_s)},
                                    {"silence_for", [&](LineParser& lp, const Field& f) {
                                         return lp.number(f, 1, 86400, c.silence_for_s);
                                     }},
                                    {"swap", period(c.swap_s)},
                                    {"stranger", period(c.stranger_s)},
                                    {"talk", period(c.talk_s)},
                                    {"restart", period(c.restart_s)}});
}

bool parse_device(LineParser& p, const std::vector<Field>& fields, DeviceConfig& d) {
    bool has_mac = false, has_type = false, candidate = false, member = false;
    bool ok = apply_fields(p, fields, {
        {"mac", [&](LineParser& lp, const Field& f) {
             auto m = parse_mac(f.value);
             if (!m) return lp.fail("mac needs eight hexadecimal bytes like 00:13:A2:00:40:5A:10:01");
             d.mac = *m;
             has_mac = true;
             return true;
         }},
        {"type", [&](LineParser& lp, const Field& f) {
             if (f.value != "4" && f.value != "6" && f.value != "7")
                 return lp.fail("type must be 4 or 6 (end device) or 7 (router)");
             d.type = f.value[0] - '0';
             has_type = true;
             return true;
         }},
        {"member", [&](LineParser& lp, const Field& f) { return lp.flag(f, member); }},
        {"candidate", [&](LineParser& lp, const Field& f) { return lp.flag(f, candidate); }},
        {"lqi", [&](LineParser& lp, const Field& f) {
             uint32_t v = 0;
             if (!lp.number(f, 0, 255, v)) return false;
             d.lqi = static_cast<uint8_t>(v);
             return true;
         }},
        {"report", [&](LineParser& lp, const Field& f) { return lp.number(f, 0, 3600, d.report_s); }},
        {"poll", [&](LineParser& lp, const Field& f) {
             uint32_t v = 0;
             if (!lp.number(f, 100, 65535, v)) return false;
             d.poll_ms = static_cast<uint16_t>(v);
             return true;
         }},
        {"echo", [&](LineParser& lp, const Field& f) { return lp.flag(f, d.echo); }},
        {"silent", [&](LineParser& lp, const Field& f) { return lp.flag(f, d.silent); }},
    });
    if (!ok) return false;
    if (!has_mac) return p.fail("device needs a mac");
    if (!has_type) return p.fail("device needs a type");
    if (member && candidate) return p.fail("a device is either a member or a candidate");
    d.member = !candidate;
    return true;
}

std::vector<Field> split_fields(const std::string& rest) {
    std::vector<Field> out;
    std::istringstream in(rest);
    std::string word;
    while (in >> word) {
        auto eq = word.find('=');
        if (eq == std::string::npos) out.push_back({word, "", false});
        else out.push_back({word.substr(0, eq), word.substr(eq + 1), true});
    }
    return out;
}

}  // namespace

std::string ConfigError::text() const {
    return line > 0 ? "line " + std::to_string(line) + ": " + message : message;
}

std::optional<Mac> parse_mac(const std::string& text) {
    std::string digits;
    size_t b = text.find_first_not_of(" \t");
    size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos) return std::nullopt;
    std::string t = text.substr(b, e - b + 1);
    if (t.size() == 23) {
        for (size_t i = 0; i < t.size(); ++i) {
            if (i % 3 == 2) {
                if (t[i] != ':') return std::nullopt;
            } else {
                digits += t[i];
            }
        }
    } else if (t.size() == 16) {
        digits = t;
    } else {
        return std::nullopt;
    }
    Mac m{};
    for (size_t i = 0; i < 8; ++i) {
        int hi = hex_digit(digits[2 * i]), lo = hex_digit(digits[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        m[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return m;
}

std::string mac_text(const Mac& mac) {
    static const char* kHex = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < mac.size(); ++i) {
        if (i) s += ':';
        s += kHex[mac[i] >> 4];
        s += kHex[mac[i] & 15];
    }
    return s;
}

std::optional<SimConfig> parse_config(const std::string& text, ConfigError& error) {
    SimConfig c;
    c.mac = kDemoCoordinator;
    c.pan = 0x3F21;
    std::istringstream in(text);
    std::string raw;
    int line_no = 0;
    std::set<std::string> kinds_seen;
    std::set<Mac> macs;
    while (std::getline(in, raw)) {
        ++line_no;
        std::string line = raw.substr(0, raw.find('#'));
        std::istringstream words(line);
        std::string kind;
        if (!(words >> kind)) continue;
        std::string rest;
        std::getline(words, rest);
        LineParser p{line_no, error};
        auto fields = split_fields(rest);
        if (kind != "device" && !kinds_seen.insert(kind).second) {
            p.fail("'" + kind + "' given twice");
            return std::nullopt;
        }
        bool ok = false;
        if (kind == "coordinator") {
            ok = parse_coordinator(p, fields, c);
        } else if (kind == "timing") {
            ok = parse_timing(p, fields, c.timing);
        } else if (kind == "faults") {
            ok = parse_faults(p, fields, c.faults);
        } else if (kind == "churn") {
            ok = parse_churn(p, fields, c.churn);
        } else if (kind == "device") {
            DeviceConfig d;
            ok = parse_device(p, fields, d);
            if (ok && !macs.insert(d.mac).second)
                ok = p.fail("mac " + mac_text(d.mac) + " is used twice");
            if (ok) c.devices.push_back(d);
        } else {
            p.fail("unknown line kind '" + kind + "' (coordinator, timing, faults, churn or device)");
        }
        if (!ok) return std::nullopt;
    }
    // Checked at the end: the coordinator line may come after the devices.
    for (const auto& d : c.devices) {
        if (d.mac == c.mac) {
            error = {0, "mac " + mac_text(d.mac) + " is used by the coordinator and a device"};
            return std::nullopt;
        }
    }
    return c;
}

std::optional<SimConfig> load_config_file(const std::string& path, ConfigError& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = {0, "cannot read " + path};
        return std::nullopt;
    }
    std::ostringstream text;
    text << f.rdbuf();
    return parse_config(text.str(), error);
}

const char* demo_config_text() {
    return "# The demo network: two routers (one echoes strings), two end devices, a router that has gone\n"
           "# silent and an end device that joins once the network is unlocked.\n"
           "coordinator mac=00:13:A2:00:40:5A:C0:01 pan=3F21 channel=15 version=2.1 seed=7\n"
           "device mac=00:13:A2:00:40:5A:10:01 type=7 lqi=210 report=8 echo\n"
           "device mac=00:13:A2:00:40:5A:10:02 type=7 lqi=150 report=12\n"
           "device mac=00:13:A2:00:40:5A:20:01 type=4 lqi=120 report=6 poll=2000\n"
           "device mac=00:13:A2:00:40:5A:20:02 type=6 lqi=90 report=15 poll=5000\n"
           "device mac=00:13:A2:00:40:5A:10:03 type=7 lqi=60 silent\n"
           "device mac=00:13:A2:00:40:5A:20:03 type=4 candidate lqi=100 report=10\n";
}

SimConfig demo_config() {
    ConfigError unused;
    return *parse_config(demo_config_text(), unused);
}

}  // namespace zbsim
