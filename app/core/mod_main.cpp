#include "app/core/mod_main.h"

namespace modMain {

namespace {
State* state = nullptr;
Windows wins;
Controls ctls;
}  // namespace

State& g() {
    if (!state) state = new State;  // lives for the whole run
    return *state;
}

void reset() {
    // The old table goes before the new one is made: two tables of 65536 records at once would
    // double the memory a test or benchmark program peaks at.
    g().Devices.Release();
    g() = State{};
}

Windows& windows() { return wins; }

Controls& controls() { return ctls; }

}  // namespace modMain
