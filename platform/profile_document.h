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
#include <cstddef>
#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

class ProfileDocument {
public:
    ProfileDocument();
    explicit ProfileDocument(std::string_view bytes);
    ProfileDocument(ProfileDocument&&) noexcept = default;
    ProfileDocument& operator=(ProfileDocument&&) noexcept = default;
    ProfileDocument(const ProfileDocument&) = delete;
    ProfileDocument& operator=(const ProfileDocument&) = delete;

    std::string bytes() const;

    // The trimmed text after the "=" of the key's first line; nullopt when the section or key is missing.
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
    struct Line {
        std::string text;
        Eol eol;
    };
    using Lines = std::list<Line>;
    struct Section {
        std::string name;
        bool headed = false;  // false only for the lines before the first header
        Lines lines;
        size_t key_lines = 0;
        bool duplicate_keys = false;
        // Built only once a section grows large (the MAC list has one key per device); small
        // sections are searched line by line, which costs less memory.
        bool indexed = false;
        std::unordered_map<std::string, Lines::iterator> keys;
    };
    using Sections = std::list<Section>;

    const std::vector<Sections::iterator>* occurrences(std::string_view section) const;
    std::optional<Lines::iterator> find_key(Section& s, std::string_view key) const;
    void note_key(Section& s, Lines::iterator line);
    static Lines::iterator append_key(Section& s, Line line);
    void terminate_last_line();

    Sections sections_;
    std::unordered_map<std::string, std::vector<Sections::iterator>> index_;
    mutable std::string scratch_;
};

// The blanks that reading trims around names and values.
std::string_view trim_blanks(std::string_view s);

}  // namespace platform
