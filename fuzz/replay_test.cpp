// Every kept input of every fuzz target (its corpus and its past findings) goes through the target's
// body again, built like the rest of the tests, so a regression shows without a fuzzer.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fuzz/fuzz_target.h"

namespace fuzz {

namespace {
std::map<std::string, Body>& targets() {
    static std::map<std::string, Body> all;
    return all;
}
}  // namespace

bool register_target(const char* name, Body body) {
    targets()[name] = body;
    return true;
}

}  // namespace fuzz

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> kept_inputs(const std::string& target) {
    std::vector<fs::path> files;
    for (const char* kind : {"corpus", "findings"}) {
        const fs::path dir = fs::path(DALMIRO_FUZZ_DIR) / kind / target;
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    return files;
}

TEST(FuzzReplay, EveryKeptInputOfEveryTargetHoldsItsProperties) {
    ASSERT_FALSE(fuzz::targets().empty());
    for (const auto& [name, body] : fuzz::targets()) {
        const std::vector<fs::path> files = kept_inputs(name);
        // A target without a seed would be fuzzed from nothing and replay nothing.
        EXPECT_FALSE(files.empty()) << name;
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            // A broken property or a sanitizer report ends the process: the name says which input.
            std::fprintf(stderr, "replaying %s\n", file.string().c_str());
            body(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        }
    }
}

}  // namespace
