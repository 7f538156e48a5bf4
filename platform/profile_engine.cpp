#include "platform/profile_engine.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/profile_disk.h"
#include "platform/profile_document.h"
#include "platform/profile_paths.h"

namespace platform {

namespace {

// One change, as the caller asked for it; kept until the next flush so that it can be made again on
// the file's new content when someone else changed the file on disk in the meantime.
struct Change {
    enum Kind : char { kSet = 'W', kEraseKey = 'K', kEraseSection = 'S', kDiscard = 'D' };
    Kind kind;
    std::string_view section, key, value;
};

void put_field(std::string& log, std::string_view s) {
    auto n = static_cast<uint32_t>(s.size());
    log.append(reinterpret_cast<const char*>(&n), sizeof n);
    log.append(s);
}

std::string_view take_field(std::string_view& log) {
    uint32_t n = 0;
    std::memcpy(&n, log.data(), sizeof n);
    std::string_view s = log.substr(sizeof n, n);
    log.remove_prefix(sizeof n + n);
    return s;
}

struct FileState {
    DiskState disk;           // the file on disk when last read or written here
    uint64_t disk_hash = 0;
    bool exists = false;      // `doc` stands for an existing file
    ProfileDocument doc;
    bool dirty = false;       // `doc` differs from the disk
    std::string changes;      // the changes since the last flush, encoded
    // The pending content was rebuilt from nothing (a discard since the last flush): no content of the
    // disk enters it, so `doc` stands as it is and the changes need no log. A save that rebuilds a file
    // of 32000 devices would otherwise keep every one of its 350000 changes a second time.
    bool rebuilt = false;
    uint64_t checked_turn = 0;  // the event-loop turn in which the disk was last looked at
};

bool apply(FileState& f, const Change& c) {
    switch (c.kind) {
    case Change::kSet: {
        bool created = !f.exists;
        f.exists = true;
        return f.doc.set(c.section, c.key, c.value) || created;
    }
    case Change::kEraseKey:
        return f.exists && f.doc.erase_key(c.section, c.key);
    case Change::kEraseSection:
        return f.exists && f.doc.erase_section(c.section);
    case Change::kDiscard:
        break;
    }
    bool was = f.exists;
    f.doc.clear();
    f.exists = false;
    return was;
}

void record(FileState& f, const Change& c) {
    if (c.kind == Change::kDiscard) {
        f.changes.clear();
        f.changes.shrink_to_fit();
        f.rebuilt = true;
    }
    if (f.rebuilt) return;
    f.changes += static_cast<char>(c.kind);
    put_field(f.changes, c.section);
    put_field(f.changes, c.key);
    put_field(f.changes, c.value);
}

void replay(FileState& f) {
    std::string_view log = f.changes;
    while (!log.empty()) {
        auto kind = static_cast<Change::Kind>(log.front());
        log.remove_prefix(1);
        std::string_view section = take_field(log);
        std::string_view key = take_field(log);
        std::string_view value = take_field(log);
        apply(f, Change{kind, section, key, value});
    }
}

class Engine {
public:
    Engine() = default;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    // What is still pending at exit reaches the disk here.
    ~Engine() { flush_all(); }

    std::mutex mutex;

    // The file as it is now: the disk's content plus the changes not yet flushed; nullptr for a path
    // that names no file.
    FileState* current(const std::string& path);
    // resolve_profile_path, remembered for the last absolute name: the host names one file per call.
    const std::string& resolve(const std::string& file);
    bool change(const std::string& file, const Change& c);
    void flush(const std::string& path);
    void flush_all();
    // Why the last change or flush of path did not reach the disk, forgotten once told; "" if
    // everything did.
    std::string take_failure(const std::string& path);
    void fail(const std::string& path, std::string why) { failures_[path] = std::move(why); }

private:
    void take(FileState& f, DiskContent&& disk);
    // Reads the file again when stat says it changed, or when it changed too recently for stat to tell.
    void refresh(const std::string& path, FileState& f);
    bool write_out(const std::string& path, FileState& f, int& error);
    void schedule_flush();
    void watch_for_next_turn();

