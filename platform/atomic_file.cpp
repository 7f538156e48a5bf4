#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/profile_disk.h"

namespace platform {

namespace {

constexpr int kMostLinks = 40;  // as many as the kernel follows before it says ELOOP
constexpr size_t kTempChars = 6;  // what mkstemp puts after ".tmp"

bool write_all(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string base_name(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The turns every folder is held by in this process: the lock is the kernel's (flock on the folder),
// the count lets a holder take the same folder's turn again without waiting for itself.
struct Turns {
    std::recursive_mutex mutex;
    std::map<std::string, std::pair<int, int>> held;  // folder -> (descriptor, holders)
};
Turns& turns() {
    static Turns t;
    return t;
}

// A temporary file named after target lies in its folder only while a writer holds the folder's
// turn; one found by the holder was left by a writer that was killed.
void remove_stale_temporaries(const std::string& target) {
    const std::string folder = folder_of(target);
    const std::string prefix = base_name(target) + ".tmp";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> stale;
    while (const dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name.size() == prefix.size() + kTempChars && name.compare(0, prefix.size(), prefix) == 0)
            stale.push_back(folder + "/" + name);
    }
    ::closedir(dir);
    for (const std::string& s : stale) ::unlink(s.c_str());
}

// Never put something in the place of what we could not read: it may hold what nobody else has.
int replaceable(const std::string& target) {
    const DiskState d = stat_profile(target);
    if (!d.present) return 0;
    if (!d.readable) return d.error;
    int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

}  // namespace

std::string folder_of(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

FolderTurn::FolderTurn(const std::string& folder) : folder_(folder) {
    Turns& t = turns();
    t.mutex.lock();
    auto [it, first] = t.held.try_emplace(folder_, -1, 0);
    if (first) {
        it->second.first = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (it->second.first >= 0)
            while (::flock(it->second.first, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ++it->second.second;
}

FolderTurn::~FolderTurn() {
    Turns& t = turns();
    auto it = t.held.find(folder_);
    if (--it->second.second == 0) {
        if (it->second.first >= 0) ::close(it->second.first);  // gives the lock back
        t.held.erase(it);
    }
    t.mutex.unlock();
}

std::string write_target(const std::string& path, int* error) {
    std::string p = path;
    for (int hops = 0; hops <= kMostLinks; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::vector<char> buf(PATH_MAX);
        ssize_t n = ::readlink(p.c_str(), buf.data(), buf.size());
        if (n <= 0) return p;
        std::string link(buf.data(), static_cast<size_t>(n));
        p = link[0] == '/' ? link : folder_of(p) + "/" + link;
    }
    if (error) *error = ELOOP;
    return std::string();
}

bool write_file_atomically(const std::string& path, const std::string& bytes, int* error) {
    return write_file_atomically(path, [&bytes](const PutPiece& put) { put(bytes); }, error);
}

bool write_file_atomically(const std::string& path, const Pieces& pieces, int* error) {
    auto fail = [error](int e) {
        if (error) *error = e;
        return false;
    };
    if (path.empty()) return fail(ENOENT);
    int e = 0;
    const std::string target = write_target(path, &e);
    if (target.empty()) return fail(e);
    FolderTurn turn(folder_of(target));
    if (int why = replaceable(target)) return fail(why);
    remove_stale_temporaries(target);

    std::string tmpl = target + ".tmpXXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return fail(errno);
    // Keep the permissions an existing file had; a new one gets the usual rw-r--r--.
    struct stat st {};
    ::fchmod(fd, ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    bool ok = true;
    pieces([&](std::string_view piece) {
        ok = ok && write_all(fd, piece);
        return ok;
    });
    ok = ok && ::fsync(fd) == 0;
    e = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        e = errno;
    }
    if (ok && ::rename(name.data(), target.c_str()) != 0) {
        ok = false;
        e = errno;
    }
    if (!ok) {
        ::unlink(name.data());
        return fail(e);
    }
    int dir = ::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace platform
