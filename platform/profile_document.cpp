#include "platform/profile_document.h"

#include <unordered_set>

namespace platform {

namespace {

constexpr size_t kIndexAbove = 16;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

char fold_char(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string fold(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = fold_char(c);
    return out;
}

// Lookups fold into a reused buffer: a read must not cost an allocation.
const std::string& fold_into(std::string& scratch, std::string_view s) {
    scratch.assign(s);
    for (char& c : scratch) c = fold_char(c);
    return scratch;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (fold_char(a[i]) != fold_char(b[i])) return false;
    return true;
}

size_t first_non_blank(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && is_blank(s[i])) ++i;
    return i;
}

std::optional<std::string_view> header_name(std::string_view text) {
    size_t open = first_non_blank(text);
    if (open == text.size() || text[open] != '[') return std::nullopt;
    size_t close = text.find(']', open + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return trim_blanks(text.substr(open + 1, close - open - 1));
}

struct KeyLine {
    std::string_view name;
    std::string_view value;
};

std::optional<KeyLine> key_line(std::string_view text) {
    size_t start = first_non_blank(text);
    if (start == text.size() || text[start] == '[' || text[start] == ';') return std::nullopt;
    size_t eq = text.find('=', start);
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyLine{trim_blanks(text.substr(start, eq - start)), trim_blanks(text.substr(eq + 1))};
}

bool is_blank_line(std::string_view text) { return first_non_blank(text) == text.size(); }

}  // namespace

std::string_view trim_blanks(std::string_view s) {
    size_t b = first_non_blank(s);
    size_t e = s.size();
    while (e > b && is_blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

ProfileDocument::ProfileDocument() { sections_.emplace_back(); }

ProfileDocument::ProfileDocument(std::string_view bytes) : ProfileDocument() {
    size_t pos = 0;
    while (pos < bytes.size()) {
        bool first = pos == 0;
        // A lone CR ends a line as well (files from old Macintosh editors), as it does for the
        // platform's own profile functions.
        size_t end = bytes.find_first_of("\r\n", pos);
        Line line;
        if (end == std::string_view::npos) {
            line = {std::string(bytes.substr(pos)), Eol::kNone};
            pos = bytes.size();
        } else {
            Eol eol = bytes[end] == '\n' ? Eol::kLf : Eol::kCr;
            if (eol == Eol::kCr && end + 1 < bytes.size() && bytes[end + 1] == '\n') eol = Eol::kCrLf;
            line = {std::string(bytes.substr(pos, end - pos)), eol};
            pos = end + (eol == Eol::kCrLf ? 2 : 1);
        }
        // Windows editors start a UTF-8 file with a byte-order mark; it must not hide the first header.
        std::string_view classified = line.text;
        if (first && classified.substr(0, 3) == "\xEF\xBB\xBF") classified.remove_prefix(3);
        if (auto name = header_name(classified)) {
            Section s;
            s.name = std::string(*name);
            s.headed = true;
            auto it = sections_.insert(sections_.end(), std::move(s));
            index_[fold(it->name)].push_back(it);
            it->lines.push_back(std::move(line));
            continue;
        }
        Section& current = sections_.back();
        auto it = current.lines.insert(current.lines.end(), std::move(line));
        if (current.headed && key_line(it->text)) note_key(current, it);
    }
}

std::string ProfileDocument::bytes() const {
    // Sized once: a string grown by doubling would hold the old and the new buffer at once, twice the
    // file of a large network.
    size_t size = 0;
    for (const Section& s : sections_)
        for (const Line& l : s.lines) size += l.text.size() + (l.eol == Eol::kCrLf ? 2 : l.eol == Eol::kNone ? 0 : 1);
    std::string out;
    out.reserve(size);
    for (const Section& s : sections_)
        for (const Line& l : s.lines) {
            out += l.text;
            if (l.eol == Eol::kCrLf) out += "\r\n";
            if (l.eol == Eol::kLf) out += '\n';
            if (l.eol == Eol::kCr) out += '\r';
        }
    return out;
}

const std::vector<ProfileDocument::Sections::iterator>* ProfileDocument::occurrences(std::string_view section) const {
    auto it = index_.find(fold_into(scratch_, section));
    return it == index_.end() ? nullptr : &it->second;
}

std::optional<ProfileDocument::Lines::iterator> ProfileDocument::find_key(Section& s, std::string_view key) const {
    if (s.indexed) {
        auto it = s.keys.find(fold_into(scratch_, key));
        if (it == s.keys.end()) return std::nullopt;
        return it->second;
    }
    for (auto it = s.lines.begin(); it != s.lines.end(); ++it) {
        auto kl = key_line(it->text);
        if (kl && same_name(kl->name, key)) return it;
    }
    return std::nullopt;
}

void ProfileDocument::note_key(Section& s, Lines::iterator line) {
    ++s.key_lines;
    if (s.indexed) {
        if (!s.keys.emplace(fold(key_line(line->text)->name), line).second) s.duplicate_keys = true;
        return;
    }
    if (s.key_lines <= kIndexAbove) return;
    s.indexed = true;
    for (auto it = s.lines.begin(); it != s.lines.end(); ++it)
        if (auto kl = key_line(it->text))
            if (!s.keys.emplace(fold(kl->name), it).second) s.duplicate_keys = true;
}

std::optional<std::string_view> ProfileDocument::value(std::string_view section, std::string_view key) const {
    const auto* occ = occurrences(section);
    if (!occ) return std::nullopt;
    for (const auto& s : *occ)
        if (auto line = find_key(*s, key)) return key_line((*line)->text)->value;
    return std::nullopt;
}

std::vector<std::string> ProfileDocument::section_names() const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const Section& s : sections_)
        if (s.headed && seen.insert(fold(s.name)).second) names.push_back(s.name);
    return names;
}

std::vector<std::string> ProfileDocument::key_names(std::string_view section) const {
    std::vector<std::string> names;
    const auto* occ = occurrences(section);
    if (!occ) return names;
    std::unordered_set<std::string> seen;
    for (const auto& s : *occ)
        for (const Line& l : s->lines)
            if (auto kl = key_line(l.text))
                if (seen.insert(fold(kl->name)).second) names.emplace_back(kl->name);
    return names;
}

void ProfileDocument::terminate_last_line() {
    for (auto s = sections_.rbegin(); s != sections_.rend(); ++s)
        if (!s->lines.empty()) {
            if (s->lines.back().eol == Eol::kNone) s->lines.back().eol = Eol::kCrLf;
            return;
        }
}

ProfileDocument::Lines::iterator ProfileDocument::append_key(Section& s, Line line) {
    // A new key goes after the section's last non-blank line, so the blank lines that separate it
    // from the next section stay where they are.
    auto pos = s.lines.end();
    while (pos != s.lines.begin() && std::next(s.lines.begin()) != pos && is_blank_line(std::prev(pos)->text)) --pos;
    auto before = std::prev(pos);
    if (before->eol == Eol::kNone) before->eol = Eol::kCrLf;
    return s.lines.insert(pos, std::move(line));
}

bool ProfileDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    const auto* occ = occurrences(section);
    if (occ) {
        for (const auto& s : *occ)
            if (auto line = find_key(*s, key)) {
                std::string text(key_line((*line)->text)->name);
                text += '=';
                text += value;
                if (text == (*line)->text) return false;
                (*line)->text = std::move(text);
                return true;
            }
    }
    std::string text(key);
    text += '=';
    text += value;
    if (occ) {
        Section& s = *occ->front();
        note_key(s, append_key(s, Line{std::move(text), Eol::kCrLf}));
        return true;
    }
    terminate_last_line();
    Section s;
    s.name = std::string(section);
    s.headed = true;
    auto it = sections_.insert(sections_.end(), std::move(s));
    index_[fold(section)].push_back(it);
    it->lines.push_back(Line{"[" + std::string(section) + "]", Eol::kCrLf});
    it->lines.push_back(Line{std::move(text), Eol::kCrLf});
    note_key(*it, std::prev(it->lines.end()));
    return true;
}

bool ProfileDocument::erase_key(std::string_view section, std::string_view key) {
    const auto* occ = occurrences(section);
    if (!occ) return false;
    bool changed = false;
    for (const auto& s : *occ) {
        if (s->indexed && !s->duplicate_keys) {
            auto it = s->keys.find(fold_into(scratch_, key));
            if (it == s->keys.end()) continue;
            s->lines.erase(it->second);
            s->keys.erase(it);
            --s->key_lines;
            changed = true;
            continue;
        }
        for (auto it = s->lines.begin(); it != s->lines.end();) {
            auto kl = key_line(it->text);
            if (kl && same_name(kl->name, key)) {
                it = s->lines.erase(it);
                --s->key_lines;
                changed = true;
            } else {
                ++it;
            }
        }
        if (s->indexed) s->keys.erase(fold(key));
    }
    return changed;
}

bool ProfileDocument::erase_section(std::string_view section) {
    auto it = index_.find(fold(section));
    if (it == index_.end()) return false;
    for (auto& s : it->second) sections_.erase(s);
    index_.erase(it);
    return true;
}

}  // namespace platform
