#pragma once
// What every fuzz target is made of. A target's body is a plain function of one input. Built with
// libFuzzer (DALMIRO_LIBFUZZER), the file's FUZZ_TARGET becomes the fuzzer's entry point; otherwise
// it registers the body with the replay test, which runs it on every kept input of the target.
//
// A target asserts what must hold with FUZZ_CHECK: a broken property aborts, which libFuzzer keeps
// as a finding and the replay test reports with the input's name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

using Body = void (*)(const uint8_t* data, size_t size);

[[noreturn]] void fail(const char* what, const char* file, int line);

// A folder of this process's own for the files a target writes; removed when the process ends.
const std::string& scratch_folder();

// One more turn of the program's event loop, on a virtual clock installed at the first call: what
// was posted runs, and the profile files are looked at on disk again.
void next_turn();

// Registers a body under its target name (the name of its corpus folder); for the replay test.
bool register_target(const char* name, Body body);

// Reads an input front to back. Every piece is taken whole or empty, so any input is a valid one.
class Input {
public:
    Input(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}
    explicit Input(std::string_view bytes) : rest_(bytes) {}

    bool empty() const { return rest_.empty(); }
    std::string_view rest() const { return rest_; }
    // One byte; 0 when none is left.
    uint8_t byte() {
        if (rest_.empty()) return 0;
        const auto b = static_cast<uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }
    // Up to the next `separator` (dropped) or the end.
    std::string_view until(char separator) {
        const size_t at = rest_.find(separator);
        const std::string_view piece = rest_.substr(0, at);
        rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
        return piece;
    }
    // At most n bytes.
    std::string_view take(size_t n) {
        const std::string_view piece = rest_.substr(0, n);
        rest_.remove_prefix(piece.size());
        return piece;
    }

private:
    std::string_view rest_;
};

}  // namespace fuzz

#define FUZZ_CHECK(cond) ((cond) ? void(0) : ::fuzz::fail(#cond, __FILE__, __LINE__))

#ifdef DALMIRO_LIBFUZZER
#define FUZZ_ENTRY_(name, body)                                                   \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {    \
        body(data, size);                                                         \
        return 0;                                                                 \
    }
#else
#define FUZZ_ENTRY_(name, body) [[maybe_unused]] static const bool name##_registered = ::fuzz::register_target(#name, body);
#endif

// FUZZ_TARGET(name) { ...body using data and size... }
#define FUZZ_TARGET(name)                                        \
    static void name##_one_input(const uint8_t* data, size_t size); \
    FUZZ_ENTRY_(name, name##_one_input)                          \
    static void name##_one_input(const uint8_t* data, size_t size)
