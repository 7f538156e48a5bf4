#include "platform/profile_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {

namespace {

bool is_folder(const std::string& path) {
    struct stat st {};
    return !path.empty() && path[0] == '/' && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string without_trailing_slash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string current_folder() {
    std::vector<char> buf(4096);
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (buf.size() > (1u << 20)) return "/";
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

}  // namespace

std::string profile_system_folder() { return "/usr/lib"; }

std::string profile_home_folder() {
    std::string home = env("HOME");
    for (const std::string& candidate : {env("XDG_CONFIG_HOME"), home.empty() ? home : home + "/.config", home})
        if (is_folder(candidate)) return without_trailing_slash(candidate);
    return "/tmp";
}

std::string profile_temp_folder() {
    std::string tmp = env("TMPDIR");
    std::string folder = is_folder(tmp) ? without_trailing_slash(tmp) : std::string("/tmp");
    return folder == "/" ? folder : folder + "/";
}

std::string resolve_profile_path(const std::string& file) {
    if (file.empty() || file.back() == '/') return "";
    std::string full;
    if (file[0] == '/')
        full = file;
    else if (file.find('/') == std::string::npos)
        full = profile_home_folder() + "/" + file;
    else
        full = current_folder() + "/" + file;
    std::string out;
    size_t pos = 0;
    while (pos < full.size()) {
        size_t next = full.find('/', pos);
        if (next == std::string::npos) next = full.size();
        std::string_view part(full.data() + pos, next - pos);
        if (!part.empty() && part != ".") {
            out += '/';
            out += part;
        }
        pos = next + 1;
    }
    return out.empty() ? "" : out;
}

}  // namespace platform
