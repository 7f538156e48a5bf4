#include "platform/profile_document.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

#include "platform/profile_disk.h"

namespace platform {

namespace {

constexpr size_t kIndexAbove = 16;
constexpr std::string_view kEolText[] = {"", "\n", "\r\n", "\r"};
constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

char fold_char(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

uint32_t fold_hash(std::string_view s) {
    uint32_t h = 2166136261u;
    for (char c : s) {
        h ^= static_cast<unsigned char>(fold_char(c));
        h *= 16777619u;
    }
    // The low bits pick the slot, and those of the sum above hardly mix: names that differ only in
    // their last hex digits (a network file's MAC addresses) would pile up in a few slots.
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
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

// The name alone, for the many looks that need no value.
std::string_view key_name(std::string_view text) { return key_line(text.substr(0, text.find('=') + 1))->name; }

bool is_blank_line(std::string_view text) { return first_non_blank(text) == text.size(); }

}  // namespace

std::string_view trim_blanks(std::string_view s) {
    size_t b = first_non_blank(s);
    size_t e = s.size();
    while (e > b && is_blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

void ProfileDocument::Slots::clear_for(size_t entries) {
    size_t capacity = 16;
    while (capacity < (entries + 1) * 2) capacity *= 2;
    v.assign(capacity, 0);
}

template <typename Same>
std::optional<uint32_t> ProfileDocument::Slots::find(uint32_t hash, Same same) const {
    if (v.empty()) return std::nullopt;
    const size_t mask = v.size() - 1;
    for (size_t i = hash & mask; v[i]; i = (i + 1) & mask) {
        // The stored hash spares most comparisons of names, and the look at the name's text with them.
        if (static_cast<uint32_t>(v[i] >> 32) != hash) continue;
        const auto value = static_cast<uint32_t>(v[i]) - 1;
        if (same(value)) return value;
    }
    return std::nullopt;
}

void ProfileDocument::Slots::put(uint32_t hash, uint32_t value) {
    const size_t mask = v.size() - 1;
    size_t i = hash & mask;
    while (v[i]) i = (i + 1) & mask;
    v[i] = uint64_t{hash} << 32 | (uint64_t{value} + 1);
}

template <typename Same>
void ProfileDocument::Slots::erase(uint32_t hash, Same same) {
    if (v.empty()) return;
    const size_t mask = v.size() - 1;
    size_t freed = hash & mask;
    for (;; freed = (freed + 1) & mask) {
        if (!v[freed]) return;
        if (static_cast<uint32_t>(v[freed] >> 32) == hash && same(static_cast<uint32_t>(v[freed]) - 1)) break;
    }
    // The entries after it move up where their probe would otherwise stop at the gap.
    v[freed] = 0;
    for (size_t j = (freed + 1) & mask; v[j]; j = (j + 1) & mask) {
        const size_t home = static_cast<uint32_t>(v[j] >> 32) & mask;
        const bool stays = freed < j ? (home > freed && home <= j) : (home > freed || home <= j);
        if (stays) continue;
        v[freed] = v[j];
        v[j] = 0;
        freed = j;
    }
}

ProfileDocument::ProfileDocument() { sections_.emplace_back(); }

ProfileDocument::ProfileDocument(std::string bytes) : base_(std::move(bytes)) {
    if (base_.size() > UINT32_MAX) throw std::length_error("a profile of 4 GB or more");
    sections_.emplace_back();
    const std::string_view all = base_;
    // Sized once from a count of the lines and of the lines that start with "[", with room for a few
    // more: growing by doubling would copy them over and over and touch twice the memory.
    size_t newlines = 0, headers = 1;
    for (size_t nl = all.find('\n'); nl != std::string_view::npos; nl = all.find('\n', nl + 1)) {
        ++newlines;
        if (nl + 1 < all.size() && all[nl + 1] == '[') ++headers;
    }
    lines_.reserve(newlines + newlines / 16 + 16);
    sections_.reserve(headers + headers / 16 + 16);
    prefer_large_pages(lines_.data(), lines_.capacity() * sizeof(Line));
    prefer_large_pages(sections_.data(), sections_.capacity() * sizeof(Section));
    section_slots_.clear_for(headers);
    size_t pos = 0;
    while (pos < all.size()) {
        // A lone CR ends a line as well (files from old Macintosh editors), as it does for the
        // platform's own profile functions.
        size_t end = pos;
        while (end < all.size() && all[end] != '\n' && all[end] != '\r') ++end;
        Eol eol = Eol::kNone;
        size_t next = end;
        if (end < all.size()) {
            eol = all[end] == '\n' ? Eol::kLf : Eol::kCr;
            if (eol == Eol::kCr && end + 1 < all.size() && all[end + 1] == '\n') eol = Eol::kCrLf;
            next = end + kEolText[static_cast<size_t>(eol)].size();
        }
        add_line(pos, end - pos, eol);
        pos = next;
    }
    for (Section& s : sections_)
        if (s.key_lines > kIndexAbove) build_key_index(s);
}

void ProfileDocument::add_line(size_t start, size_t size, Eol eol) {
    Line line{static_cast<uint32_t>(start), static_cast<uint32_t>(size), 0, eol, 0};
    const std::string_view t = text(line);
    size_ += size + kEolText[static_cast<size_t>(eol)].size();
    // Windows editors start a UTF-8 file with a byte-order mark; it must not hide the first header.
    std::string_view classified = t;
    if (start == 0 && classified.substr(0, kBom.size()) == kBom) classified.remove_prefix(kBom.size());
    if (auto name = header_name(classified)) {
        Section s;
        s.first = static_cast<uint32_t>(lines_.size());
        s.headed = true;
        s.name_start = static_cast<uint32_t>(name->data() - base_.data());
        s.name_size = static_cast<uint32_t>(name->size());
        sections_.push_back(std::move(s));
        index_section(static_cast<uint32_t>(sections_.size() - 1));
    } else if (auto kl = key_line(t.substr(0, t.find('=') + 1))) {
        line.flags = kKey;
        line.key_hash = static_cast<uint16_t>(fold_hash(kl->name));
    }
    lines_.push_back(line);
    Section& current = sections_.back();
    ++current.count;
    // Large sections get their key index once the whole file is read, sized once.
    if (current.headed && (line.flags & kKey)) ++current.key_lines;
}

std::string_view ProfileDocument::text(const Line& l) const {
    const std::string& buffer = (l.flags & kAdded) ? added_ : base_;
    return std::string_view(buffer.data() + l.start, l.size);
}

std::string_view ProfileDocument::name(const Section& s) const {
    const std::string& buffer = s.name_added ? added_ : base_;
    return std::string_view(buffer.data() + s.name_start, s.name_size);
}

ProfileDocument::Line ProfileDocument::make_line(std::initializer_list<std::string_view> parts, Eol eol) {
    size_t size = 0;
    for (std::string_view p : parts) size += p.size();
    if (added_.size() + size > UINT32_MAX) throw std::length_error("a profile of 4 GB or more");
    Line line{static_cast<uint32_t>(added_.size()), static_cast<uint32_t>(size), 0, eol, kAdded};
    for (std::string_view p : parts) added_ += p;
    size_ += size + kEolText[static_cast<size_t>(eol)].size();
    return line;
}

ProfileDocument::Line ProfileDocument::make_key_line(std::string_view name, std::string_view value, uint32_t hash,
                                                     Eol eol) {
    // A storable name read back from "name=value" is the name itself.
    Line line = make_line({name, "=", value}, eol);
    line.flags |= kKey;
    line.key_hash = static_cast<uint16_t>(hash);
    return line;
}

std::string ProfileDocument::bytes() const {
    // Sized once: a string grown by doubling would hold the old and the new buffer at once, twice the
    // file of a large network.
    std::string out;
    out.reserve(size_);
    write([&out](std::string_view piece) {
        out += piece;
        return true;
    });
    return out;
}

void ProfileDocument::write(const std::function<bool(std::string_view)>& put) const {
    constexpr size_t kPiece = 64 << 10;
    std::string piece;
    piece.reserve(kPiece);
    for (const Section& s : sections_) {
        if (s.gone) continue;
        const Line* l = lines(s);
        for (uint32_t i = 0; i < s.count; ++i) {
            if (l[i].flags & kDead) continue;
            const std::string_view t = text(l[i]);
            if (piece.size() + t.size() + 2 > kPiece) {
                if (!piece.empty() && !put(piece)) return;
                piece.clear();
                // A line longer than a piece goes as it is.
                if (t.size() + 2 > kPiece) {
                    if (!put(t)) return;
                    piece += kEolText[static_cast<size_t>(l[i].eol)];
                    continue;
                }
            }
            piece += t;
            piece += kEolText[static_cast<size_t>(l[i].eol)];
        }
    }
    if (!piece.empty()) put(piece);
}

void ProfileDocument::clear() {
    const size_t size = size_;
    const size_t sections = sections_.size();
    lines_.clear();
    sections_.clear();
    // Freed first, so that the new text may take the place of the old.
    release_text();
    added_.reserve(size);
    prefer_large_pages(added_.data(), added_.capacity());
    sections_.reserve(sections);
    sections_.emplace_back();
    section_slots_.v.assign(section_slots_.v.size(), 0);
    forget_found();
    distinct_sections_ = size_ = waste_text_ = waste_lines_ = 0;
}

uint32_t ProfileDocument::find_section(std::string_view wanted) const {
    // Keys are read and written one per call, a section's keys one after another.
    for (size_t i = 0; i < 2; ++i)
        if (found_[i].section && wanted == found_[i].wanted) {
            found_older_ = 1 - i;
            return found_[i].section;
        }
    // A load reads the sections in file order: the one after the last looked up is tried first.
    std::optional<uint32_t> found;
    if (last_looked_up_ && last_looked_up_ < sections_.size()) {
        const Section& next = sections_[last_looked_up_];
        if (next.first_of_name && !next.gone && same_name(name(next), wanted)) found = last_looked_up_;
    }
    if (!found)
        found = section_slots_.find(fold_hash(wanted),
                                    [&](uint32_t index) { return same_name(name(sections_[index]), wanted); });
    if (!found) return 0;
    last_looked_up_ = *found + 1;
    Found& memo = found_[found_older_];
    found_older_ = 1 - found_older_;
    memo.wanted.assign(wanted);
    memo.section = *found + 1;
    return memo.section;
}

void ProfileDocument::index_section(uint32_t index, bool known_new) {
    if (uint32_t same = known_new ? 0 : find_section(name(sections_[index]))) {
        // Sections of one name are read as one, in file order.
        while (sections_[same - 1].next_same) same = sections_[same - 1].next_same;
        sections_[same - 1].next_same = index + 1;
        return;
    }
    ++distinct_sections_;
    if (section_slots_.crowded(distinct_sections_)) {
        section_slots_.clear_for(distinct_sections_);
        for (uint32_t i = 0; i < index; ++i) {
            const Section& s = sections_[i];
            if (s.first_of_name && !s.gone) section_slots_.put(fold_hash(name(s)), i);
        }
    }
    section_slots_.put(fold_hash(name(sections_[index])), index);
    sections_[index].first_of_name = true;
}

bool ProfileDocument::key_at(const Section& s, uint32_t pos, std::string_view key) const {
    const Line& l = lines(s)[pos];
    return (l.flags & kKey) && same_name(key_name(text(l)), key);
}

std::optional<uint32_t> ProfileDocument::find_key(const Section& s, std::string_view key, uint32_t hash) const {
    if (s.keys) return s.keys->find(hash, [&](uint32_t pos) { return key_at(s, pos, key); });
    const Line* l = lines(s);
    const auto h16 = static_cast<uint16_t>(hash);
    for (uint32_t pos = 0; pos < s.count; ++pos)
        if (l[pos].key_hash == h16 && key_at(s, pos, key)) return pos;
    return std::nullopt;
}

void ProfileDocument::note_key(Section& s, uint32_t pos, uint32_t hash) {
    ++s.key_lines;
    if (s.keys && !s.keys->crowded(s.key_lines))
        s.keys->put(hash, pos);
    else if (s.key_lines > kIndexAbove)
        build_key_index(s);
}

void ProfileDocument::build_key_index(Section& s) {
    // From the lines in file order, so that the first line of a key wins.
    s.keys.reset();
    auto slots = std::make_unique<Slots>();
    slots->clear_for(s.key_lines);
    const Line* l = lines(s);
    for (uint32_t p = 0; p < s.count; ++p) {
        if (!(l[p].flags & kKey)) continue;
        std::string_view key = key_name(text(l[p]));
        const uint32_t hash = fold_hash(key);
        if (slots->find(hash, [&](uint32_t q) { return key_at(s, q, key); }))
            s.duplicate_keys = true;
        else
            slots->put(hash, p);
    }
    s.keys = std::move(slots);
}

void ProfileDocument::unindex_key(Section& s, std::string_view key, uint32_t hash) {
    if (s.keys) s.keys->erase(hash, [&](uint32_t pos) { return key_at(s, pos, key); });
}

std::optional<std::string_view> ProfileDocument::value(std::string_view section, std::string_view key) const {
    const uint32_t hash = fold_hash(key);
    for (uint32_t s = find_section(section); s; s = sections_[s - 1].next_same)
        if (auto pos = find_key(sections_[s - 1], key, hash)) {
            const std::string_view t = text(lines(sections_[s - 1])[*pos]);
            return trim_blanks(t.substr(t.find('=') + 1));  // a key line holds a "="
        }
    return std::nullopt;
}

std::vector<std::string> ProfileDocument::section_names() const {
    std::vector<std::string> names;
    for (uint32_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (s.headed && !s.gone && find_section(name(s)) == i + 1) names.emplace_back(name(s));
    }
    return names;
}

std::vector<std::string> ProfileDocument::key_names(std::string_view section) const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (uint32_t s = find_section(section); s; s = sections_[s - 1].next_same) {
        const Section& sec = sections_[s - 1];
        const Line* l = lines(sec);
        for (uint32_t pos = 0; pos < sec.count; ++pos) {
            if (!(l[pos].flags & kKey)) continue;
            std::string_view key = key_name(text(l[pos]));
            std::string folded(key);
            for (char& c : folded) c = fold_char(c);
            if (seen.insert(std::move(folded)).second) names.emplace_back(key);
        }
    }
    return names;
}

void ProfileDocument::terminate_last_line() {
    for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
        if (s->gone) continue;
        Line* l = lines(*s);
        for (uint32_t pos = s->count; pos > 0; --pos) {
            if (l[pos - 1].flags & kDead) continue;
            if (l[pos - 1].eol == Eol::kNone) {
                l[pos - 1].eol = Eol::kCrLf;
                size_ += 2;
            }
            return;
        }
    }
}

void ProfileDocument::insert_key(Section& s, const Line& line, uint32_t hash) {
    // A new key goes after the section's last line that is neither blank nor erased, so the blank
    // lines that separate it from the next section stay where they are.
    Line* l = lines(s);
    uint32_t pos = s.count;
    while (pos > 1 && ((l[pos - 1].flags & kDead) || is_blank_line(text(l[pos - 1])))) --pos;
    if (l[pos - 1].eol == Eol::kNone) {
        l[pos - 1].eol = Eol::kCrLf;
        size_ += 2;
    }
    if (!s.owns && s.first + s.count != lines_.size()) {
        // Lines that follow in the shared array belong to later sections: this one moves out.
        s.own.assign(l, l + s.count);
        s.owns = true;
        waste_lines_ += s.count;
    }
    if (s.owns)
        s.own.insert(s.own.begin() + pos, line);
    else
        lines_.insert(lines_.begin() + s.first + pos, line);
    ++s.count;
    note_key(s, pos, hash);
}

void ProfileDocument::retire(const Line& l) {
    waste_text_ += l.size;
    size_ -= l.size + kEolText[static_cast<size_t>(l.eol)].size();
}

void ProfileDocument::erase_line(Section& s, uint32_t pos) {
    Line* l = lines(s);
    retire(l[pos]);
    --s.key_lines;
    if (pos + 1 < s.count) {
        // Later lines keep their places, which the key index holds.
        l[pos].flags = kDead;
        ++waste_lines_;
        return;
    }
    --s.count;
    if (s.owns)
        s.own.pop_back();
    else if (s.first + s.count + 1 == lines_.size())
        lines_.pop_back();
    else
        ++waste_lines_;
}

void ProfileDocument::release_text() {
    // Swapped out: assigning an empty string would keep the old buffer for the next text.
    std::string().swap(base_);
    std::string().swap(added_);
}

void ProfileDocument::compact_if_wasteful() {
    // Changed and erased lines leave their old text and places behind; once they outweigh the content,
    // the document is read again from its own bytes, which hold all it knows.
    if (waste_text_ > size_ + (64u << 10) || waste_lines_ > lines_.size() / 2 + 4096) {
        std::string all = bytes();
        release_text();
        *this = ProfileDocument(std::move(all));
    }
}

bool ProfileDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    const uint32_t hash = fold_hash(key);
    const uint32_t first = find_section(section);
    for (uint32_t s = first; s; s = sections_[s - 1].next_same) {
        Section& sec = sections_[s - 1];
        auto pos = find_key(sec, key, hash);
        if (!pos) continue;
        const std::string_view old = text(lines(sec)[*pos]);
        const std::string name(key_line(old)->name);
        if (old.size() == name.size() + 1 + value.size() && old.substr(0, name.size()) == name &&
            old[name.size()] == '=' && old.substr(name.size() + 1) == value)
            return false;
        Line& line = lines(sec)[*pos];
        retire(line);
        line = make_key_line(name, value, hash, line.eol);
        compact_if_wasteful();
        return true;
    }
    if (first) {
        insert_key(sections_[first - 1], make_key_line(key, value, hash, Eol::kCrLf), hash);
        return true;
    }
    terminate_last_line();
    Line header = make_line({"[", section, "]"}, Eol::kCrLf);
    Section s;
    s.first = static_cast<uint32_t>(lines_.size());
    s.count = 1;
    s.headed = true;
    s.name_added = true;
    s.name_start = header.start + 1;
    s.name_size = static_cast<uint32_t>(section.size());
    lines_.push_back(header);
    sections_.push_back(std::move(s));
    index_section(static_cast<uint32_t>(sections_.size() - 1), true);
    insert_key(sections_.back(), make_key_line(key, value, hash, Eol::kCrLf), hash);
    return true;
}

bool ProfileDocument::erase_key(std::string_view section, std::string_view key) {
    const uint32_t hash = fold_hash(key);
    bool changed = false;
    for (uint32_t s = find_section(section); s; s = sections_[s - 1].next_same) {
        Section& sec = sections_[s - 1];
        if (sec.keys && !sec.duplicate_keys) {
            auto pos = find_key(sec, key, hash);
            if (!pos) continue;
            unindex_key(sec, key, hash);
            erase_line(sec, *pos);
            changed = true;
            continue;
        }
        unindex_key(sec, key, hash);
        // From the end, so that a line taken off the end moves no line still to be looked at.
        for (uint32_t pos = sec.count; pos > 0; --pos) {
            if (lines(sec)[pos - 1].key_hash == static_cast<uint16_t>(hash) && key_at(sec, pos - 1, key)) {
                erase_line(sec, pos - 1);
                changed = true;
            }
        }
    }
    if (changed) compact_if_wasteful();
    return changed;
}

bool ProfileDocument::erase_section(std::string_view section) {
    const uint32_t first = find_section(section);
    if (!first) return false;
    section_slots_.erase(fold_hash(section), [first](uint32_t index) { return index + 1 == first; });
    forget_found();
    --distinct_sections_;
    for (uint32_t s = first; s; s = sections_[s - 1].next_same) {
        Section& sec = sections_[s - 1];
        const Line* l = lines(sec);
        uint32_t dead = 0;
        for (uint32_t pos = 0; pos < sec.count; ++pos) {
            if (l[pos].flags & kDead)
                ++dead;
            else
                retire(l[pos]);
        }
        // The erased lines of a section with lines of its own leave with them; those in the shared
        // array stay behind.
        if (sec.owns)
            waste_lines_ -= dead;
        else
            waste_lines_ += sec.count - dead;
        sec.own = std::vector<Line>();
        sec.keys.reset();
        sec.gone = true;
    }
    compact_if_wasteful();
    return true;
}

}  // namespace platform
