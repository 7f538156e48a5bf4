// The serial recording reader, on any file: every event it keeps has its time in order and no more
// bytes than a line may carry, and a usable recording written out again by the recorder's own line
// writer reads back as the same recording, with no warning but the missing stop line it may lack.
#include <sstream>
#include <string>

#include "fuzz/fuzz_target.h"
#include "platform/serial_recording_file.h"

namespace {

namespace rec = platform::recording;

bool same_events(const rec::Recording& a, const rec::Recording& b) {
    if (a.events.size() != b.events.size()) return false;
    for (size_t i = 0; i < a.events.size(); ++i) {
        const rec::Event &x = a.events[i], &y = b.events[i];
        if (x.us != y.us || x.kind != y.kind || x.bytes != y.bytes || x.text != y.text) return false;
    }
    return true;
}

}  // namespace

FUZZ_TARGET(serial_recording) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    rec::Recording got;
    const rec::ReadOutcome outcome = rec::read_recording(in, got);
    FUZZ_CHECK(outcome.usable == outcome.error.empty());
    if (!outcome.usable) return;

    uint64_t previous = 0;
    for (const rec::Event& e : got.events) {
        FUZZ_CHECK(e.us >= previous && e.bytes.size() <= rec::kMaxBytesPerLine);
        previous = e.us;
    }

    std::string text = rec::header_lines(got.program, got.start);
    for (const rec::Event& e : got.events) {
        const bool bytes = e.kind == rec::Event::Kind::Sent || e.kind == rec::Event::Kind::Received;
        rec::append_event_line(text, e.us, e.kind, bytes ? e.bytes : e.text);
        text += '\n';
    }
    std::istringstream again_in(text);
    rec::Recording again;
    const rec::ReadOutcome again_outcome = rec::read_recording(again_in, again);
    FUZZ_CHECK(again_outcome.usable);
    FUZZ_CHECK(again_outcome.warnings.size() == (got.stopped ? 0u : 1u));
    FUZZ_CHECK(again.program == got.program && again.start == got.start && again.stopped == got.stopped);
    FUZZ_CHECK(same_events(got, again));
}
