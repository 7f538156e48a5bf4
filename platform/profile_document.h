#pragma once
// One profile file held in memory as its lines. A change touches only the lines it concerns; every
// other byte (comments, blank lines, lines this reader does not understand, each line's own line end)
// is written back exactly as it was read, so files edited by hand or written on another machine keep
// their look.
//
// Lines end in CR LF, LF or a lone CR. Reading rules: a line whose first non-blank character is "["
// and that holds a "]" starts a section named by the text between them; a line holding "=" whose
// first non-blank character is neither "[" nor ";" is a key; everything else is kept and ignored.
// Names and values are trimmed of blanks and compared without regard to ASCII case. Sections of the
// same name count as one, in file order, and
// the first line of a key wins.
//
// A network file of 32000 devices has 350000 lines: the file's bytes are kept as read, in one buffer,
// and a line is a place in it; the text of new and changed lines goes to a second buffer. Lines of a
// section are consecutive in one shared array until the section grows where it cannot, and then get
// an array of their own.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ProfileDocument {
public:
    ProfileDocument();
    explicit ProfileDocument(std::string bytes);
    ProfileDocument(ProfileDocument&&) noexcept = default;
    ProfileDocument& operator=(ProfileDocument&&) noexcept = default;
    ProfileDocument(const ProfileDocument&) = delete;
    ProfileDocument& operator=(const ProfileDocument&) = delete;

    std::string bytes() const;
    size_t size() const { return size_; }
    // Hands the bytes over in pieces of about 64 KiB, in order, until put says false.
    void write(const std::function<bool(std::string_view)>& put) const;
    // Empties the document but keeps room for as much as it held: a file rebuilt from nothing then
    // grows without copying itself over and over, in memory already in use.
    void clear();

    // The trimmed text after the "=" of the key's first line; nullopt when the section or key is missing.
    // Valid until the next change.
    std::optional<std::string_view> value(std::string_view section, std::string_view key) const;
    // Distinct names in file order, as first spelled in the file.
    std::vector<std::string> section_names() const;
    std::vector<std::string> key_names(std::string_view section) const;

    // Each returns whether the file's content changed. Names must already be trimmed and storable.
    bool set(std::string_view section, std::string_view key, std::string_view value);
    bool erase_key(std::string_view section, std::string_view key);
    bool erase_section(std::string_view section);

private:
    enum class Eol : uint8_t { kNone, kLf, kCrLf, kCr };
    enum Flag : uint8_t { kAdded = 1, kKey = 2, kDead = 4 };
    struct Line {
        uint32_t start = 0;  // in base_, or in added_ when kAdded
        uint32_t size = 0;
        uint16_t key_hash = 0;  // of a key line's folded name: most lines are passed over without a look
        Eol eol = Eol::kNone;
        uint8_t flags = 0;
    };
    // Open addressing with linear probing over (hash of a folded name, value); the owner tells whether
    // the name of a value is the one looked for. At most half full, so a probe meets a free slot soon.
    struct Slots {
        std::vector<uint64_t> v;  // hash << 32 | value + 1; 0 is free

        bool crowded(size_t entries) const { return (entries + 1) * 2 > v.size(); }
        void clear_for(size_t entries);
        template <typename Same>
        std::optional<uint32_t> find(uint32_t hash, Same same) const;
        void put(uint32_t hash, uint32_t value);
        template <typename Same>
        void erase(uint32_t hash, Same same);
    };
    struct Section {
        uint32_t first = 0;  // in lines_, unless the section has lines of its own
        uint32_t count = 0;
        std::vector<Line> own;
        bool owns = false;
        bool headed = false;  // false only for the lines before the first header
        bool gone = false;
        bool duplicate_keys = false;
        uint32_t name_start = 0, name_size = 0;  // in the text of the header line
        bool name_added = false;
        bool first_of_name = false;  // the one the name's slot leads to
        uint32_t next_same = 0;  // the next section of the same name, as index + 1
        uint32_t key_lines = 0;
        // Built only once a section grows large (the MAC list has one key per device): key line
        // positions, as position + 1.
        std::unique_ptr<Slots> keys;
    };

    std::string_view text(const Line& l) const;
    std::string_view name(const Section& s) const;
    Line* lines(Section& s) { return s.owns ? s.own.data() : lines_.data() + s.first; }
    const Line* lines(const Section& s) const { return s.owns ? s.own.data() : lines_.data() + s.first; }
    void add_line(size_t start, size_t size, Eol eol);
    // A new line whose text is the parts joined; none of them may point into added_.
    Line make_line(std::initializer_list<std::string_view> parts, Eol eol);
    Line make_key_line(std::string_view name, std::string_view value, uint32_t hash, Eol eol);
    uint32_t find_section(std::string_view name) const;  // index + 1 of the first of that name, or 0
    // `known_new`: no section of its name is indexed yet, which the caller has just seen.
    void index_section(uint32_t index, bool known_new = false);
    bool key_at(const Section& s, uint32_t pos, std::string_view key) const;
    std::optional<uint32_t> find_key(const Section& s, std::string_view key, uint32_t hash) const;
    // A key line new to the section (the caller has just looked for it), and its name's hash.
    void note_key(Section& s, uint32_t pos, uint32_t hash);
    void build_key_index(Section& s);
    void unindex_key(Section& s, std::string_view key, uint32_t hash);
    void insert_key(Section& s, const Line& line, uint32_t hash);
    void erase_line(Section& s, uint32_t pos);
    void terminate_last_line();
    void retire(const Line& l);
    void release_text();
    void compact_if_wasteful();

    std::string base_;   // the bytes as read
    std::string added_;  // the text of new and changed lines
    std::vector<Line> lines_;
    std::vector<Section> sections_;
    Slots section_slots_;  // section index + 1 of the first of each name
    // The last two sections found, by the name each was asked for (a save and a load go back and forth
    // between the MAC list and one device's section); forgotten whenever a section goes.
    struct Found {
        std::string wanted;
        uint32_t section = 0;  // index + 1; 0: nothing
    };
    mutable Found found_[2];
    mutable size_t found_older_ = 0;
    mutable uint32_t last_looked_up_ = 0;  // index + 1 of the last section that had to be looked up
    void forget_found() const { found_[0].section = found_[1].section = last_looked_up_ = 0; }
    size_t distinct_sections_ = 0;
    size_t size_ = 0;                          // of bytes()
    size_t waste_text_ = 0, waste_lines_ = 0;  // left behind by changes, no longer part of the content
};

// The blanks that reading trims around names and values.
std::string_view trim_blanks(std::string_view s);

}  // namespace platform
