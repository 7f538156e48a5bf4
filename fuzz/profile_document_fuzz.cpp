// The profile document on any file: read and written back unchanged it is the same bytes; changed, it
// reads back (parsed again from its bytes) with the same sections, keys and values, each change
// visible as asked; a change that reports none leaves every byte; and changes bring no line end of a
// kind the file did not have, other than the CR LF of the lines they add.
//
// Input: the file's bytes, a NUL, then changes: a kind byte, then section, key and value, each ended
// by a \x01.
#include <string>
#include <vector>

#include "fuzz/fuzz_target.h"
#include "platform/profile_document.h"

namespace {

using platform::ProfileDocument;
using platform::trim_blanks;

bool has_line_break(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }
bool storable_section(std::string_view s) { return !has_line_break(s) && s.find(']') == std::string_view::npos; }
bool storable_key(std::string_view k) {
    return !has_line_break(k) && k.find('=') == std::string_view::npos && (k.empty() || (k[0] != '[' && k[0] != ';'));
}

struct LineEnds {
    size_t lf = 0, cr = 0;
};
LineEnds lone_line_ends(std::string_view s) {
    LineEnds e;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) ++e.lf;
        if (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')) ++e.cr;
    }
    return e;
}

// Everything the document says, as a reader of its entries sees it.
void check_same_entries(const ProfileDocument& a, const ProfileDocument& b) {
    const std::vector<std::string> sections = a.section_names();
    FUZZ_CHECK(sections == b.section_names());
    for (const std::string& s : sections) {
        const std::vector<std::string> keys = a.key_names(s);
        FUZZ_CHECK(keys == b.key_names(s));
        for (const std::string& k : keys) FUZZ_CHECK(a.value(s, k) == b.value(s, k));
    }
}

std::string written(const ProfileDocument& doc) {
    std::string out;
    doc.write([&out](std::string_view piece) {
        out += piece;
        return true;
    });
    return out;
}

}  // namespace

FUZZ_TARGET(profile_document) {
    fuzz::Input in(data, size);
    const std::string file(in.until('\0'));
    ProfileDocument doc(file);
    FUZZ_CHECK(doc.bytes() == file);
    FUZZ_CHECK(doc.size() == file.size());

    for (int n = 0; n < 64 && !in.empty(); ++n) {
        const uint8_t kind = in.byte() % 3;
        const std::string_view section = trim_blanks(in.until('\x01'));
        const std::string_view key = trim_blanks(in.until('\x01'));
        const std::string_view value = in.until('\x01');
        if (!storable_section(section) || !storable_key(key) || has_line_break(value)) continue;
        const std::string before = doc.bytes();
        bool changed = false;
        if (kind == 0) {
            changed = doc.set(section, key, value);
            FUZZ_CHECK(doc.value(section, key) == trim_blanks(value));
        } else if (kind == 1) {
            changed = doc.erase_key(section, key);
            FUZZ_CHECK(!doc.value(section, key));
        } else {
            changed = doc.erase_section(section);
            FUZZ_CHECK(doc.key_names(section).empty());
        }
        const std::string after = doc.bytes();
        FUZZ_CHECK(changed == (after != before));
        FUZZ_CHECK(doc.size() == after.size());
    }

    const std::string out = doc.bytes();
    FUZZ_CHECK(written(doc) == out);
    const LineEnds was = lone_line_ends(file), now = lone_line_ends(out);
    FUZZ_CHECK(now.lf <= was.lf && now.cr <= was.cr);
    const ProfileDocument again(out);
    check_same_entries(doc, again);
    FUZZ_CHECK(again.bytes() == out);
}
