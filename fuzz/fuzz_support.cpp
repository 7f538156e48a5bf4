#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_target.h"

namespace fuzz {

void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, what);
    std::abort();
}

const std::string& scratch_folder() {
    // Kept for the whole run, so that the clean-up at exit still finds it. In memory where the machine
    // has such a folder: the files are written many thousand times, each write synced.
    static const std::string* const folder = [] {
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
        auto* path = new std::string((base / "dalmiro-fuzz-XXXXXX").string());
        if (!mkdtemp(path->data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] { std::filesystem::remove_all(scratch_folder()); });
        return path;
    }();
    return *folder;
}

}  // namespace fuzz