    std::unordered_map<std::string, FileState> files_;
    std::unordered_map<std::string, std::string> failures_;
    std::weak_ptr<int> flush_posted_;
    // Turns of the event loop, counted by a call posted whenever a file was looked at.
    uint64_t turn_ = 1;
    std::weak_ptr<int> turn_posted_;
    std::string last_file_, last_path_;
    // The state of last_path_, found once: a routine that reads 320000 keys of one file looks it up once.
    FileState* last_state_ = nullptr;
};

Engine engine;

void Engine::take(FileState& f, DiskContent&& disk) {
    f.disk = disk.state;
    f.disk_hash = content_hash(disk.bytes);
    if (!disk.state.readable) {
        // Nothing is kept for a file that cannot be read: writing it would destroy what it holds.
        f.dirty = false;
        f.changes.clear();
        f.rebuilt = false;
    }
    if (f.dirty && f.rebuilt) return;
    f.exists = disk.state.present;
    f.doc = ProfileDocument(std::move(disk.bytes));
    if (f.dirty) replay(f);
}

void Engine::refresh(const std::string& path, FileState& f) {
    DiskState now = stat_profile(path);
    if (now.same_as(f.disk) && !now.racy()) return;
    DiskContent disk = read_profile(path);
    if (disk.state.same_as(f.disk) && content_hash(disk.bytes) == f.disk_hash) return;
    take(f, std::move(disk));
}

FileState* Engine::current(const std::string& path) {
    if (path.empty()) return nullptr;
    if (&path == &last_path_ && !last_state_) last_state_ = &files_[path];
    FileState& f = &path == &last_path_ ? *last_state_ : files_[path];
    // While changes are pending the file is ours: the flush looks at the disk again and, should
    // someone have changed it meanwhile, makes the pending changes again on the new content.
    // Otherwise the disk is looked at once per turn of the event loop: another program's edit is seen
    // from the next turn on, and a routine that reads 320000 keys in one go costs one stat, not
    // 320000.
    if (!f.dirty && f.checked_turn != turn_) {
        refresh(path, f);
        f.checked_turn = turn_;
        watch_for_next_turn();
    }
    return &f;
}

void Engine::watch_for_next_turn() {
    if (!turn_posted_.expired()) return;
    auto token = std::make_shared<int>(0);
    turn_posted_ = token;
    clock().post([this, token] {
        std::lock_guard<std::mutex> lock(mutex);
        ++turn_;
    });
}

const std::string& Engine::resolve(const std::string& file) {
    if (file.empty() || file[0] != '/' || file != last_file_) {
        last_file_ = file;
        last_path_ = resolve_profile_path(file);
        last_state_ = nullptr;
    }
    return last_path_;
}

bool Engine::change(const std::string& file, const Change& c) {
    const std::string& path = resolve(file);
    FileState* f = current(path);
    if (!f) return false;
    // The first change of a batch is weighed against the disk as it is now, not as it was earlier in
    // this turn: a change that looks like nothing against an outdated picture may not be nothing.
    if (!f->dirty && f->checked_turn == turn_) refresh(path, *f);
    if (!f->disk.readable) {
        fail(path, file_error_text(f->disk.error));
        return false;
    }
    if (!f->dirty && !folder_exists_for(path)) {
        fail(path, file_error_text(ENOENT));
        return false;
    }
    bool changed = apply(*f, c);
    if (!changed && !f->dirty) return true;
    record(*f, c);
    if (!f->dirty) {
        f->dirty = true;
        schedule_flush();
    }
    return true;
}

void Engine::schedule_flush() {
    // The token lives as long as the posted call: if a clock is dropped with the call unrun (a test's
    // virtual clock), the next change posts again.
    if (!flush_posted_.expired()) return;
    auto token = std::make_shared<int>(0);
    flush_posted_ = token;
    clock().post([token] { profile_flush(); });
}

bool Engine::write_out(const std::string& path, FileState& f, int& error) {
    if (!f.exists) {
        // Deleting a link deletes the link; its target keeps what it holds.
        if (!f.disk.present || ::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
        error = errno;
        return false;
    }
    // Handed to the disk in pieces: the bytes of a large network file are never built whole.
    const ProfileDocument& doc = f.doc;
    auto pieces = [&doc](const PutPiece& put) { doc.write(put); };
    // An unchanged file is left alone: its time and inode keep telling other readers it is the same.
    if (f.disk.present && static_cast<size_t>(f.disk.size) == doc.size() && file_holds(path, doc.size(), pieces))
        return true;
    ContentHash hash;
    auto hashed = [&doc, &hash](const PutPiece& put) {
        doc.write([&hash, &put](std::string_view piece) {
            hash.add(piece);
            return put(piece);
        });
    };
    if (!write_file_atomically(path, hashed, &error)) return false;
    f.disk_hash = hash.value();
    return true;
}

void Engine::flush(const std::string& path) {
    auto it = files_.find(path);
    if (it == files_.end() || !it->second.dirty) return;
    FileState* f = &it->second;
    // Another writer's changes must not fall between reading the disk again and writing it: the
    // writers of the folder take turns, and the pending changes are made on what the disk holds.
    FolderTurn turn(folder_of(write_target(path)));
    refresh(path, *f);
    if (!f->disk.readable) {
        // It became something that cannot be read meanwhile; what it holds stays.
        fail(path, file_error_text(f->disk.error));
        return;
    }
    if (!f->dirty) return;
    int error = 0;
    if (!write_out(path, *f, error)) {
        // A direct write would have failed as well: the changes are dropped and the next call reads
        // the disk as it is.
        fail(path, file_error_text(error));
        files_.erase(path);
        last_state_ = nullptr;
        return;
    }
    f->disk = stat_profile(path);
    f->checked_turn = turn_;
    f->dirty = false;
    f->rebuilt = false;
    f->changes.clear();
    f->changes.shrink_to_fit();
}

void Engine::flush_all() {
    flush_posted_.reset();
    std::vector<std::string> dirty;
    for (auto& [path, f] : files_)
        if (f.dirty) dirty.push_back(path);
    for (const std::string& path : dirty) flush(path);
}

std::string Engine::take_failure(const std::string& path) {
    auto it = failures_.find(path);
    if (it == failures_.end()) return std::string();
    std::string why = std::move(it->second);
    failures_.erase(it);
    return why;
}

std::string_view trim_trailing_blanks(std::string_view s) {
    std::string_view t = trim_blanks(s);
    return s.substr(0, t.empty() ? 0 : static_cast<size_t>(t.data() - s.data()) + t.size());
}

std::string_view unquoted(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    return v.substr(0, v.find('\0'));
}

uint32_t copy_text(std::string_view s, char* buffer, uint32_t size) {
    size_t n = std::min<size_t>(s.size(), size - 1);
    std::memcpy(buffer, s.data(), n);
    buffer[n] = '\0';
    return static_cast<uint32_t>(n);
}

uint32_t copy_list(const std::vector<std::string>& names, char* buffer, uint32_t size) {
    std::string joined;
    for (const std::string& n : names) {
        joined += n;
        joined += '\0';
    }
    if (joined.size() + 1 <= size) {
        std::memcpy(buffer, joined.data(), joined.size());
        buffer[joined.size()] = '\0';
        if (joined.empty() && size >= 2) buffer[1] = '\0';
        return static_cast<uint32_t>(joined.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, joined.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

// A plain loop: find_first_of looks up every character of s in the set, one library call each.
bool has_line_break(std::string_view s) {
    for (char c : s)
        if (c == '\r' || c == '\n') return true;
    return false;
}

bool storable_section(std::string_view s) { return !has_line_break(s) && s.find(']') == std::string_view::npos; }

bool storable_key(std::string_view k) {
    return !has_line_break(k) && k.find('=') == std::string_view::npos && (k.empty() || (k[0] != '[' && k[0] != ';'));
}

}  // namespace

uint32_t GetPrivateProfileString(const char* section, const char* key, const char* def, char* buffer, uint32_t size,
                                 const std::string& file) {
    if (!buffer || size == 0) return 0;
    std::lock_guard<std::mutex> lock(engine.mutex);
    FileState* f = engine.current(engine.resolve(file));
    const ProfileDocument* doc = f && f->exists ? &f->doc : nullptr;
    if (!section) return copy_list(doc ? doc->section_names() : std::vector<std::string>{}, buffer, size);
    if (!key) return copy_list(doc ? doc->key_names(trim_blanks(section)) : std::vector<std::string>{}, buffer, size);
    if (doc)
        if (auto v = doc->value(trim_blanks(section), trim_blanks(key))) return copy_text(unquoted(*v), buffer, size);
    return copy_text(trim_trailing_blanks(def ? def : ""), buffer, size);
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value, const std::string& file) {
    std::lock_guard<std::mutex> lock(engine.mutex);
    if (!section) {
        if (key || value) return false;
        engine.flush(engine.resolve(file));
        return true;
    }
    auto refuse = [&file](const char* why) {
        engine.fail(engine.resolve(file), why);
        return false;
    };
    std::string_view s = trim_blanks(section);
    if (!storable_section(s)) return refuse("a section name cannot hold \"]\" or a line break");
    if (!key) return engine.change(file, Change{Change::kEraseSection, s, {}, {}});
    std::string_view k = trim_blanks(key);
    if (!storable_key(k))
        return refuse("a key name cannot hold \"=\" or a line break, nor start with \"[\" or \";\"");
    if (!value) return engine.change(file, Change{Change::kEraseKey, s, k, {}});
    if (has_line_break(value)) return refuse("a value cannot hold a line break");
    return engine.change(file, Change{Change::kSet, s, k, value});
}

void profile_discard_file(const std::string& file) {
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.change(file, Change{Change::kDiscard, {}, {}, {}});
}

std::string profile_save(const std::string& file) {
    std::lock_guard<std::mutex> lock(engine.mutex);
    const std::string path = engine.resolve(file);
    engine.flush(path);
    return engine.take_failure(path);
}

std::string profile_read_error(const std::string& file) {
    std::lock_guard<std::mutex> lock(engine.mutex);
    FileState* f = engine.current(engine.resolve(file));
    return f && !f->disk.readable ? file_error_text(f->disk.error) : std::string();
}

void profile_flush() {
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.flush_all();
}

}  // namespace platform
